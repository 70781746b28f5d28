#include "link/Link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct ParseCase {
    const char* pszURL;
    const char* pszReferrer; // nullptr: no referrer
    const char* pszScheme;
    const char* pszHost; // own stored host, as GetHostAndPath shows it
    int nPort;
    const char* pszPath;
    const char* pszFile;
    const char* pszFragment;
    int nLinkType;
    const char* pszFullURL;
    const char* pszRequestPath;
};

std::string OwnHost(const CLink& link)
{
    // GetHostAndPath is host + path + file with no fallback, so the own host is its prefix.
    std::string strHostAndPath = link.GetHostAndPath();
    std::string strTail = link.GetPath() + link.GetFile();
    if (strHostAndPath == "/" && strTail.empty())
        return std::string();
    return strHostAndPath.substr(0, strHostAndPath.size() - strTail.size());
}

void ExpectParts(const ParseCase& c)
{
    SCOPED_TRACE(std::string("URL '") + c.pszURL + "' referrer '" + (c.pszReferrer ? c.pszReferrer : "(none)") + "'");
    std::unique_ptr<CLink> pReferrer(c.pszReferrer ? new CLink(c.pszReferrer, nullptr) : nullptr);
    CLink link(c.pszURL, pReferrer.get());
    EXPECT_EQ(link.GetScheme(), c.pszScheme);
    EXPECT_EQ(OwnHost(link), c.pszHost);
    EXPECT_EQ(link.GetPort(), c.nPort);
    EXPECT_EQ(link.GetPath(), c.pszPath);
    EXPECT_EQ(link.GetFile(), c.pszFile);
    EXPECT_EQ(link.GetFragment(), c.pszFragment);
    EXPECT_EQ(link.GetLinkType(), c.nLinkType);
    EXPECT_EQ(link.GetFullURL(), c.pszFullURL);
    EXPECT_EQ(link.GetRequestPath(), c.pszRequestPath);
    EXPECT_EQ(link.GetURL(), c.pszURL);
}

const char* const PAGE = "http://server/dir/page.html";

} // namespace

TEST(LinkParse, SplitsAbsoluteAndTypedURLs)
{
    const std::vector<ParseCase> cases = {
        {"http://server/dir/page.html", nullptr, "http", "server", 80, "/dir/", "page.html", "", LINK_HTTP,
            "http://server/dir/page.html", "/dir/page.html"},
        {"http://server:8080/dir/x.html", nullptr, "http", "server", 8080, "/dir/", "x.html", "", LINK_HTTP,
            "http://server/dir/x.html", "/dir/x.html"},
        {"http://server:/x.html", nullptr, "http", "server", 0, "", "/x.html", "", LINK_HTTP, "http://server/x.html",
            "/x.html"},
        {"http://:8080/x.html", nullptr, "http", "", 8080, "", "/x.html", "", LINK_HTTP, "http:///x.html", "/x.html"},
        {"http://server/", nullptr, "http", "server", 80, "", "", "", LINK_HTTP, "http://server", "/"},
        {"http://server", nullptr, "http", "server", 80, "", "", "", LINK_HTTP, "http://server", "/"},
        {"http://server/x.html", nullptr, "http", "server", 80, "", "/x.html", "", LINK_HTTP, "http://server/x.html",
            "/x.html"},
        {"  http://server/a.html \t ", nullptr, "http", "server", 80, "", "/a.html", "", LINK_HTTP,
            "http://server/a.html", "/a.html"},
        {"http://server/a\x80zz.html", nullptr, "http", "server", 80, "", "/a", "", LINK_HTTP, "http://server/a", "/a"},
        {"http://server/a\xff", nullptr, "http", "server", 80, "", "/a", "", LINK_HTTP, "http://server/a", "/a"},
        {"HTTP://server/", nullptr, "HTTP", "server", 80, "", "", "", LINK_UNSUPPORTED, "HTTP://server", "/"},
        {"ftp://server/x", nullptr, "ftp", "server", 80, "", "/x", "", LINK_UNSUPPORTED, "ftp://server/x", "/x"},
        {"https://server/x", nullptr, "https", "server", 80, "", "/x", "", LINK_UNSUPPORTED, "https://server/x", "/x"},
        {"mailto:someone@example.com", nullptr, "mailto", "someone@example.com", 80, "", "", "", LINK_MAILTO,
            "mailto://someone@example.com", "/"},
        {"page.html#part", nullptr, "http", "page.html", 80, "", "", "part", LINK_HTTP, "http://page.html", "/"},
        {"server", nullptr, "http", "server", 80, "", "", "", LINK_HTTP, "http://server", "/"},
        {"server/dir/", nullptr, "http", "", 80, "server/dir/", "", "", LINK_HTTP, "http://server/dir/", "server/dir/"},
        {"//server/x.html", nullptr, "http", "server", 80, "", "/x.html", "", LINK_HTTP, "http://server/x.html",
            "/x.html"},
        {"abc:", nullptr, "http", "abc:", 80, "", "", "", LINK_HTTP, "http://abc:", "/"},
        {"file://C:\\dir\\x.html", nullptr, "file", "C", 0, "", "", "", LINK_UNSUPPORTED, "file://C", "/"},
        {"file:///tmp/site/index.html", nullptr, "file", "", 80, "/tmp/site/", "index.html", "", LINK_UNSUPPORTED,
            "file:///tmp/site/index.html", "/tmp/site/index.html"},
        {"", nullptr, "http", "", 80, "", "", "", LINK_HTTP, "http://", "/"},
        {"   ", nullptr, "http", "", 80, "", "", "", LINK_HTTP, "http://", "/"},
        {"a", nullptr, "http", "", 80, "", "", "", LINK_HTTP, "http://", "/"},
        {"#top", nullptr, "http", "", -1, "", "", "top", LINK_UNSUPPORTED, "http://", "/"},
    };
    for (const ParseCase& c : cases)
        ExpectParts(c);
}

