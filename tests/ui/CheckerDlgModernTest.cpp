// The window with Modern Web Checks on, against a site on loopback: marked
// verdicts, the details pane, opening links, the running summary, the
// settings and a settings file, a folder of pages and every export format.

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "results/ModernRowStyle.h"
#include "support/GuiTestSupport.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"
#include "ui/CheckerDlg.h"
#include "ui/DetailsPane.h"
#include "ui/SettingsDlg.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <pugixml.hpp>

#include <filesystem>
#include <fstream>
#include <memory>

namespace {

// The browser, as the desktop would be handed a URL.
class CUrlRecorder : public QObject {
    Q_OBJECT

public:
    QStringList m_urls;

public slots:
    void Open(const QUrl& url) { m_urls << url.toString(QUrl::FullyEncoded); }
};

// Two places name /moved, which redirects for good.
const char* const PAGE = "<p>\n<a href=moved>one</a>\n  <a href=moved>two</a>\n"
                         "<a href=missing>m</a> <a href=forbidden>f</a>\n";

class CheckerDlgModernTest : public testing::Test {
protected:
    void SetUp() override
    {
        QSettings().clear();
        QSettings().setValue("ModernWebChecks", true);
        m_server.AddRoutes(
            {{"/", 200, "text/html", PAGE, {}}, {"/moved", 301, "text/html", "", {{"Location", "/target"}}},
                {"/target", 200, "text/html", "", {}}, {"/forbidden", 403, "text/html", "", {}}});
        m_server.Start();
        m_pDlg = std::make_unique<CCheckerDlg>();
        m_pDlg->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pDlg.get()));
        QDesktopServices::setUrlHandler("http", &m_browser, "Open");
        QDesktopServices::setUrlHandler("file", &m_browser, "Open");
    }

    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler("http");
        QDesktopServices::unsetUrlHandler("file");
        m_pDlg.reset();
        QSettings().clear();
    }

    void Go()
    {
        static_cast<QLineEdit*>(m_pDlg->GetDlgItem(IDC_URL))->setText(QString::fromStdString(m_server.GetURL("/")));
        QTest::mouseClick(m_pDlg->GetDlgItem(IDC_GO), Qt::LeftButton);
    }

    // Selects the row whose link ends in strEnd; false without one.
    bool Select(const std::string& strEnd)
    {
        CLinkListBox& list = m_pDlg->GetListBox();
        for (int n = 0; n < list.GetRowCount(); ++n) {
            const std::string strURL = list.GetLinkAt(n)->GetFullURL();
            if (strURL.size() >= strEnd.size()
                && strURL.compare(strURL.size() - strEnd.size(), strEnd.size(), strEnd) == 0) {
                list.setCurrentIndex(list.model()->index(n, 0));
                return true;
            }
        }
        return false;
    }

    // Runs fnAct; the next modal window goes to fnHandle, which closes it.
    void WithModal(const std::function<void()>& fnAct, std::function<void(QWidget*)> fnHandle)
    {
        HandleNextModal(m_pDlg.get(), std::move(fnHandle));
        fnAct();
    }

    CTestServer m_server;
    CUrlRecorder m_browser;
    std::unique_ptr<CCheckerDlg> m_pDlg;
};

} // namespace

TEST_F(CheckerDlgModernTest, BadRowsAreMarkedAndTheSummaryCountsEachVerdict)
{
    Go();
    CLinkListBox& list = m_pDlg->GetListBox();
    EXPECT_EQ(list.GetSelectedLink(), nullptr);
    ASSERT_TRUE(Select("/missing"));
    EXPECT_EQ(list.GetMark(*list.GetSelectedLink()).strName, QStringLiteral("broken"));
    ASSERT_TRUE(Select("/forbidden"));
    EXPECT_EQ(list.GetMark(*list.GetSelectedLink()).strName, QStringLiteral("blocked"));
    ASSERT_TRUE(Select("/moved"));
    EXPECT_FALSE(list.GetMark(*list.GetSelectedLink()).bMarked);
    QTRY_COMPARE(
        m_pDlg->GetSummaryText(), QStringLiteral("ok 1   broken 1   blocked 1   transient 0   pages 1   waiting 0"));
}

TEST_F(CheckerDlgModernTest, DetailsPaneFollowsTheSelectionWithEveryOccurrenceAndTheRedirect)
{
    Go();
    CDetailsPane& pane = *m_pDlg->GetDetailsPane();
    EXPECT_TRUE(pane.isVisible());
    EXPECT_TRUE(pane.GetDetailsText().startsWith(QStringLiteral("ok 1")));
    ASSERT_TRUE(Select("/moved"));
    const QString strPage = QString::fromStdString(m_server.GetURL("/"));
    const QString strDetails = pane.GetDetailsText();
    EXPECT_TRUE(strDetails.contains(QStringLiteral("Final URL: ") + QString::fromStdString(m_server.GetURL("/target"))))
        << strDetails.toStdString();
    EXPECT_TRUE(strDetails.contains(QStringLiteral("Redirects: permanent"))) << strDetails.toStdString();
    EXPECT_TRUE(strDetails.contains(QStringLiteral("Verdict: ok"))) << strDetails.toStdString();
    EXPECT_EQ(pane.GetOccurrenceTexts(), (QStringList {strPage + ":2:1", strPage + ":3:3"}));
    pane.GetOccurrenceList().setCurrentRow(1);
    EXPECT_TRUE(pane.CopyOccurrence());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), strPage + ":3:3");
    EXPECT_TRUE(pane.OpenOccurrence());
    EXPECT_EQ(m_browser.m_urls, QStringList {strPage});
}

