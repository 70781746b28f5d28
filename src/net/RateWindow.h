#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <utility>

/// The bytes one transfer received over its latest window of time, so that
/// a server that keeps a transfer alive with a trickle of bytes can be told
/// from one that sends at a usable rate. Keeps a bounded number of samples.
class CRateWindow {
public:
    using Clock = std::chrono::steady_clock;

    /// Samples per window: the window judged spans between one and
    /// 1 + 1/SAMPLES times its length.
    static constexpr long SAMPLES = 16;

    /// Counts bytes received.
    void AddBytes(std::size_t nBytes) { m_nTotal += nBytes; }
    /// Forgets what came before now: a window opens here (connected, or the
    /// reader took up a paused transfer again).
    void Restart(Clock::time_point now);
    /// True when the window has been open for at least nWindowMs and fewer
    /// than nMinPerSecond bytes a second, on average, came in over the last
    /// nWindowMs. Samples the count as it goes; call it as time passes.
    bool IsBelow(Clock::time_point now, long nWindowMs, std::size_t nMinPerSecond);

private:
    std::deque<std::pair<Clock::time_point, std::uint64_t>> m_samples;
    std::uint64_t m_nTotal = 0;
};
