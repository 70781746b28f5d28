// The modern checker's decisions, without a network: what each outcome of a
// request leads to, how a Retry-After value reads, and the retry waits.
#include "modern/CheckRules.h"
#include "modern/RetrySchedule.h"
#include "net/RetryAfter.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t CAP = 60;
constexpr std::optional<std::uint64_t> NO_WAIT;

struct SDecideCase {
    const char* pszName;
    SCheckAnswer answer;
    ECheckStep eStep;
    EVerdict eVerdict;
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
    };
    for (const SDecideCase& test : cases) {
        SCOPED_TRACE(test.pszName);
        const SCheckDecision decision = CCheckRules::Decide(test.answer, CAP);
        EXPECT_EQ(decision.eStep, test.eStep);
        EXPECT_EQ(decision.eVerdict, test.eVerdict);
    }
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
