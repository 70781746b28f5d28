#include "html/HtmlLinkReader.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {

// (value, line, column) of one reference.
using Reference = std::tuple<std::string, int, int>;
using References = std::vector<Reference>;

struct SPageCase {
    std::string strPage;
    References expected;
};

References ReadAll(const CHtmlLinkReader& reader)
{
    References references;
    for (std::size_t i = 0; i < reader.GetCount(); ++i) {
        const SHtmlReference reference = reader.GetReference(i);
        references.emplace_back(std::string(reference.strValue), reference.nLine, reference.nColumn);
    }
    return references;
}

void ExpectPages(const std::vector<SPageCase>& cases)
{
    for (const SPageCase& c : cases) {
        SCOPED_TRACE("page: " + c.strPage);
        CHtmlLinkReader reader;
        reader.Read(c.strPage);
        EXPECT_EQ(ReadAll(reader), c.expected);
    }
}

} // namespace

TEST(HtmlLinkReader, EveryKindOfElement)
{
    ExpectPages({
        {"<a href=a>", {{"a", 1, 1}}},
        {"<map><area href=b></map>", {{"b", 1, 6}}},
        {"<link rel=stylesheet href=c.css>", {{"c.css", 1, 1}}},
        {"<link rel='Preconnect' href=//cdn> <link rel='x DNS-Prefetch' href=//d> <link rel=preconnectx href=e>",
            {{"e", 1, 73}}},
        {"<frameset><frame src=f></frameset>", {{"f", 1, 11}}},
        {"<iframe src=g></iframe>", {{"g", 1, 1}}},
        {"<img src=h srcset='h2.png 2x, h3.png 3x'>", {{"h", 1, 1}, {"h2.png", 1, 1}, {"h3.png", 1, 1}}},
        {"<img srcset='i2 2x' src=i>", {{"i", 1, 1}, {"i2", 1, 1}}},
        {"<picture><source srcset='j 100w' src=j0></picture>", {{"j0", 1, 10}, {"j", 1, 10}}},
        {"<script src=k.js></script>", {{"k.js", 1, 1}}},
        {"<video src=l poster=m><track src=n></video>", {{"l", 1, 1}, {"m", 1, 1}, {"n", 1, 23}}},
        {"<audio src=o></audio><embed src=p><object data=q></object>", {{"o", 1, 1}, {"p", 1, 22}, {"q", 1, 35}}},
        {"<input type=IMAGE src=r><input src=s><input type=text src=t>", {{"r", 1, 1}}},
        {"<meta http-equiv=Refresh content='5; url=u'><meta http-equiv=x content='0; v'>", {{"u", 1, 1}}},
        {"<div href=w><span src=x><form action=y></form></span></div>", {}},
    });
}

TEST(HtmlLinkReader, MarkupAsBrowsersReadIt)
{
    ExpectPages({
        // Names in any case, any quoting, character references decoded.
        {"<A HREF=\"a\"><A hReF='b'><a href=c>", {{"a", 1, 1}, {"b", 1, 13}, {"c", 1, 25}}},
        {"<a href=\"x?a=1&amp;b=2&lt;\">", {{"x?a=1&b=2<", 1, 1}}},
        {"<a href='&#x2F;y&eacute;'>", {{"/y\xC3\xA9", 1, 1}}},
        // The first of two same-named attributes counts.
        {"<a href=first href=second>", {{"first", 1, 1}}},
        // Outer whitespace trimmed; tabs and line breaks inside dropped.
        {"<a href=' \t\na\tb\nc\r\n '>", {{"abc", 1, 1}}},
        // Empty and fragment-only values say nothing to check.
        {"<a href=''><a href=' '><a href='#top'><a href=' #x'><a href='y#z'>", {{"y#z", 1, 53}}},
        // Each value is one reference, even when repeated.
        {"<img src=a srcset=a><a href=a>", {{"a", 1, 1}, {"a", 1, 1}, {"a", 1, 21}}},
    });
}

TEST(HtmlLinkReader, TextThatIsNotMarkup)
{
    ExpectPages({
        {"<!-- <a href=a> --><a href=b>", {{"b", 1, 20}}},
        {"<script>document.write('<a href=a>')</script><a href=b>", {{"b", 1, 46}}},
        {"<style>a[href='<a href=a>']{}</style><a href=b>", {{"b", 1, 38}}},
        {"<template><a href=a></template><a href=b>", {{"b", 1, 32}}},
        {"<textarea><a href=a></textarea><title><img src=a></title><a href=b>", {{"b", 1, 58}}},
        // Without scripts, noscript content is markup.
        {"<noscript><a href=a></noscript>", {{"a", 1, 11}}},
        // SVG and MathML elements are not the HTML elements listed.
        {"<svg><a href=a></a><image href=b /></svg><a href=c>", {{"c", 1, 42}}},
        {"<p>database and <basement> <a href=c>", {{"c", 1, 28}}},
    });
}

