#pragma once

#include <chrono>
#include <functional>

/// The waits before the retries of a passing fault: 1 s, 2 s, 4 s ...,
/// each at most MAX_WAIT, spread by up to JITTER_PERCENT either way so
/// that many clients do not come back at once.
class CRetrySchedule {
public:
    static constexpr std::chrono::milliseconds FIRST_WAIT {1000};
    static constexpr std::chrono::milliseconds MAX_WAIT {30000};
    static constexpr int JITTER_PERCENT = 20;

    /// A number in [0, 1) each call.
    using Random = std::function<double()>;

    /// Draws from a generator seeded at random unless given one.
    explicit CRetrySchedule(Random random = Random());

    /// The wait before retry nRetry (1 for the first).
    std::chrono::milliseconds GetWait(int nRetry) const;

private:
    Random m_random;
};
