// The main dialog as it opens: controls, menu, states and the About box.

#include "ui/CheckerDlg.h"
#include "support/GuiTestSupport.h"
#include "winsys/DialogUnits.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class CheckerDlgTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
    }

    // Closes every modal window that comes up, noting its class.
    QTimer* CloseModalsInto(std::vector<std::string>& opened)
    {
        return RepeatUntil(&m_dlg, [&opened] {
            if (QWidget* pModal = QApplication::activeModalWidget()) {
                opened.push_back(pModal->metaObject()->className());
                pModal->close();
            }
            return false;
        });
    }

    CCheckerDlg m_dlg;
};

} // namespace

TEST_F(CheckerDlgTest, ControlsFollowTheTemplate)
{
    struct Control {
        int nID;
        const char* pszName;
        const char* pszClass;
        const char* pszCaption;
        int x, y, cx, cy;
        bool bEnabled;
    };
    const std::vector<Control> controls = {
        {IDC_URL, "IDC_URL", "QLineEdit", "", 32, 44, 294, 14, true},
        {IDC_GO, "IDC_GO", "QPushButton", "&Go!", 338, 45, 31, 12, true},
        {IDC_STOP, "IDC_STOP", "QPushButton", "S&top", 379, 45, 31, 12, false},
        {IDC_LINK_LIST, "IDC_LINK_LIST", "CLinkListBox", "", 5, 80, 406, 113, true},
        {IDC_RECURSIVE, "IDC_RECURSIVE", "QCheckBox", "&Do Resursive Search", 114, 13, 97, 12, true},
        {IDC_EXPLORE_CGI, "IDC_EXPLORE_CGI", "QCheckBox", "&Explore CGI URLs", 114, 27, 73, 12, true},
        {IDC_SHOW_ONLY_BAD, "IDC_SHOW_ONLY_BAD", "QCheckBox", "&Show only Bad URLs", 211, 27, 87, 12, true},
        {IDC_URL_LABEL, "IDC_URL_LABEL", "QLabel", "&URL:", 7, 46, 22, 10, true},
        {IDC_LINK_COUNT_LABEL, "IDC_LINK_COUNT_LABEL", "QLabel", "&Link Count: ", 8, 194, 42, 12, true},
        {IDC_HEADER_REFERRER, "IDC_HEADER_REFERRER", "QLabel", "Referring Page", 5, 65, 113, 12, true},
        {IDC_HEADER_LINK, "IDC_HEADER_LINK", "QLabel", "Link", 117, 65, 195, 12, true},
        {IDC_HEADER_STATUS, "IDC_HEADER_STATUS", "QLabel", "Status", 311, 65, 99, 12, true},
        // The template's "Static" is replaced by the count when the dialog opens.
        {IDC_LINK_COUNT, "IDC_LINK_COUNT", "QLabel", "0", 51, 194, 38, 8, true},
    };
    const CDialogUnits units(m_dlg.font());
    // The layout at the opening size puts every control right of its
    // template place by the frame's left edge and above it by the frame's
    // bottom edge, and the count's bottom on its label's bottom.
    const QRect rcFrame = m_dlg.frameGeometry();
    const int nFrameLeft = m_dlg.geometry().left() - rcFrame.left();
    const int nFrameBottom = rcFrame.bottom() - m_dlg.geometry().bottom();
    const auto placed
        = [nFrameLeft, nFrameBottom](const QRect& rc) { return rc.translated(nFrameLeft, -nFrameBottom); };
    const int nCountBottom = placed(units.MapDialogRect(8, 194, 42, 12)).bottom();
    for (const Control& c : controls) {
        SCOPED_TRACE(c.pszName);
        QWidget* pControl = m_dlg.findChild<QWidget*>(QString::fromLatin1(c.pszName));
        ASSERT_NE(pControl, nullptr);
        EXPECT_EQ(pControl, m_dlg.GetDlgItem(c.nID));
        EXPECT_STREQ(pControl->metaObject()->className(), c.pszClass);
        QString strCaption;
        if (auto* pButton = qobject_cast<QAbstractButton*>(pControl))
            strCaption = pButton->text();
        else if (auto* pLabel = qobject_cast<QLabel*>(pControl))
            strCaption = pLabel->text();
        else if (auto* pEdit = qobject_cast<QLineEdit*>(pControl))
            strCaption = pEdit->text();
        EXPECT_EQ(strCaption, QString::fromLatin1(c.pszCaption));
        QRect rcExpected = placed(units.MapDialogRect(c.x, c.y, c.cx, c.cy));
        if (c.nID == IDC_LINK_COUNT)
            rcExpected.moveBottom(nCountBottom);
        EXPECT_EQ(pControl->geometry(), rcExpected);
        EXPECT_EQ(pControl->isEnabled(), c.bEnabled);
    }
    // The pictures keep their bitmaps' own sizes at their template places.
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_LOGO_LEFT)->geometry(),
        placed(QRect(QPoint(units.MapX(7), units.MapY(7)), QSize(82, 38))));
    EXPECT_EQ(m_dlg.GetDlgItem(IDC_LOGO_RIGHT)->geometry(),
        placed(QRect(QPoint(units.MapX(333), units.MapY(8)), QSize(118, 36))));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Lintrel"));
    EXPECT_FALSE(m_dlg.windowIcon().isNull());
    EXPECT_TRUE(static_cast<QPushButton*>(m_dlg.GetDlgItem(IDC_GO))->isDefault());
    EXPECT_EQ(m_dlg.focusWidget(), m_dlg.GetDlgItem(IDC_URL));
}

