// The main dialog running real crawls against a loopback server.

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "support/GuiTestSupport.h"
#include "support/TestServer.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int DEEP_PAGES = 6;

std::string Anchor(const std::string& strHref)
{
    return "<a href=\"" + strHref + "\">" + strHref + "</a>\n";
}

class CheckerDlgCrawlTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({
            {"/", 200, "text/html", Anchor("ok.html") + Anchor("missing.html") + Anchor("text.txt"), {}},
            {"/ok.html", 200, "text/html", Anchor("elsewhere.html"), {}},
            {"/text.txt", 200, "text/plain", "plain", {}},
            {"/empty.html", 200, "text/html", "<p>no links</p>", {}},
            {"/stopper.html", 200, "text/html", Anchor("slow.html") + Anchor("b.html") + Anchor("c.html"), {}},
            {"/b.html", 200, "text/html", "", {}},
            {"/c.html", 200, "text/html", "", {}},
        });
        for (int n = 1; n <= DEEP_PAGES; ++n) {
            std::string strBody = Anchor("leaf" + std::to_string(n) + ".txt");
            if (n < DEEP_PAGES)
                strBody = Anchor("p" + std::to_string(n + 1) + ".html") + strBody;
            m_server.AddRoute({"/deep/p" + std::to_string(n) + ".html", 200, "text/html", strBody, {}});
            m_server.AddRoute({"/deep/leaf" + std::to_string(n) + ".txt", 200, "text/plain", "", {}});
        }
        AddSlowRoute("/slow.html", Anchor("ok.html"));
        AddSlowRoute("/second.html", Anchor("ok.html") + Anchor("text.txt"));
        m_server.Start();
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
    }

    // Answers after a pause, with m_bInSlowRequest set while it waits.
    void AddSlowRoute(const std::string& strPath, const std::string& strBody)
    {
        m_server.GetServer().Get(strPath, [this, strBody](const httplib::Request&, httplib::Response& response) {
            m_bInSlowRequest = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(600));
            response.set_content(strBody, "text/html");
            m_bInSlowRequest = false;
        });
    }

    template <class T> T* Control(int nID) { return static_cast<T*>(m_dlg.GetDlgItem(nID)); }

    // Types the URL and clicks Go; the crawl has ended when this returns.
    void Go(const std::string& strPath, bool bRecursive = false)
    {
        Control<QLineEdit>(IDC_URL)->setText(
            strPath.empty() ? QString() : QString::fromStdString(m_server.GetURL(strPath)));
        Control<QCheckBox>(IDC_RECURSIVE)->setChecked(bRecursive);
        QTest::mouseClick(Control<QPushButton>(IDC_GO), Qt::LeftButton);
    }

    // Each row as its Link column text, a space and its Status column text.
    std::vector<std::string> Rows()
    {
        std::vector<std::string> rows;
        CLinkListBox& list = m_dlg.GetListBox();
        for (int n = 0; n < list.GetRowCount(); ++n) {
            const CLink& link = *list.GetLinkAt(n);
            rows.push_back((list.GetLinkText(link) + " " + CLinkListBox::GetStatusColumnText(link)).toStdString());
        }
        return rows;
    }

    QString LinkCount() { return Control<QLabel>(IDC_LINK_COUNT)->text(); }

    void ExpectIdle()
    {
        EXPECT_FALSE(m_dlg.IsCrawling());
        EXPECT_FALSE(m_dlg.GetListBox().IsCrawling());
        EXPECT_TRUE(Control<QWidget>(IDC_GO)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(IDC_RECURSIVE)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(IDC_EXPLORE_CGI)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(IDC_SHOW_ONLY_BAD)->isEnabled());
        EXPECT_FALSE(Control<QWidget>(IDC_STOP)->isEnabled());
    }

    bool CopyReferrerEnabledWhenMenuOpens()
    {
        QMenu* pEdit = m_dlg.findChild<QMenu*>(QStringLiteral("Edit"));
        pEdit->popup(m_dlg.mapToGlobal(QPoint(10, 10)));
        pEdit->hide();
        return m_dlg.GetMenuAction(ID_COPY_REFERRER)->isEnabled();
    }

    // Runs fnAct once, inside the crawl's pump, when the first page's rows are in.
    void DuringFirstPage(std::function<void()> fnAct)
    {
        RepeatUntil(&m_dlg, [this, fnAct] {
            if (!m_dlg.IsCrawling() || m_dlg.GetListBox().GetRowCount() == 0)
                return false;
            fnAct();
            return true;
        });
    }

    std::atomic<bool> m_bInSlowRequest {false};
    CTestServer m_server;
    CCheckerDlg m_dlg;
};

} // namespace