TEST_F(CheckerDlgModernTest, OpenLinkAndEnterOnARowHandTheListedUrlToTheBrowserAndNeverPressGo)
{
    QAction* pOpen = m_pDlg->GetMenuAction(ID_OPEN_LINK);
    ASSERT_NE(pOpen, nullptr);
    EXPECT_EQ(pOpen->text(), QStringLiteral("Open &Link"));
    EXPECT_EQ(m_pDlg->GetMenuAction(ID_OPEN_REFERRER)->text(), QStringLiteral("Open &Referring Page"));
    Go();
    EXPECT_FALSE(pOpen->isEnabled());
    ASSERT_TRUE(Select("/moved"));
    EXPECT_TRUE(pOpen->isEnabled());
    pOpen->trigger();
    m_pDlg->GetMenuAction(ID_OPEN_REFERRER)->trigger();
    CLinkListBox& list = m_pDlg->GetListBox();
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_Return);
    const QString strMoved = QString::fromStdString(m_server.GetURL("/moved"));
    QTRY_COMPARE(m_browser.m_urls, (QStringList {strMoved, QString::fromStdString(m_server.GetURL("/")), strMoved}));
    EXPECT_EQ(m_server.CountRequests("GET", "/"), 1);
}

TEST_F(CheckerDlgModernTest, SettingsRoundTripThroughQSettingsAndABadPatternIsRefusedAtItsField)
{
    const auto Fill = [](QWidget* pModal, const QString& strExclude) {
        auto* pSettings = qobject_cast<CSettingsDlg*>(pModal);
        ASSERT_NE(pSettings, nullptr);
        pSettings->findChild<QLineEdit*>("rate")->setText("5");
        pSettings->findChild<QLineEdit*>("per-host")->setText("2");
        pSettings->findChild<QLineEdit*>("accept")->setText("200-299,403");
        pSettings->findChild<QPlainTextEdit*>("exclude")->setPlainText(strExclude);
        pSettings->accept();
        if (pSettings->isVisible()) {
            EXPECT_TRUE(pSettings->GetError().contains("exclude")) << pSettings->GetError().toStdString();
            EXPECT_EQ(pSettings->focusWidget(), pSettings->findChild<QPlainTextEdit*>("exclude"));
            pSettings->reject();
        }
    };
    QAction* pSettings = m_pDlg->GetMenuAction(ID_OPTIONS_SETTINGS);
    ASSERT_NE(pSettings, nullptr);
    WithModal([pSettings] { pSettings->trigger(); }, [&Fill](QWidget* pModal) { Fill(pModal, "(unclosed"); });
    EXPECT_FALSE(QSettings().contains("Modern/rate"));
    WithModal([pSettings] { pSettings->trigger(); }, [&Fill](QWidget* pModal) { Fill(pModal, "missing$"); });
    QSettings stored;
    EXPECT_EQ(stored.value("Modern/rate").toInt(), 5);
    EXPECT_EQ(stored.value("Modern/per-host").toInt(), 2);
    EXPECT_EQ(stored.value("Modern/accept").toString(), QStringLiteral("200-299,403"));
    EXPECT_EQ(stored.value("Modern/exclude").toStringList(), QStringList {"missing$"});
    EXPECT_EQ(
        CWindowSettings::Load().MakeArguments(), CSettingsDlg(CWindowSettings::Load()).GetSettings().MakeArguments());
    // The next Go takes them: the excluded link is neither checked nor listed.
    Go();
    EXPECT_EQ(m_server.CountRequests("HEAD", "/missing") + m_server.CountRequests("GET", "/missing"), 0);
    EXPECT_FALSE(Select("/missing"));
}

TEST_F(CheckerDlgModernTest, SettingsFileIsReadAsTheCommandLineReadsItAndAnUnknownKeyIsRefusedWithItsLine)
{
    const std::filesystem::path good = TempPath("settings", ".toml");
    std::ofstream(good) << "rate = 7\nexclude = [\"\\\\.pdf$\"]\n";
    EXPECT_TRUE(m_pDlg->LoadSettingsFile(QString::fromStdString(good.string())));
    EXPECT_EQ(QSettings().value("Modern/rate").toInt(), 7);
    EXPECT_EQ(QSettings().value("Modern/exclude").toStringList(), QStringList {"\\.pdf$"});
    const std::filesystem::path bad = TempPath("settings", ".toml");
    std::ofstream(bad) << "retries = 1\nper-hots = 3\n";
    QString strMessage;
    WithModal([&] { EXPECT_FALSE(m_pDlg->LoadSettingsFile(QString::fromStdString(bad.string()))); },
        [&strMessage](QWidget* pModal) {
            strMessage = static_cast<QMessageBox*>(pModal)->text();
            pModal->close();
        });
    EXPECT_TRUE(strMessage.contains(QString::fromStdString(bad.string()) + ":2")) << strMessage.toStdString();
    EXPECT_TRUE(strMessage.contains("per-hots")) << strMessage.toStdString();
    EXPECT_EQ(QSettings().value("Modern/retries", 2).toInt(), 2);
    std::filesystem::remove(good);
    std::filesystem::remove(bad);
}