TEST_F(CheckerDlgTest, TabOrderIsTheTemplateOrder)
{
    const std::vector<int> order
        = {IDC_URL, IDC_GO, IDC_STOP, IDC_LINK_LIST, IDC_RECURSIVE, IDC_EXPLORE_CGI, IDC_SHOW_ONLY_BAD};
    std::vector<int> chain;
    QWidget* pWidget = m_dlg.GetDlgItem(IDC_URL);
    for (int n = 0; n < 200 && chain.size() < order.size(); ++n, pWidget = pWidget->nextInFocusChain()) {
        for (int nID : order) {
            if (m_dlg.GetDlgItem(nID) == pWidget)
                chain.push_back(nID);
        }
    }
    EXPECT_EQ(chain, order);
    // Both labels' mnemonics lead to the URL box.
    EXPECT_EQ(static_cast<QLabel*>(m_dlg.GetDlgItem(IDC_URL_LABEL))->buddy(), m_dlg.GetDlgItem(IDC_URL));
    EXPECT_EQ(static_cast<QLabel*>(m_dlg.GetDlgItem(IDC_LINK_COUNT_LABEL))->buddy(), m_dlg.GetDlgItem(IDC_URL));
}

TEST_F(CheckerDlgTest, MenuItemsPromptsAndNoAccelerators)
{
    struct Item {
        int nID;
        const char* pszText;
        const char* pszPrompt;
    };
    const std::vector<Item> items = {
        {ID_FILE_EXPORT, "&Export...", "Export the current list as an HTML file"},
        {ID_FILE_EXIT, "E&xit", ""},
        {ID_EDIT_COPY, "&Copy", "Copy the complete URL for the highlighted link"},
        {ID_COPY_REFERRER, "C&opy Referrer", "Copy the referring URL for the highlighted link"},
        {ID_HELP_ABOUT, "&About Lintrel...", ""},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.pszText);
        QAction* pAction = m_dlg.GetMenuAction(item.nID);
        ASSERT_NE(pAction, nullptr);
        EXPECT_EQ(pAction->text(), QString::fromLatin1(item.pszText));
        EXPECT_EQ(pAction->statusTip(), QString::fromLatin1(item.pszPrompt));
        EXPECT_TRUE(pAction->shortcut().isEmpty());
    }
    QMenu* pFile = m_dlg.findChild<QMenu*>(QStringLiteral("File"));
    ASSERT_NE(pFile, nullptr);
    ASSERT_EQ(pFile->actions().size(), 3);
    EXPECT_TRUE(pFile->actions().at(1)->isSeparator());
}

