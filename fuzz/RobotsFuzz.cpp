// A robots.txt of arbitrary bytes and a path to ask about: parsing and
// matching end without fault and in time, keep no more rules than the file
// has lines, and an unreadable file refuses everything.
#include "modern/RobotsRules.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    const std::string strPath = "/" + provider.ConsumeRandomLengthString(256);
    const std::string strFile = provider.ConsumeRemainingBytesAsString();
    const CRobotsRules rules = CRobotsRules::Parse(strFile, "lintrel");
    // The shortest rule line is "allow:x".
    if (rules.GetRuleCount() > strFile.size() / 7 + 1)
        __builtin_trap();
    rules.IsAllowed(strPath);
    rules.IsAllowed("/");
    if (CRobotsRules::DisallowAll().IsAllowed(strPath) || !CRobotsRules().IsAllowed(strPath))
        __builtin_trap();
    return 0;
}