TEST(HtmlLinkReader, PagesThatAreNotWellFormed)
{
    ExpectPages({
        // An anchor the parser reopens after a misnested close is not another link.
        {"<a href=a><div>x</a>y</div>", {{"a", 1, 1}}},
        {"<b><a href=a><p>x</b>y", {{"a", 1, 4}}},
        // Elements moved out of a table keep their place in the source.
        {"<table><a href=a><tr><td><a href=b></td></tr><a href=c></table>", {{"a", 1, 8}, {"b", 1, 26}, {"c", 1, 46}}},
        {"<a href=a", {}},
        {"<a href='a>", {}},
        {"<a href=a><a href=b>", {{"a", 1, 1}, {"b", 1, 11}}},
        {"</a href=a><a/href=b>", {{"b", 1, 12}}},
        {"<image src=a>", {{"a", 1, 1}}},
        {std::string("<a href=a\0b>", 12),
            {{"a\xEF\xBF\xBD"
              "b",
                1, 1}}},
    });
}

TEST(HtmlLinkReader, LinesAndColumns)
{
    ExpectPages({
        {"\n\n  <a href=a>", {{"a", 3, 3}}},
        {"\r\n\r\n<a href=a>", {{"a", 3, 1}}},
        {"\r\r<a href=a>\r<a\nhref=b>", {{"a", 3, 1}, {"b", 4, 1}}},
        {"\n\r\n\r<a href=a>", {{"a", 4, 1}}},
        {"\t\t<a href=a>", {{"a", 1, 3}}},
        // Columns count characters, not bytes.
        {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 <a href=a>", {{"a", 1, 10}}},
        {"<p title='\n\n'>x</p> <a href=a>", {{"a", 3, 9}}},
    });
}

TEST(HtmlLinkReader, Base)
{
    struct SCase {
        std::string strPage;
        bool bHasBase;
        std::string strBase;
    };
    const std::vector<SCase> cases = {
        {"<base href='/docs/'><a href=a>", true, "/docs/"},
        {"<base target=_top><base href=' x '><base href=y>", true, " x "},
        {"<a href=a><base href=late>", true, "late"},
        {"<base href=''>", true, ""},
        {"<template><base href=t></template>", false, ""},
        {"<!-- <base href=c> --> database <a href=x>", false, ""},
        {"<svg><base href=s /></svg>", false, ""},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE("page: " + c.strPage);
        CHtmlLinkReader reader;
        reader.Read(c.strPage);
        EXPECT_EQ(reader.HasBase(), c.bHasBase);
        EXPECT_EQ(reader.GetBase(), c.strBase);
    }
}

namespace {

std::string Repeat(const std::string& strText, std::size_t nTimes)
{
    std::string strOut;
    strOut.reserve(strText.size() * nTimes);
    for (std::size_t i = 0; i < nTimes; ++i)
        strOut += strText;
    return strOut;
}

// Formatting elements with distinct attributes, which the parser does not
// merge as it merges identical ones.
std::string DistinctFormatting(int nCount)
{
    std::string strOut;
    for (int i = 0; i < nCount; ++i)
        strOut += "<b id=" + std::to_string(i) + ">";
    return strOut;
}

} // namespace

TEST(HtmlLinkReader, HostilePagesYieldTheirLinks)
{
    // Deep nesting costs the tree builder time in proportion to the depth
    // for every element, and gumbo frees its tree recursively.
    const std::vector<SPageCase> cases = {
        {Repeat("<div>", 200000) + "\n<a href=deep>", {{"deep", 2, 1}}},
        {Repeat("<span>", 200000) + "<a href=deep>", {{"deep", 1, 1200001}}},
        {Repeat("<b>", 100000) + "<a href=deep>", {{"deep", 1, 300001}}},
        {Repeat("<table><tr><td>", 50000) + "<a href=deep>", {{"deep", 1, 750001}}},
        // Unclosed formatting elements the parser would copy into every paragraph.
        {DistinctFormatting(5000) + Repeat("<p>x", 20000) + "<a href=last>", {{"last", 1, 53890 + 80001}}},
    };
    for (const SPageCase& c : cases) {
        SCOPED_TRACE("page of " + std::to_string(c.strPage.size()) + " bytes");
        CHtmlLinkReader reader;
        reader.Read(c.strPage);
        EXPECT_EQ(ReadAll(reader), c.expected);
    }
}
