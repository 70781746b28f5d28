#include "classic/ClassicMode.h"
#include "crawl/CrawlRun.h"
#include "net/HttpFile.h"
#include "net/InternetSession.h"
#include "net/TransferEngine.h"
#include "report/ReportWriter.h"
#include "support/RawServer.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <sstream>
#include <thread>

namespace {

// Everything a crawl shows or hands on, in the crawl's order.
struct COutcome {
    std::vector<std::string> rows;
    std::vector<int> checked;
    std::vector<unsigned> linkCounts;
    std::vector<std::string> pages;
    std::vector<std::string> pageErrors;
    std::string strReport;

    bool operator==(const COutcome&) const = default;
};

COutcome Crawl(const std::string& strStart, int nJobs, int nStopAt = 0, unsigned long nTimeout = 10000)
{
    CCrawlRun run(true, false, nJobs);
    run.crawler.SetTimeout(nTimeout);
    run.frontEnd.m_onChecked = [&run, nStopAt](int nPos) {
        if (nPos == nStopAt)
            run.crawler.m_bStop = true;
    };
    run.Crawl(strStart);
    COutcome outcome;
    outcome.rows = run.RowsWithReferrers();
    outcome.checked = run.frontEnd.m_checked;
    outcome.linkCounts = run.frontEnd.m_linkCounts;
    outcome.pages = run.frontEnd.m_pages;
    outcome.pageErrors = run.frontEnd.m_pageErrors;
    const CLinkArray& links = *run.crawler.GetLinks();
    std::ostringstream report;
    CReportWriter(links, CCrawlSummary(links)).Write(report);
    outcome.strReport = report.str();
    return outcome;
}

std::vector<std::string> SortedRequests(const CTestServer& server)
{
    std::vector<std::string> requests = server.GetRequests();
    std::sort(requests.begin(), requests.end());
    return requests;
}

// A site of 40 pages that link to each other, to broken pages, through
// redirects and a base, to a second loopback host and to a host that does
// not resolve: enough pages queued at once to fill any window.
class PipelineSite : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string strOther = m_other.GetURL("");
        m_other.AddRoutes({{"/x.html", 200, "text/html", Page({}), {}}, {"/plain.txt", 200, "text/plain", "", {}}});
        m_other.Start();
        for (int nPage = 0; nPage < PAGES; ++nPage) {
            std::vector<std::string> hrefs;
            for (int nStep : {1, 7, 13, 29})
                hrefs.push_back("p" + std::to_string((nPage * 3 + nStep) % PAGES) + ".html");
            hrefs.push_back("missing" + std::to_string(nPage % 9) + ".html");
            hrefs.push_back(strOther + (nPage % 2 ? "/x.html" : "/gone" + std::to_string(nPage % 5) + ".html"));
            if (nPage % 10 == 3)
                hrefs.insert(hrefs.end(), {"http://nohost.invalid/p.html", "moved.html", "loop.html", "p0.html#top"});
            m_site.AddRoute({"/site/p" + std::to_string(nPage) + ".html", 200, "text/html", Page(hrefs), {}});
        }
        m_site.AddRoutes({{"/site/moved.html", 302, "text/plain", "", {{"Location", "/site/based.html"}}},
            {"/site/loop.html", 302, "text/plain", "", {{"Location", "/site/loop.html"}}},
            {"/site/based.html", 200, "text/html",
                Page({"deep.html", "p5.html", strOther + "/plain.txt"},
                    "<BASE HREF=\"" + m_site.GetURL("/site/sub/") + "\">"),
                {}},
            {"/site/sub/deep.html", 200, "text/html", Page({"../p9.html", "more.html"}), {}},
            {"/site/sub/p5.html", 200, "text/plain", "", {}}});
        m_site.Start();
    }

    static constexpr int PAGES = 40;
    CTestServer m_other {"127.0.0.2"};
    CTestServer m_site;
};

} // namespace

