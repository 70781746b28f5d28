// Options > Modern Web Checks: the menu item, its memory between runs, and
// the crawl it chooses at Go, over http and https on loopback.

#include "support/GuiTestSupport.h"
#include "support/TestAuthority.h"
#include "support/TestServer.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QCheckBox>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using CRows = std::vector<std::string>;

// Links only a browser's reading sees, and one both modes see.
const char* const PAGE = "<link rel=stylesheet href=style.css>\n<a href=\"double.html\">d</a>\n"
                         "<a href='single.html'>s</a> <img src=pic.png> <img src=missing.png>\n";
const CRows CLASSIC_ROWS = {"/double.html OK"};
const CRows MODERN_ROWS
    = {"/style.css OK", "/double.html OK", "/single.html OK", "/pic.png OK", "/missing.png Not Found"};

class CheckerDlgOptionsTest : public testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }
    void TearDown() override { QSettings().clear(); }

    // A new dialog, as at the program's start, shown.
    CCheckerDlg& Open()
    {
        m_pDlg = std::make_unique<CCheckerDlg>();
        m_pDlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_pDlg.get()));
        return *m_pDlg;
    }

    QAction* ModernItem() { return m_pDlg->GetMenuAction(ID_OPTIONS_MODERN); }

    // Runs a crawl of strURL; fnDuring runs once inside it, when rows are in.
    CRows Go(const std::string& strURL, std::function<void()> fnDuring = {})
    {
        if (fnDuring) {
            RepeatUntil(m_pDlg.get(), [this, fnDuring] {
                if (!m_pDlg->IsCrawling() || m_pDlg->GetListBox().GetRowCount() == 0)
                    return false;
                fnDuring();
                return true;
            });
        }
        // A start page that cannot be read is explained in a message box.
        QString strMessage;
        QTimer* pWatch = RepeatUntil(m_pDlg.get(), [&strMessage] {
            if (auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                strMessage = pBox->text();
                pBox->close();
            }
            return false;
        });
        static_cast<QLineEdit*>(m_pDlg->GetDlgItem(IDC_URL))->setText(QString::fromStdString(strURL));
        QTest::mouseClick(m_pDlg->GetDlgItem(IDC_GO), Qt::LeftButton);
        delete pWatch;
        EXPECT_EQ(strMessage.toStdString(), "");
        CRows rows;
        CLinkListBox& list = m_pDlg->GetListBox();
        for (int n = 0; n < list.GetRowCount(); ++n) {
            const CLink& link = *list.GetLinkAt(n);
            rows.push_back((list.GetLinkText(link) + " " + CLinkListBox::GetStatusColumnText(link)).toStdString());
        }
        return rows;
    }

    static void ServePage(CTestServer& server)
    {
        server.AddRoutes({{"/", 200, "text/html", PAGE, {}}, {"/style.css", 200, "text/css", "", {}},
            {"/double.html", 200, "text/html", "", {}}, {"/single.html", 200, "text/html", "", {}},
            {"/pic.png", 200, "image/png", "", {}}});
        server.Start();
    }

    std::unique_ptr<CCheckerDlg> m_pDlg;
};

} // namespace

TEST_F(CheckerDlgOptionsTest, OptionsMenuSitsBeforeHelpAndItsItemIsRemembered)
{
    CCheckerDlg& dlg = Open();
    QStringList titles;
    for (QAction* pMenu : dlg.findChild<QMenuBar*>()->actions())
        titles << pMenu->text();
    EXPECT_EQ(titles, (QStringList {"&File", "&Edit", "&Options", "&Help"}));
    ASSERT_NE(ModernItem(), nullptr);
    EXPECT_EQ(ModernItem()->objectName(), QStringLiteral("ID_OPTIONS_MODERN"));
    EXPECT_TRUE(ModernItem()->isCheckable());
    EXPECT_FALSE(ModernItem()->isChecked());

    // Alt+O reaches the menu, no control claims it; M works the item.
    dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dlg));
    QTest::keyClick(dlg.focusWidget(), Qt::Key_O, Qt::AltModifier);
    ASSERT_TRUE(
        WaitFor([&] { return QApplication::activePopupWidget() == dlg.findChild<QMenu*>(QStringLiteral("Options")); }));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_M);
    EXPECT_TRUE(WaitFor([&] { return ModernItem()->isChecked(); }));
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Modern Web Checks - Lintrel"));

    for (bool bOn : {true, false}) {
        SCOPED_TRACE(bOn);
        Open();
        EXPECT_EQ(ModernItem()->isChecked(), bOn);
        EXPECT_EQ(
            m_pDlg->windowTitle(), bOn ? QStringLiteral("Modern Web Checks - Lintrel") : QStringLiteral("Lintrel"));
        ModernItem()->trigger();
    }
}

