// The dialog's layout on resizing: what the window measures and moves for
// CResizeLayout's arithmetic.

#include "ui/CheckerDlg.h"

#include "winsys/Resource.h"
#include "winsys/WindowSystem.h"

#include <QLayout>
#include <QTimer>

namespace {

CResizeLayout::CRect ToLayoutRect(const QRect& rc)
{
    return {rc.x(), rc.y(), rc.x() + rc.width(), rc.y() + rc.height()};
}

QRect ToQRect(const CResizeLayout::CRect& rc)
{
    return QRect(rc.left, rc.top, rc.Width(), rc.Height());
}

} // namespace

void CCheckerDlg::CaptureLayout()
{
    // Measured as the window opens: styles applied, the menu bar in place
    // above the client area.
    ensurePolished();
    layout()->activate();
    const auto& ids = CResizeLayout::GetControlIds();
    CResizeLayout::CControlRects controls;
    for (std::size_t n = 0; n < ids.size(); ++n)
        controls[n] = ToLayoutRect(CWindowSystem::GetWindowRect(GetDlgItem(ids[n])));
    SetHeaderRects();
    m_layout.Capture(ToLayoutRect(CWindowSystem::GetWindowRect(this)), GetFrame(), controls);
}

void CCheckerDlg::OnSize()
{
    if (!m_layout.IsCaptured())
        return;
    m_frameLaidOut = GetFrame();
    const std::vector<CResizeLayout::CRect> rects
        = m_layout.Layout(ToLayoutRect(CWindowSystem::GetWindowRect(this)), m_frameLaidOut, m_wndClient.height());
    // The list repaints once, after everything moved.
    m_lbLinks.setUpdatesEnabled(false);
    const auto& ids = CResizeLayout::GetControlIds();
    for (std::size_t n = 0; n < ids.size() && n < rects.size(); ++n)
        LayoutTarget(ids[n])->setGeometry(ToQRect(rects[n]));
    PlaceModernControls();
    SetHeaderRects();
    m_lbLinks.setUpdatesEnabled(true);
}

void CCheckerDlg::moveEvent(QMoveEvent* pEvent)
{
    QDialog::moveEvent(pEvent);
    FollowFrame();
}

void CCheckerDlg::paintEvent(QPaintEvent* pEvent)
{
    QDialog::paintEvent(pEvent);
    // The first paint comes once the window manager has framed the window.
    FollowFrame();
}

void CCheckerDlg::FollowFrame()
{
    // A window manager frames the window after it is shown, without a size
    // change: lay out again for the frame now known, so that the first
    // resize does not make every control jump. Not inside a paint.
    if (!m_layout.IsCaptured() || GetFrame() == m_frameLaidOut)
        return;
    QTimer::singleShot(0, this, [this] {
        if (GetFrame() != m_frameLaidOut)
            OnSize();
    });
}

CResizeLayout::CFrame CCheckerDlg::GetFrame() const
{
    const QRect rcWindow = CWindowSystem::GetWindowRect(this);
    const QRect rcInner = geometry();
    return {rcInner.x() - rcWindow.x(), rcInner.y() - rcWindow.y(),
        rcWindow.x() + rcWindow.width() - rcInner.x() - rcInner.width(),
        rcWindow.y() + rcWindow.height() - rcInner.y() - rcInner.height()};
}

void CCheckerDlg::SetHeaderRects()
{
    // The list places its columns under the headers from these.
    m_lbLinks.SetHeaderRects(CWindowSystem::GetWindowRect(GetDlgItem(IDC_HEADER_REFERRER)),
        CWindowSystem::GetWindowRect(GetDlgItem(IDC_HEADER_LINK)),
        CWindowSystem::GetWindowRect(GetDlgItem(IDC_HEADER_STATUS)));
}
