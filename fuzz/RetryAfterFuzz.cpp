// A Retry-After value of arbitrary bytes: the wait read is never beyond the
// bound, and a value of a few digits reads as exactly its number.
#include "net/RetryAfter.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strValue(reinterpret_cast<const char*>(pData), nSize);
    const std::optional<std::uint64_t> seconds = CRetryAfter::Parse(strValue, 784111777);
    if (seconds && *seconds > CRetryAfter::MAX_SECONDS)
        __builtin_trap();
    const bool bDigits
        = !strValue.empty() && strValue.size() <= 9 && strValue.find_first_not_of("0123456789") == std::string::npos;
    if (bDigits && seconds != std::stoull(strValue))
        __builtin_trap();
    return 0;
}
