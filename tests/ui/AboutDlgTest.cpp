#include "ui/AboutDlg.h"
#include "support/GuiTestSupport.h"
#include "winsys/DialogUnits.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutDlg, PlacesItsItems)
{
    CAboutDlg about;
    const CDialogUnits units(about.font());
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Lintrel"));
    EXPECT_EQ(about.size(), QSize(units.MapX(293), units.MapY(149)));
    auto* pPicture = about.findChild<QLabel*>(QStringLiteral("IDB_ABOUT"));
    ASSERT_NE(pPicture, nullptr);
    EXPECT_EQ(pPicture->geometry(), QRect(QPoint(units.MapX(7), units.MapY(7)), QSize(422, 178)));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("Copyright"))->geometry(), units.MapDialogRect(9, 123, 153, 8));
    auto* pWeb = about.findChild<QLabel*>(QStringLiteral("WebAddress"));
    EXPECT_EQ(pWeb->geometry(), units.MapDialogRect(9, 135, 119, 8));
    EXPECT_EQ(pWeb->textFormat(), Qt::PlainText);
    auto* pOk = about.findChild<QPushButton*>(QStringLiteral("IDOK"));
    ASSERT_NE(pOk, nullptr);
    EXPECT_EQ(pOk->geometry(), units.MapDialogRect(253, 127, 32, 14));
    EXPECT_TRUE(pOk->isDefault());

    HandleNextModal(&about, [](QWidget* pModal) {
        QTest::mouseClick(pModal->findChild<QPushButton*>(QStringLiteral("IDOK")), Qt::LeftButton);
    });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}
