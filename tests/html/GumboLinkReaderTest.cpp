#include "html/GumboLinkReader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

using Reference = std::tuple<std::string, int, int>;
using References = std::vector<Reference>;

References ReadAll(const CGumboLinkReader& reader)
{
    References references;
    for (std::size_t i = 0; i < reader.GetCount(); ++i) {
        const SHtmlReference reference = reader.GetReference(i);
        references.emplace_back(std::string(reference.strValue), reference.nLine, reference.nColumn);
    }
    return references;
}

} // namespace

TEST(GumboLinkReader, PagesReadInPartsGiveWhatTheWholePageGives)
{
    const CMarkupSlicer::SLimits TINY = {3, 2, 4, 2};
    const std::vector<std::string> pages = {
        "<a href=a>\n<div><div><img src=b srcset='c 1x'>\r\n<a href=d><p>\xC3\xA9<a href=e></div></div>",
        "<base href=/x/><ul><li><a href=1><li><a href=2>\n<li><a href=3></ul><base href=/y/>",
        "<b><i><a href=a><p>x<p>y</b><p><a href=b>\n<script src=s></script><link href=l>",
        "<table><tr><td><a href=a></td></tr></table>\r<table><tr><td><a href=b></table>",
    };
    for (const std::string& strPage : pages) {
        SCOPED_TRACE("page: " + strPage);
        CGumboLinkReader whole;
        CGumboLinkReader parts(TINY);
        whole.Read(strPage);
        parts.Read(strPage);
        ASSERT_GT(CMarkupSlicer::Cut(strPage, TINY).size(), 1u);
        EXPECT_EQ(ReadAll(parts), ReadAll(whole));
        EXPECT_EQ(parts.GetBase(), whole.GetBase());
    }
}
