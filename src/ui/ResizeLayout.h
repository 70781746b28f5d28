#pragma once

#include <array>
#include <vector>

/// The main dialog's layout on resizing, as arithmetic over rectangles: the
/// controls' places captured when the dialog opened, and where each goes for
/// a later window size. Knows no window; the dialog measures and moves.
class CResizeLayout {
public:
    /// A rectangle in pixels, right and bottom edges exclusive.
    struct CRect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;

        int Width() const { return right - left; }
        int Height() const { return bottom - top; }
        bool operator==(const CRect& other) const = default;
    };

    /// The window frame's thickness on each side, around the part the
    /// program draws (menu bar and client area).
    struct CFrame {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;

        bool operator==(const CFrame& other) const = default;
    };

    static constexpr int CONTROL_COUNT = 15;
    using CControlRects = std::array<CRect, CONTROL_COUNT>;

    /// The controls' ids in the order they are captured, scaled and moved.
    static const std::array<int, CONTROL_COUNT>& GetControlIds();

    /// Records the reference layout: the window rectangle and its frame, and
    /// each control's rectangle in table order, all in screen coordinates.
    /// A later capture replaces nothing: the first one is the reference.
    void Capture(const CRect& rcWindow, const CFrame& frame, const CControlRects& controls);
    bool IsCaptured() const { return m_bCaptured; }

    /// Each control's new rectangle in client coordinates, in table order,
    /// for a window rectangle (screen), its frame and the client area's
    /// height. Empty before the capture.
    std::vector<CRect> Layout(const CRect& rcWindow, const CFrame& frame, int nClientHeight) const;

private:
    CResizeLayout Reframed(const CFrame& frame) const;
    static CRect Scaled(const CRect& rcSaved, bool bScaleWidth, int nInitialWidth, int nCurrentWidth);

    bool m_bCaptured = false;
    CRect m_rcInitial;
    CFrame m_frameInitial;
    CControlRects m_rcSaved {};
    int m_nListBottomGap = 0;
    int m_nCountBottomGap = 0;
};
