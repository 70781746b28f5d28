#include "html/CssLinkReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SExpected {
    std::string strValue;
    int nLine;
    int nColumn;
    bool bImport;
};

struct SCssCase {
    std::string strCss;
    std::vector<SExpected> expected;
};

void ExpectReferences(const std::vector<SCssReference>& found, const std::vector<SExpected>& expected)
{
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t n = 0; n < found.size(); ++n) {
        SCOPED_TRACE("reference " + std::to_string(n));
        EXPECT_EQ(found[n].strValue, expected[n].strValue);
        EXPECT_EQ(found[n].nLine, expected[n].nLine);
        EXPECT_EQ(found[n].nColumn, expected[n].nColumn);
        EXPECT_EQ(found[n].bImport, expected[n].bImport);
    }
}

TEST(CssLinkReader, UrlsImportsAndWhatHidesThem)
{
    const std::vector<SCssCase> cases = {
        // url() in its forms
        {"a{background:url(x.png)}", {{"x.png", 1, 14, false}}},
        {"a{background:url( x.png )}", {{"x.png", 1, 14, false}}},
        {"a{b:url(\"x y.png\")}", {{"x y.png", 1, 5, false}}},
        {"a{b:url( 'x.png' )}", {{"x.png", 1, 5, false}}},
        {"a{b:URL(x.png)}", {{"x.png", 1, 5, false}}},
        {"a{b:url(x.png) url(y.png)}\n  c{d:url(z.png)}",
            {{"x.png", 1, 5, false}, {"y.png", 1, 16, false}, {"z.png", 2, 7, false}}},
        {"a{b:image-set(url(a.png) 1x, \"b.png\" 2x)}", {{"a.png", 1, 15, false}}},
        // escapes
        {"a{b:url(a\\29 b.png)}", {{"a)b.png", 1, 5, false}}},
        {"a{b:url(a\\(b.png)}", {{"a(b.png", 1, 5, false}}},
        {"a{b:\\75 rl(x.png)}", {{"x.png", 1, 5, false}}}, // an escaped name is still url
        {"a{b:url(\"a\\\"b\\\nc.png\")}", {{"a\"bc.png", 1, 5, false}}}, // escaped quote and line break
        {"a{b:url(\\0 x)}", {{"\xEF\xBF\xBDx", 1, 5, false}}}, // code point zero is U+FFFD
        {"a{b:url(caf\\e9.png)}", {{"caf\xC3\xA9.png", 1, 5, false}}},
        // comments
        {"/* url(no.png) */a{b:url(x.png)}", {{"x.png", 1, 22, false}}},
        {"a{b:url(/*c*/x.png)}", {{"/*c*/x.png", 1, 5, false}}}, // no comment inside an unquoted url
        {"a{b:url(/*c*/ x.png)}", {}}, // ... and a blank then more makes it bad
        {"a{b:/* unclosed url(no.png)", {}},
        // @import forms
        {"@import \"a.css\";", {{"a.css", 1, 9, true}}},
        {"@import 'a.css' screen;", {{"a.css", 1, 9, true}}},
        {"@import url(a.css);", {{"a.css", 1, 1, true}}},
        {"@import url( \"a.css\" ) print;", {{"a.css", 1, 1, true}}},
        {"@IMPORT/**/\"a.css\";", {{"a.css", 1, 12, true}}},
        {"a{}\r\n@import \"late.css\";", {{"late.css", 2, 9, true}}}, // wherever it stands; CR LF is one break
        {"@media print{@import \"in.css\";}", {{"in.css", 1, 22, true}}},
        // bad URL tokens and bad strings yield nothing, and reading goes on after them
        {"a{b:url(x y.png) c:url(ok.png)}", {{"ok.png", 1, 20, false}}},
        {"a{b:url(x\"y) c:url(ok.png)}", {{"ok.png", 1, 16, false}}},
        {"a{b:url(x(y\\)z) c:url(ok.png)}", {{"ok.png", 1, 19, false}}},
        {"a{b:url(\"x\ny.png\")}", {}},
        {"@import \"a\nb.css\";", {}},
        // nothing to find
        {"", {}},
        {"a{color:red}", {}},
        {"a{content:\"url(no.png)\"}", {}},
        {"a{b:myurl(no.png) c:-url(no.png) d:1url(no.png)}", {}},
        {"a{b:url()} c{d:url(\"\")} e{f:url(#frag)}", {}},
        {"@importx \"no.css\"; @import;", {}},
        {"a{b:url(unclosed.png", {{"unclosed.png", 1, 5, false}}},
    };
    for (const SCssCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.strCss));
        ExpectReferences(CCssLinkReader::Read(c.strCss), c.expected);
    }
}

TEST(CssLinkReader, PositionsCountFromWhereTheTextStandsInItsPage)
{
    // As a <style> element's text starting at line 4, column 8 of its page.
    const std::string strCss = "a{b:url(x.png)}\n  @import 'y.css';";
    ExpectReferences(CCssLinkReader::Read(strCss, 4, 8), {{"x.png", 4, 12, false}, {"y.css", 5, 11, true}});
    // Characters, not bytes, make the column.
    ExpectReferences(CCssLinkReader::Read("p{content:'\xC3\xA9';b:url(x)}"), {{"x", 1, 17, false}});
}

} // namespace
