#include "link/Link.h"
#include "results/DrawItemStruct.h"
#include "results/LinkListBox.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

namespace {

QFont FixedFont()
{
    QFont font(QStringLiteral("DejaVu Sans Mono"));
    font.setStyleHint(QFont::Monospace);
    // 10 px: DejaVu Sans Mono's advance is 6.016 px there, so texts of up to
    // 30 characters measure whole multiples of one character.
    font.setPixelSize(10);
    return font;
}

class FitTextTest : public testing::Test {
protected:
    void SetUp() override
    {
        const QFontMetrics metrics(FixedFont());
        m_nChar = metrics.horizontalAdvance(QStringLiteral("x"));
        if (m_nChar <= 0 || metrics.horizontalAdvance(QStringLiteral("abcdefghij")) != 10 * m_nChar
            || metrics.horizontalAdvance(QStringLiteral("...")) != 3 * m_nChar
            || metrics.horizontalAdvance(QStringLiteral("/very/long/path/file.html")) != 25 * m_nChar)
            FAIL() << "DejaVu Sans Mono (fonts-dejavu-core) is needed for whole-pixel widths";
    }

    QString Fit(const QString& strText, int nRoom, bool bKeepEnd) const
    {
        QString strFitted = strText;
        CLinkListBox::FitText(QFontMetrics(FixedFont()), strFitted, nRoom, bKeepEnd);
        return strFitted;
    }

    int m_nChar = 0;
};

} // namespace

TEST_F(FitTextTest, KeepingTheBeginningReservesTheEllipsisTwice)
{
    struct Case {
        int nRoomChars; // room in characters, then nExtra pixels more
        int nExtra;
        const char* pszExpected;
    };
    const std::vector<Case> cases = {
        {10, 0, "abcdefghij"}, // fits exactly: unchanged
        {11, 0, "abcdefghij"},
        {10, -1, "abc..."}, // room for 4 characters less a pixel: three kept
        {9, 0, "abc..."}, // exactly three characters' room after two ellipses
        {7, 0, "a..."},
        {6, 0, "..."}, // nothing left for the text: the ellipsis alone
        {0, 0, "..."},
        {0, -7, "..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszExpected);
        SCOPED_TRACE(c.nRoomChars);
        EXPECT_EQ(Fit(QStringLiteral("abcdefghij"), c.nRoomChars * m_nChar + c.nExtra, false),
            QString::fromLatin1(c.pszExpected));
    }
}

TEST_F(FitTextTest, KeepingTheEndReservesTheEllipsisOnce)
{
    struct Case {
        int nRoomChars;
        int nExtra;
        const char* pszExpected;
    };
    const std::vector<Case> cases = {
        {10, 0, "abcdefghij"},
        {9, 0, "...efghij"}, // six characters' room after one ellipsis: the result fills it
        {9, -1, "...fghij"},
        {4, 0, "...j"},
        {3, 0, "..."},
        {-2, 0, "..."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszExpected);
        EXPECT_EQ(Fit(QStringLiteral("abcdefghij"), c.nRoomChars * m_nChar + c.nExtra, true),
            QString::fromLatin1(c.pszExpected));
    }
}

TEST_F(FitTextTest, LongLinkInATwelveCharacterColumnKeepsItsFileName)
{
    EXPECT_EQ(Fit(QStringLiteral("/very/long/path/file.html"), 12 * m_nChar, true), QStringLiteral("...file.html"));
    EXPECT_EQ(Fit(QStringLiteral("/very/long/path/file.html"), 12 * m_nChar, false), QStringLiteral("/very/..."));
}

TEST_F(FitTextTest, EmptyTextInANegativeRoomBecomesTheEllipsis)
{
    EXPECT_EQ(Fit(QString(), 0, false), QString());
    EXPECT_EQ(Fit(QString(), -1, false), QStringLiteral("..."));
    EXPECT_EQ(Fit(QString(), -1, true), QStringLiteral("..."));
}

TEST(RowTexts, ColumnsOfARecord)
{
    CLink root("http://127.0.0.1/dir/index.html", nullptr);
    CLink onSite("page.html", &root);
    CLink otherHost("http://127.0.0.2/x/y.html", &root);
    CLink noReferrer("http://127.0.0.1/z.html", nullptr);
    CLink hostInCapitals("http://LOCALHOST/a.html", &root);
    CLink withPort("http://127.0.0.1:8080/p.html#top", &root);

    struct Case {
        const CLink* pLink;
        const char* pszReferrer;
        const char* pszLink;
    };
    const std::vector<Case> cases = {
        {&onSite, "/dir/index.html", "/dir/page.html"},
        {&otherHost, "/dir/index.html", "127.0.0.2/x/y.html"},
        {&noReferrer, "n/a", "/z.html"},
        {&withPort, "/dir/index.html", "/p.html"},
    };
    CLinkListBox list;
    list.SetSiteHost("127.0.0.1");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszLink);
        EXPECT_EQ(CLinkListBox::GetReferrerText(*c.pLink), QString::fromLatin1(c.pszReferrer));
        EXPECT_EQ(list.GetLinkText(*c.pLink), QString::fromLatin1(c.pszLink));
    }
    // Host names compare case-sensitively, as the crawler's site test does.
    list.SetSiteHost("localhost");
    EXPECT_EQ(list.GetLinkText(hostInCapitals), QStringLiteral("LOCALHOST/a.html"));
}