TEST_F(CheckerDlgCrawlTest, GoListsAndChecksAPage)
{
    Go("/");
    EXPECT_EQ(Rows(), (std::vector<std::string> {"/ok.html OK", "/missing.html Not Found", "/text.txt OK"}));
    EXPECT_EQ(LinkCount(), QStringLiteral("3"));
    EXPECT_EQ(m_server.CountRequests("HEAD", "/ok.html"), 1);
    EXPECT_EQ(m_server.CountRequests("GET", "/ok.html"), 0);
    ExpectIdle();
    EXPECT_TRUE(CopyReferrerEnabledWhenMenuOpens());

    Go("/empty.html");
    EXPECT_TRUE(Rows().empty());
    EXPECT_FALSE(CopyReferrerEnabledWhenMenuOpens());
}

TEST_F(CheckerDlgCrawlTest, EnterInTheUrlBoxPressesGo)
{
    QLineEdit* pUrl = Control<QLineEdit>(IDC_URL);
    pUrl->setText(QString::fromStdString(m_server.GetURL("/")));
    pUrl->setFocus();
    QTest::keyClick(pUrl, Qt::Key_Return);
    EXPECT_EQ(Rows().size(), 3u);
}

TEST_F(CheckerDlgCrawlTest, UrlIsPassedOnExactlyAsTyped)
{
    const std::string strTyped = "  " + m_server.GetURL("/empty.html") + " ";
    Control<QLineEdit>(IDC_URL)->setText(QString::fromStdString(strTyped));
    QTest::mouseClick(Control<QPushButton>(IDC_GO), Qt::LeftButton);
    ASSERT_NE(m_dlg.GetCrawler()->GetRootLink(), nullptr);
    EXPECT_EQ(m_dlg.GetCrawler()->GetRootLink()->GetURL(), strTyped);
}

TEST_F(CheckerDlgCrawlTest, WindowAnswersWhileARequestWaits)
{
    // Regression: every request froze the window until it ended.
    bool bAnsweredDuringRequest = false;
    RepeatUntil(&m_dlg, [this, &bAnsweredDuringRequest] {
        bAnsweredDuringRequest = m_bInSlowRequest;
        return bAnsweredDuringRequest;
    });
    Go("/slow.html");
    EXPECT_TRUE(bAnsweredDuringRequest);
    EXPECT_EQ(Rows(), std::vector<std::string> {"/ok.html OK"});
}

