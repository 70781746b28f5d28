// A --header value of arbitrary bytes: what is accepted has a name before
// its first colon and no byte that could end the line it is sent on.
#include "cli/RequestChoice.h"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strHeader(reinterpret_cast<const char*>(pData), nSize);
    if (!CRequestChoice::IsHeaderLine(strHeader))
        return 0;
    const std::size_t nColon = strHeader.find(':');
    if (nColon == 0 || nColon == std::string::npos
        || strHeader.find_first_of(std::string("\r\n\0", 3)) != std::string::npos || strHeader.find(' ') < nColon)
        __builtin_trap();
    return 0;
}