TEST(RowTexts, StatusIsCutToTwentyCharacters)
{
    struct Case {
        int nCode;
        const char* pszText;
        const char* pszShown;
    };
    const std::vector<Case> cases = {
        {-1, "", ""},
        {200, "OK", "OK"},
        {404, "Not Found", "Not Found"},
        {300, "12345678901234567890", "12345678901234567890"},
        {300, "Failed to connect to 127.0.0.1 port 9", "Failed to connect to"},
        {300, "A status of 25 chars long", "A status of 25 chars"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszText);
        CLink link("http://127.0.0.1/x.html", nullptr);
        if (c.nCode != -1)
            link.SetStatus(c.nCode, c.pszText);
        EXPECT_EQ(CLinkListBox::GetStatusColumnText(link), QString::fromLatin1(c.pszShown));
    }
}

namespace {

QImage DrawRow(CLinkListBox& list, CLink* pLink, unsigned nAction, unsigned nState, const QImage& background = QImage())
{
    QImage image = background.isNull() ? QImage(200, 20, QImage::Format_RGB32) : background;
    if (background.isNull())
        image.fill(Qt::darkGreen);
    QPainter painter(&image);
    CDrawItemStruct item;
    item.nItemAction = nAction;
    item.nItemState = nState;
    item.nItemID = 0;
    item.pDC = &painter;
    item.rcItem = QRect(0, 0, 200, 20);
    item.pItemData = pLink;
    list.DrawItem(item);
    return image;
}

} // namespace

TEST(RowDrawing, BackgroundShowsTheSelection)
{
    CLinkListBox list;
    CLink link("http://127.0.0.1/x.html", nullptr);
    const QColor highlight = list.palette().color(QPalette::Highlight);
    const QColor base = list.palette().color(QPalette::Base);
    ASSERT_NE(highlight.rgb(), base.rgb());

    struct Case {
        unsigned nAction;
        unsigned nState;
        QColor expected;
    };
    // A full repaint asks the list whether the row is selected (it has no
    // rows: not selected); a selection change goes by the state it is given.
    const std::vector<Case> cases = {
        {ODA_DRAWENTIRE, 0, base},
        {ODA_DRAWENTIRE, ODS_SELECTED, base},
        {ODA_SELECT, ODS_SELECTED, highlight},
        {ODA_SELECT, 0, base},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nAction * 16 + c.nState);
        const QImage image = DrawRow(list, &link, c.nAction, c.nState);
        EXPECT_EQ(QColor(image.pixel(199, 19)).rgb(), c.expected.rgb());
    }
    EXPECT_EQ(list.GetItemHeight(), 20);
}

TEST(RowDrawing, FocusRectangleIsDrawnAloneAndRemovedByASecondDrawing)
{
    CLinkListBox list;
    CLink link("http://127.0.0.1/x.html", nullptr);
    const QImage row = DrawRow(list, &link, ODA_SELECT, ODS_SELECTED);
    const QImage focused = DrawRow(list, &link, ODA_FOCUS, ODS_FOCUS, row);
    EXPECT_NE(focused, row);
    // Only the border: the row's inside is left as it was.
    EXPECT_EQ(focused.copy(1, 1, 198, 18), row.copy(1, 1, 198, 18));
    EXPECT_EQ(DrawRow(list, &link, ODA_FOCUS, 0, focused), row);
}