TEST_F(CheckerDlgModernTest, CheckFolderChecksEveryPageOfAFolder)
{
    const std::filesystem::path folder = TempPath("site");
    std::filesystem::create_directories(folder / "sub");
    std::ofstream(folder / "index.html") << "<a href=sub/b.html>b</a> <a href=gone.html>g</a>\n";
    std::ofstream(folder / "sub" / "b.html") << "<a href=../index.html>i</a>\n";
    m_pDlg->CheckFolder(QString::fromStdString(folder.string()));
    const CLinkArray& links = *m_pDlg->GetCrawler()->GetLinks();
    std::vector<std::string> rows;
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos)
        rows.push_back(links.GetAt(nPos)->GetFullURL() + " " + links.GetAt(nPos)->GetStatusText());
    const std::string strRoot = "file://" + folder.string();
    EXPECT_NE(std::find(rows.begin(), rows.end(), strRoot + "/sub/b.html OK"), rows.end());
    EXPECT_NE(std::find(rows.begin(), rows.end(), strRoot + "/gone.html Not Found"), rows.end());
    std::filesystem::remove_all(folder);
}

TEST_F(CheckerDlgModernTest, ExportWritesEachFormatItsFilterNames)
{
    Go();
    struct SCase {
        const char* pszFilter;
        const char* pszExtension;
        std::function<void(const std::string&)> fnCheck;
    };
    const SCase cases[] = {
        {"JSON (*.json)", ".json",
            [](const std::string& strText) {
                const nlohmann::json document = nlohmann::json::parse(strText);
                EXPECT_EQ(document["rows"].size(), 3U);
                EXPECT_EQ(document["summary"]["verdicts"]["broken"], 1);
            }},
        {"SARIF (*.sarif)", ".sarif",
            [](const std::string& strText) { EXPECT_EQ(nlohmann::json::parse(strText)["version"], "2.1.0"); }},
        {"JUnit (*.xml)", ".xml",
            [](const std::string& strText) {
                pugi::xml_document document;
                ASSERT_TRUE(document.load_string(strText.c_str()));
                EXPECT_EQ(document.child("testsuite").attribute("tests").as_int(), 3);
            }},
        {"Markdown (*.md)", ".md",
            [](const std::string& strText) { EXPECT_NE(strText.find("missing"), std::string::npos); }},
        {"TSV (*.tsv)", ".tsv",
            [](const std::string& strText) { EXPECT_NE(strText.find("\t404\t"), std::string::npos); }},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.pszFilter);
        const std::filesystem::path stem = TempPath("export");
        WithModal([this] { m_pDlg->GetMenuAction(ID_FILE_EXPORT)->trigger(); },
            [&test, &stem](QWidget* pModal) {
                auto* pFiles = qobject_cast<QFileDialog*>(pModal);
                ASSERT_NE(pFiles, nullptr);
                EXPECT_TRUE(pFiles->nameFilters().contains(test.pszFilter));
                pFiles->selectNameFilter(test.pszFilter);
                pFiles->selectFile(QString::fromStdString(stem.string()));
                QMetaObject::invokeMethod(pFiles, "accept", Qt::QueuedConnection);
            });
        const std::filesystem::path written = stem.string() + test.pszExtension;
        ASSERT_TRUE(std::filesystem::exists(written));
        test.fnCheck(ReadFile(written));
        std::filesystem::remove(written);
    }
}

TEST_F(CheckerDlgModernTest, NothingNewShowsWithModernWebChecksOff)
{
    m_pDlg->GetMenuAction(ID_OPTIONS_MODERN)->trigger();
    for (int nID :
        {ID_OPEN_LINK, ID_OPEN_REFERRER, ID_OPTIONS_SETTINGS, ID_OPTIONS_LOAD_SETTINGS, ID_FILE_CHECK_FOLDER})
        EXPECT_EQ(m_pDlg->GetMenuAction(nID), nullptr) << nID;
    EXPECT_FALSE(m_pDlg->GetDetailsPane()->isVisible());
    EXPECT_EQ(m_pDlg->GetSummaryText(), QString());
    EXPECT_EQ(m_pDlg->GetDlgItem(IDC_LINK_LIST)->parentWidget(), m_pDlg->GetDlgItem(IDC_GO)->parentWidget());
}

#include "CheckerDlgModernTest.moc"
