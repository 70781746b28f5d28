#pragma once

#include <QStyledItemDelegate>

class CLinkListBox;

/// Hands every row the view paints to the list box's own row drawing, and
/// gives all rows one height from the list's font.
class CLinkRowDelegate : public QStyledItemDelegate {
    Q_OBJECT

public:
    explicit CLinkRowDelegate(CLinkListBox* pListBox);

    void paint(QPainter* pPainter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CLinkListBox* m_pListBox;
};
