#include "net/HostGate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

enum class EOp {
    START, ///< a request starts; nArg is how many
    END, ///< that many end, each with answer nStatus
    PAUSE, ///< the host pauses until nArg ms
};

// At a moment (ms after the start), one event for a host, then what the
// gate says of that host: its limit and whether one more request may start.
struct SStep {
    long nAtMs;
    EOp eOp;
    int nArg;
    int nStatus;
    int nLimit;
    bool bMayStart;
    const char* pszHost = "a:80";
};

struct SCase {
    const char* pszName;
    int nCeiling;
    int nRate;
    std::vector<SStep> steps;
};

std::vector<SStep> GoodAnswers(long nAtMs, int nCount, int nLimit)
{
    std::vector<SStep> steps;
    for (int n = 0; n < nCount; ++n) {
        steps.push_back({nAtMs, EOp::START, 1, 0, nLimit, nLimit > 1});
        steps.push_back({nAtMs, EOp::END, 1, 200, n + 1 == nCount ? nLimit + 1 : nLimit, true});
    }
    return steps;
}

std::vector<SStep> Join(std::vector<std::vector<SStep>> parts)
{
    std::vector<SStep> all;
    for (auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

TEST(HostGate, HoldsEachHostToItsLimitRateAndPause)
{
    const std::vector<SCase> cases = {
        {"the ceiling bounds requests in flight", 3, 0,
            {{0, EOp::START, 2, 0, 3, true}, {0, EOp::START, 1, 0, 3, false}, {0, EOp::END, 1, 200, 3, true}}},
        {"another host has a limit of its own", 1, 0,
            {{0, EOp::START, 1, 0, 1, false}, {0, EOp::START, 0, 0, 1, true, "b:80"},
                {0, EOp::START, 0, 0, 1, true, "a:8080"}}},
        {"429 and 503 halve the limit, never below one", 8, 0,
            {{0, EOp::START, 4, 0, 8, true}, {0, EOp::END, 1, 429, 4, true}, {0, EOp::END, 1, 503, 2, false},
                {0, EOp::END, 1, 429, 1, false}, {0, EOp::END, 1, 503, 1, true}}},
        {"a failure without an answer leaves the limit", 4, 0,
            {{0, EOp::START, 1, 0, 4, true}, {0, EOp::END, 1, 0, 4, true}}},
        {"halved below those in flight, nothing starts until they end", 4, 0,
            {{0, EOp::START, 4, 0, 4, false}, {0, EOp::END, 1, 429, 2, false}, {0, EOp::END, 1, 200, 2, false},
                {0, EOp::END, 1, 200, 2, true}}},
        {"twenty answers in a row that are not 429 or 503 add one", 4, 0,
            Join({{{0, EOp::START, 2, 0, 4, true}, {0, EOp::END, 2, 429, 1, true}}, GoodAnswers(0, 20, 1),
                GoodAnswers(0, 20, 2), GoodAnswers(0, 20, 3),
                {{0, EOp::START, 1, 0, 4, true}, {0, EOp::END, 19, 404, 4, true}, {0, EOp::END, 1, 500, 4, true}}})},
        {"a 429 in the run starts it over", 4, 0,
            Join({{{0, EOp::START, 1, 0, 4, true}, {0, EOp::END, 1, 503, 2, true}},
                {{0, EOp::START, 1, 0, 2, true}, {0, EOp::END, 19, 200, 2, true}},
                {{0, EOp::START, 1, 0, 2, true}, {0, EOp::END, 1, 429, 1, true}},
                {{0, EOp::START, 1, 0, 1, false}, {0, EOp::END, 19, 200, 1, true}}})},
        {"the rate counts starts in any one second", 100, 3,
            {{0, EOp::START, 2, 0, 100, true}, {400, EOp::START, 1, 0, 100, false}, {400, EOp::END, 3, 200, 100, false},
                {999, EOp::START, 0, 0, 100, false}, {1000, EOp::START, 0, 0, 100, true},
                {1001, EOp::START, 0, 0, 100, true}, {1001, EOp::START, 2, 0, 100, false},
                {1399, EOp::START, 0, 0, 100, false}, {1400, EOp::START, 1, 0, 100, false}}},
        {"a pause holds the host until it ends, and not another", 4, 0,
            {{0, EOp::PAUSE, 500, 0, 4, false}, {0, EOp::PAUSE, 200, 0, 4, false},
                {100, EOp::START, 0, 0, 4, true, "b:80"}, {499, EOp::START, 0, 0, 4, false},
                {500, EOp::START, 0, 0, 4, true}}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CHostGate gate;
        gate.SetCeiling(c.nCeiling);
        gate.SetRate(c.nRate);
        const CHostGate::Clock::time_point start {};
        for (std::size_t nStep = 0; nStep < c.steps.size(); ++nStep) {
            const SStep& step = c.steps[nStep];
            SCOPED_TRACE("step " + std::to_string(nStep));
            const auto now = start + std::chrono::milliseconds(step.nAtMs);
            for (int n = 0; n < step.nArg && step.eOp == EOp::START; ++n)
                gate.OnStarted(step.pszHost, now);
            for (int n = 0; n < step.nArg && step.eOp == EOp::END; ++n)
                gate.OnEnded(step.pszHost, step.nStatus);
            if (step.eOp == EOp::PAUSE)
                gate.Pause(step.pszHost, start + std::chrono::milliseconds(step.nArg));
            EXPECT_EQ(gate.GetLimit(step.pszHost), step.nLimit);
            EXPECT_EQ(gate.MayStart(step.pszHost, now), step.bMayStart);
        }
    }
}

TEST(HostGate, KeysByHostAndPortAndHoldsBackNoOtherText)
{
    EXPECT_EQ(CHostGate::HostKey("http://Example.test/a"), "example.test:80");
    EXPECT_EQ(CHostGate::HostKey("https://example.test/a"), "example.test:443");
    EXPECT_EQ(CHostGate::HostKey("http://127.0.0.1:8080/?q"), "127.0.0.1:8080");
    EXPECT_EQ(CHostGate::HostKey("mailto:a@b"), "");
    CHostGate gate;
    gate.OnStarted("", {});
    EXPECT_TRUE(gate.MayStart("", {}));
}

TEST(HostGate, IsAtLimitOnlyForWantOfRoom)
{
    // A paused or rate-bound host is not full: nothing in flight need give
    // way, and what waits for it is not as good as running.
    const CHostGate::Clock::time_point start {};
    CHostGate gate;
    gate.SetCeiling(2);
    gate.SetRate(1);
    gate.OnStarted("a:80", start);
    EXPECT_FALSE(gate.MayStart("a:80", start));
    EXPECT_FALSE(gate.IsAtLimit("a:80"));
    gate.OnStarted("a:80", start);
    EXPECT_TRUE(gate.IsAtLimit("a:80"));
    EXPECT_FALSE(gate.WaitsOnlyForRoom("a:80", start));
    EXPECT_TRUE(gate.WaitsOnlyForRoom("a:80", start + std::chrono::seconds(1)));
    gate.Pause("a:80", start + std::chrono::seconds(2));
    EXPECT_FALSE(gate.WaitsOnlyForRoom("a:80", start + std::chrono::seconds(1)));
    gate.Pause("b:80", start + std::chrono::seconds(1));
    EXPECT_FALSE(gate.IsAtLimit("b:80"));
    EXPECT_FALSE(gate.WaitsOnlyForRoom("b:80", start));
}

TEST(HostGate, OpensANewHostGraduallyAndBacksOffFromASlowOpen)
{
    enum class EOpen {
        START, ///< a request starts at nAtMs
        OPENED, ///< one has its connection after nArg ms
        SLOW, ///< an open begun at nArg ms is slow at nAtMs
    };
    struct SOpenStep {
        long nAtMs;
        EOpen eOp;
        long nArg;
        int nLimit;
    };
    struct SOpenCase {
        const char* pszName;
        std::vector<SOpenStep> steps;
        // Whether an open of 150 ms and of 1 s is slow after the steps.
        bool bSlowAt150;
        bool bSlowAt1000;
    };
    const std::vector<SOpenCase> cases = {
        {"two at first, one more with each prompt open, up to the ceiling",
            {{0, EOpen::START, 0, 2}, {0, EOpen::OPENED, 1, 3}, {0, EOpen::OPENED, 1, 4}, {0, EOpen::OPENED, 2, 5},
                {0, EOpen::OPENED, 1, 6}, {0, EOpen::OPENED, 1, 6}},
            true, true},
        {"no open is slow before one was prompt", {{0, EOpen::START, 0, 2}}, false, false},
        {"slow at four times the longest prompt open, at least 100 ms",
            {{0, EOpen::START, 0, 2}, {0, EOpen::OPENED, 40, 3}}, false, true},
        {"a slow open halves the limit for good",
            {{0, EOpen::START, 0, 2}, {0, EOpen::OPENED, 1, 3}, {0, EOpen::OPENED, 1, 4}, {0, EOpen::OPENED, 1, 5},
                {200, EOpen::SLOW, 0, 2}, {200, EOpen::OPENED, 1, 2}},
            true, true},
        {"once for the opens of one burst, again for a later one",
            {{0, EOpen::START, 0, 2}, {0, EOpen::OPENED, 1, 3}, {0, EOpen::OPENED, 1, 4}, {0, EOpen::OPENED, 1, 5},
                {0, EOpen::OPENED, 1, 6}, {200, EOpen::SLOW, 0, 3}, {210, EOpen::SLOW, 10, 3},
                {400, EOpen::SLOW, 300, 1}},
            true, true},
        {"an open that took long is no prompt one",
            {{0, EOpen::START, 0, 2}, {0, EOpen::OPENED, 1, 3}, {0, EOpen::OPENED, 500, 3}}, true, true},
    };
    for (const SOpenCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CHostGate gate;
        gate.SetCeiling(6);
        gate.SetFirstOpens(2);
        const CHostGate::Clock::time_point start {};
        for (std::size_t nStep = 0; nStep < c.steps.size(); ++nStep) {
            const SOpenStep& step = c.steps[nStep];
            SCOPED_TRACE("step " + std::to_string(nStep));
            const auto at = start + std::chrono::milliseconds(step.nAtMs);
            if (step.eOp == EOpen::START)
                gate.OnStarted("a:80", at);
            else if (step.eOp == EOpen::OPENED)
                gate.OnOpened("a:80", std::chrono::milliseconds(step.nArg));
            else
                gate.OnSlowOpen("a:80", start + std::chrono::milliseconds(step.nArg), at);
            EXPECT_EQ(gate.GetLimit("a:80"), step.nLimit);
        }
        EXPECT_EQ(gate.IsSlowOpen("a:80", std::chrono::milliseconds(150)), c.bSlowAt150);
        EXPECT_EQ(gate.IsSlowOpen("a:80", std::chrono::seconds(1)), c.bSlowAt1000);
    }
}

TEST(HostGate, WithoutTuningByAnswers429LeavesTheLimit)
{
    CHostGate gate;
    gate.SetCeiling(4);
    gate.SetTuneByAnswers(false);
    gate.OnStarted("a:80", {});
    gate.OnEnded("a:80", 429);
    EXPECT_EQ(gate.GetLimit("a:80"), 4);
}

TEST(HostGate, KeysAsTheURLParserWouldForWhatGroupsRequests)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"HTTPS://User:pw@Example.TEST:8443/a?b#c", "example.test:8443"},
        {"http://example.test?q", "example.test:80"},
        {"http://example.test#f", "example.test:80"},
        {"http://example.test:/a", "example.test:80"},
        {"http://[::1]:81/", "[::1]:81"},
        {"http://[::1]/", "[::1]:80"},
        {"http://a@b@example.test/", "example.test:80"},
        {"http:///a", ""},
        {"http://example.test:8x/", ""},
        {"ftp://example.test/", ""},
        {"file:///tmp/a", ""},
        {"", ""},
    };
    for (const auto& [strURL, strKey] : cases) {
        SCOPED_TRACE(strURL);
        EXPECT_EQ(CHostGate::HostKey(strURL), strKey);
    }
}
