#include "net/WebUrl.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A reference and its normal form, or the outcome's name when it is not a link.
struct SResolveCase {
    std::string strReference;
    std::string strExpected;
};

std::string Describe(const CWebUrl& url)
{
    switch (url.GetOutcome()) {
    case CWebUrl::WEB_LINK:
    case CWebUrl::FILE_LINK: return url.GetText();
    case CWebUrl::NOT_WEB_LINK: return "(not a web link)";
    case CWebUrl::BAD_URL: return "(bad URL)";
    case CWebUrl::URL_TOO_LONG: return "(too long)";
    }
    return "(?)";
}

void ExpectResolved(const std::string& strBase, const std::vector<SResolveCase>& cases)
{
    const CWebUrl base = CWebUrl::Parse(strBase);
    ASSERT_TRUE(base.IsWebLink()) << strBase;
    for (const SResolveCase& c : cases) {
        SCOPED_TRACE("reference: " + c.strReference);
        const CWebUrl url = base.Resolve(c.strReference);
        EXPECT_EQ(Describe(url), c.strExpected);
        if (url.IsWebLink()) {
            EXPECT_EQ(CWebUrl::Parse(url.GetText()).GetText(), url.GetText()); // a normal form is a fixed point
        }
    }
}

} // namespace

TEST(WebUrl, ResolvesAsRfc3986Says)
{
    // The RFC's own examples (section 5.4), fragments dropped.
    ExpectResolved("http://a/b/c/d;p?q",
        {
            {"g", "http://a/b/c/g"},
            {"./g", "http://a/b/c/g"},
            {"g/", "http://a/b/c/g/"},
            {"/g", "http://a/g"},
            {"//g", "http://g/"},
            {"?y", "http://a/b/c/d;p?y"},
            {"g?y", "http://a/b/c/g?y"},
            {"#s", "http://a/b/c/d;p?q"},
            {"g#s", "http://a/b/c/g"},
            {"g?y#s", "http://a/b/c/g?y"},
            {";x", "http://a/b/c/;x"},
            {"g;x?y#s", "http://a/b/c/g;x?y"},
            {"", "http://a/b/c/d;p?q"},
            {".", "http://a/b/c/"},
            {"./", "http://a/b/c/"},
            {"..", "http://a/b/"},
            {"../", "http://a/b/"},
            {"../g", "http://a/b/g"},
            {"../..", "http://a/"},
            {"../../", "http://a/"},
            {"../../g", "http://a/g"},
            {"../../../g", "http://a/g"},
            {"../../../../g", "http://a/g"},
            {"/./g", "http://a/g"},
            {"/../g", "http://a/g"},
            {"g.", "http://a/b/c/g."},
            {".g", "http://a/b/c/.g"},
            {"g..", "http://a/b/c/g.."},
            {"..g", "http://a/b/c/..g"},
            {"./../g", "http://a/b/g"},
            {"./g/.", "http://a/b/c/g/"},
            {"g/./h", "http://a/b/c/g/h"},
            {"g/../h", "http://a/b/c/h"},
            {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
            {"g;x=1/../y", "http://a/b/c/y"},
            {"g?y/./x", "http://a/b/c/g?y/./x"},
            {"g?y/../x", "http://a/b/c/g?y/../x"},
            {"g#s/../x", "http://a/b/c/g"},
            {"g:h", "(not a web link)"},
        });
}

TEST(WebUrl, ResolvesAsBrowsersDo)
{
    ExpectResolved("https://Example.COM:443/dir/page.html?x=1#top",
        {
            // A scheme the base shares, without slashes, is a relative reference.
            {"https:other.html", "https://example.com/dir/other.html"},
            {"https:", "https://example.com/dir/page.html?x=1"},
            {"http:host2/x", "http://host2/x"},
            {"HTTP://Host2:80/", "http://host2/"},
            {"//cdn.example/a", "https://cdn.example/a"},
            {"http:///x", "http://x/"},
            {"https:/x", "https://example.com/x"},
            {"http:\\x/y", "http://x/y"},
            // Backslashes are slashes before the query, and "%2e" a dot in a dot segment.
            {"a\\b\\c?d\\e", "https://example.com/dir/a/b/c?d\\e"},
            {"\\\\other\\p", "https://other/p"},
            {"%2e%2e/up", "https://example.com/up"},
            {".%2E/a/%2e/b", "https://example.com/a/b"},
            {"a%2eb", "https://example.com/dir/a%2Eb"},
            {"%2e%2e/../x", "https://example.com/x"},
            // Whitespace as an attribute value may carry it.
            {" \t\n x y \r\n", "https://example.com/dir/x%20y"},
            {"\x01"
             "a\x02",
                "https://example.com/dir/a"},
        });
}

TEST(WebUrl, NormalForm)
{
    ExpectResolved("http://h/",
        {
            {"HTTP://WWW.Example.ORG/A/b", "http://www.example.org/A/b"},
            {"http://h:80/", "http://h/"},
            {"https://h:443/", "https://h/"},
            {"http://h:443/", "http://h:443/"},
            {"https://h:80/", "https://h:80/"},
            {"http://h:0080/", "http://h/"},
            {"http://h:/", "http://h/"},
            {"http://h:8080", "http://h:8080/"},
            {"http://h", "http://h/"},
            {"http://h?q", "http://h/?q"},
            {"http://h/?", "http://h/"},
            {"caf%c3%a9/%7e%2F?%5b=%zz&%", "http://h/caf%C3%A9/%7E%2F?%5B=%zz&%"},
            {"caf\xC3\xA9 x?q=\xC3\xA9 r", "http://h/caf%C3%A9%20x?q=%C3%A9%20r"},
            {"a\"<>`{}|^b?\"<>'`{}", "http://h/a%22%3C%3E%60%7B%7D|^b?%22%3C%3E%27`{}"},
            {"?a+b=c d", "http://h/?a+b=c%20d"},
            {"http://User:P%40ss@h/", "http://User:P%40ss@h/"},
            {"http://[FE80::1]:8080/x", "http://[fe80::1]:8080/x"},
            {"http://0x7F.1/", "http://127.0.0.1/"},
            {"http://1%2E11/", "http://1.0.0.11/"},
            {"http://ex%41mple.com/", "http://example.com/"},
            // Names outside ASCII stay as written: the host name is the request's business.
            {"http://b\xC3\xBC"
             "cher.DE/",
                "http://b\xC3\xBC"
                "cher.de/"},
        });
}

TEST(WebUrl, WhatIsNotAWebLink)
{
    ExpectResolved("http://h/dir/",
        {
            {"mailto:x@h", "(not a web link)"},
            {"javascript:void(0)", "(not a web link)"},
            {"data:text/html,<a>", "(not a web link)"},
            {"tel:+1", "(not a web link)"},
            {"ftp://h/f", "(not a web link)"},
            {"file:///etc/passwd", "(not a web link)"},
            {"JavaScript:x", "(not a web link)"},
            {"a:b/c", "(not a web link)"},
            {"http://exa mple/", "(bad URL)"},
            {"http://h:99999/", "(bad URL)"},
            {"http://[::1/", "(bad URL)"},
            {"http://[fe80::1%25eth0]/", "(bad URL)"},
            {"http://", "(bad URL)"},
            {"http://a%7Fb/", "(bad URL)"},
            {"http://a%20b/", "(bad URL)"},
            {"http://%2541/", "(bad URL)"},
            {"http://a%7Cb/", "(bad URL)"},
            {"1a:b", "http://h/dir/1a:b"},
            // "http:" dropped before a same-scheme relative reference leaves
            // "file:/x", which is a path, not a file URL.
            {"http:file:/x", "http://h/dir/file:/x"},
            {"./mailto:x", "http://h/dir/mailto:x"},
            {std::string(CWebUrl::MAX_LENGTH - 13, 'x'), "http://h/dir/" + std::string(CWebUrl::MAX_LENGTH - 13, 'x')},
            {std::string(CWebUrl::MAX_LENGTH - 12, 'x'), "(too long)"},
            {std::string(CWebUrl::MAX_LENGTH / 2, '\xE9'), "(too long)"},
            {std::string(2 * 1024 * 1024, 'x'), "(too long)"},
        });
}

TEST(WebUrl, AgainstALocalPageRelativeLinksStayFileLinks)
{
    const CWebUrl page = CWebUrl::ParseFile("file:///site/my docs/a.html");
    ASSERT_TRUE(page.IsFileLink());
    EXPECT_EQ(page.GetText(), "file:///site/my%20docs/a.html");
    const std::vector<SResolveCase> cases = {
        {"b.html#top", "file:///site/my%20docs/b.html"},
        {"../up/", "file:///site/up/"},
        {"/root.html?v=1", "file:///root.html?v=1"},
        {"#here", "file:///site/my%20docs/a.html"},
        {"file:///elsewhere.html", "file:///elsewhere.html"},
        {"HTTP://H/x", "http://h/x"},
        {"mailto:x@h", "(not a web link)"},
        {"file://otherhost/x.html", "(bad URL)"},
    };
    for (const SResolveCase& c : cases) {
        SCOPED_TRACE("reference: " + c.strReference);
        EXPECT_EQ(Describe(page.Resolve(c.strReference)), c.strExpected);
    }
    // A web page never yields a file link, nor does a file: URL parse as one.
    EXPECT_EQ(Describe(CWebUrl::ParseFile("http://h/")), "(bad URL)");
    EXPECT_EQ(Describe(CWebUrl::Parse("file:///x")), "(not a web link)");
}

TEST(WebUrl, ParseOfAnAbsoluteUrl)
{
    const std::vector<SResolveCase> cases = {
        {"http://H/a/../b#f", "http://h/b"},
        {" https://h ", "https://h/"},
        {"http:h/x", "http://h/x"},
        {"HTTPS:\\\\h\\x", "https://h/x"},
        {"http:/h", "http://h/"},
        {"http:////h", "http://h/"},
        {"ftp://h/", "(not a web link)"},
        {"/relative", "(bad URL)"},
        {"h/x", "(bad URL)"},
        {"", "(bad URL)"},
        {"http:", "(bad URL)"},
    };
    for (const SResolveCase& c : cases) {
        SCOPED_TRACE("URL: " + c.strReference);
        EXPECT_EQ(Describe(CWebUrl::Parse(c.strReference)), c.strExpected);
    }
    EXPECT_EQ(Describe(CWebUrl::Parse("mailto:x").Resolve("http://h/")), "(bad URL)");
}

TEST(WebUrl, PartsForTheScopeTest)
{
    struct SCase {
        std::string strUrl, strScheme, strHost;
        int nPort;
        std::string strPath, strDirectory, strQuery;
    };
    const std::vector<SCase> cases = {
        {"http://Host/docs/index.html?a=b", "http", "host", 80, "/docs/index.html", "/docs/", "a=b"},
        {"https://h", "https", "h", 443, "/", "/", ""},
        {"https://h:8443/a/b/", "https", "h", 8443, "/a/b/", "/a/b/", ""},
        {"http://[::1]:81/x?y/z", "http", "[::1]", 81, "/x", "/", "y/z"},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE("URL: " + c.strUrl);
        const CWebUrl url = CWebUrl::Parse(c.strUrl);
        EXPECT_EQ(url.GetScheme(), c.strScheme);
        EXPECT_EQ(url.GetHost(), c.strHost);
        EXPECT_EQ(url.GetPort(), c.nPort);
        EXPECT_EQ(url.GetPath(), c.strPath);
        EXPECT_EQ(url.GetDirectory(), c.strDirectory);
        EXPECT_EQ(url.GetQuery(), c.strQuery);
    }
}
