// The modern checker's decisions, without a network: what each outcome of a
// request leads to, how a Retry-After value and a list of accepted codes
// read, and the retry waits.
#include "modern/CheckRules.h"
#include "modern/AcceptedCodes.h"
#include "modern/RetrySchedule.h"
#include "net/RetryAfter.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t CAP = 60;
constexpr std::optional<std::uint64_t> NO_WAIT;

struct SDecideCase {
    const char* pszName;
    SCheckAnswer answer;
    ECheckStep eStep;
    EVerdict eVerdict;
    // --accept's lists; none: the default codes.
    std::vector<std::string> accept = {};
};

SCheckAnswer Head(int nCode, std::optional<std::uint64_t> retryAfter = NO_WAIT)
{
    return {false, nCode, ETransferError::NONE, retryAfter, {}};
}

SCheckAnswer Get(int nCode, std::optional<std::uint64_t> retryAfter = NO_WAIT)
{
    return {true, nCode, ETransferError::NONE, retryAfter, {}};
}

SCheckAnswer Failed(ETransferError eError, bool bGet = false)
{
    return {bGet, 0, eError, NO_WAIT, {}};
}

// An answer carrying cf-mitigated: challenge.
SCheckAnswer Challenge(int nCode, bool bGet = false)
{
    return {bGet, nCode, ETransferError::NONE, NO_WAIT, {}, true};
}

} // namespace