TEST(LinkParse, ResolvesAgainstTheReferringPage)
{
    const std::vector<ParseCase> cases = {
        {"other.html", PAGE, "http", "server", 80, "/dir/", "other.html", "", LINK_HTTP, "http://server/dir/other.html",
            "/dir/other.html"},
        {"sub/x.html", PAGE, "http", "server", 80, "/dir/sub/", "x.html", "", LINK_HTTP, "http://server/dir/sub/x.html",
            "/dir/sub/x.html"},
        {"/x.html", PAGE, "http", "server", 80, "", "/x.html", "", LINK_HTTP, "http://server/x.html", "/x.html"},
        {"/top/x.html", PAGE, "http", "server", 80, "/top/", "x.html", "", LINK_HTTP, "http://server/top/x.html",
            "/top/x.html"},
        {"../x.html", PAGE, "http", "server", 80, "", "/x.html", "", LINK_HTTP, "http://server/x.html", "/x.html"},
        {"../../x.html", PAGE, "http", "server", 80, "", "x.html", "", LINK_HTTP, "http://serverx.html", "x.html"},
        {"./x.html", PAGE, "http", "server", 80, "./", "x.html", "", LINK_HTTP, "http://server./x.html", "./x.html"},
        {"./sub/x.html", PAGE, "http", "server", 80, "/dir/./sub/", "x.html", "", LINK_HTTP,
            "http://server/dir/./sub/x.html", "/dir/./sub/x.html"},
        {"#top", PAGE, "http", "", -1, "/dir/", "page.html", "top", LINK_HTTP, "http://server/dir/page.html",
            "/dir/page.html"},
        {"/", PAGE, "http", "", 80, "", "", "", LINK_HTTP, "http://server", "/"},
        {"a", PAGE, "http", "", 80, "", "", "", LINK_HTTP, "http://server", "/"},
        {"http://other/x.html", PAGE, "http", "other", 80, "", "/x.html", "", LINK_HTTP, "http://other/x.html",
            "/x.html"},
        {"page.html#part", PAGE, "http", "server", 80, "/dir/", "page.html", "part", LINK_HTTP,
            "http://server/dir/page.html", "/dir/page.html"},
        {"x.html?q=1", PAGE, "http", "server", 80, "/dir/", "x.html?q=1", "", LINK_HTTP, "http://server/dir/x.html?q=1",
            "/dir/x.html?q=1"},
        {"mailto:a@b", PAGE, "mailto", "a@b", 80, "", "", "", LINK_MAILTO, "mailto://a@b", "/"},
        // The server root as referrer: its base path is "/".
        {"other.html", "http://server/", "http", "server", 80, "", "/other.html", "", LINK_HTTP,
            "http://server/other.html", "/other.html"},
        {"#top", "http://server/", "http", "", -1, "/", "", "top", LINK_HTTP, "http://server/", "/"},
        // A base address as referrer.
        {"other.html", "http://server/base/", "http", "server", 80, "/base/", "other.html", "", LINK_HTTP,
            "http://server/base/other.html", "/base/other.html"},
        // A local file's root: the host is what stands before the drive colon.
        {"sub/y.html", "file://C:\\dir\\x.html", "http", "C", 80, "/sub/", "y.html", "", LINK_HTTP,
            "http://C/sub/y.html", "/sub/y.html"},
        {"http://h/x.html", "file://C:\\dir\\x.html", "http", "h", 80, "", "/x.html", "", LINK_HTTP, "http://h/x.html",
            "/x.html"},
    };
    for (const ParseCase& c : cases)
        ExpectParts(c);
}

TEST(LinkParse, ResolvesAlongAChainOfRelativePages)
{
    CLink root(PAGE, nullptr);
    CLink sub("sub/p.html", &root);
    CLink deeper("q.html", &sub);
    CLink up("../r.html", &sub);
    EXPECT_EQ(deeper.GetFullURL(), "http://server/dir/sub/q.html");
    EXPECT_EQ(up.GetFullURL(), "http://server/dir/r.html");
    EXPECT_EQ(deeper.GetHost(), "server");
}

TEST(LinkParse, ResolveParentPathWorkedExamples)
{
    CLink base("http://host/a/b/", nullptr);
    CLink link("x", &base);
    EXPECT_EQ(link.ResolveParentPath("../c/"), "/a/c/");
    EXPECT_EQ(link.ResolveParentPath("../../c/"), "/c/");
    EXPECT_EQ(link.ResolveParentPath("../../../c/"), "");
    CLink orphan("x", nullptr);
    EXPECT_EQ(orphan.ResolveParentPath("../c/"), "../c/");
}
