#pragma once

#include <QFont>
#include <QRect>

/// Converts dialog units to pixels from a dialog font's metrics: a
/// horizontal unit is a quarter of the average character width, a vertical
/// unit an eighth of the character height.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);

    /// A rectangle given in dialog units, in pixels.
    QRect MapDialogRect(int x, int y, int cx, int cy) const;
    int MapX(int nUnits) const;
    int MapY(int nUnits) const;

private:
    int m_nBaseX = 1;
    int m_nBaseY = 1;
};
