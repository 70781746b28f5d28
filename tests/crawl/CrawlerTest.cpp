#include "crawl/CrawlRun.h"
#include "support/RawServer.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <unistd.h>

namespace {

CTestServer::CRoute Html(const std::string& strPath, const std::vector<std::string>& hrefs = {})
{
    return {strPath, 200, "text/html", Page(hrefs), {}};
}

std::vector<std::string> Gets(const CTestServer& server)
{
    std::vector<std::string> gets;
    for (const std::string& strRequest : server.GetRequests()) {
        if (strRequest.rfind("GET ", 0) == 0)
            gets.push_back(strRequest.substr(4));
    }
    return gets;
}

// The crawl read these pages in this order, and the server answered each
// GET of them (and of the redirect targets) once per read: requests sent
// ahead reach it in any order.
void ExpectPagesRead(const CCrawlRun& run, const CTestServer& server, std::vector<std::string> paths,
    const std::vector<std::string>& redirectTargets = {})
{
    std::vector<std::string> pages;
    for (const std::string& strPath : paths)
        pages.push_back("http://127.0.0.1" + strPath);
    EXPECT_EQ(run.frontEnd.m_pages, pages);
    paths.insert(paths.end(), redirectTargets.begin(), redirectTargets.end());
    // The server notes paths without their query.
    for (std::string& strPath : paths)
        strPath = strPath.substr(0, strPath.find('?'));
    std::vector<std::string> gets = Gets(server);
    std::sort(gets.begin(), gets.end());
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(gets, paths);
}

// Serves each page under its path with the dot segments removed, as nginx
// does; a path that is no page gets 404.
void ServeNormalisedPaths(CTestServer& server, const std::map<std::string, std::string>& pages)
{
    server.GetServer().Get(".*", [pages](const httplib::Request& request, httplib::Response& response) {
        const auto page = pages.find(std::filesystem::path(request.path).lexically_normal().generic_string());
        if (page == pages.end()) {
            response.status = 404;
            return;
        }
        response.set_content(page->second, "text/html");
    });
}

} // namespace

TEST(Crawler, EmptyQueueEndsAtOnceAndNoListCountsNoRows)
{
    CRecordingFrontEnd frontEnd;
    CCrawler crawler(&frontEnd, true, false);
    EXPECT_TRUE(crawler.Crawl());
    EXPECT_EQ(crawler.GetLinks(), nullptr);
    EXPECT_EQ(crawler.GetListCount(), 0);
    EXPECT_TRUE(frontEnd.m_pages.empty());
}

TEST(Crawler, WithoutRecursionOnePageIsFetchedAndAllItsLinksChecked)
{
    CTestServer server;
    server.AddRoutes({Html("/site/index.html", {"a.html", "b.html", "missing.html", "a.html#top"}),
        Html("/site/a.html"), Html("/site/b.html")});
    server.Start();
    CCrawlRun run(false, false);
    run.Crawl(server.GetURL("/site/index.html"));
    const std::string strIndex = "http://127.0.0.1/site/index.html";
    EXPECT_EQ(run.RowsWithReferrers(),
        (std::vector<std::string> {strIndex + " | http://127.0.0.1/site/a.html | 200 OK",
            strIndex + " | http://127.0.0.1/site/b.html | 200 OK",
            strIndex + " | http://127.0.0.1/site/missing.html | 404 Not Found"}));
    EXPECT_EQ(Gets(server), std::vector<std::string> {"/site/index.html"});
    EXPECT_EQ(run.frontEnd.m_strSiteHost, "127.0.0.1");
    EXPECT_EQ(run.frontEnd.m_checked, (std::vector<int> {1, 2, 3}));
    EXPECT_EQ(run.frontEnd.m_linkCounts, std::vector<unsigned> {3});
    EXPECT_EQ(run.frontEnd.m_pageErrors, std::vector<std::string> {""});
    EXPECT_EQ(run.crawler.GetListCount(), 3);
}

