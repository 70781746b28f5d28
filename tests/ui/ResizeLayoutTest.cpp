// The resizable layout's arithmetic, without a window.

#include "ui/ResizeLayout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <vector>

using CRect = CResizeLayout::CRect;
using CFrame = CResizeLayout::CFrame;

void PrintTo(const CRect& rc, std::ostream* pOut)
{
    *pOut << "{" << rc.left << ", " << rc.top << ", " << rc.right << ", " << rc.bottom << "}";
}

namespace {

constexpr int MENU_HEIGHT = 20;
constexpr int LIST = 12;
constexpr int COUNT_LABEL = 13;
constexpr int COUNT_VALUE = 14;

// Client-area places in table order: pictures, check boxes, URL label, URL
// box, Go, Stop, the three headers, the list, the count label and value.
const CResizeLayout::CControlRects CLIENT_PLACES = {{
    {12, 11, 94, 49},
    {582, 13, 700, 49},
    {200, 21, 370, 40},
    {200, 44, 328, 63},
    {369, 44, 521, 63},
    {37, 75, 137, 91},
    {37, 72, 552, 94},
    {592, 73, 646, 92},
    {663, 73, 717, 92},
    {9, 106, 207, 125},
    {205, 106, 546, 125},
    {544, 106, 717, 125},
    {9, 130, 719, 314},
    {14, 316, 87, 335},
    {89, 316, 156, 329},
}};

CRect Offset(const CRect& rc, int nX, int nY)
{
    return {rc.left + nX, rc.top + nY, rc.right + nX, rc.bottom + nY};
}

CRect Grown(const CRect& rc, const CFrame& frame)
{
    return {rc.left - frame.left, rc.top - frame.top, rc.right + frame.right, rc.bottom + frame.bottom};
}

// A window whose drawn part (menu bar and client area) is rcInner, with the
// controls at their client places, captured with the frame it has then.
CResizeLayout Captured(
    const CRect& rcInner, const CFrame& frame, const CResizeLayout::CControlRects& places = CLIENT_PLACES)
{
    CResizeLayout::CControlRects screen;
    for (int n = 0; n < CResizeLayout::CONTROL_COUNT; ++n)
        screen[n] = Offset(places[n], rcInner.left, rcInner.top + MENU_HEIGHT);
    CResizeLayout layout;
    layout.Capture(Grown(rcInner, frame), frame, screen);
    return layout;
}

std::vector<CRect> LayOut(const CResizeLayout& layout, const CRect& rcInner, const CFrame& frame)
{
    return layout.Layout(Grown(rcInner, frame), frame, rcInner.Height() - MENU_HEIGHT);
}

const CRect START = {100, 50, 840, 450}; // 740 x 400, client 740 x 380
const CFrame NO_FRAME;
const CFrame FRAME = {3, 25, 3, 4};

} // namespace

TEST(ResizeLayout, NothingBeforeTheCapture)
{
    // Size messages come while the window is being built.
    CResizeLayout layout;
    EXPECT_FALSE(layout.IsCaptured());
    EXPECT_TRUE(layout.Layout(START, NO_FRAME, 380).empty());
    EXPECT_TRUE(Captured(START, NO_FRAME).IsCaptured());
}

TEST(ResizeLayout, AtTheStartSizeNothingIsScaled)
{
    const std::vector<CRect> rects = LayOut(Captured(START, NO_FRAME), START, NO_FRAME);
    ASSERT_EQ(rects.size(), 15u);
    for (int n = 0; n < COUNT_VALUE; ++n) {
        SCOPED_TRACE(n);
        EXPECT_EQ(rects[n], CLIENT_PLACES[n]);
    }
    // The value ends 4 pixels above its label in the template; it sits on
    // the label's line from the first layout on.
    EXPECT_EQ(rects[COUNT_VALUE], (CRect {89, 322, 156, 335}));
}

TEST(ResizeLayout, AFrameMovesEveryControlRightByItsLeftAndUpByItsBottom)
{
    for (bool bFramedLater : {false, true}) {
        // Regression: a window manager that frames the window after it
        // opened made the opening size look wider, so every control was
        // scaled, and lifted every control by the caption's height.
        SCOPED_TRACE(bFramedLater ? "framed after the capture" : "framed at the capture");
        const CResizeLayout layout = Captured(START, bFramedLater ? NO_FRAME : FRAME);
        const std::vector<CRect> rects = LayOut(layout, START, FRAME);
        ASSERT_EQ(rects.size(), 15u);
        for (int n = 0; n < COUNT_LABEL; ++n)
            EXPECT_EQ(rects[n], Offset(CLIENT_PLACES[n], FRAME.left, -FRAME.bottom)) << n;
        EXPECT_EQ(rects[COUNT_LABEL], Offset(CLIENT_PLACES[COUNT_LABEL], FRAME.left, -FRAME.bottom));
    }
}

