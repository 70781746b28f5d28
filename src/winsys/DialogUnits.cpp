#include "winsys/DialogUnits.h"

#include <QFontMetrics>

namespace {

// n * nNumerator / nDenominator rounded to the nearest integer, halves away
// from zero: every control's size in pixels, which the layout tests pin,
// comes from this rounding.
int MulDiv(int n, int nNumerator, int nDenominator)
{
    const long long nProduct = static_cast<long long>(n) * nNumerator;
    const long long nHalf = nDenominator / 2;
    const long long nRounded = nProduct >= 0 ? (nProduct + nHalf) / nDenominator : (nProduct - nHalf) / nDenominator;
    return static_cast<int>(nRounded);
}

} // namespace

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded: the classic base unit.
    const int nLetters
        = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_nBaseX = qMax(1, (nLetters / 26 + 1) / 2);
    m_nBaseY = qMax(1, metrics.height());
}

QRect CDialogUnits::MapDialogRect(int x, int y, int cx, int cy) const
{
    const int nLeft = MapX(x);
    const int nTop = MapY(y);
    return QRect(nLeft, nTop, MapX(x + cx) - nLeft, MapY(y + cy) - nTop);
}

int CDialogUnits::MapX(int nUnits) const
{
    return MulDiv(nUnits, m_nBaseX, 4);
}

int CDialogUnits::MapY(int nUnits) const
{
    return MulDiv(nUnits, m_nBaseY, 8);
}