TEST(Crawler, PagesAreVisitedBreadthFirstAndEachURLIsListedOnce)
{
    CTestServer server;
    server.AddRoutes(
        {Html("/site/index.html", {"a.html", "b.html"}), Html("/site/a.html", {"c.html", "shared.txt", "index.html"}),
            Html("/site/b.html", {"d.html", "shared.txt"}), Html("/site/c.html", {"e.html"}), Html("/site/d.html"),
            Html("/site/e.html"), {"/site/shared.txt", 200, "text/plain", "shared", {}}});
    server.Start();
    CCrawlRun run(true, false);
    run.Crawl(server.GetURL("/site/index.html"));
    const std::string strSite = "http://127.0.0.1/site/";
    EXPECT_EQ(run.RowsWithReferrers(),
        (std::vector<std::string> {strSite + "index.html | " + strSite + "a.html | 200 OK",
            strSite + "index.html | " + strSite + "b.html | 200 OK",
            strSite + "a.html | " + strSite + "c.html | 200 OK",
            strSite + "a.html | " + strSite + "shared.txt | 200 OK",
            strSite + "a.html | " + strSite + "index.html | 200 OK",
            strSite + "b.html | " + strSite + "d.html | 200 OK", strSite + "c.html | " + strSite + "e.html | 200 OK"}));
    // The link back to the start is checked, but the start page counts as
    // fetched: it is not read a second time.
    ExpectPagesRead(run, server,
        {"/site/index.html", "/site/a.html", "/site/b.html", "/site/c.html", "/site/d.html", "/site/e.html"});
    EXPECT_EQ(server.CountRequests("HEAD", "/site/shared.txt"), 1);
    EXPECT_EQ(run.frontEnd.m_linkCounts, (std::vector<unsigned> {2, 5, 6, 7, 7, 7}));
}

TEST(Crawler, OnlyPagesOnTheStartHostAtOrBelowItsDirectoryAreFollowed)
{
    CTestServer server;
    CTestServer other("127.0.0.2");
    other.AddRoute(Html("/site/other.html"));
    other.Start();
    const std::string strPort = std::to_string(server.GetPort());
    server.AddRoutes({Html("/site/index.html",
                          {"http://LOCALHOST:" + strPort + "/site/upper.html", "../up.html", "sub/deeper.html",
                              other.GetURL("/site/other.html"), "/site"}),
        Html("/site/upper.html"), Html("/up.html"), Html("/site/sub/deeper.html"), Html("/site")});
    server.Start();
    CCrawlRun run(true, false);
    run.Crawl("http://localhost:" + strPort + "/site/index.html");
    EXPECT_EQ(run.frontEnd.m_strSiteHost, "localhost");
    for (const std::string& strRow : run.RowsWithReferrers())
        EXPECT_NE(strRow.find("| 200 OK"), std::string::npos) << strRow;
    EXPECT_EQ(Gets(server), (std::vector<std::string> {"/site/index.html", "/site/sub/deeper.html"}));
    EXPECT_EQ(other.GetRequests(), std::vector<std::string> {"HEAD /site/other.html"});
}

TEST(Crawler, ScriptLikeAddressesAreFollowedOnlyWhenExploringCgi)
{
    const std::vector<std::string> hrefs
        = {"plain.html", "cgi-bin/form.html", "mycgitool.html", "query.html?x=1", "cost$.html", "CGI.html"};
    for (bool bExploreCgi : {false, true}) {
        SCOPED_TRACE(bExploreCgi);
        CTestServer server;
        server.AddRoutes({Html("/site/index.html", hrefs), Html("/site/plain.html"), Html("/site/cgi-bin/form.html"),
            Html("/site/mycgitool.html"), Html("/site/query.html"), Html("/site/cost$.html"), Html("/site/CGI.html")});
        server.Start();
        CCrawlRun run(true, bExploreCgi);
        run.Crawl(server.GetURL("/site/index.html"));
        EXPECT_EQ(run.RowsWithReferrers().size(), hrefs.size());
        std::vector<std::string> expected = {"/site/index.html", "/site/plain.html"};
        if (bExploreCgi)
            expected.insert(expected.end(),
                {"/site/cgi-bin/form.html", "/site/mycgitool.html", "/site/query.html?x=1", "/site/cost$.html"});
        // The test is case-sensitive: "CGI" is no script.
        expected.push_back("/site/CGI.html");
        ExpectPagesRead(run, server, expected);
    }
}

