// Arbitrary bytes as a --cache-age value and as the cache file itself: an
// age accepted is digits and one unit; a file is either opened or refused,
// and a refused one is left byte for byte as it was, with nothing beside it.
#include "cache/ResultCache.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string ReadAll(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void CheckAge(const std::string& strText)
{
    if (!CResultCache::ParseAge(strText))
        return;
    if (strText.size() < 2 || strText.find_first_not_of("0123456789") != strText.size() - 1
        || std::string("smhd").find(strText.back()) == std::string::npos)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strBytes(reinterpret_cast<const char*>(pData), nSize);
    CheckAge(strBytes);
    const std::string strPath
        = (std::filesystem::temp_directory_path() / ("fuzz-cache-" + std::to_string(::getpid()) + ".db")).string();
    std::ofstream(strPath, std::ios::binary | std::ios::trunc) << strBytes;
    {
        CResultCache cache("fingerprint", std::chrono::seconds(60));
        std::string strReason;
        if (cache.Open(strPath, strReason) == CResultCache::EOpen::REFUSED
            && (ReadAll(strPath) != strBytes || std::filesystem::exists(strPath + "-wal")
                || std::filesystem::exists(strPath + "-shm")))
            __builtin_trap();
        cache.FindReusable("http://h/");
        cache.FindPage("http://h/");
    }
    for (const char* pszSuffix : {"", "-wal", "-shm"})
        std::filesystem::remove(strPath + pszSuffix);
    return 0;
}