TEST_F(CheckerDlgTest, AltEWorksTheCheckBoxNotTheEditMenu)
{
    // Regression: Alt+E names both "&Explore CGI URLs" and the "&Edit" menu;
    // it took turns focusing the box and opening the menu, never checking it.
    auto* pExplore = static_cast<QCheckBox*>(m_dlg.GetDlgItem(IDC_EXPLORE_CGI));
    m_dlg.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dlg));
    m_dlg.GetDlgItem(IDC_URL)->setFocus();
    for (bool bExpected : {true, false}) {
        QTest::keyClick(m_dlg.focusWidget(), Qt::Key_E, Qt::AltModifier);
        EXPECT_TRUE(WaitFor([&] { return pExplore->isChecked() == bExpected; }, 2000));
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
    // The other mnemonics work as before.
    QTest::keyClick(m_dlg.focusWidget(), Qt::Key_D, Qt::AltModifier);
    auto* pRecursive = static_cast<QCheckBox*>(m_dlg.GetDlgItem(IDC_RECURSIVE));
    EXPECT_TRUE(WaitFor([pRecursive] { return pRecursive->isChecked(); }, 2000));
    EXPECT_EQ(static_cast<QLineEdit*>(m_dlg.GetDlgItem(IDC_URL))->text(), QString());
    QTest::keyClick(m_dlg.focusWidget(), Qt::Key_H, Qt::AltModifier);
    EXPECT_TRUE(WaitFor([] { return QApplication::activePopupWidget() != nullptr; }, 2000));
    if (QWidget* pPopup = QApplication::activePopupWidget())
        pPopup->close();
}

TEST_F(CheckerDlgTest, CommandStatesBeforeTheFirstGo)
{
    QMenu* pEdit = m_dlg.findChild<QMenu*>(QStringLiteral("Edit"));
    ASSERT_NE(pEdit, nullptr);
    m_dlg.GetMenuAction(ID_COPY_REFERRER)->setEnabled(true);
    // The state is worked out as the menu opens.
    pEdit->popup(m_dlg.mapToGlobal(QPoint(10, 10)));
    pEdit->hide();
    EXPECT_FALSE(m_dlg.GetMenuAction(ID_COPY_REFERRER)->isEnabled());
    EXPECT_TRUE(m_dlg.GetMenuAction(ID_EDIT_COPY)->isEnabled());
    EXPECT_TRUE(m_dlg.GetMenuAction(ID_FILE_EXPORT)->isEnabled());
    // Commands that need a crawler do nothing before the first Go.
    m_dlg.OnEditCopy();
    m_dlg.OnCopyReferrer();
    m_dlg.OnFileExport();
    m_dlg.OnStop();
    EXPECT_EQ(m_dlg.GetCrawler(), nullptr);
}

TEST_F(CheckerDlgTest, ShowOnlyBadBeforeTheFirstGoChangesOnlyTheBox)
{
    QTest::mouseClick(m_dlg.GetDlgItem(IDC_SHOW_ONLY_BAD), Qt::LeftButton);
    EXPECT_TRUE(static_cast<QCheckBox*>(m_dlg.GetDlgItem(IDC_SHOW_ONLY_BAD))->isChecked());
    EXPECT_FALSE(m_dlg.GetListBox().IsOnlyBad());
}

TEST_F(CheckerDlgTest, AboutBoxFromTheHelpMenuAndTheBackgroundMenu)
{
    std::vector<std::string> opened;
    QTimer* pCloser = CloseModalsInto(opened);
    m_dlg.GetMenuAction(ID_HELP_ABOUT)->trigger();
    // Every command id from 16 to 31 is the About item; 32 is not.
    m_dlg.OnSysCommand(IDM_ABOUTBOX);
    m_dlg.OnSysCommand(31);
    m_dlg.OnSysCommand(32);
    pCloser->stop();
    EXPECT_EQ(opened, (std::vector<std::string> {"CAboutDlg", "CAboutDlg", "CAboutDlg"}));

    // The background's context menu carries the About item.
    bool bMenuShown = false;
    HandleNextModal(&m_dlg, [&bMenuShown](QWidget* pPopup) {
        auto* pMenu = qobject_cast<QMenu*>(pPopup);
        bMenuShown = pMenu && !pMenu->actions().isEmpty()
            && pMenu->actions().last()->text() == QStringLiteral("&About Lintrel...");
        if (!pMenu) {
            pPopup->close();
            return;
        }
        pMenu->setActiveAction(pMenu->actions().last());
        QTest::keyClick(pMenu, Qt::Key_Return);
    });
    opened.clear();
    pCloser = CloseModalsInto(opened);
    const QPoint ptBackground = m_dlg.GetDlgItem(IDC_HEADER_LINK)->geometry().center();
    QWidget* pClient = m_dlg.GetDlgItem(IDC_HEADER_LINK)->parentWidget();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pClient->mapTo(&m_dlg, ptBackground),
        m_dlg.mapToGlobal(pClient->mapTo(&m_dlg, ptBackground)));
    QCoreApplication::sendEvent(&m_dlg, &event);
    pCloser->stop();
    EXPECT_TRUE(bMenuShown);
    EXPECT_EQ(opened, std::vector<std::string> {"CAboutDlg"});
}