TEST(Crawler, ContentTypeStatusAndRedirectsDecideWhatIsFollowed)
{
    CTestServer server;
    server.AddRoutes({Html("/site/index.html",
                          {"lower.html", "upper.html", "note.html", "charset.html", "plain.txt", "nohead.html",
                              "moved.html"}),
        Html("/site/lower.html"), {"/site/upper.html", 200, "TEXT/HTML", Page({}), {}},
        {"/site/note.html", 200, "text/plain", "", {{"X-Kind", "text/html"}}},
        {"/site/charset.html", 200, "text/html; charset=utf-8", "", {}}, {"/site/plain.txt", 200, "text/plain", "", {}},
        {"/site/moved.html", 302, "text/plain", "", {{"Location", "/site/target.html"}}}, Html("/site/target.html")});
    server.GetServer().Get("/site/nohead\\.html", [](const httplib::Request& request, httplib::Response& response) {
        response.status = request.method == "HEAD" ? 405 : 200;
        response.set_content(Page({}), "text/html");
    });
    server.Start();
    CCrawlRun run(true, false);
    run.Crawl(server.GetURL("/site/index.html"));
    const std::vector<std::string> rows = run.RowsWithReferrers();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[5], "http://127.0.0.1/site/index.html | http://127.0.0.1/site/nohead.html | 405 Method Not Allowed");
    EXPECT_EQ(rows[6], "http://127.0.0.1/site/index.html | http://127.0.0.1/site/moved.html | 200 OK");
    ExpectPagesRead(run, server,
        {"/site/index.html", "/site/lower.html", "/site/note.html", "/site/charset.html", "/site/moved.html"},
        {"/site/target.html"});
}

TEST(Crawler, FailedAndOddResponsesBecomeStatusesAndTheCrawlGoesOn)
{
    CRawServer raw([](const std::string& strRequest) {
        if (strRequest.rfind("HEAD /silent ", 0) == 0)
            return std::string();
        const std::string strLine
            = strRequest.rfind("HEAD /low ", 0) == 0 ? "HTTP/1.1 099 Too Low" : "HTTP/1.1 404 <i>Gone</i>";
        return strLine + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    });
    CTestServer server;
    server.AddRoutes({Html("/index.html",
                          {raw.GetURL("/silent"), raw.GetURL("/low"), raw.GetURL("/gone"),
                              "http://nohost.invalid/x.html", "last.html"}),
        Html("/last.html")});
    server.Start();
    CCrawlRun run(true, false);
    run.crawler.SetTimeout(300);
    run.Crawl(server.GetURL("/index.html"));
    const std::string strIndex = "http://127.0.0.1/index.html | ";
    EXPECT_EQ(run.RowsWithReferrers(),
        (std::vector<std::string> {
            strIndex + "http://127.0.0.1/silent | 300 Timed out: the server sent no data for 300 milliseconds",
            strIndex + "http://127.0.0.1/low | 300 Unsupported response code in HTTP response",
            strIndex + "http://127.0.0.1/gone | 404 <i>Gone</i>",
            strIndex + "http://nohost.invalid/x.html | 300 Could not resolve host: nohost.invalid",
            strIndex + "http://127.0.0.1/last.html | 200 OK"}));
}

