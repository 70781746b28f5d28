#include "net/RateWindow.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace std::chrono_literals;

// At a moment after the start: bytes that came in since the last step, and
// whether the window is then below 16 bytes a second over 1000 ms.
struct CStep {
    long nAtMs;
    std::size_t nBytes;
    bool bBelow;
};

struct CCase {
    const char* pszName;
    bool bRestart;
    std::vector<CStep> steps;
};

} // namespace

TEST(RateWindow, JudgesTheAverageOverTheLastWindowOnly)
{
    const std::vector<CCase> cases = {
        {"never opened: never judged", false, {{0, 0, false}, {5000, 0, false}}},
        {"silent: judged once a whole window has passed", true, {{0, 0, false}, {999, 0, false}, {1000, 0, true}}},
        {"fifteen bytes a second is below", true, {{500, 8, false}, {1000, 7, true}}},
        {"sixteen bytes a second is enough", true, {{500, 8, false}, {1000, 8, false}}},
        {"one burst carries a window, not the next", true,
            {{0, 100000, false}, {1000, 0, false}, {1500, 0, false}, {2000, 0, true}}},
        {"a steady trickle is below in every window", true,
            {{250, 2, false}, {500, 2, false}, {750, 2, false}, {1000, 2, true}, {1250, 2, true}, {3000, 14, true}}},
        {"a steady flow is never below", true,
            {{250, 5, false}, {500, 5, false}, {1000, 10, false}, {4000, 60, false}}},
    };
    for (const CCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const CRateWindow::Clock::time_point start {};
        CRateWindow window;
        if (c.bRestart)
            window.Restart(start);
        for (const CStep& step : c.steps) {
            SCOPED_TRACE(step.nAtMs);
            window.AddBytes(step.nBytes);
            EXPECT_EQ(window.IsBelow(start + std::chrono::milliseconds(step.nAtMs), 1000, 16), step.bBelow);
        }
    }
}

TEST(RateWindow, RestartForgetsThePause)
{
    // A transfer paused for its reader receives nothing meanwhile; taken up
    // again, it gets a whole window before it is judged.
    const CRateWindow::Clock::time_point start {};
    CRateWindow window;
    window.Restart(start);
    window.AddBytes(1000);
    EXPECT_FALSE(window.IsBelow(start + 100ms, 1000, 16));
    window.Restart(start + 5s);
    EXPECT_FALSE(window.IsBelow(start + 5s + 999ms, 1000, 16));
    EXPECT_TRUE(window.IsBelow(start + 6s, 1000, 16));
}
