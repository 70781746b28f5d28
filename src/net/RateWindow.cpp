#include "net/RateWindow.h"

void CRateWindow::Restart(Clock::time_point now)
{
    m_samples.clear();
    m_samples.emplace_back(now, m_nTotal);
}

bool CRateWindow::IsBelow(Clock::time_point now, long nWindowMs, std::size_t nMinPerSecond)
{
    if (m_samples.empty())
        return false;
    const std::chrono::milliseconds window(nWindowMs);
    if (now - m_samples.back().first >= window / SAMPLES)
        m_samples.emplace_back(now, m_nTotal);
    // The window starts at the newest sample that is at least a window old.
    while (m_samples.size() > 1 && now - m_samples[1].first >= window)
        m_samples.pop_front();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - m_samples.front().first);
    if (elapsed < window)
        return false;
    const std::uint64_t nReceived = m_nTotal - m_samples.front().second;
    return nReceived * 1000 < static_cast<std::uint64_t>(nMinPerSecond) * static_cast<std::uint64_t>(elapsed.count());
}