TEST_F(CheckerDlgOptionsTest, EachGoCrawlsInTheModeChosenBeforeIt)
{
    CTestServer server;
    ServePage(server);
    const std::string strURL = server.GetURL("/");
    Open();
    EXPECT_EQ(Go(strURL), CLASSIC_ROWS);
    // A switch during a crawl waits for the next Go, both ways.
    EXPECT_EQ(Go(strURL, [this] { ModernItem()->trigger(); }), CLASSIC_ROWS);
    EXPECT_EQ(Go(strURL, [this] { ModernItem()->trigger(); }), MODERN_ROWS);
    EXPECT_EQ(Go(strURL), CLASSIC_ROWS);
}

TEST_F(CheckerDlgOptionsTest, HttpsPageIsCheckedWithTheAuthorityThatCurlCaBundleNames)
{
    CTestAuthority authority;
    CTestServer server(authority.IssueServerIdentity());
    ServePage(server);
    const std::optional<QByteArray> old
        = qEnvironmentVariableIsSet("CURL_CA_BUNDLE") ? std::optional(qgetenv("CURL_CA_BUNDLE")) : std::nullopt;
    qputenv("CURL_CA_BUNDLE", QByteArray::fromStdString(authority.GetCAFile()));
    Open();
    ModernItem()->trigger();
    EXPECT_EQ(Go(server.GetURL("/")), MODERN_ROWS);
    old ? qputenv("CURL_CA_BUNDLE", *old) : qunsetenv("CURL_CA_BUNDLE");
}

TEST_F(CheckerDlgOptionsTest, ModernRecursiveCrawlObeysRobotsTxtAndStillListsWhatItDisallows)
{
    CTestServer server;
    server.AddRoute({"/robots.txt", 200, "text/plain", "User-agent: *\nDisallow: /single.html\n", {}});
    ServePage(server);
    Open();
    ModernItem()->trigger();
    static_cast<QCheckBox*>(m_pDlg->GetDlgItem(IDC_RECURSIVE))->setChecked(true);
    EXPECT_EQ(Go(server.GetURL("/")), MODERN_ROWS);
    EXPECT_EQ(server.CountRequests("GET", "/robots.txt"), 1);
    EXPECT_EQ(server.CountRequests("GET", "/double.html"), 1);
    EXPECT_EQ(server.CountRequests("GET", "/single.html"), 0);
    EXPECT_EQ(server.CountRequests("HEAD", "/single.html"), 1);
}

TEST_F(CheckerDlgOptionsTest, ALinkWaitingOnItsServerSaysSoAndOnlyBadShowsEveryLinkNotOk)
{
    CTestServer server;
    int nThrottled = 0;
    server.GetServer().Get("/throttled", [&nThrottled](const httplib::Request&, httplib::Response& response) {
        // The first ask waits as the server says; the next one is answered.
        if (++nThrottled == 1) {
            response.status = 429;
            response.set_header("Retry-After", "2");
        }
    });
    server.AddRoutes({{"/", 200, "text/html",
                          "<a href=throttled>t</a><a href=forbidden>f</a><a href=missing>m</a><a href=fine>o</a>", {}},
        {"/forbidden", 403, "text/html", "", {}}, {"/fine", 200, "text/html", "", {}}});
    server.Start();
    Open();
    ModernItem()->trigger();
    std::vector<std::string> waits;
    RepeatUntil(m_pDlg.get(), [this, &waits] {
        CLinkListBox& list = m_pDlg->GetListBox();
        for (int n = 0; n < list.GetRowCount(); ++n) {
            const std::string strShown = list.GetShownStatusText(*list.GetLinkAt(n)).toStdString();
            if (strShown.rfind("Waiting", 0) == 0 && (waits.empty() || waits.back() != strShown))
                waits.push_back(strShown);
        }
        return !m_pDlg->IsCrawling() && !waits.empty();
    });
    EXPECT_EQ(
        Go(server.GetURL("/")), (CRows {"/throttled OK", "/forbidden Forbidden", "/missing Not Found", "/fine OK"}));
    EXPECT_EQ(waits, (std::vector<std::string> {"Waiting 2 s (server asked)", "Waiting 1 s (server asked)"}));
    static_cast<QCheckBox*>(m_pDlg->GetDlgItem(IDC_SHOW_ONLY_BAD))->click();
    CLinkListBox& list = m_pDlg->GetListBox();
    CRows bad;
    for (int n = 0; n < list.GetRowCount(); ++n)
        bad.push_back(list.GetLinkText(*list.GetLinkAt(n)).toStdString());
    EXPECT_EQ(bad, (CRows {"/forbidden", "/missing"}));
}
