// How each mode's rows name and mark their links: the colours, icon and
// name the row drawing is given per verdict, and which links lose their
// site prefix.

#include "link/Link.h"
#include "link/WebLink.h"
#include "results/ClassicRowStyle.h"
#include "results/LinkListBox.h"
#include "results/ModernRowStyle.h"

#include <QApplication>
#include <QPalette>

#include <gtest/gtest.h>

#include <memory>

TEST(RowStyleTest, ModernMarksEveryVerdictButOkAndSaysItWithoutColour)
{
    struct SCase {
        EVerdict eVerdict;
        bool bMarked;
        QColor expected;
        const char* pszName;
    };
    const QPalette light(Qt::black, Qt::white);
    const QColor RED(0xc0, 0x00, 0x00);
    const QColor AMBER(0xb0, 0x6a, 0x00);
    const SCase cases[] = {
        {EVerdict::OK, false, QColor(), ""},
        {EVerdict::NONE, false, QColor(), ""},
        {EVerdict::BROKEN, true, RED, "broken"},
        {EVerdict::BLOCKED, true, AMBER, "blocked"},
        {EVerdict::TRANSIENT, true, AMBER, "transient"},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.pszName);
        const SRowMark mark = CModernRowStyle::MarkOf(test.eVerdict, light);
        EXPECT_EQ(mark.bMarked, test.bMarked);
        EXPECT_EQ(mark.strName.toStdString(), test.pszName);
        EXPECT_EQ(mark.textColor, test.expected);
        EXPECT_EQ(mark.icon.isNull(), !test.bMarked);
    }
    // The icons differ, so broken and the others are told apart in grey too.
    EXPECT_NE(CModernRowStyle::MarkOf(EVerdict::BROKEN, light).icon.cacheKey(),
        CModernRowStyle::MarkOf(EVerdict::BLOCKED, light).icon.cacheKey());
}

TEST(RowStyleTest, ModernMarkStaysReadableOnADarkBase)
{
    QPalette dark;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Text, QColor(0xf0, 0xf0, 0xf0));
    for (EVerdict eVerdict : {EVerdict::BROKEN, EVerdict::BLOCKED}) {
        SCOPED_TRACE(GetVerdictName(eVerdict));
        const QColor color = CModernRowStyle::MarkOf(eVerdict, dark).textColor;
        EXPECT_GE(std::abs(color.lightness() - dark.color(QPalette::Base).lightness()), 0xd0 / 2);
    }
}

TEST(RowStyleTest, ClassicMarksNothing)
{
    CLink link("http://127.0.0.1/missing", nullptr);
    link.SetStatus(404, "Not Found");
    EXPECT_FALSE(CClassicRowStyle().GetMark(link, QPalette()).bMarked);
}

TEST(RowStyleTest, ModernDropsTheSitePrefixOnlyForTheStartPagesSchemeHostAndPort)
{
    struct SCase {
        const char* pszURL;
        const char* pszShown;
    };
    const CWebLink start("http://127.0.0.1:8801/", nullptr);
    const CModernRowStyle style(start);
    const SCase cases[] = {
        {"http://127.0.0.1:8801/a.html", "/a.html"},
        {"http://127.0.0.1:1/", "http://127.0.0.1:1/"},
        {"https://127.0.0.1:8801/a.html", "https://127.0.0.1:8801/a.html"},
        {"http://127.0.0.2:8801/", "http://127.0.0.2:8801/"},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.pszURL);
        const CWebLink link(test.pszURL, nullptr);
        EXPECT_EQ(style.GetLinkText(link, "127.0.0.1").toStdString(), test.pszShown);
    }
    // The default rules keep naming by host alone.
    const CLink other("http://127.0.0.1:1/", nullptr);
    EXPECT_EQ(CClassicRowStyle().GetLinkText(other, "127.0.0.1").toStdString(), "/");
}

TEST(RowStyleTest, TheListsTooltipAndAccessibleDescriptionNameAMarkedRowsVerdict)
{
    CWebLink start("http://127.0.0.1/", nullptr);
    CWebLink bad("http://127.0.0.1/missing", &start);
    bad.SetVerdict(EVerdict::BROKEN);
    CWebLink good("http://127.0.0.1/fine", &start);
    good.SetVerdict(EVerdict::OK);
    CLinkListBox list;
    list.SetRowStyle(std::make_unique<CModernRowStyle>(start));
    list.AddRow(&bad);
    list.AddRow(&good);
    const QAbstractItemModel& model = *list.model();
    EXPECT_EQ(model.data(model.index(0, 0), Qt::ToolTipRole).toString(), QStringLiteral("broken"));
    EXPECT_EQ(model.data(model.index(0, 0), Qt::AccessibleDescriptionRole).toString(), QStringLiteral("broken"));
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::ToolTipRole).isValid());
    list.SetRowStyle(nullptr);
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::ToolTipRole).isValid());
}
