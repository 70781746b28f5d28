#include "app/CheckerApp.h"

#include "net/InternetSession.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"
#include "winsys/StringTable.h"
#include "winsys/WindowSystem.h"

#include <QApplication>

#include <Version.h>

namespace {

struct CVersionString {
    const char* pszKey;
    const char* pszValue;
};

// The version record's strings, US English.
const CVersionString VERSION_STRINGS[] = {
    {"Comments", "URL Verification"},
    {"FileDescription", "Lintrel"},
    {"FileVersion", LINTREL_FILE_VERSION},
    {"InternalName", "Lintrel"},
    {"OriginalFilename", "LINTREL.EXE"},
    {"ProductName", "LINTREL Application"},
    {"ProductVersion", LINTREL_FILE_VERSION},
};

} // namespace

CCheckerApp::CCheckerApp(std::function<bool()> fnSocketInit)
    : m_fnSocketInit(fnSocketInit ? std::move(fnSocketInit) : &CInternetSession::StartNetwork)
{
}

void CCheckerApp::SetApplicationMetadata()
{
    // Both names place the window's settings: ~/.config/Lintrel/Lintrel.conf.
    QCoreApplication::setOrganizationName(QStringLiteral("Lintrel"));
    QCoreApplication::setApplicationName(QStringLiteral("Lintrel"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(LINTREL_VERSION));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Lintrel"));
    QGuiApplication::setDesktopFileName(QStringLiteral("lintrel"));
    if (QCoreApplication* pApp = QCoreApplication::instance()) {
        for (const CVersionString& entry : VERSION_STRINGS)
            pApp->setProperty(entry.pszKey, QString::fromLatin1(entry.pszValue));
    }
    QApplication::setWindowIcon(CWindowSystem::LoadMainIcon());
}

int CCheckerApp::InitInstance()
{
    SetApplicationMetadata();
    if (!m_fnSocketInit()) {
        CWindowSystem::MessageBox(nullptr, CStringTable::Load(IDP_SOCKETS_INIT_FAILED));
        return 1;
    }
    CCheckerDlg dialog;
    dialog.exec();
    return 0;
}
