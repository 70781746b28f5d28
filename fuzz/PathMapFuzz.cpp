// The rest of a URL after a --map prefix, of arbitrary bytes: the path it
// becomes stays below the folder (no "..", no leading "/", no empty or "."
// segment) and never names a zero byte, and nothing else is refused.
#include "modern/PathMap.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strRest(reinterpret_cast<const char*>(pData), nSize);
    const std::optional<CPathMap::SRelativePath> path = CPathMap::ToRelativePath(strRest);
    if (!path)
        return 0;
    const std::string& strPath = path->strPath;
    if (strPath.find('\0') != std::string::npos
        || (!strPath.empty() && (strPath.front() == '/' || strPath.back() == '/')))
        __builtin_trap();
    for (std::size_t nStart = 0; !strPath.empty() && nStart <= strPath.size();) {
        const std::size_t nEnd = std::min(strPath.find('/', nStart), strPath.size());
        const std::string_view segment = std::string_view(strPath).substr(nStart, nEnd - nStart);
        if (segment.empty() || segment == "." || segment == "..")
            __builtin_trap();
        nStart = nEnd + 1;
    }
    // Decoding only shortens: an escape is three bytes for one.
    if (strPath.size() > nSize)
        __builtin_trap();
    return 0;
}
