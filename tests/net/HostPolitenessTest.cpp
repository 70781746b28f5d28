// The engine's manners per host against real loopback servers that count
// what they see: requests in flight, and when each came.
#include "net/Transfer.h"
#include "net/TransferEngine.h"
#include "net/TransferOptions.h"
#include "support/LoadRecorder.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class CHostPolitenessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        httplib::Server& server = m_server.GetServer();
        server.Get(R"(/slow/\d+)", m_load.Answer(200, 40ms));
        server.Get(R"(/fast/\d+)", m_load.Answer(200, 0ms));
        server.Get(R"(/slower/\d+)", m_load.Answer(200, 500ms));
        server.Get("/busy", m_load.Answer(429, 0ms));
        server.Get("/down", m_load.Answer(503, 0ms));
        server.Get(R"(/throttled/(.+))", [](const httplib::Request& request, httplib::Response& response) {
            response.status = 429;
            response.set_header("Retry-After", request.matches[1].str());
        });
        server.Get("/big", m_load.Answer(200, 0ms, std::string(std::size_t {1} << 20, 'x')));
        m_server.Start();
        STransferOptions options;
        options.bTuneHostLimit = true;
        options.nMaxRetryAfterPause = 60;
        m_engine.SetTransferOptions(options);
        m_engine.SetConnectionLimits(4, 8);
        // A request held for good would hang the test: this ends it instead.
        const Clock::time_point deadline = Clock::now() + 10s;
        m_engine.SetPumpCallback([this, deadline] {
            ++m_nPumps;
            if (Clock::now() > deadline)
                throw std::runtime_error("a request waited for more than 10 s");
        });
    }

    // As a crawl does: every request sent ahead, then each taken over in
    // order and read to its end. Their status codes.
    std::vector<int> Fetch(const std::string& strPrefix, int nFirst, int nCount)
    {
        std::vector<std::string> urls;
        for (int n = nFirst; n < nFirst + nCount; ++n) {
            urls.push_back(m_server.GetURL(strPrefix + std::to_string(n)));
            m_engine.StartAhead(urls.back(), CTransferEngine::ERequest::GET);
        }
        std::vector<int> codes;
        for (const std::string& strURL : urls)
            codes.push_back(ReadWhole(strURL));
        return codes;
    }

    int ReadWhole(const std::string& strURL)
    {
        std::unique_ptr<CTransfer> pTransfer = m_engine.Start(strURL, CTransferEngine::ERequest::GET);
        pTransfer->WaitForResponse();
        char szBuffer[4096];
        while (pTransfer->Read(szBuffer, sizeof(szBuffer)) > 0) {}
        return pTransfer->GetStatusCode();
    }

    // Declared first: the server's handlers write to it until the server stops.
    CLoadRecorder m_load;
    CTestServer m_server;
    CTransferEngine m_engine;
    int m_nPumps = 0;
};

} // namespace

TEST_F(CHostPolitenessTest, HoldsAHostToALimitThatHalvesAt429Or503AndGrowsBackByOneAfterTwentyGoodAnswers)
{
    EXPECT_EQ(Fetch("/slow/", 0, 12), std::vector<int>(12, 200));
    EXPECT_EQ(m_load.GetMaxInFlight(), 4);
    // 4, then 2, then 1.
    EXPECT_EQ(ReadWhole(m_server.GetURL("/busy")), 429);
    EXPECT_EQ(ReadWhole(m_server.GetURL("/down")), 503);
    m_load.ResetMaxInFlight();
    Fetch("/slow/", 100, 6);
    EXPECT_EQ(m_load.GetMaxInFlight(), 1);
    // With the six before, twenty good answers in a row.
    Fetch("/fast/", 0, 14);
    m_load.ResetMaxInFlight();
    Fetch("/slow/", 200, 4);
    EXPECT_EQ(m_load.GetMaxInFlight(), 2);
}

TEST_F(CHostPolitenessTest, APausedHostWaitsWhileAnotherGoesOnAndThePumpRuns)
{
    CTestServer other;
    CLoadRecorder otherLoad;
    other.GetServer().Get(R"(/fast/\d+)", otherLoad.Answer(200, 0ms));
    other.Start();
    const Clock::time_point until = Clock::now() + 500ms;
    m_engine.PauseHost(m_server.GetURL("/anything"), until);
    std::unique_ptr<CTransfer> pHeld = m_engine.Start(m_server.GetURL("/fast/1"), CTransferEngine::ERequest::GET);
    EXPECT_EQ(ReadWhole(other.GetURL("/fast/1")), 200);
    EXPECT_LT(Clock::now(), until);
    pHeld->WaitForResponse();
    EXPECT_EQ(pHeld->GetStatusCode(), 200);
    ASSERT_EQ(m_load.GetTimes("/fast/1").size(), 1u);
    EXPECT_GE(m_load.GetTimes("/fast/1")[0], until);
    EXPECT_GE(m_nPumps, 5);
}

TEST_F(CHostPolitenessTest, ARequestSentAheadThatWaitsForItsReaderGivesWayToTheCrawlsOwn)
{
    m_engine.SetConnectionLimits(1, 4);
    const std::uint64_t nBig = m_engine.StartAhead(m_server.GetURL("/big"), CTransferEngine::ERequest::GET);
    ASSERT_NE(nBig, 0u);
    EXPECT_EQ(ReadWhole(m_server.GetURL("/fast/1")), 200);
    EXPECT_FALSE(m_engine.IsAhead(nBig));
    // Dropped, it is simply asked again when its turn comes.
    EXPECT_EQ(ReadWhole(m_server.GetURL("/big")), 200);
}

TEST_F(CHostPolitenessTest, ARequestHeldForItsHostsRoomCountsAsRunningAndOneHeldByAPauseDoesNot)
{
    // Read-ahead budgets by this count: as libcurl's own queue would be.
    std::vector<std::unique_ptr<CTransfer>> transfers;
    for (int n = 0; n < 5; ++n)
        transfers.push_back(
            m_engine.Start(m_server.GetURL("/slower/" + std::to_string(n)), CTransferEngine::ERequest::GET));
    EXPECT_EQ(m_engine.GetRunningCount(), 5u);
    m_engine.PauseHost(m_server.GetURL("/"), Clock::now() + 1s);
    EXPECT_EQ(m_engine.GetRunningCount(), 4u);
}

TEST_F(CHostPolitenessTest, AServersRetryAfterWithinTheCapPausesItsHostFromTheAnswersArrival)
{
    struct SCase {
        const char* pszRetryAfter;
        bool bPauses;
    };
    const SCase cases[] = {{"1", true}, {"61", false}, {"soon", false}, {"0", false}};
    int nCase = 0;
    for (const SCase& testCase : cases) {
        SCOPED_TRACE(testCase.pszRetryAfter);
        EXPECT_EQ(ReadWhole(m_server.GetURL(std::string("/throttled/") + testCase.pszRetryAfter)), 429);
        const Clock::time_point answered = Clock::now();
        const std::string strNext = "/fast/" + std::to_string(1000 + nCase++);
        EXPECT_EQ(ReadWhole(m_server.GetURL(strNext)), 200);
        ASSERT_EQ(m_load.GetTimes(strNext).size(), 1u);
        const auto waited = m_load.GetTimes(strNext)[0] - answered;
        if (testCase.bPauses)
            EXPECT_GE(waited, 900ms);
        else
            EXPECT_LT(waited, 500ms);
    }
}
