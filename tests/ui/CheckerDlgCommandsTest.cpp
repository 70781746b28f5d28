// File/Export..., Edit/Copy and Edit/Copy Referrer on the results of real
// crawls of a loopback server.

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "report/ReportWriter.h"
#include "support/GuiTestSupport.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <sstream>
#include <string>
#include <sys/resource.h>

namespace {

std::string Anchor(const std::string& strHref)
{
    return "<a href=\"" + strHref + "\">" + strHref + "</a>\n";
}

bool WriteFile(const QString& strPath, const std::string& strText)
{
    QFile file(strPath);
    return file.open(QIODevice::WriteOnly)
        && file.write(strText.data(), static_cast<qint64>(strText.size())) == static_cast<qint64>(strText.size());
}

// Writes beyond a few bytes fail, as on a full disk, for root as well.
class CFileSizeLimit {
public:
    explicit CFileSizeLimit(rlim_t nBytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_pfnOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = nBytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~CFileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_pfnOldHandler);
    }
    CFileSizeLimit(const CFileSizeLimit&) = delete;
    CFileSizeLimit& operator=(const CFileSizeLimit&) = delete;

private:
    rlimit m_old {};
    void (*m_pfnOldHandler)(int) = SIG_DFL;
};

class CheckerDlgCommandsTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        m_server.AddRoutes({
            {"/", 200, "text/html",
                Anchor("ok.html") + Anchor("missing.html") + Anchor(m_server.GetURL("/port.html") + "#part"), {}},
            {"/ok.html", 200, "text/html", "", {}},
            {"/port.html", 200, "text/html", "", {}},
            {"/deep.html", 200, "text/html", Anchor("ok.html") + Anchor("more.html"), {}},
            {"/more.html", 200, "text/html", Anchor("last.html"), {}},
        });
        m_server.Start();
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
    }

    void Go(const std::string& strPath, bool bRecursive = false)
    {
        static_cast<QLineEdit*>(m_dlg.GetDlgItem(IDC_URL))->setText(QString::fromStdString(m_server.GetURL(strPath)));
        static_cast<QCheckBox*>(m_dlg.GetDlgItem(IDC_RECURSIVE))->setChecked(bRecursive);
        QTest::mouseClick(m_dlg.GetDlgItem(IDC_GO), Qt::LeftButton);
    }

    // File/Export... with strPath typed into the save dialog. Any further
    // window (the question before replacing, a message) goes to fnAnswer,
    // which must close it.
    void Export(const QString& strPath, std::function<void(QWidget*)> fnAnswer = {})
    {
        QPointer<QWidget> pLastModal;
        QPointer<QTimer> pTimer = RepeatUntil(&m_dlg, [&pLastModal, strPath, fnAnswer] {
            QWidget* pModal = QApplication::activeModalWidget();
            if (!pModal || !pModal->isVisible() || pModal == pLastModal)
                return false;
            pLastModal = pModal;
            if (auto* pFiles = qobject_cast<QFileDialog*>(pModal)) {
                pFiles->selectFile(strPath);
                // Queued: the question before replacing runs its own loop,
                // in which this timer must tick again.
                QMetaObject::invokeMethod(pFiles, "accept", Qt::QueuedConnection);
            } else if (fnAnswer) {
                fnAnswer(pModal);
            } else {
                ADD_FAILURE() << "unexpected window " << pModal->metaObject()->className();
                pModal->close();
            }
            return false;
        });
        m_dlg.GetMenuAction(ID_FILE_EXPORT)->trigger();
        delete pTimer;
    }

    std::string EngineReport()
    {
        std::ostringstream report;
        const CLinkArray& links = *m_dlg.GetCrawler()->GetLinks();
        CReportWriter(links, CCrawlSummary(links)).Write(report);
        return report.str();
    }

    QString Path(const char* pszName) const { return m_dir.filePath(QString::fromLatin1(pszName)); }
    std::filesystem::path LocalPath(const char* pszName) const
    {
        return QFile::encodeName(Path(pszName)).toStdString();
    }

    // Clicks the row whose Link column is strLinkText; false when none is.
    bool SelectRow(const QString& strLinkText)
    {
        CLinkListBox& list = m_dlg.GetListBox();
        for (int nRow = 0; nRow < list.GetRowCount(); ++nRow) {
            if (list.GetLinkText(*list.GetLinkAt(nRow)) != strLinkText)
                continue;
            const QRect rcRow = list.visualRect(list.model()->index(nRow, 0));
            QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, rcRow.center());
            return list.GetSelectedLink() == list.GetLinkAt(nRow);
        }
        return false;
    }

    static QString Clipboard() { return QGuiApplication::clipboard()->text(); }

    QString SelectedReferrerURL()
    {
        const CLink* pLink = m_dlg.GetListBox().GetSelectedLink();
        if (!pLink || !pLink->GetReferrer())
            return QStringLiteral("(none)");
        return QString::fromStdString(pLink->GetReferrer()->GetFullURL());
    }

    void CopyWithMenu(int nID) { m_dlg.GetMenuAction(nID)->trigger(); }

    QTemporaryDir m_dir;
    CTestServer m_server;
    CCheckerDlg m_dlg;
};

} // namespace

