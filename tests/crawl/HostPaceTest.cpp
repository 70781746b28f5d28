// Both modes against small servers, as the servers see them: one that closes
// every connection, and one whose listen queue holds a single attempt.
#include "crawl/CrawlRun.h"
#include "modern/CheckPolicy.h"
#include "modern/ModernMode.h"
#include "support/LoadRecorder.h"
#include "support/RawServer.h"
#include "support/ScriptServer.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

struct SModeCase {
    const char* pszName;
    bool bModern;
};

const SModeCase MODES[] = {{"the default mode", false}, {"--modern", true}};

void UseMode(CCrawlRun& run, bool bModern)
{
    if (!bModern)
        return;
    run.crawler.SetMode(std::make_unique<CModernMode>(SCheckPolicy {}));
    run.crawler.SetTransferOptions(CModernMode::MakeTransferOptions("test"));
}

std::string LinkPage(int nLinks)
{
    std::vector<std::string> hrefs;
    for (int n = 0; n < nLinks; ++n)
        hrefs.push_back("/l" + std::to_string(n) + ".html");
    return Page(hrefs);
}

bool AllGood(const std::vector<std::string>& rows)
{
    return std::all_of(
        rows.begin(), rows.end(), [](const std::string& strRow) { return strRow.ends_with("| 200 OK"); });
}

// "HTTP/1.0 200 OK" and the rest, for a server that closes after each answer.
std::string Answer(int nStatus, const std::string& strBody)
{
    return "HTTP/1.0 " + std::to_string(nStatus) + (nStatus == 200 ? " OK" : " Not OK")
        + "\r\nConnection: close\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(strBody.size())
        + "\r\n\r\n" + strBody;
}

// The method and path of a request head.
std::pair<std::string, std::string> RequestOf(const std::string& strRequest)
{
    const std::size_t nPath = strRequest.find(' ');
    const std::size_t nEnd = strRequest.find(' ', nPath + 1);
    return {strRequest.substr(0, nPath), strRequest.substr(nPath + 1, nEnd - nPath - 1)};
}

// Answers every link after 0.2 s (the start page and robots.txt at once)
// and closes each connection; the first ask of /l0.html, when told, is a 503.
class CClosingServer {
public:
    CClosingServer(int nLinks, bool bFirstIs503)
        : m_strPage(LinkPage(nLinks))
        , m_bFirstIs503(bFirstIs503)
        , m_server([this](CScriptServer::CConnection& connection) { Serve(connection); })
    {
    }

    std::string GetURL(const std::string& strPath) const { return m_server.GetURL(strPath); }

    CLoadRecorder m_load;
    // When the 503 went out.
    std::atomic<Clock::time_point> m_refusedAt {};

private:
    void Serve(CScriptServer::CConnection& connection)
    {
        const auto [strMethod, strPath] = RequestOf(connection.GetRequest());
        if (strPath == "/index.html" || strPath == "/robots.txt") {
            connection.Send(Answer(strPath == "/index.html" ? 200 : 404, strPath == "/index.html" ? m_strPage : ""));
            return;
        }
        m_load.Arrive(strMethod, strPath);
        connection.Pause(200ms);
        m_load.Leave();
        if (strPath == "/l0.html" && m_bFirstIs503 && m_load.GetTimes(strPath).size() == 1) {
            m_refusedAt = Clock::now();
            connection.Send(Answer(503, ""));
        } else {
            connection.Send(Answer(200, ""));
        }
    }

    std::string m_strPage;
    bool m_bFirstIs503;
    // Declared last: its scripts use the members above until it stops.
    CScriptServer m_server;
};

} // namespace

TEST(HostPace, AServerThatClosesEveryConnectionGetsRequestsAtOnceInBothModes)
{
    for (const SModeCase& mode : MODES) {
        SCOPED_TRACE(mode.pszName);
        CClosingServer server(13, false);
        CCrawlRun run(false);
        UseMode(run, mode.bModern);
        const Clock::time_point start = Clock::now();
        run.Crawl(server.GetURL("/index.html"));
        const auto elapsed = Clock::now() - start;
        EXPECT_EQ(run.Rows().size(), 13u);
        EXPECT_TRUE(AllGood(run.Rows()));
        EXPECT_EQ(server.m_load.GetArrivals().size(), 13u);
        // One at a time would be 13 x 0.2 s.
        EXPECT_GT(server.m_load.GetMaxInFlight(), 1);
        EXPECT_LE(server.m_load.GetMaxInFlight(), CCrawler::DEFAULT_PER_HOST);
        EXPECT_LT(elapsed, 700ms);
    }
}

TEST(HostPace, ARetryComesAtItsTimeWhileItsHostIsBusy)
{
    // Enough links that the host is still busy when the retry is due.
    CClosingServer server(40, true);
    CCrawlRun run(false);
    UseMode(run, true);
    run.Crawl(server.GetURL("/index.html"));
    ASSERT_EQ(run.Rows().size(), 40u);
    EXPECT_TRUE(AllGood(run.Rows()));
    const std::vector<CLoadRecorder::SArrival> arrivals = server.m_load.GetArrivals();
    const auto itRetry = std::find_if(arrivals.begin(), arrivals.end(), [&](const CLoadRecorder::SArrival& arrival) {
        return arrival.strPath == "/l0.html" && arrival.at > server.m_refusedAt.load();
    });
    ASSERT_NE(itRetry, arrivals.end());
    EXPECT_GE(itRetry->nOthersInFlight, 1);
    // 1 s, 20 % either way, and the host's next free place: at most one
    // answer's time. A retry queued behind the links sent ahead came seconds late.
    const auto waited = itRetry->at - server.m_refusedAt.load();
    EXPECT_GE(waited, 800ms);
    EXPECT_LE(waited, 1600ms);
}

TEST(HostPace, ASmallListenQueueIsOpenedGraduallyAndBackedOffFromAtOnce)
{
    // One attempt held at a time, each answered before the next is
    // accepted: eight at once would wait on the kernel's retries, a second
    // and then three more, again and again.
    const std::string strPage = LinkPage(40);
    for (const SModeCase& mode : MODES) {
        SCOPED_TRACE(mode.pszName);
        CRawServer server(
            [&strPage](const std::string& strRequest) {
                const std::string strPath = RequestOf(strRequest).second;
                std::this_thread::sleep_for(2ms);
                return Answer(strPath == "/robots.txt" ? 404 : 200, strPath == "/index.html" ? strPage : "");
            },
            "127.0.0.1", 1);
        CCrawlRun run(false);
        UseMode(run, mode.bModern);
        const Clock::time_point start = Clock::now();
        run.Crawl(server.GetURL("/index.html"));
        const auto elapsed = Clock::now() - start;
        EXPECT_EQ(run.Rows().size(), 40u);
        EXPECT_TRUE(AllGood(run.Rows()));
        // Well under a crawl whose dropped attempts wait on the kernel's
        // retries (2.3 s in the default mode), well over one that gets none.
        EXPECT_LT(elapsed, 1500ms);
    }
}
