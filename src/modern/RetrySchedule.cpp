#include "modern/RetrySchedule.h"

#include <algorithm>
#include <memory>
#include <random>

CRetrySchedule::CRetrySchedule(Random random)
    : m_random(std::move(random))
{
    if (m_random)
        return;
    auto pGenerator = std::make_shared<std::mt19937>(std::random_device()());
    m_random = [pGenerator]() { return std::uniform_real_distribution<double>(0.0, 1.0)(*pGenerator); };
}

std::chrono::milliseconds CRetrySchedule::GetWait(int nRetry) const
{
    // Doubling stops well before the count could overflow.
    const int nDoublings = std::clamp(nRetry - 1, 0, 16);
    const double dBase = std::min(static_cast<double>(FIRST_WAIT.count()) * static_cast<double>(1 << nDoublings),
        static_cast<double>(MAX_WAIT.count()));
    const double dSpread = JITTER_PERCENT / 100.0;
    const double dFactor = 1.0 - dSpread + 2.0 * dSpread * std::clamp(m_random(), 0.0, 1.0);
    const double dWait = std::min(dBase * dFactor, static_cast<double>(MAX_WAIT.count()));
    return std::chrono::milliseconds(static_cast<long long>(dWait));
}