TEST_F(PipelineSite, EveryWindowGivesTheResultsOfOneRequestAtATime)
{
    const COutcome sequential = Crawl(m_site.GetURL("/site/p0.html"), 1);
    const std::vector<std::string> requests = SortedRequests(m_site);
    const std::vector<std::string> otherRequests = SortedRequests(m_other);
    ASSERT_GT(sequential.rows.size(), 60u);
    ASSERT_GT(sequential.pages.size(), 40u);
    for (int nJobs : {2, 5, CCrawler::DEFAULT_JOBS, 64}) {
        SCOPED_TRACE(nJobs);
        CTestServer& site = m_site;
        const std::size_t nBefore = site.GetRequests().size();
        const std::size_t nOtherBefore = m_other.GetRequests().size();
        EXPECT_EQ(Crawl(m_site.GetURL("/site/p0.html"), nJobs), sequential);
        // Each request went out exactly as often as one at a time: none was
        // sent ahead in vain, none twice.
        std::vector<std::string> sent = site.GetRequests();
        sent.erase(sent.begin(), sent.begin() + static_cast<std::ptrdiff_t>(nBefore));
        std::sort(sent.begin(), sent.end());
        EXPECT_EQ(sent, requests);
        std::vector<std::string> otherSent = m_other.GetRequests();
        otherSent.erase(otherSent.begin(), otherSent.begin() + static_cast<std::ptrdiff_t>(nOtherBefore));
        std::sort(otherSent.begin(), otherSent.end());
        EXPECT_EQ(otherSent, otherRequests);
    }
}

TEST_F(PipelineSite, StopLeavesExactlyWhatOneRequestAtATimeLeaves)
{
    for (int nStopAt : {1, 2, 6, 7, 30, 61}) {
        SCOPED_TRACE(nStopAt);
        const COutcome sequential = Crawl(m_site.GetURL("/site/p0.html"), 1, nStopAt);
        ASSERT_FALSE(sequential.checked.empty());
        EXPECT_EQ(sequential.checked.back(), nStopAt);
        EXPECT_EQ(Crawl(m_site.GetURL("/site/p0.html"), CCrawler::DEFAULT_JOBS, nStopAt), sequential);
    }
}

TEST(Pipeline, AtMostJobsRequestsInFlightAndPerHostConnectionsToAHost)
{
    std::atomic<int> nNow {0};
    std::atomic<int> nMost {0};
    CTestServer server;
    std::vector<std::string> hrefs;
    for (int n = 0; n < 24; ++n)
        hrefs.push_back("slow" + std::to_string(n) + ".html");
    server.AddRoute({"/index.html", 200, "text/html", Page(hrefs), {}});
    server.GetServer().Get(R"(/slow\d+\.html)", [&](const httplib::Request&, httplib::Response& response) {
        const int nIn = ++nNow;
        for (int nSeen = nMost; nIn > nSeen && !nMost.compare_exchange_weak(nSeen, nIn);) {}
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        --nNow;
        response.set_content("", "text/plain");
    });
    server.Start();
    struct CCase {
        int nJobs;
        int nPerHost;
        int nMost;
    };
    for (const CCase& limits : {CCase {4, 8, 4}, CCase {16, 3, 3}, CCase {1, 8, 1}}) {
        SCOPED_TRACE(std::to_string(limits.nJobs) + " jobs, " + std::to_string(limits.nPerHost) + " per host");
        nMost = 0;
        CRecordingFrontEnd frontEnd;
        CCrawler crawler(&frontEnd, false, false);
        crawler.SetMode(std::make_unique<CClassicMode>());
        crawler.SetRequestLimits(limits.nJobs, limits.nPerHost);
        ASSERT_TRUE(crawler.Init(&frontEnd, server.GetURL("/index.html")));
        crawler.Crawl();
        EXPECT_EQ(frontEnd.m_checked.size(), hrefs.size());
        // Reached, and never passed: the HEADs did overlap.
        EXPECT_EQ(nMost, limits.nMost);
    }
}

TEST(Pipeline, APageLargerThanWhatATransferHoldsUnreadIsReadWhole)
{
    // Links after MAX_UNREAD bytes: read ahead, the transfer pauses there.
    const std::string strFiller(CTransferEngine::MAX_UNREAD * 3, 'x');
    CTestServer server;
    server.AddRoutes({{"/index.html", 200, "text/html", Page({"big.html", "small.html"}), {}},
        {"/big.html", 200, "text/html", strFiller + "\n" + Page({"after.html"}), {}},
        {"/small.html", 200, "text/html", Page({"late.html"}), {}}, {"/after.html", 200, "text/plain", "", {}},
        {"/late.html", 200, "text/plain", "", {}}});
    server.Start();
    const COutcome sequential = Crawl(server.GetURL("/index.html"), 1);
    EXPECT_EQ(sequential.rows.size(), 4u);
    EXPECT_EQ(Crawl(server.GetURL("/index.html"), CCrawler::DEFAULT_JOBS), sequential);
}

