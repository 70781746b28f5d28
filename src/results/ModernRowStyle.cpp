#include "results/ModernRowStyle.h"

#include "link/Link.h"
#include "link/Verdict.h"
#include "winsys/WindowSystem.h"

#include <QApplication>
#include <QPalette>
#include <QStyle>

#include <cstdlib>

namespace {

// Mixed towards the palette's text colour until it stands out from the base
// as well as the text does by half: a dark theme gets a light red.
QColor Readable(QColor color, const QPalette& palette)
{
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const auto Distance = [](const QColor& a, const QColor& b) { return std::abs(a.lightness() - b.lightness()); };
    const int nWanted = Distance(text, base) / 2;
    for (int nStep = 0; nStep < 4 && Distance(color, base) < nWanted; ++nStep) {
        color = QColor(
            (color.red() + text.red()) / 2, (color.green() + text.green()) / 2, (color.blue() + text.blue()) / 2);
    }
    return color;
}

QIcon StandardIcon(QStyle::StandardPixmap ePixmap)
{
    QStyle* pStyle = QApplication::style();
    return pStyle ? pStyle->standardIcon(ePixmap) : QIcon();
}

} // namespace

CModernRowStyle::CModernRowStyle(const CLink& startPage)
    : m_strScheme(startPage.GetScheme())
    , m_strHost(startPage.GetHost())
    , m_nPort(startPage.GetPort())
{
}

QString CModernRowStyle::GetLinkText(const CLink& link, const std::string& strSiteHost) const
{
    (void)strSiteHost;
    if (link.GetScheme() == m_strScheme && link.GetHost() == m_strHost && link.GetPort() == m_nPort)
        return CWindowSystem::ToQString(link.GetRequestPath());
    return CWindowSystem::ToQString(link.GetFullURL());
}

SRowMark CModernRowStyle::GetMark(const CLink& link, const QPalette& palette) const
{
    const EVerdict eVerdict = link.GetVerdict();
    if (eVerdict == EVerdict::OK || eVerdict == EVerdict::NONE)
        return SRowMark();
    if (palette.cacheKey() != m_nPaletteKey) {
        m_nPaletteKey = palette.cacheKey();
        m_broken = MarkOf(EVerdict::BROKEN, palette);
        m_blocked = MarkOf(EVerdict::BLOCKED, palette);
        m_transient = MarkOf(EVerdict::TRANSIENT, palette);
    }
    return eVerdict == EVerdict::BROKEN ? m_broken : eVerdict == EVerdict::BLOCKED ? m_blocked : m_transient;
}

SRowMark CModernRowStyle::MarkOf(EVerdict eVerdict, const QPalette& palette)
{
    SRowMark mark;
    switch (eVerdict) {
    case EVerdict::BROKEN:
        mark.textColor = Readable(QColor(0xc0, 0x00, 0x00), palette);
        mark.icon = StandardIcon(QStyle::SP_MessageBoxCritical);
        break;
    case EVerdict::BLOCKED:
    case EVerdict::TRANSIENT:
        mark.textColor = Readable(QColor(0xb0, 0x6a, 0x00), palette);
        mark.icon = StandardIcon(QStyle::SP_MessageBoxWarning);
        break;
    case EVerdict::OK:
    case EVerdict::NONE: return mark;
    }
    mark.bMarked = true;
    mark.strName = QString::fromLatin1(GetVerdictName(eVerdict));
    return mark;
}