TEST(Crawler, StopLeavesTheRestOfThePageUncheckedAndFetchesNoMorePages)
{
    CTestServer server;
    server.AddRoutes({Html("/index.html", {"1.html", "2.html", "3.html", "4.html"}), Html("/1.html", {"deeper.html"}),
        Html("/2.html"), Html("/3.html"), Html("/4.html")});
    server.Start();
    for (int nJobs : {1, CCrawler::DEFAULT_JOBS}) {
        SCOPED_TRACE(nJobs);
        CCrawlRun run(true, false, nJobs);
        run.frontEnd.m_onChecked = [&run](int nPos) {
            if (nPos == 2)
                run.crawler.m_bStop = true;
        };
        run.Crawl(server.GetURL("/index.html"));
        std::vector<int> codes;
        for (int nPos = 1; nPos <= run.crawler.GetLinks()->GetSize(); ++nPos)
            codes.push_back(run.crawler.GetLinks()->GetAt(nPos)->GetStatusCode());
        EXPECT_EQ(codes, (std::vector<int> {200, 200, -1, -1}));
        EXPECT_EQ(run.frontEnd.m_checked, (std::vector<int> {1, 2}));
        EXPECT_EQ(run.frontEnd.m_pages, std::vector<std::string> {"http://127.0.0.1/index.html"});
        // One request at a time, nothing after the stopping point is even
        // sent; sent ahead, such requests only have their answers unused.
        if (nJobs == 1) {
            EXPECT_EQ(Gets(server), std::vector<std::string> {"/index.html"});
        }
    }
}

TEST(Crawler, StartPageThatCannotBeReadListsNothing)
{
    for (bool bRecursive : {false, true}) {
        SCOPED_TRACE(bRecursive);
        CCrawlRun run(bRecursive, false);
        run.Crawl("http://nohost.invalid/index.html");
        EXPECT_TRUE(run.RowsWithReferrers().empty());
        EXPECT_EQ(run.frontEnd.m_pageErrors, std::vector<std::string> {"Could not resolve host: nohost.invalid"});
        EXPECT_EQ(run.frontEnd.m_linkCounts, std::vector<unsigned> {0});
    }
}

TEST(Crawler, LocalStartPageIsReadAndItsLinksChecked)
{
    CTestServer server;
    server.AddRoute(Html("/a.html"));
    server.Start();
    const std::filesystem::path file = TempPath("lintrel start #", ".html");
    std::ofstream(file) << Page({server.GetURL("/a.html"), server.GetURL("/b.html")});
    CCrawlRun run(true, false);
    run.Crawl("file://" + file.string());
    std::filesystem::remove(file);
    const std::string strReferrer = CLink("file://" + file.string(), nullptr).GetFullURL() + " | ";
    EXPECT_EQ(run.RowsWithReferrers(),
        (std::vector<std::string> {strReferrer + "http://127.0.0.1/a.html | 200 OK",
            strReferrer + "http://127.0.0.1/b.html | 404 Not Found"}));
    EXPECT_EQ(run.frontEnd.m_pageErrors, std::vector<std::string> {""});
}

TEST(Crawler, InitOnlyOnceAndFreeLinksEmptiesTheCrawl)
{
    CCrawlRun run(false, false);
    run.Crawl("file:///nonexistent/lintrel.html");
    EXPECT_FALSE(run.crawler.Init(&run.frontEnd, "file:///nonexistent/other.html"));
    ASSERT_NE(run.crawler.GetRootLink(), nullptr);
    EXPECT_EQ(run.crawler.GetRootLink()->GetURL(), "file:///nonexistent/lintrel.html");
    run.crawler.FreeLinks();
    EXPECT_EQ(run.crawler.GetLinks(), nullptr);
}

