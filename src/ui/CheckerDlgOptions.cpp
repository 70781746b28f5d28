// The Options menu: the modern-web mode, remembered between runs and shown
// in the title, taking effect at the next Go.

#include "ui/CheckerDlg.h"

#include "classic/ClassicMode.h"
#include "crawl/Crawler.h"
#include "ui/ModernCrawlSetup.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QSettings>

namespace {

const QString MODERN_WEB_CHECKS_KEY = QStringLiteral("ModernWebChecks");

} // namespace

void CCheckerDlg::LoadOptions()
{
    m_bModernWebChecks = QSettings().value(MODERN_WEB_CHECKS_KEY, false).toBool();
    GetMenuAction(ID_OPTIONS_MODERN)->setChecked(m_bModernWebChecks);
    ShowModeInTitle();
}

void CCheckerDlg::OnOptionsModern()
{
    // The crawl in progress, if any, keeps the mode it started with.
    m_bModernWebChecks = GetMenuAction(ID_OPTIONS_MODERN)->isChecked();
    QSettings().setValue(MODERN_WEB_CHECKS_KEY, m_bModernWebChecks);
    ShowModeInTitle();
    ShowModernControls(m_bModernWebChecks);
}

void CCheckerDlg::ShowModeInTitle()
{
    // Ending in the program's name: the window system then adds no second one.
    setWindowTitle(m_bModernWebChecks ? QStringLiteral("Modern Web Checks - Lintrel") : QStringLiteral("Lintrel"));
}

bool CCheckerDlg::ChooseCrawlMode()
{
    // Without the option: the default rules, and requests as they go out
    // unless told otherwise.
    if (!m_bModernWebChecks) {
        m_pSetup.reset();
        m_pCrawler->SetMode(std::make_unique<CClassicMode>());
        return true;
    }
    return ChooseModernMode();
}
