#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

/// How a row's Status cell says that its link is not ok: a text colour
/// readable on the list's base colour, an icon for those who do not see
/// colour, and the verdict's name for the tooltip and screen readers.
/// Unmarked rows are drawn as any other.
struct SRowMark {
    bool bMarked = false;
    QColor textColor;
    QIcon icon;
    QString strName;
};
