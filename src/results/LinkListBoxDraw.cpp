#include "results/DrawItemStruct.h"
#include "results/LinkListBox.h"

#include "link/Link.h"
#include "winsys/WindowSystem.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int COLUMN_MARGIN = 5;
constexpr int STATUS_LENGTH = 20;
const QString ELLIPSIS = QStringLiteral("...");
const QString NO_REFERRER = QStringLiteral("n/a");

} // namespace

void CLinkListBox::DrawItem(const CDrawItemStruct& item)
{
    if (!item.pDC)
        return;
    QPainter& dc = *item.pDC;
    if (item.nItemAction & ODA_FOCUS) {
        DrawFocusRect(dc, item.rcItem);
        return;
    }
    const bool bSelected
        = (item.nItemAction & ODA_SELECT) ? (item.nItemState & ODS_SELECTED) != 0 : IsRowSelected(item.nItemID);
    const QPalette& pal = palette();
    dc.fillRect(item.rcItem, CWindowSystem::GetSysColor(pal, bSelected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    dc.setPen(CWindowSystem::GetSysColor(pal, bSelected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    dc.setBackgroundMode(Qt::TransparentMode);

    QRect rc = item.rcItem;
    m_nItemHeight = rc.height();
    const CLink* pLink = item.pItemData;
    if (!pLink)
        return;
    int nReferrerLeft = 0;
    int nLinkLeft = 0;
    int nStatusLeft = 0;
    GetColumnLefts(nReferrerLeft, nLinkLeft, nStatusLeft);

    QString strText = GetReferrerText(*pLink);
    FitText(dc.fontMetrics(), strText, m_rcReferrer.width() - COLUMN_MARGIN, false);
    DrawColumn(dc, rc, nReferrerLeft, strText);

    strText = GetLinkText(*pLink);
    FitText(dc.fontMetrics(), strText, m_rcLink.width() - COLUMN_MARGIN, true);
    DrawColumn(dc, rc, nLinkLeft, strText);

    strText = GetShownStatusText(*pLink);
    const SRowMark mark = GetMark(*pLink);
    int nStatusRoom = m_rcStatus.width() - COLUMN_MARGIN;
    if (mark.bMarked)
        DrawMark(dc, rc, nStatusLeft, nStatusRoom, mark, bSelected);
    FitText(dc.fontMetrics(), strText, nStatusRoom, false);
    DrawColumn(dc, rc, nStatusLeft, strText);
}

void CLinkListBox::DrawMark(
    QPainter& dc, const QRect& rc, int& nLeft, int& nRoom, const SRowMark& mark, bool bSelected) const
{
    // The icon says it without colour; on the highlight the text keeps the
    // highlight's colour, which the mark's might not stand out from.
    const int nIcon = qMax(1, rc.height() - 2);
    mark.icon.paint(&dc, QRect(nLeft, rc.top() + (rc.height() - nIcon) / 2, nIcon, nIcon));
    nLeft += nIcon + 2;
    nRoom -= nIcon + 2;
    if (!bSelected)
        dc.setPen(mark.textColor);
}

void CLinkListBox::FitText(const QFontMetrics& dc, QString& strText, int nRoom, bool bKeepEnd)
{
    if (nRoom >= dc.horizontalAdvance(strText))
        return;
    const int nEllipsis = dc.horizontalAdvance(ELLIPSIS);
    nRoom -= nEllipsis;
    const qsizetype nLength = strText.size();
    qsizetype nKept = nLength > 0 ? 1 : 0;
    if (!bKeepEnd) {
        // The beginning reserves the ellipsis twice: where the list cuts a
        // text depends on it, and the row-drawing tests pin those cuts.
        nRoom -= nEllipsis;
        while (nKept < nLength && dc.horizontalAdvance(strText.left(nKept)) < nRoom)
            ++nKept;
        if (nKept > 0 && dc.horizontalAdvance(strText.left(nKept)) > nRoom)
            --nKept;
        strText = strText.left(nKept) + ELLIPSIS;
        return;
    }
    while (nKept < nLength && dc.horizontalAdvance(strText.right(nKept)) < nRoom)
        ++nKept;
    if (nKept > 0 && dc.horizontalAdvance(strText.right(nKept)) > nRoom)
        --nKept;
    strText = ELLIPSIS + strText.right(nKept);
}

QString CLinkListBox::GetReferrerText(const CLink& link)
{
    const CLink* pReferrer = link.GetReferrer();
    return pReferrer ? CWindowSystem::ToQString(pReferrer->GetRequestPath()) : NO_REFERRER;
}

QString CLinkListBox::GetLinkText(const CLink& link) const
{
    return m_pStyle->GetLinkText(link, m_strSiteHost);
}

QString CLinkListBox::GetStatusColumnText(const CLink& link)
{
    QString strStatus = CWindowSystem::ToQString(link.GetStatusText());
    if (strStatus.size() > STATUS_LENGTH)
        strStatus.truncate(STATUS_LENGTH);
    return strStatus;
}

QString CLinkListBox::GetShownStatusText(const CLink& link) const
{
    const auto it = m_waiting.find(&link);
    if (it == m_waiting.end())
        return GetStatusColumnText(link);
    return QString("Waiting %1 s (server asked)").arg(it->second);
}

void CLinkListBox::GetColumnLefts(int& nReferrer, int& nLink, int& nStatus) const
{
    const int nListLeft = m_rcListAtHeaders.left();
    nReferrer = qMax(0, m_rcReferrer.left() - nListLeft);
    nLink = m_rcLink.left() - nListLeft;
    nStatus = m_rcStatus.left() - nListLeft;
}

void CLinkListBox::DrawColumn(QPainter& dc, QRect& rc, int nLeft, const QString& strText) const
{
    // The row keeps its top, bottom and right edge; only the left edge moves,
    // so a long text runs on under the next column's.
    rc.setLeft(nLeft);
    if (rc.width() <= 0)
        return;
    dc.drawText(rc, Qt::AlignLeft | Qt::AlignTop | Qt::TextShowMnemonic, strText);
}

void CLinkListBox::DrawFocusRect(QPainter& dc, const QRect& rc) const
{
    // Inverted dots, so a second drawing takes the rectangle away again.
    dc.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    QPen pen(Qt::white, 0, Qt::DotLine);
    dc.setPen(pen);
    dc.setBrush(Qt::NoBrush);
    dc.drawRect(rc.adjusted(0, 0, -1, -1));
}
