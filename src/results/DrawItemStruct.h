#pragma once

#include <QRect>

class CLink;
class QPainter;

// What a row drawing is asked for.
constexpr unsigned ODA_DRAWENTIRE = 0x0001;
constexpr unsigned ODA_SELECT = 0x0002;
constexpr unsigned ODA_FOCUS = 0x0004;

// The row's state at that moment.
constexpr unsigned ODS_SELECTED = 0x0001;
constexpr unsigned ODS_FOCUS = 0x0010;

/// The description of one row to draw: the action, the row's state, its
/// index, where to paint, its rectangle there and its record.
struct CDrawItemStruct {
    unsigned nItemAction = ODA_DRAWENTIRE;
    unsigned nItemState = 0;
    int nItemID = -1;
    QPainter* pDC = nullptr;
    QRect rcItem;
    CLink* pItemData = nullptr;
};
