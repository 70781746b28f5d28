#include "results/LinkListBox.h"

#include "link/Link.h"
#include "link/LinkArray.h"
#include "results/ClassicRowStyle.h"
#include "results/LinkRowDelegate.h"

#include <QFontMetrics>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QScrollBar>

namespace {

constexpr int SCROLL_INTERVAL_MS = 16; // one frame at 60 Hz

} // namespace

CLinkListBox::CLinkListBox(QWidget* pParent)
    : QListView(pParent)
    , m_pStyle(std::make_unique<CClassicRowStyle>())
    , m_pDelegate(new CLinkRowDelegate(this))
{
    m_model.SetDescriber([this](const CLink& link) { return GetMark(link).strName; });
    setModel(&m_model);
    setItemDelegate(m_pDelegate);
    // One row height for all rows keeps a list of 100,000 rows cheap to lay out.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_timerScroll.setSingleShot(true);
    m_timerScroll.setInterval(SCROLL_INTERVAL_MS);
    connect(&m_timerScroll, &QTimer::timeout, this, &CLinkListBox::ApplyPendingScroll);
}

CLinkListBox::~CLinkListBox()
{
    // The model is a member and goes before the view's base class does.
    setModel(nullptr);
}

void CLinkListBox::SetHeaderRects(const QRect& rcReferrer, const QRect& rcLink, const QRect& rcStatus)
{
    m_rcReferrer = rcReferrer;
    m_rcLink = rcLink;
    m_rcStatus = rcStatus;
    m_rcListAtHeaders = QRect(mapToGlobal(QPoint(0, 0)), size());
}

void CLinkListBox::SetSiteHost(const std::string& strHost)
{
    m_strSiteHost = strHost;
}

bool CLinkListBox::ResetList()
{
    m_pLinkArray = nullptr;
    m_waiting.clear();
    m_nPendingTop = -1;
    m_model.RemoveAll();
    return true;
}

bool CLinkListBox::SetShowOnlyBad(bool bOnlyBad)
{
    if (bOnlyBad == m_bOnlyBad || m_bCrawling)
        return m_bOnlyBad;
    m_bOnlyBad = bOnlyBad;
    if (m_pLinkArray) {
        SetRedraw(false);
        m_nPendingTop = -1;
        m_model.RemoveAll();
        AddRange(1, m_pLinkArray->GetSize());
        SetRedraw(true);
    }
    return m_bOnlyBad;
}

void CLinkListBox::SetCrawling(bool bCrawling)
{
    m_bCrawling = bCrawling;
}

void CLinkListBox::SetRowStyle(std::unique_ptr<CRowStyle> pStyle)
{
    m_pStyle = pStyle ? std::move(pStyle) : std::make_unique<CClassicRowStyle>();
    viewport()->update();
}

SRowMark CLinkListBox::GetMark(const CLink& link) const
{
    return m_pStyle->GetMark(link, palette());
}

void CLinkListBox::SetLinks(CLinkArray* pLinks)
{
    ResetList();
    m_pLinkArray = pLinks;
    if (m_bOnlyBad || !pLinks)
        return;
    SetRedraw(false);
    AddRange(1, pLinks->GetSize());
    SetRedraw(true);
    viewport()->update();
}

void CLinkListBox::AddNewLinks(CLinkArray* pLinks)
{
    m_pLinkArray = pLinks;
    // Under the filter only LinkChecked adds rows: a link is bad once checked.
    if (m_bOnlyBad || !pLinks)
        return;
    const int nFirstNew = GetRowCount();
    if (pLinks->GetSize() <= nFirstNew)
        return;
    SetRedraw(false);
    for (int nPos = nFirstNew + 1; nPos <= pLinks->GetSize(); ++nPos)
        AddRange(nPos, nPos);
    SetRedraw(true);
    SetTopIndex(nFirstNew);
    emit LinksChanged();
}

void CLinkListBox::LinkWaiting(int nPos, int nSeconds)
{
    const CLink* pLink = m_pLinkArray ? m_pLinkArray->GetAt(nPos) : nullptr;
    if (!pLink)
        return;
    m_waiting[pLink] = nSeconds;
    const int nRow = m_model.FindRow(pLink);
    if (nRow >= 0)
        RedrawRow(nRow);
}