TEST(Crawler, APageIsFetchedOnceHoweverDotSegmentsWriteItsURL)
{
    // Regression: each fetch of a page reached through "./" and "dir/../"
    // resolved its links to a longer URL of the same pages ("/site/./b.html"
    // links "/site/././mod/a.html", which links "/site/././b.html", ...), so
    // a crawl of these four pages never ended.
    const std::map<std::string, std::string> pages = {{"/site/index.html", Page({"./mod/a.html", "b.html"})},
        {"/site/mod/a.html", Page({"../b.html", "./sub/../c.html", "./c.html"})},
        {"/site/b.html", Page({"./mod/a.html"})}, {"/site/c.html", Page({"./mod/a.html", "index.html"})}};
    const std::string strSite = "http://127.0.0.1/site/";
    // Every link keeps its row and its URL as resolved; only the pages it
    // would fetch again are not fetched.
    const std::vector<std::string> rows = {strSite + "index.html | " + strSite + "./mod/a.html | 200 OK",
        strSite + "index.html | " + strSite + "b.html | 200 OK",
        strSite + "./mod/a.html | " + strSite + "./b.html | 200 OK",
        strSite + "./mod/a.html | " + strSite + "./ub/../c.html | 200 OK",
        // "./" alone stays as written: the server root's c.html, not the site's.
        strSite + "./mod/a.html | http://127.0.0.1./c.html | 404 Not Found",
        strSite + "./ub/../c.html | " + strSite + "./ub/.././mod/a.html | 200 OK",
        strSite + "./ub/../c.html | " + strSite + "./ub/../index.html | 200 OK"};
    for (int nJobs : {1, CCrawler::DEFAULT_JOBS}) {
        SCOPED_TRACE(nJobs);
        CTestServer server;
        ServeNormalisedPaths(server, pages);
        server.Start();
        CCrawlRun run(true, false, nJobs);
        // A crawl that does not end fails here instead of hanging.
        run.frontEnd.m_onChecked = [&run](int nPos) { run.crawler.m_bStop = run.crawler.m_bStop || nPos > 100; };
        run.Crawl(server.GetURL("/site/index.html"));
        EXPECT_EQ(run.RowsWithReferrers(), rows);
        EXPECT_EQ(run.frontEnd.m_pages,
            (std::vector<std::string> {
                strSite + "index.html", strSite + "./mod/a.html", strSite + "b.html", strSite + "./ub/../c.html"}));
        std::map<std::string, int> gets;
        for (const std::string& strPath : Gets(server))
            ++gets[std::filesystem::path(strPath).lexically_normal().generic_string()];
        EXPECT_EQ(gets,
            (std::map<std::string, int> {
                {"/site/index.html", 1}, {"/site/mod/a.html", 1}, {"/site/b.html", 1}, {"/site/c.html", 1}}));
    }
}

TEST(Crawler, PageURLsLoseOnlyTheDotSegmentsOfTheirPath)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"http://h/a/./b.html", "http://h/a/b.html"},
        {"http://h/a/b/../c.html", "http://h/a/c.html"},
        {"http://h/a/b/c/./../../g", "http://h/a/g"},
        {"http://h/mid/content=5/../6", "http://h/mid/6"},
        {"http://h/./././mod/x.html", "http://h/mod/x.html"},
        {"http://h/../../x.html", "http://h/x.html"},
        {"http://h/a/..", "http://h/"},
        {"http://h/a/.", "http://h/a/"},
        {"http://h/a/...b/..c/x", "http://h/a/...b/..c/x"},
        {"http://h//a/./b", "http://h//a/b"},
        // Letter case, percent-encoding, the host and the query stay as written.
        {"http://Host/A/./%2E%2E/B.html", "http://Host/A/%2E%2E/B.html"},
        {"http://h/a/../b?next=/x/../y", "http://h/b?next=/x/../y"},
        {"http://h?x=/a/../b", "http://h?x=/a/../b"},
        {"http://h./x.html", "http://h./x.html"},
        {"http://h", "http://h"},
        {"http://h/", "http://h/"},
        {"no scheme/./x", "no scheme/./x"},
    };
    for (const auto& [strFullURL, strExpected] : cases) {
        SCOPED_TRACE(strFullURL);
        EXPECT_EQ(CCrawler::NormalisePageURL(strFullURL), strExpected);
    }
}