TEST(Pipeline, ABodyCutShortGivesWhatArrivedWhenReadAheadToo)
{
    // Sent ahead, the cut page's GET has failed long before its turn; the
    // bytes before the failure must count as they do when it comes mid-read.
    CRawServer cut([](const std::string& strRequest) {
        const std::string strPage = Page({"kept.html"});
        if (strRequest.rfind("HEAD ", 0) == 0)
            return std::string("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 0\r\n\r\n");
        return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(strPage.size() + 500)
            + "\r\n\r\n" + strPage;
    });
    CTestServer server;
    // Another port of the start host is the same site; the slow links keep
    // the crawl busy while the cut page arrives.
    std::vector<std::string> hrefs = {cut.GetURL("/cut.html")};
    for (int n = 0; n < 6; ++n)
        hrefs.push_back("slow" + std::to_string(n) + ".txt");
    server.AddRoute({"/index.html", 200, "text/html", Page(hrefs), {}});
    server.GetServer().Get(R"(/slow\d\.txt)", [](const httplib::Request&, httplib::Response& response) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        response.set_content("", "text/plain");
    });
    server.Start();
    const COutcome sequential = Crawl(server.GetURL("/index.html"), 1);
    ASSERT_EQ(sequential.rows.size(), 8u);
    EXPECT_EQ(sequential.rows.back(), "http://127.0.0.1/cut.html | http://127.0.0.1/kept.html | 200 OK");
    EXPECT_EQ(Crawl(server.GetURL("/index.html"), CCrawler::DEFAULT_JOBS), sequential);
}

TEST(Pipeline, ARequestSentAheadIsTakenOverOnceAndADroppedOneIsNotReused)
{
    CTestServer server;
    server.AddRoute({"/a.html", 200, "text/html", "<A HREF=\"b.html\">", {}});
    server.Start();
    CInternetSession session;
    std::shared_ptr<CTransferEngine> pEngine = session.GetTransferEngine();
    const std::string strURL = server.GetURL("/a.html");
    const std::uint64_t nId = pEngine->StartAhead(strURL, CTransferEngine::ERequest::HEAD);
    ASSERT_NE(nId, 0u);
    EXPECT_TRUE(pEngine->IsAhead(strURL, CTransferEngine::ERequest::HEAD));
    EXPECT_FALSE(pEngine->IsAhead(strURL, CTransferEngine::ERequest::GET));
    const std::uint64_t nGet = pEngine->StartAhead(strURL, CTransferEngine::ERequest::GET);
    while (!pEngine->GetEndedBody(nGet))
        pEngine->Drive();
    EXPECT_EQ(*pEngine->GetEndedBody(nGet), "<A HREF=\"b.html\">");
    pEngine->DropAhead(nGet);
    EXPECT_EQ(pEngine->GetAheadCount(), 1u);

    CHttpFile head(pEngine, strURL, CTransferEngine::ERequest::HEAD);
    ASSERT_TRUE(head.SendRequest());
    int nCode = 0;
    EXPECT_TRUE(head.QueryInfoStatusCode(nCode));
    EXPECT_EQ(nCode, 200);
    EXPECT_EQ(pEngine->GetAheadCount(), 0u);
    CHttpFile get(pEngine, strURL, CTransferEngine::ERequest::GET);
    ASSERT_TRUE(get.SendRequest());
    char szBuffer[64] = {};
    EXPECT_EQ(std::string(szBuffer, get.Read(szBuffer, sizeof(szBuffer))), "<A HREF=\"b.html\">");
    // One HEAD sent ahead and taken over; the dropped GET and the new one.
    EXPECT_EQ(server.CountRequests("HEAD", "/a.html"), 1);
    EXPECT_LE(server.CountRequests("GET", "/a.html"), 2);
}
