#include "results/LinkRowDelegate.h"

#include "results/DrawItemStruct.h"
#include "results/LinkListBox.h"

#include <QFontMetrics>
#include <QPainter>

CLinkRowDelegate::CLinkRowDelegate(CLinkListBox* pListBox)
    : QStyledItemDelegate(pListBox)
    , m_pListBox(pListBox)
{
}

void CLinkRowDelegate::paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    CDrawItemStruct item;
    item.nItemAction = ODA_DRAWENTIRE;
    item.nItemID = index.row();
    item.pDC = pPainter;
    item.rcItem = option.rect;
    item.pItemData = m_pListBox->GetLinkAt(index.row());
    if (option.state & QStyle::State_Selected)
        item.nItemState |= ODS_SELECTED;
    pPainter->save();
    m_pListBox->DrawItem(item);
    pPainter->restore();
    // The caret row gets its focus rectangle as a drawing of its own, after
    // the row, as the row drawing expects.
    if ((option.state & QStyle::State_HasFocus) && m_pListBox->hasFocus()) {
        item.nItemAction = ODA_FOCUS;
        item.nItemState |= ODS_FOCUS;
        pPainter->save();
        m_pListBox->DrawItem(item);
        pPainter->restore();
    }
}

QSize CLinkRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    (void)option;
    (void)index;
    // Width 1: the view stretches every row across its viewport.
    return QSize(1, m_pListBox->GetRowHeight());
}
