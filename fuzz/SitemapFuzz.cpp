// A sitemap of arbitrary bytes, plain or gzip-compressed: read within the
// protocol's bounds, every entry a non-empty trimmed value no longer than
// the file could hold, an unreadable file a reason and no entries.
#include "modern/SitemapReader.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Expect(bool bHolds)
{
    if (!bHolds)
        __builtin_trap();
}

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    std::string strBytes(reinterpret_cast<const char*>(pData), nSize);
    const SSitemap sitemap = CSitemapReader::Read(strBytes, nSize > 0 && pData[0] == 'X');
    Expect(sitemap.locs.size() <= CSitemapReader::MAX_LOCS);
    if (sitemap.eKind == SSitemap::EKind::UNREADABLE)
        Expect(sitemap.locs.empty() && !sitemap.strProblem.empty());
    for (const std::string& strLoc : sitemap.locs) {
        Expect(!strLoc.empty() && !IsBlank(strLoc.front()) && !IsBlank(strLoc.back()));
        Expect(strLoc.size() <= CSitemapReader::MAX_BYTES);
    }
    return 0;
}