TEST(CheckRules, EachOutcomeLeadsToItsStepAndVerdict)
{
    using S = ECheckStep;
    using V = EVerdict;
    const std::vector<SDecideCase> cases = {
        {"200", Head(200), S::DONE, V::OK},
        {"204 to the GET", Get(204), S::DONE, V::OK},
        {"404 needs no GET", Head(404), S::DONE, V::BROKEN},
        {"410 needs no GET", Head(410), S::DONE, V::BROKEN},
        {"405 to HEAD", Head(405), S::ASK_WITH_GET, V::BROKEN},
        {"501 to HEAD", Head(501), S::ASK_WITH_GET, V::BROKEN},
        {"403 to HEAD", Head(403), S::ASK_WITH_GET, V::BROKEN},
        {"418 to HEAD", Head(418), S::ASK_WITH_GET, V::BROKEN},
        {"403 to the GET", Get(403), S::DONE, V::BLOCKED},
        {"401 to the GET", Get(401), S::DONE, V::BLOCKED},
        {"405 to the GET", Get(405), S::DONE, V::BROKEN},
        {"501 to the GET", Get(501), S::DONE, V::BROKEN},
        {"304 without Location", Head(304), S::DONE, V::BROKEN},
        {"301 as final answer", Head(301), S::DONE, V::BROKEN},
        {"429 without Retry-After", Head(429), S::BACKOFF, V::BLOCKED},
        {"429 with a wait within the cap", Head(429, 60), S::RETRY_AFTER, V::BLOCKED},
        {"429 beyond the cap", Head(429, 61), S::DONE, V::BLOCKED},
        {"503 with a wait within the cap", Get(503, 0), S::RETRY_AFTER, V::TRANSIENT},
        {"503 beyond the cap", Head(503, CRetryAfter::MAX_SECONDS), S::DONE, V::BLOCKED},
        {"503 without Retry-After", Head(503), S::BACKOFF, V::TRANSIENT},
        {"500 ignores Retry-After", Head(500, 1), S::BACKOFF, V::TRANSIENT},
        {"504", Get(504), S::BACKOFF, V::TRANSIENT},
        {"time-out", Failed(ETransferError::TIMEOUT), S::BACKOFF, V::TRANSIENT},
        {"refused or reset", Failed(ETransferError::CONNECTION), S::BACKOFF, V::TRANSIENT},
        {"empty reply to HEAD", Failed(ETransferError::EMPTY_REPLY), S::ASK_WITH_GET, V::BROKEN},
        {"empty reply to the GET", Failed(ETransferError::EMPTY_REPLY, true), S::BACKOFF, V::TRANSIENT},
        {"no such host", Failed(ETransferError::HOST_NOT_FOUND), S::DONE, V::BROKEN},
        {"certificate", Failed(ETransferError::TLS), S::DONE, V::BROKEN},
        {"redirect loop", Failed(ETransferError::TOO_MANY_REDIRECTS), S::DONE, V::BROKEN},
        {"redirect to ftp", Failed(ETransferError::UNSUPPORTED_SCHEME), S::DONE, V::BROKEN},
        {"other failure", Failed(ETransferError::OTHER), S::DONE, V::BROKEN},
        {"answer without a status", Head(0), S::DONE, V::BROKEN},
        {"999 to HEAD: a bot wall, no GET", Head(999), S::DONE, V::BLOCKED},
        {"999 to the GET", Get(999), S::DONE, V::BLOCKED},
        {"403 challenge: blocked at once, no GET", Challenge(403), S::DONE, V::BLOCKED},
        {"503 challenge: never retried", Challenge(503), S::DONE, V::BLOCKED},
        {"429 challenge with Retry-After is not waited for", {false, 429, ETransferError::NONE, 1, {}, true}, S::DONE,
            V::BLOCKED},
        {"a 200 with the header is still ok", Challenge(200), S::DONE, V::OK},
        {"accepted 403 to HEAD", Head(403), S::DONE, V::OK, {"200-299,403"}},
        {"accepted 403 beats the challenge", Challenge(403), S::DONE, V::OK, {"200-299", "403"}},
        {"accepted 999 beats the bot-wall code", Head(999), S::DONE, V::OK, {"200-299,999"}},
        {"accepted 503 is not retried", Head(503, 1), S::DONE, V::OK, {"503"}},
        {"a 2xx the list leaves out is broken", Head(204), S::DONE, V::BROKEN, {"200"}},
        {"404 stays broken beside accepted codes", Head(404), S::DONE, V::BROKEN, {"200-299,403"}},
        {"a failure is no code to accept", Failed(ETransferError::TIMEOUT), S::BACKOFF, V::TRANSIENT, {"100-999"}},
    };
    for (const SDecideCase& test : cases) {
        SCOPED_TRACE(test.pszName);
        std::string strBad;
        const std::optional<CAcceptedCodes> accepted
            = test.accept.empty() ? CAcceptedCodes() : CAcceptedCodes::Parse(test.accept, strBad);
        ASSERT_TRUE(accepted) << strBad;
        const SCheckDecision decision = CCheckRules::Decide(test.answer, CAP, *accepted);
        EXPECT_EQ(decision.eStep, test.eStep);
        EXPECT_EQ(decision.eVerdict, test.eVerdict);
    }
}

