#include "modern/SitemapReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using EKind = SSitemap::EKind;

std::string Gzip(const std::string& strText)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string strOut(deflateBound(&stream, static_cast<uLong>(strText.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strText.data()));
    stream.avail_in = static_cast<uInt>(strText.size());
    stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
    stream.avail_out = static_cast<uInt>(strOut.size());
    deflate(&stream, Z_FINISH);
    strOut.resize(stream.total_out);
    deflateEnd(&stream);
    return strOut;
}

std::string UrlSet(std::size_t nUrls)
{
    std::string strXml = "<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">";
    for (std::size_t n = 0; n < nUrls; ++n)
        strXml += "<url><loc>http://127.0.0.1/" + std::to_string(n) + "</loc></url>";
    return strXml + "</urlset>";
}

struct SSitemapCase {
    const char* pszName;
    std::string strBytes;
    EKind eKind;
    std::vector<std::string> locs;
    bool bCut;
};

TEST(SitemapReader, EntriesKindsAndWhatIsNeverExpanded)
{
    const std::string strSet = "<?xml version=\"1.0\"?>\n<urlset xmlns=\"http://www.sitemaps.org/schemas/sitemap/0.9\">"
                               "<url><loc>\n  http://127.0.0.1/a.html \n</loc><priority>1</priority></url>"
                               "<url><loc><![CDATA[http://127.0.0.1/b?x=1&y=2]]></loc></url>"
                               "<url><loc>http://127.0.0.1/c?p=1&amp;q=2</loc></url><url><loc> </loc></url></urlset>";
    const std::vector<std::string> setLocs
        = {"http://127.0.0.1/a.html", "http://127.0.0.1/b?x=1&y=2", "http://127.0.0.1/c?p=1&q=2"};
    const std::vector<SSitemapCase> cases = {
        {"a sitemap, trimmed, CDATA and references read", strSet, EKind::URLS, setLocs, false},
        {"the same gzip-compressed", Gzip(strSet), EKind::URLS, setLocs, false},
        {"an index with a namespace prefix",
            "<sm:sitemapindex xmlns:sm=\"http://www.sitemaps.org/schemas/sitemap/0.9\"><sm:sitemap>"
            "<sm:loc>http://127.0.0.1/s1.xml</sm:loc></sm:sitemap><sm:sitemap><sm:loc>http://127.0.0.1/s2.xml.gz"
            "</sm:loc></sm:sitemap></sm:sitemapindex>",
            EKind::INDEX, {"http://127.0.0.1/s1.xml", "http://127.0.0.1/s2.xml.gz"}, false},
        {"exactly at the bound", UrlSet(CSitemapReader::MAX_LOCS), EKind::URLS, {}, false},
        {"one over the bound, duplicates counted",
            "<urlset><url><loc>http://127.0.0.1/d</loc></url>" + UrlSet(CSitemapReader::MAX_LOCS).substr(8),
            EKind::URLS, {}, true},
        // Nine levels of ten: expanded, a billion "lol"s. Left as written.
        {"an entity bomb is not expanded",
            "<?xml version=\"1.0\"?><!DOCTYPE lolz [<!ENTITY lol \"lol\"><!ENTITY lol1 \"&lol;&lol;&lol;&lol;&lol;"
            "&lol;&lol;&lol;&lol;&lol;\"><!ENTITY lol2 \"&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;&lol1;"
            "&lol1;\">]><urlset><url><loc>http://127.0.0.1/&lol2;</loc></url></urlset>",
            EKind::URLS, {"http://127.0.0.1/&lol2;"}, false},
        {"an external entity is neither fetched nor read",
            "<?xml version=\"1.0\"?><!DOCTYPE u [<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
            "<urlset><url><loc>http://127.0.0.1/&ext;</loc></url></urlset>",
            EKind::URLS, {"http://127.0.0.1/&ext;"}, false},
        {"not XML", "User-agent: *\nDisallow:\n", EKind::UNREADABLE, {}, false},
        {"XML of another kind", "<rss><channel/></rss>", EKind::UNREADABLE, {}, false},
        {"damaged gzip", std::string("\x1f\x8b\x08\x00garbage", 12), EKind::UNREADABLE, {}, false},
        {"empty", "", EKind::UNREADABLE, {}, false},
    };
    for (const SSitemapCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const SSitemap sitemap = CSitemapReader::Read(c.strBytes);
        EXPECT_EQ(sitemap.eKind, c.eKind);
        EXPECT_EQ(sitemap.bCut, c.bCut);
        EXPECT_EQ(sitemap.strProblem.empty(), c.eKind != EKind::UNREADABLE) << sitemap.strProblem;
        if (!c.locs.empty() || c.eKind == EKind::UNREADABLE) {
            EXPECT_EQ(sitemap.locs, c.locs);
        }
    }
}

TEST(SitemapReader, BoundsKeepWhatCameBefore)
{
    const SSitemap over = CSitemapReader::Read(UrlSet(CSitemapReader::MAX_LOCS + 5));
    ASSERT_EQ(over.locs.size(), CSitemapReader::MAX_LOCS);
    EXPECT_EQ(over.locs.back(), "http://127.0.0.1/" + std::to_string(CSitemapReader::MAX_LOCS - 1));
    EXPECT_TRUE(over.bCut);
    // A file the fetch cut at the byte bound ends mid-element.
    const std::string strCut = UrlSet(3).substr(0, UrlSet(3).size() - 30);
    const SSitemap cut = CSitemapReader::Read(strCut, true);
    EXPECT_EQ(cut.eKind, EKind::URLS);
    EXPECT_EQ(cut.locs, (std::vector<std::string> {"http://127.0.0.1/0", "http://127.0.0.1/1"}));
    EXPECT_TRUE(cut.bCut);
    // A gzip bomb inflates only up to the byte bound.
    const std::string strPadded = "<urlset><url><loc>http://127.0.0.1/z</loc></url><!--"
        + std::string(CSitemapReader::MAX_BYTES + 1000, 'z') + "--></urlset>";
    const SSitemap bomb = CSitemapReader::Read(Gzip(strPadded));
    EXPECT_TRUE(bomb.bCut);
    EXPECT_EQ(bomb.locs, std::vector<std::string> {"http://127.0.0.1/z"});
}

} // namespace
