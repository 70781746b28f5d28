#pragma once

#include "link/Verdict.h"
#include "modern/AcceptedCodes.h"
#include "net/TransferError.h"

#include <chrono>
#include <cstdint>
#include <optional>

/// What one request of a link's check came to.
struct SCheckAnswer {
    /// The request was the GET asked after a refused HEAD.
    bool bGet = false;
    /// The final status code; 0 when no answer came.
    int nStatusCode = 0;
    /// Why no answer came; NONE when one did.
    ETransferError eError = ETransferError::NONE;
    /// The wait a readable Retry-After asked for, in seconds.
    std::optional<std::uint64_t> retryAfter;
    /// When the answer came, which a Retry-After counts from.
    std::chrono::steady_clock::time_point answerTime;
    /// The answer is a bot wall's challenge (cf-mitigated: challenge).
    bool bChallenge = false;
};

/// What the checker does next with a link.
enum class ECheckStep {
    DONE, ///< the verdict stands
    RETRY_AFTER, ///< ask again after the server's wait
    BACKOFF, ///< ask again after the next wait of the retry schedule
    ASK_WITH_GET, ///< ask once more with GET; not a retry
};

/// The next step, and the verdict when no further request is made.
struct SCheckDecision {
    ECheckStep eStep = ECheckStep::DONE;
    EVerdict eVerdict = EVerdict::BROKEN;
};

/// Tells a broken link from a refused, throttled or passing failure.
class CCheckRules {
public:
    /// The code some sites answer an automated client with instead of the page.
    static constexpr int BOT_WALL_CODE = 999;

    /// The decision on answer, waiting at most nMaxWait seconds; a code of
    /// accepted is ok whatever the other rules say.
    static SCheckDecision Decide(
        const SCheckAnswer& answer, std::uint64_t nMaxWait, const CAcceptedCodes& accepted = CAcceptedCodes());

private:
    static SCheckDecision DecideFailure(const SCheckAnswer& answer);
    static SCheckDecision DecideThrottle(const SCheckAnswer& answer, std::uint64_t nMaxWait, EVerdict eExhausted);
};
