#include "html/LinkAttributeSyntax.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Urls = std::vector<std::string>;

} // namespace

TEST(LinkAttributeSyntax, SrcsetCandidates)
{
    const std::vector<std::pair<std::string, Urls>> cases = {
        {"a.png", {"a.png"}},
        {"a.png 1x, b.png 2x", {"a.png", "b.png"}},
        {" ,, a.png  100w ,b.png 2.5x,c.png", {"a.png", "b.png", "c.png"}},
        // A comma inside a URL is part of it.
        {"a.png,b.png", {"a.png,b.png"}},
        {"a,b.png 1x", {"a,b.png"}},
        {"a.png,,, b.png", {"a.png", "b.png"}},
        {"data:image/png;base64,AAA= 1x", {"data:image/png;base64,AAA="}},
        {"a.png 100w 50h, b.png 1e1x, c.png .5x, d.png -0x", {"a.png", "b.png", "c.png", "d.png"}},
        {"a.png (a, b), b.png", {"b.png"}},
        // Invalid descriptors drop their candidate and only it.
        {"a.png 0w, b.png -1x, c.png 1.x, d.png 2x 3x, e.png 100w 2x, f.png 50h, g.png 2y, h.png 1x", {"h.png"}},
        {"a.png 100w 0h, b.png 1x 100h, c.png 10W", {}},
        {"", {}},
        {" , ", {}},
    };
    for (const auto& [strSrcset, expected] : cases) {
        SCOPED_TRACE("srcset: " + strSrcset);
        EXPECT_EQ(CLinkAttributeSyntax::SplitSrcset(strSrcset), expected);
    }
}

TEST(LinkAttributeSyntax, RefreshUrl)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"5; url=x.html", "x.html"},
        {"5, URL = 'x.html'", "x.html"},
        {"0; x.html", "x.html"},
        {" 3.5 ;url=\"a b\" tail", "a b"},
        {".5;url=x", "x"},
        {"0 url=x", "x"},
        {"0;URL='x", "x"},
        {"0; urx", "urx"},
        {"0; u=x", "u=x"},
        {"0; urlx", "urlx"},
        {"0; 'x' y", "x"},
        {"5", ""},
        {"5;", ""},
        {"url=x", ""},
        {"5x; url=y", ""},
        {"", ""},
    };
    for (const auto& [strContent, strUrl] : cases) {
        SCOPED_TRACE("content: " + strContent);
        EXPECT_EQ(CLinkAttributeSyntax::RefreshUrl(strContent), strUrl);
    }
}

TEST(LinkAttributeSyntax, CleanUrlValue)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"a", "a"},
        {" \t\n\f\ra b \r\n", "a b"},
        {"a\tb\nc\rd", "abcd"},
        {"a\fb", "a\fb"},
        {"#top", ""},
        {"\n#top", ""},
        {"a#top", "a#top"},
        {"\v", "\v"},
        {"", ""},
    };
    for (const auto& [strValue, strClean] : cases) {
        SCOPED_TRACE("value: " + strValue);
        EXPECT_EQ(CLinkAttributeSyntax::CleanUrlValue(strValue), strClean);
    }
}