TEST_F(CheckerDlgCommandsTest, ExportWritesTheEngineReportToExactlyTheNameTyped)
{
    Go("/");
    ASSERT_EQ(m_dlg.GetListBox().GetRowCount(), 3);
    Export(Path("report"));
    // No extension added.
    EXPECT_EQ(ReadFile(LocalPath("report")), EngineReport());
    EXPECT_FALSE(QFile::exists(Path("report.html")));
    EXPECT_NE(EngineReport().find("missing.html"), std::string::npos);
}

TEST_F(CheckerDlgCommandsTest, ExportWithTheFilterOnStillHasEveryLink)
{
    Go("/");
    QTest::mouseClick(m_dlg.GetDlgItem(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    ASSERT_EQ(m_dlg.GetListBox().GetRowCount(), 1);
    Export(Path("filtered.html"));
    const std::string strReport = ReadFile(LocalPath("filtered.html"));
    EXPECT_EQ(strReport, EngineReport());
    for (const char* pszLink : {"/ok.html", "/missing.html", "/port.html"})
        EXPECT_NE(strReport.find(pszLink), std::string::npos) << pszLink;
}

TEST_F(CheckerDlgCommandsTest, ExportingTwiceAfterConfirmingReplacesTheFile)
{
    Go("/");
    Export(Path("twice.html"));
    int nQuestions = 0;
    Export(Path("twice.html"), [&nQuestions](QWidget* pModal) {
        auto* pBox = qobject_cast<QMessageBox*>(pModal);
        ASSERT_NE(pBox, nullptr);
        ++nQuestions;
        pBox->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(nQuestions, 1);
    EXPECT_EQ(ReadFile(LocalPath("twice.html")), EngineReport());
}

TEST_F(CheckerDlgCommandsTest, AFailedExportSaysWhyAndKeepsTheOldFile)
{
    // Regression: a report that could not be written was silently dropped,
    // or left half written over the old one, while the user believed it saved.
    Go("/");
    struct Case {
        const char* pszName;
        QString strPath;
        const char* pszReason;
    };
    const std::vector<Case> cases = {
        {"folder that does not exist", Path("no such folder/report.html"), "No such file"},
        {"disk full", Path("old.html"), "File too large"},
    };
    const std::string strOld = "the old report\n";
    ASSERT_TRUE(WriteFile(Path("old.html"), strOld));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        QString strMessage;
        {
            CFileSizeLimit limit(strOld.size());
            Export(c.strPath, [&strMessage](QWidget* pModal) {
                auto* pBox = qobject_cast<QMessageBox*>(pModal);
                if (!pBox || pBox->text().contains(QStringLiteral("replace"))) {
                    // The question before replacing the old report.
                    static_cast<QMessageBox*>(pModal)->button(QMessageBox::Yes)->click();
                    return;
                }
                strMessage = pBox->text();
                pBox->button(QMessageBox::Ok)->click();
            });
        }
        EXPECT_TRUE(strMessage.contains(c.strPath)) << strMessage.toStdString();
        EXPECT_TRUE(strMessage.contains(QString::fromLatin1(c.pszReason))) << strMessage.toStdString();
        EXPECT_EQ(ReadFile(LocalPath("old.html")), strOld);
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList {"old.html"});
    }
}

TEST_F(CheckerDlgCommandsTest, ExportDoesNothingBeforeACrawlHasStarted)
{
    bool bDialogShown = false;
    const auto watch = [&bDialogShown] {
        return RepeatUntil(qApp, [&bDialogShown] {
            if (QWidget* pModal = QApplication::activeModalWidget()) {
                bDialogShown = true;
                pModal->close();
            }
            return false;
        });
    };
    QPointer<QTimer> pTimer = watch();
    // Before the first Go: no crawler.
    m_dlg.OnFileExport();
    EXPECT_FALSE(bDialogShown);
    delete pTimer;

    // A Go whose file dialog was cancelled: a crawler that never started.
    HandleNextModal(&m_dlg, [](QWidget* pModal) { static_cast<QDialog*>(pModal)->reject(); });
    static_cast<QLineEdit*>(m_dlg.GetDlgItem(IDC_URL))->clear();
    QTest::mouseClick(m_dlg.GetDlgItem(IDC_GO), Qt::LeftButton);
    ASSERT_NE(m_dlg.GetCrawler(), nullptr);
    pTimer = watch();
    m_dlg.GetMenuAction(ID_FILE_EXPORT)->trigger();
    EXPECT_FALSE(bDialogShown);
    delete pTimer;
}

TEST_F(CheckerDlgCommandsTest, ExportDuringACrawlHoldsTheLinksFoundSoFar)
{
    std::string strAtExport;
    RepeatUntil(&m_dlg, [this, &strAtExport] {
        if (!m_dlg.IsCrawling() || m_dlg.GetListBox().GetRowCount() == 0)
            return false;
        Export(Path("during.html"));
        strAtExport = EngineReport();
        return true;
    });
    Go("/deep.html", true);
    ASSERT_FALSE(strAtExport.empty());
    EXPECT_EQ(ReadFile(LocalPath("during.html")), strAtExport);
    // The crawl went on to its end afterwards.
    EXPECT_EQ(m_dlg.GetCrawler()->GetLinks()->GetSize(), 3);
    EXPECT_NE(EngineReport(), strAtExport);
}

TEST_F(CheckerDlgCommandsTest, CopyPutsTheRowsUrlWithoutPortOrFragment)
{
    Go("/");
    ASSERT_TRUE(SelectRow(QStringLiteral("/port.html")));
    CopyWithMenu(ID_EDIT_COPY);
    EXPECT_EQ(Clipboard(), QStringLiteral("http://127.0.0.1/port.html"));
    CopyWithMenu(ID_COPY_REFERRER);
    EXPECT_EQ(Clipboard(), SelectedReferrerURL());
    EXPECT_FALSE(Clipboard().contains(QString::number(m_server.GetPort())));
}

TEST_F(CheckerDlgCommandsTest, CopyUnderTheFilterUsesTheRowsOwnLink)
{
    Go("/");
    QTest::mouseClick(m_dlg.GetDlgItem(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    ASSERT_TRUE(SelectRow(QStringLiteral("/missing.html")));
    CopyWithMenu(ID_EDIT_COPY);
    EXPECT_EQ(Clipboard(), QStringLiteral("http://127.0.0.1/missing.html"));
    CopyWithMenu(ID_COPY_REFERRER);
    EXPECT_EQ(Clipboard(), SelectedReferrerURL());
}

TEST_F(CheckerDlgCommandsTest, CopyWithoutASelectionOrALinkLeavesTheClipboard)
{
    const QString strBefore = QStringLiteral("kept");
    for (bool bCrawled : {false, true}) {
        SCOPED_TRACE(bCrawled ? "after a crawl" : "before the first Go");
        if (bCrawled)
            Go("/");
        QGuiApplication::clipboard()->setText(strBefore);
        ASSERT_EQ(m_dlg.GetListBox().GetSelectedLink(), nullptr);
        CopyWithMenu(ID_EDIT_COPY);
        CopyWithMenu(ID_COPY_REFERRER);
        EXPECT_EQ(Clipboard(), strBefore);
        EXPECT_FALSE(m_dlg.CopyLinkToClipboard(nullptr));
        EXPECT_EQ(Clipboard(), strBefore);
    }
}