void CLinkListBox::LinkChecked(int nPos)
{
    if (!m_waiting.empty() && m_pLinkArray)
        m_waiting.erase(m_pLinkArray->GetAt(nPos));
    emit LinksChanged();
    if (!m_bOnlyBad) {
        if (nPos - 1 >= 0)
            RedrawRow(nPos - 1);
        return;
    }
    CLink* pLink = m_pLinkArray ? m_pLinkArray->GetAt(nPos) : nullptr;
    if (!pLink)
        return;
    const int nRow = m_model.FindRow(pLink);
    if (nRow >= 0) {
        RedrawRow(nRow);
        return;
    }
    if (pLink->HasGoodStatus())
        return;
    SetRedraw(false);
    AddRow(pLink);
    SetRedraw(true);
    RedrawRow(GetRowCount() - 1);
}

void CLinkListBox::RedrawRow(int nRow)
{
    const CLink* pLink = m_model.GetAt(nRow);
    if (!pLink || (m_bOnlyBad && pLink->HasGoodStatus()))
        return;
    if (m_nItemHeight == 0) {
        SetRedraw(true);
        viewport()->update();
        return;
    }
    const int nTop = GetTopIndex();
    const int nVisible = viewport()->height() / m_nItemHeight;
    const int nLast = nTop + nVisible - 1;
    if (nRow < nTop) {
        ScrollSoon(nRow);
    } else if (nRow > nLast) {
        ScrollSoon(nRow - nVisible + 1);
    } else if (m_nPendingTop < 0) {
        const int nRowTop = (nRow - nTop) * m_nItemHeight;
        viewport()->update(QRect(0, nRowTop, viewport()->width(), m_nItemHeight));
    }
}

void CLinkListBox::ScrollSoon(int nTop)
{
    // Each check at the bottom scrolls by one row and so repaints the whole
    // list: scrolling at most once a frame keeps a long crawl from spending
    // its time painting.
    m_nPendingTop = nTop;
    if (!m_timerScroll.isActive())
        m_timerScroll.start();
}

void CLinkListBox::ApplyPendingScroll()
{
    if (m_nPendingTop < 0)
        return;
    const int nTop = m_nPendingTop;
    m_nPendingTop = -1;
    SetTopIndex(nTop);
    viewport()->update();
}

void CLinkListBox::AddRow(CLink* pLink)
{
    m_model.AddRow(pLink);
}

void CLinkListBox::AddRange(int nFirst, int nLast)
{
    if (!m_pLinkArray)
        return;
    for (int nPos = nFirst; nPos <= nLast; ++nPos) {
        CLink* pLink = m_pLinkArray->GetAt(nPos);
        if (pLink && (!m_bOnlyBad || !pLink->HasGoodStatus()))
            AddRow(pLink);
    }
}

CLink* CLinkListBox::GetSelectedLink() const
{
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : GetLinkAt(rows.first().row());
}

int CLinkListBox::GetRowCount() const
{
    return m_model.GetCount();
}

CLink* CLinkListBox::GetLinkAt(int nRow) const
{
    return m_model.GetAt(nRow);
}

int CLinkListBox::GetTopIndex()
{
    if (m_nPendingTop >= 0)
        return m_nPendingTop;
    executeDelayedItemsLayout();
    const QModelIndex top = indexAt(QPoint(1, 1));
    return top.isValid() ? top.row() : 0;
}

void CLinkListBox::SetTopIndex(int nRow)
{
    m_nPendingTop = -1;
    m_timerScroll.stop();
    executeDelayedItemsLayout();
    if (nRow < 0 || nRow >= m_model.rowCount())
        return;
    scrollTo(m_model.index(nRow), QAbstractItemView::PositionAtTop);
}

int CLinkListBox::GetRowHeight() const
{
    return QFontMetrics(font()).height() + 2;
}

void CLinkListBox::SetRedraw(bool bRedraw)
{
    m_model.SetDeferred(!bRedraw);
    viewport()->setUpdatesEnabled(bRedraw);
}

bool CLinkListBox::IsRowSelected(int nRow) const
{
    return selectionModel()->isRowSelected(nRow, QModelIndex());
}

void CLinkListBox::keyPressEvent(QKeyEvent* pEvent)
{
    QListView::keyPressEvent(pEvent);
    switch (pEvent->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: break;
    default: return;
    }
    // A single-selection list box selects the row the focus lands on. The
    // view selects only when the focus moves, so a key that lands on the row
    // that already had the focus rectangle (the first row, after Tab into
    // the list) would select nothing, and Copy would copy nothing.
    const QModelIndex current = currentIndex();
    if (current.isValid() && !selectionModel()->isSelected(current))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}
