#include "ui/ResizeLayout.h"

#include "winsys/Resource.h"

#include <algorithm>
#include <climits>

namespace {

// Table order. The first thirteen keep their vertical places; the list's
// bottom and the link count line follow the window's bottom edge.
const std::array<int, CResizeLayout::CONTROL_COUNT> CONTROL_IDS = {
    IDC_LOGO_LEFT,
    IDC_LOGO_RIGHT,
    IDC_RECURSIVE,
    IDC_EXPLORE_CGI,
    IDC_SHOW_ONLY_BAD,
    IDC_URL_LABEL,
    IDC_URL,
    IDC_GO,
    IDC_STOP,
    IDC_HEADER_REFERRER,
    IDC_HEADER_LINK,
    IDC_HEADER_STATUS,
    IDC_LINK_LIST,
    IDC_LINK_COUNT_LABEL,
    IDC_LINK_COUNT,
};

constexpr int LIST = 12;
constexpr int COUNT_LABEL = 13;
constexpr int COUNT_VALUE = 14;
constexpr int SHIFTED_COUNT = 13;

bool IsWidthScaled(int nID)
{
    return nID == IDC_URL || nID == IDC_HEADER_REFERRER || nID == IDC_HEADER_LINK || nID == IDC_HEADER_STATUS
        || nID == IDC_LINK_LIST;
}

// Toward zero: the controls' pixel positions, which the layout tests pin,
// come from truncating; a window of absurd size must not overflow the
// pixel type.
int Truncate(double dValue)
{
    return static_cast<int>(std::clamp(dValue, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

int ScaleLength(int nLength, int nInitialWidth, int nCurrentWidth)
{
    // Division first, then multiplication, both in double precision.
    return Truncate(static_cast<double>(nLength) / nInitialWidth * nCurrentWidth);
}

} // namespace

const std::array<int, CResizeLayout::CONTROL_COUNT>& CResizeLayout::GetControlIds()
{
    return CONTROL_IDS;
}

void CResizeLayout::Capture(const CRect& rcWindow, const CFrame& frame, const CControlRects& controls)
{
    if (m_bCaptured)
        return;
    m_rcInitial = rcWindow;
    m_frameInitial = frame;
    m_nCountBottomGap = rcWindow.bottom - controls[COUNT_LABEL].bottom;
    m_nListBottomGap = rcWindow.bottom - controls[LIST].bottom;
    for (int n = 0; n < CONTROL_COUNT; ++n) {
        const CRect& rc = controls[n];
        m_rcSaved[n]
            = {rc.left - rcWindow.left, rc.top - rcWindow.top, rc.right - rcWindow.left, rc.bottom - rcWindow.top};
    }
    m_bCaptured = true;
}

std::vector<CResizeLayout::CRect> CResizeLayout::Layout(
    const CRect& rcWindow, const CFrame& frame, int nClientHeight) const
{
    if (!m_bCaptured)
        return {};
    const CResizeLayout reference = Reframed(frame);
    const int nInitialWidth = reference.m_rcInitial.Width();
    const int nInitialHeight = reference.m_rcInitial.Height();
    std::vector<CRect> rects(reference.m_rcSaved.begin(), reference.m_rcSaved.end());
    // Strictly wider or taller; a window smaller than at the start keeps the
    // saved places. A window captured without width has nothing to scale by.
    if ((nInitialWidth < rcWindow.Width() || nInitialHeight < rcWindow.Height()) && nInitialWidth > 0) {
        for (int n = 0; n < CONTROL_COUNT; ++n)
            rects[n] = Scaled(rects[n], IsWidthScaled(CONTROL_IDS[n]), nInitialWidth, rcWindow.Width());
    }
    // The saved places count from the outer corner: take off the caption,
    // the menu bar and the frame.
    const int nShift = nClientHeight - rcWindow.Height();
    for (int n = 0; n < SHIFTED_COUNT; ++n) {
        rects[n].top += nShift;
        rects[n].bottom += nShift;
    }
    const int nClientBottom = nClientHeight;
    // No minimum window size: a list with no room left gets no height.
    rects[LIST].bottom = std::max(rects[LIST].top, nClientBottom - reference.m_nListBottomGap);
    // The value sits on the label's line, not on its own template bottom.
    for (int n : {COUNT_LABEL, COUNT_VALUE}) {
        const int nHeight = rects[n].Height();
        rects[n].bottom = nClientBottom - reference.m_nCountBottomGap;
        rects[n].top = rects[n].bottom - nHeight;
    }
    return rects;
}

CResizeLayout CResizeLayout::Reframed(const CFrame& frame) const
{
    // The capture as it would have been with today's frame. A window
    // manager frames a window after it opened, or changes the frame when it
    // maximises; without this the frame's growth would count as the window
    // growing, and the caption's height would lift every control.
    CResizeLayout reference = *this;
    const int nLeft = frame.left - m_frameInitial.left;
    const int nTop = frame.top - m_frameInitial.top;
    const int nRight = frame.right - m_frameInitial.right;
    const int nBottom = frame.bottom - m_frameInitial.bottom;
    reference.m_rcInitial
        = {m_rcInitial.left - nLeft, m_rcInitial.top - nTop, m_rcInitial.right + nRight, m_rcInitial.bottom + nBottom};
    reference.m_frameInitial = frame;
    for (CRect& rc : reference.m_rcSaved)
        rc = {rc.left + nLeft, rc.top + nTop, rc.right + nLeft, rc.bottom + nTop};
    reference.m_nListBottomGap += nBottom;
    reference.m_nCountBottomGap += nBottom;
    return reference;
}

CResizeLayout::CRect CResizeLayout::Scaled(const CRect& rcSaved, bool bScaleWidth, int nInitialWidth, int nCurrentWidth)
{
    const int nLeft = ScaleLength(rcSaved.left, nInitialWidth, nCurrentWidth);
    const int nWidth = bScaleWidth ? ScaleLength(rcSaved.Width(), nInitialWidth, nCurrentWidth) : rcSaved.Width();
    const long long nRight = static_cast<long long>(nLeft) + nWidth;
    return {nLeft, rcSaved.top, static_cast<int>(std::min<long long>(nRight, INT_MAX)), rcSaved.bottom};
}