TEST_F(CheckerDlgCrawlTest, StopDuringARecursiveCrawlKeepsTheRowsSoFar)
{
    DuringFirstPage([this] { QTest::mouseClick(Control<QPushButton>(IDC_STOP), Qt::LeftButton); });
    Go("/deep/p1.html", true);
    // No further page was read: only the first page's two links are listed.
    ASSERT_EQ(m_dlg.GetListBox().GetRowCount(), 2);
    EXPECT_EQ(Rows().front().rfind("/deep/p2.html", 0), 0u);
    EXPECT_TRUE(m_dlg.GetCrawler()->m_bStop);
    ExpectIdle();

    // The filter works on the rows of the stopped crawl.
    QTest::mouseClick(Control<QCheckBox>(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    EXPECT_TRUE(m_dlg.GetListBox().IsOnlyBad());
}

TEST_F(CheckerDlgCrawlTest, StopTakesEffectAfterTheRequestInProgress)
{
    RepeatUntil(&m_dlg, [this] {
        if (!m_bInSlowRequest)
            return false;
        QTest::mouseClick(Control<QPushButton>(IDC_STOP), Qt::LeftButton);
        return true;
    });
    Go("/stopper.html", true);
    CLinkArray* pLinks = m_dlg.GetCrawler()->GetLinks();
    ASSERT_EQ(pLinks->GetSize(), 3);
    EXPECT_EQ(pLinks->GetAt(1)->GetStatusText(), "OK");
    EXPECT_EQ(pLinks->GetAt(2)->GetStatusCode(), -1);
    EXPECT_EQ(pLinks->GetAt(3)->GetStatusCode(), -1);
}

TEST_F(CheckerDlgCrawlTest, FilterBeforeDuringAndAfterARun)
{
    QTest::mouseClick(Control<QCheckBox>(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    bool bBoxEnabledDuring = true;
    bool bFilterDuring = false;
    DuringFirstPage([this, &bBoxEnabledDuring, &bFilterDuring] {
        bBoxEnabledDuring = Control<QWidget>(IDC_SHOW_ONLY_BAD)->isEnabled();
        bFilterDuring = m_dlg.GetListBox().SetShowOnlyBad(false);
    });
    Go("/");
    EXPECT_FALSE(bBoxEnabledDuring);
    EXPECT_TRUE(bFilterDuring) << "a switch during the crawl must be refused";
    EXPECT_EQ(Rows(), std::vector<std::string> {"/missing.html Not Found"});

    QTest::mouseClick(Control<QCheckBox>(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    EXPECT_EQ(Rows().size(), 3u);
    QTest::mouseClick(Control<QCheckBox>(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    EXPECT_EQ(Rows(), std::vector<std::string> {"/missing.html Not Found"});
}

TEST_F(CheckerDlgCrawlTest, GoTwiceEmptiesTheListFirst)
{
    Go("/");
    ASSERT_EQ(Rows().size(), 3u);
    int nRowsDuringFetch = -1;
    QString strCountDuringFetch;
    RepeatUntil(&m_dlg, [this, &nRowsDuringFetch, &strCountDuringFetch] {
        if (!m_bInSlowRequest)
            return false;
        nRowsDuringFetch = m_dlg.GetListBox().GetRowCount();
        strCountDuringFetch = LinkCount();
        return true;
    });
    Go("/second.html");
    EXPECT_EQ(nRowsDuringFetch, 0);
    // The count of the last run stays until the new run reports its own.
    EXPECT_EQ(strCountDuringFetch, QStringLiteral("3"));
    EXPECT_EQ(Rows(), (std::vector<std::string> {"/ok.html OK", "/text.txt OK"}));
    EXPECT_EQ(LinkCount(), QStringLiteral("2"));
}

TEST_F(CheckerDlgCrawlTest, EmptyUrlChecksTheFileChosenInTheFileDialog)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString strPath = dir.filePath(QStringLiteral("local page.html"));
    QFile file(strPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write((Anchor(m_server.GetURL("/ok.html")) + Anchor(m_server.GetURL("/missing.html"))).c_str());
    file.close();

    HandleNextModal(&m_dlg, [strPath](QWidget* pModal) {
        auto* pDialog = qobject_cast<QFileDialog*>(pModal);
        ASSERT_NE(pDialog, nullptr);
        pDialog->selectFile(strPath);
        QMetaObject::invokeMethod(pDialog, "accept");
    });
    Go("");
    ASSERT_NE(m_dlg.GetCrawler()->GetRootLink(), nullptr);
    EXPECT_EQ(m_dlg.GetCrawler()->GetRootLink()->GetURL(), "file://" + QFile::encodeName(strPath).toStdString());
    EXPECT_EQ(m_dlg.GetListBox().GetRowCount(), 2);
    EXPECT_EQ(LinkCount(), QStringLiteral("2"));
    ExpectIdle();
}

TEST_F(CheckerDlgCrawlTest, CancelledFileDialogChecksNothing)
{
    Go("/");
    HandleNextModal(&m_dlg, [](QWidget* pModal) { static_cast<QDialog*>(pModal)->reject(); });
    Go("");
    ASSERT_NE(m_dlg.GetCrawler(), nullptr);
    EXPECT_EQ(m_dlg.GetCrawler()->GetRootLink(), nullptr);
    EXPECT_EQ(m_dlg.GetListBox().GetRowCount(), 0);
    EXPECT_EQ(LinkCount(), QStringLiteral("3"));
    EXPECT_FALSE(CopyReferrerEnabledWhenMenuOpens());
    ExpectIdle();
}

TEST_F(CheckerDlgCrawlTest, TypingDuringACrawlIsKept)
{
    // Regression: every page's count update wrote the URL read at Go back
    // over what the user was typing.
    DuringFirstPage([this] { QTest::keyClicks(Control<QLineEdit>(IDC_URL), QStringLiteral("/typed")); });
    Go("/deep/p1.html", true);
    EXPECT_EQ(m_server.CountRequests("GET", "/deep/p" + std::to_string(DEEP_PAGES) + ".html"), 1);
    EXPECT_TRUE(Control<QLineEdit>(IDC_URL)->text().endsWith(QStringLiteral("/typed")));
    EXPECT_EQ(LinkCount(), QString::number(2 * DEEP_PAGES - 1));
}

TEST_F(CheckerDlgCrawlTest, ClosingDuringACrawlStopsItAndThenCloses)
{
    struct Way {
        const char* pszName;
        std::function<void(CCheckerDlg&)> fnClose;
    };
    const std::vector<Way> ways = {
        {"Escape", [](CCheckerDlg& dlg) { QTest::keyClick(&dlg, Qt::Key_Escape); }},
        {"close box", [](CCheckerDlg& dlg) { dlg.close(); }},
        {"File/Exit", [](CCheckerDlg& dlg) { dlg.GetMenuAction(ID_FILE_EXIT)->trigger(); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.pszName);
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
        bool bVisibleAfterClose = false;
        DuringFirstPage([this, &way, &bVisibleAfterClose] {
            way.fnClose(m_dlg);
            bVisibleAfterClose = m_dlg.isVisible();
        });
        Go("/deep/p1.html", true);
        EXPECT_TRUE(bVisibleAfterClose) << "the window waits for the crawl to stop";
        EXPECT_FALSE(m_dlg.isVisible());
        EXPECT_EQ(m_dlg.result(), QDialog::Rejected);
        EXPECT_EQ(m_dlg.GetListBox().GetRowCount(), 2) << "the crawl went on past the first page";
    }
    // With no crawl running every way closes at once.
    for (const Way& way : ways) {
        SCOPED_TRACE(way.pszName);
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
        way.fnClose(m_dlg);
        EXPECT_FALSE(m_dlg.isVisible());
    }
}

TEST_F(CheckerDlgCrawlTest, KeyboardSelectsRowsAndEnterInTheUrlBoxAlwaysPressesGo)
{
    // Regression: Tab into a freshly filled list put the focus rectangle on
    // the first row without selecting it, so Home selected nothing and Copy
    // copied nothing; and once the focus had been in the list, Enter in the
    // URL box no longer pressed Go.
    m_dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dlg));
    auto* pUrl = Control<QLineEdit>(IDC_URL);
    pUrl->setFocus();
    pUrl->setText(QString::fromStdString(m_server.GetURL("/")));
    QTest::keyClick(pUrl, Qt::Key_Return);
    ASSERT_EQ(Rows().size(), 3u);
    CLinkListBox& list = m_dlg.GetListBox();
    QTest::keyClick(m_dlg.focusWidget(), Qt::Key_Tab);
    QTest::keyClick(m_dlg.focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(m_dlg.focusWidget(), &list);
    struct Move {
        Qt::Key key;
        int nRow;
    };
    for (const Move& move : {Move {Qt::Key_Home, 0}, Move {Qt::Key_Down, 1}, Move {Qt::Key_End, 2},
             Move {Qt::Key_Up, 1}, Move {Qt::Key_PageUp, 0}, Move {Qt::Key_PageDown, 2}, Move {Qt::Key_Home, 0}}) {
        SCOPED_TRACE(move.key);
        QTest::keyClick(&list, move.key);
        EXPECT_EQ(list.GetSelectedLink(), list.GetLinkAt(move.nRow));
    }
    m_dlg.GetMenuAction(ID_EDIT_COPY)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://127.0.0.1/ok.html"));

    QTest::keyClick(m_dlg.focusWidget(), Qt::Key_U, Qt::AltModifier);
    ASSERT_EQ(m_dlg.focusWidget(), pUrl);
    pUrl->setText(QString::fromStdString(m_server.GetURL("/second.html")));
    QTest::keyClick(pUrl, Qt::Key_Return);
    EXPECT_EQ(Rows(), (std::vector<std::string> {"/ok.html OK", "/text.txt OK"}));
}

TEST_F(CheckerDlgCrawlTest, StartPageThatCannotBeReadIsExplainedOnceTheWindowIsIdle)
{
    // Regression: a host that does not resolve gave an empty list and "Link
    // Count: 0", just as a page without links does.
    Go("/");
    ASSERT_EQ(Rows().size(), 3u);
    QString strMessage;
    bool bIdleDuringMessage = false;
    HandleNextModal(&m_dlg, [this, &strMessage, &bIdleDuringMessage](QWidget* pModal) {
        if (auto* pBox = qobject_cast<QMessageBox*>(pModal))
            strMessage = pBox->text();
        bIdleDuringMessage = !m_dlg.IsCrawling() && Control<QWidget>(IDC_GO)->isEnabled()
            && !Control<QWidget>(IDC_STOP)->isEnabled() && m_dlg.GetListBox().GetRowCount() == 0;
        pModal->close();
    });
    Control<QLineEdit>(IDC_URL)->setText(QStringLiteral("http://nohost.invalid/start.html"));
    QTest::mouseClick(Control<QPushButton>(IDC_GO), Qt::LeftButton);
    EXPECT_TRUE(strMessage.contains(QStringLiteral("http://nohost.invalid/start.html"))) << strMessage.toStdString();
    EXPECT_TRUE(strMessage.contains(QStringLiteral("Could not resolve host: nohost.invalid")))
        << strMessage.toStdString();
    EXPECT_TRUE(bIdleDuringMessage);
    EXPECT_TRUE(Rows().empty());
    EXPECT_EQ(LinkCount(), QStringLiteral("0"));
    ExpectIdle();

    // A start page that was read, links or none, and an error page that was
    // read too, need no message.
    std::vector<std::string> opened;
    QTimer* pWatch = RepeatUntil(&m_dlg, [&opened] {
        if (QWidget* pModal = QApplication::activeModalWidget()) {
            opened.push_back(pModal->metaObject()->className());
            pModal->close();
        }
        return false;
    });
    Go("/empty.html");
    Go("/missing.html");
    delete pWatch;
    EXPECT_TRUE(opened.empty()) << opened.front();
}
