// Options > Modern Web Checks: the menu item and its memory between runs.

#include "support/GuiTestSupport.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

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
    QTRY_COMPARE(QApplication::activePopupWidget(), dlg.findChild<QMenu*>(QStringLiteral("Options")));
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_M);
    QTRY_VERIFY(ModernItem()->isChecked());
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
