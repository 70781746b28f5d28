#pragma once

#include "modern/AcceptedCodes.h"

/// How hard the modern mode's checker tries before it gives a verdict.
struct SCheckPolicy {
    static constexpr int DEFAULT_RETRIES = 2;
    static constexpr int MAX_RETRIES = 10;
    static constexpr int DEFAULT_MAX_RETRY_WAIT = 60;
    static constexpr int MAX_RETRY_WAIT = 3600;

    /// Retries of a passing fault or a Retry-After, per link.
    int nRetries = DEFAULT_RETRIES;
    /// The longest Retry-After waited, in seconds; a longer one is a verdict.
    int nMaxRetryWait = DEFAULT_MAX_RETRY_WAIT;
    /// The final codes that make a link ok, before any other rule.
    CAcceptedCodes accepted;
};
