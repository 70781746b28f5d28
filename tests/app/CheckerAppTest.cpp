#include "app/CheckerApp.h"
#include "support/GuiTestSupport.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include <Version.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

int VisibleTopLevelWindows()
{
    int nCount = 0;
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        if (pWidget->isVisible() && pWidget->isWindow() && !qobject_cast<QMenu*>(pWidget))
            ++nCount;
    }
    return nCount;
}

} // namespace

TEST(CheckerApp, NameVersionAndVersionRecord)
{
    CCheckerApp::SetApplicationMetadata();
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Lintrel"));
    EXPECT_EQ(QCoreApplication::applicationVersion(), QString::fromLatin1(LINTREL_VERSION));
    EXPECT_FALSE(QApplication::windowIcon().isNull());
    struct Entry {
        const char* pszKey;
        const char* pszValue;
    };
    const std::vector<Entry> entries = {
        {"Comments", "URL Verification"},
        {"FileDescription", "Lintrel"},
        {"FileVersion", LINTREL_FILE_VERSION},
        {"InternalName", "Lintrel"},
        {"OriginalFilename", "LINTREL.EXE"},
        {"ProductName", "LINTREL Application"},
        {"ProductVersion", LINTREL_FILE_VERSION},
    };
    for (const Entry& entry : entries) {
        SCOPED_TRACE(entry.pszKey);
        EXPECT_EQ(qApp->property(entry.pszKey).toString(), QString::fromLatin1(entry.pszValue));
    }
}

TEST(CheckerApp, RunsTheDialogAsTheOnlyWindowUntilItCloses)
{
    QObject owner;
    std::string strModal;
    int nWindows = 0;
    HandleNextModal(&owner, [&strModal, &nWindows](QWidget* pModal) {
        strModal = pModal->metaObject()->className();
        nWindows = VisibleTopLevelWindows();
        if (auto* pDlg = qobject_cast<CCheckerDlg*>(pModal))
            pDlg->GetMenuAction(ID_FILE_EXIT)->trigger();
        else
            pModal->close();
    });
    CCheckerApp app;
    EXPECT_EQ(app.InitInstance(), 0);
    EXPECT_EQ(strModal, "CCheckerDlg");
    EXPECT_EQ(nWindows, 1);
    EXPECT_EQ(VisibleTopLevelWindows(), 0);
}

TEST(CheckerApp, WithoutTheNetworkLayerOnlyAMessageIsShown)
{
    // libcurl's start-up cannot be made to fail here; a stand-in does.
    QObject owner;
    QString strText;
    std::string strModal;
    int nWindows = 0;
    HandleNextModal(&owner, [&](QWidget* pModal) {
        strModal = pModal->metaObject()->className();
        nWindows = VisibleTopLevelWindows();
        if (auto* pBox = qobject_cast<QMessageBox*>(pModal)) {
            strText = pBox->text();
            QTest::mouseClick(pBox->button(QMessageBox::Ok), Qt::LeftButton);
        } else {
            pModal->close();
        }
    });
    CCheckerApp app([] { return false; });
    EXPECT_EQ(app.InitInstance(), 1);
    EXPECT_EQ(strModal, "QMessageBox");
    EXPECT_EQ(strText, QStringLiteral("Windows sockets initialization failed."));
    EXPECT_EQ(nWindows, 1);
}
