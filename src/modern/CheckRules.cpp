#include "modern/CheckRules.h"

SCheckDecision CCheckRules::Decide(const SCheckAnswer& answer, std::uint64_t nMaxWait, const CAcceptedCodes& accepted)
{
    const int nCode = answer.nStatusCode;
    if (answer.eError != ETransferError::NONE || nCode == 0)
        return DecideFailure(answer);
    // A user who accepts 403 accepts a 403 challenge too.
    if (accepted.Contains(nCode))
        return {ECheckStep::DONE, EVerdict::OK};
    // A bot wall does not pass by itself, and meets a GET as it met the HEAD.
    if (nCode == BOT_WALL_CODE || answer.bChallenge)
        return {ECheckStep::DONE, EVerdict::BLOCKED};
    if (nCode >= 200 && nCode <= 299)
        return {ECheckStep::DONE, EVerdict::BROKEN};
    if (nCode == 429)
        return DecideThrottle(answer, nMaxWait, EVerdict::BLOCKED);
    if (nCode == 503)
        return DecideThrottle(answer, nMaxWait, EVerdict::TRANSIENT);
    if (nCode >= 500 && nCode <= 599 && nCode != 501)
        return {ECheckStep::BACKOFF, EVerdict::TRANSIENT};
    if (nCode == 404 || nCode == 410)
        return {ECheckStep::DONE, EVerdict::BROKEN};
    // Many servers refuse HEAD, or anything but a browser's GET.
    if (!answer.bGet && (nCode == 501 || (nCode >= 400 && nCode <= 499)))
        return {ECheckStep::ASK_WITH_GET, EVerdict::BROKEN};
    if (nCode == 401 || nCode == 403)
        return {ECheckStep::DONE, EVerdict::BLOCKED};
    return {ECheckStep::DONE, EVerdict::BROKEN};
}

SCheckDecision CCheckRules::DecideFailure(const SCheckAnswer& answer)
{
    switch (answer.eError) {
    case ETransferError::TIMEOUT:
    case ETransferError::CONNECTION: return {ECheckStep::BACKOFF, EVerdict::TRANSIENT};
    case ETransferError::EMPTY_REPLY:
        // Some servers drop a HEAD without a word.
        if (!answer.bGet)
            return {ECheckStep::ASK_WITH_GET, EVerdict::BROKEN};
        return {ECheckStep::BACKOFF, EVerdict::TRANSIENT};
    default: return {ECheckStep::DONE, EVerdict::BROKEN};
    }
}

SCheckDecision CCheckRules::DecideThrottle(const SCheckAnswer& answer, std::uint64_t nMaxWait, EVerdict eExhausted)
{
    if (!answer.retryAfter)
        return {ECheckStep::BACKOFF, eExhausted};
    // A server that asks for longer than the user allows refuses for now.
    if (*answer.retryAfter > nMaxWait)
        return {ECheckStep::DONE, EVerdict::BLOCKED};
    return {ECheckStep::RETRY_AFTER, eExhausted};
}