TEST(AcceptedCodes, ReadsCodesAndRangesAndNamesTheFirstBadItem)
{
    struct SCase {
        std::vector<std::string> lists;
        // The codes among 100, 199, 200, 299, 300, 403, 998 and 999 it holds.
        std::vector<int> held;
        // The bad item; none when the lists are good.
        std::optional<std::string> bad;
    };
    const std::vector<int> PROBES = {100, 199, 200, 299, 300, 403, 998, 999};
    const std::vector<SCase> cases = {
        {{"200-299"}, {200, 299}, std::nullopt},
        {{"200-299,403,999"}, {200, 299, 403, 999}, std::nullopt},
        {{"200-299", "403"}, {200, 299, 403}, std::nullopt},
        {{" 403 , 200 - 200 "}, {200, 403}, std::nullopt},
        {{"100-999"}, PROBES, std::nullopt},
        {{"403,403"}, {403}, std::nullopt},
        {{""}, {}, ""},
        {{"200,"}, {}, ""},
        {{",200"}, {}, ""},
        {{"200-299", ""}, {}, ""},
        {{"20x"}, {}, "20x"},
        {{"200-299,abc"}, {}, "abc"},
        {{"299-200"}, {}, "299-200"},
        {{"099"}, {}, "099"},
        {{"1000"}, {}, "1000"},
        {{"0200"}, {}, "0200"},
        {{"-200"}, {}, "-200"},
        {{"+200"}, {}, "+200"},
        {{"200-"}, {}, "200-"},
        {{"200-299-300"}, {}, "200-299-300"},
        {{"200;403"}, {}, "200;403"},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.lists.empty() ? std::string() : test.lists.front());
        std::string strBad = "(untouched)";
        const std::optional<CAcceptedCodes> accepted = CAcceptedCodes::Parse(test.lists, strBad);
        ASSERT_EQ(accepted.has_value(), !test.bad.has_value());
        if (test.bad) {
            EXPECT_EQ(strBad, *test.bad);
            continue;
        }
        std::vector<int> held;
        for (int nCode : PROBES)
            if (accepted->Contains(nCode))
                held.push_back(nCode);
        EXPECT_EQ(held, test.held);
    }
    const CAcceptedCodes defaults;
    EXPECT_TRUE(defaults.Contains(200) && defaults.Contains(299));
    EXPECT_FALSE(defaults.Contains(199) || defaults.Contains(300) || defaults.Contains(0) || defaults.Contains(-1));
}

TEST(RetryAfter, ReadsSecondsAndDatesAndNothingElse)
{
    // Sun, 06 Nov 1994 08:49:37 GMT
    constexpr std::time_t NOW = 784111777;
    struct SCase {
        const char* pszValue;
        std::optional<std::uint64_t> seconds;
    };
    const std::vector<SCase> cases = {
        {"0", 0},
        {"120", 120},
        {" \t7 ", 7},
        {"007", 7},
        {"99999999999999999999999999999999999999", CRetryAfter::MAX_SECONDS},
        {"4294967297", CRetryAfter::MAX_SECONDS},
        {"Sun, 06 Nov 1994 08:49:39 GMT", 2},
        {"Sunday, 06-Nov-94 08:50:37 GMT", 60},
        {"Sun Nov  6 08:49:47 1994", 10},
        {"Sun, 06 Nov 1994 08:49:37 GMT", 0},
        {"Sat, 05 Nov 1994 08:49:37 GMT", 0},
        {"Fri, 31 Dec 9999 23:59:59 GMT", CRetryAfter::MAX_SECONDS},
        {"", NO_WAIT},
        {"   ", NO_WAIT},
        {"-5", NO_WAIT},
        {"1.5", NO_WAIT},
        {"5s", NO_WAIT},
        {"+5", NO_WAIT},
        {"soon", NO_WAIT},
        {"GMT", NO_WAIT},
        {"Sun, 99 Foo 1994", NO_WAIT},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.pszValue);
        EXPECT_EQ(CRetryAfter::Parse(test.pszValue, NOW), test.seconds);
    }
}

TEST(RetrySchedule, DoublesFromOneSecondUpToThirtyWithinTheJitter)
{
    struct SCase {
        double dRandom;
        std::vector<long> waitsMs;
    };
    const std::vector<SCase> cases = {
        {0.5, {1000, 2000, 4000, 8000, 16000, 30000, 30000}},
        {0.0, {800, 1600, 3200, 6400, 12800, 24000, 24000}},
        // The spread never takes a wait past the bound.
        {0.999999, {1199, 2399, 4799, 9599, 19199, 30000, 30000}},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.dRandom);
        const CRetrySchedule schedule([&test]() { return test.dRandom; });
        for (std::size_t nAt = 0; nAt < test.waitsMs.size(); ++nAt)
            EXPECT_EQ(schedule.GetWait(static_cast<int>(nAt) + 1).count(), test.waitsMs[nAt]) << "retry " << nAt + 1;
    }
    const CRetrySchedule drawn;
    for (int nRetry = 1; nRetry <= 40; ++nRetry)
        EXPECT_LE(drawn.GetWait(nRetry), CRetrySchedule::MAX_WAIT);
}