TEST(ResizeLayout, WiderScalesLeftEdgesAndSomeWidths)
{
    // The worked example: 640 wide at the start, 1000 now; a saved left edge
    // of 37 and a width of 100.
    CResizeLayout::CControlRects places = CLIENT_PLACES;
    places[0] = {37, 11, 137, 49}; // the left picture keeps its width
    places[6] = {37, 72, 137, 94}; // the URL box scales it
    const CRect rcStart = {0, 0, 640, 400};
    const CResizeLayout layout = Captured(rcStart, NO_FRAME, places);
    const std::vector<CRect> rects = LayOut(layout, {0, 0, 1000, 400}, NO_FRAME);
    ASSERT_EQ(rects.size(), 15u);
    EXPECT_EQ(rects[0], (CRect {57, 11, 157, 49}));
    EXPECT_EQ(rects[6], (CRect {57, 72, 213, 94}));
    // The list: left 9 -> 14, width 710 -> 1109; its top stays, its bottom
    // keeps the gap to the window's bottom.
    EXPECT_EQ(rects[LIST], (CRect {14, 130, 1123, 314}));
    // Go keeps its width: 592 -> 925.
    EXPECT_EQ(rects[7], (CRect {925, 73, 979, 92}));
    EXPECT_EQ(rects[COUNT_LABEL], (CRect {21, 316, 94, 335}));
}

TEST(ResizeLayout, TallerButNarrowerStillScalesByTheWidth)
{
    // 740 -> 700 wide, 400 -> 500 high: left edges and scaled widths shrink.
    const std::vector<CRect> rects = LayOut(Captured(START, NO_FRAME), {100, 50, 800, 550}, NO_FRAME);
    ASSERT_EQ(rects.size(), 15u);
    EXPECT_EQ(rects[6], (CRect {35, 72, 522, 94})); // 37 -> 35, width 515 -> 487
    EXPECT_EQ(rects[7], (CRect {560, 73, 614, 92})); // 592 -> 560, width kept
    EXPECT_EQ(rects[LIST], (CRect {8, 130, 679, 414})); // its bottom 100 lower
    EXPECT_EQ(rects[COUNT_VALUE], (CRect {84, 422, 151, 435}));
}

TEST(ResizeLayout, SmallerKeepsThePlacesAndMovesTheBottomLineUp)
{
    const std::vector<CRect> rects = LayOut(Captured(START, NO_FRAME), {100, 50, 500, 350}, NO_FRAME);
    ASSERT_EQ(rects.size(), 15u);
    for (int n = 0; n < LIST; ++n)
        EXPECT_EQ(rects[n], CLIENT_PLACES[n]) << n;
    EXPECT_EQ(rects[LIST], (CRect {9, 130, 719, 214}));
    EXPECT_EQ(rects[COUNT_LABEL], (CRect {14, 216, 87, 235}));
    EXPECT_EQ(rects[COUNT_VALUE], (CRect {89, 222, 156, 235}));
}

TEST(ResizeLayout, AListWithNoRoomGetsNoHeight)
{
    for (int nHeight : {300, 216, 200, 60, 0}) {
        SCOPED_TRACE(nHeight);
        const std::vector<CRect> rects = LayOut(Captured(START, NO_FRAME), {100, 50, 840, 50 + nHeight}, NO_FRAME);
        ASSERT_EQ(rects.size(), 15u);
        EXPECT_EQ(rects[LIST].top, 130);
        EXPECT_EQ(rects[LIST].Height(), std::max(0, nHeight - 400 + 314 - 130));
    }
}

TEST(ResizeLayout, TheFirstCaptureStaysTheReference)
{
    CResizeLayout layout = Captured(START, NO_FRAME);
    CResizeLayout::CControlRects screen {};
    layout.Capture({0, 0, 100, 100}, NO_FRAME, screen);
    EXPECT_EQ(LayOut(layout, START, NO_FRAME)[6], CLIENT_PLACES[6]);
}

TEST(ResizeLayout, AWindowOfAbsurdSizeDoesNotOverflow)
{
    const CResizeLayout layout = Captured({0, 0, 1, 100}, NO_FRAME);
    const std::vector<CRect> rects = LayOut(layout, {0, 0, 16777215, 100}, NO_FRAME);
    ASSERT_EQ(rects.size(), 15u);
    for (const CRect& rc : rects) {
        EXPECT_GE(rc.left, 0);
        EXPECT_GE(rc.right, rc.left);
    }
}
