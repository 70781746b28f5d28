// The main dialog laid out again as its window is resized, moved and
// maximised.

#include "support/GuiTestSupport.h"
#include "ui/CheckerDlg.h"
#include "ui/ResizeLayout.h"
#include "winsys/Resource.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

namespace {

const std::vector<int> SCALED_WIDTHS
    = {IDC_URL, IDC_HEADER_REFERRER, IDC_HEADER_LINK, IDC_HEADER_STATUS, IDC_LINK_LIST};

class CheckerDlgLayoutTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_dlg.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
        m_rcStartWindow = m_dlg.frameGeometry();
        m_nStartClientHeight = Client()->height();
        for (int nID : CResizeLayout::GetControlIds())
            m_start[nID] = m_dlg.GetDlgItem(nID)->geometry();
    }

    QWidget* Client() { return m_dlg.GetDlgItem(IDC_URL)->parentWidget(); }

    // Resizes the part of the window the program draws and waits for it.
    bool ResizeTo(const QSize& size)
    {
        m_dlg.resize(size);
        return WaitFor([this, size] { return m_dlg.size() == size; }, 5000);
    }

    // Where the rule puts each control for the window's present size, from
    // where it stood at the opening size.
    void ExpectLaidOut()
    {
        const QRect rcWindow = m_dlg.frameGeometry();
        const bool bScaled = rcWindow.width() > m_rcStartWindow.width() || rcWindow.height() > m_rcStartWindow.height();
        const auto scale = [&](int n) {
            return bScaled ? static_cast<int>(static_cast<double>(n) / m_rcStartWindow.width() * rcWindow.width()) : n;
        };
        const int nDown = Client()->height() - m_nStartClientHeight;
        for (int nID : CResizeLayout::GetControlIds()) {
            SCOPED_TRACE(nID);
            const QRect& rcStart = m_start[nID];
            const QRect rc = m_dlg.GetDlgItem(nID)->geometry();
            const bool bWidthScaled = std::find(SCALED_WIDTHS.begin(), SCALED_WIDTHS.end(), nID) != SCALED_WIDTHS.end();
            EXPECT_EQ(rc.left(), scale(rcStart.left()));
            EXPECT_EQ(rc.width(), bWidthScaled ? scale(rcStart.width()) : rcStart.width());
            if (nID == IDC_LINK_LIST) {
                EXPECT_EQ(rc.top(), rcStart.top());
                EXPECT_EQ(rc.height(), std::max(0, rcStart.height() + nDown));
            } else if (nID == IDC_LINK_COUNT || nID == IDC_LINK_COUNT_LABEL) {
                EXPECT_EQ(rc, QRect(rc.left(), rcStart.top() + nDown, rc.width(), rcStart.height()));
            } else {
                EXPECT_EQ(rc.top(), rcStart.top());
                EXPECT_EQ(rc.height(), rcStart.height());
            }
        }
        ExpectColumnsUnderHeaders();
        EXPECT_TRUE(m_dlg.GetListBox().updatesEnabled());
    }

    void ExpectColumnsUnderHeaders()
    {
        const CLinkListBox& list = m_dlg.GetListBox();
        const int nListLeft = list.mapToGlobal(QPoint(0, 0)).x();
        const auto headerLeft
            = [this, nListLeft](int nID) { return m_dlg.GetDlgItem(nID)->mapToGlobal(QPoint(0, 0)).x() - nListLeft; };
        int nReferrer = -1;
        int nLink = -1;
        int nStatus = -1;
        list.GetColumnLefts(nReferrer, nLink, nStatus);
        EXPECT_EQ(nReferrer, std::max(0, headerLeft(IDC_HEADER_REFERRER)));
        EXPECT_EQ(nLink, headerLeft(IDC_HEADER_LINK));
        EXPECT_EQ(nStatus, headerLeft(IDC_HEADER_STATUS));
    }

    CCheckerDlg m_dlg;
    QRect m_rcStartWindow;
    int m_nStartClientHeight = 0;
    std::map<int, QRect> m_start;
};

} // namespace

TEST_F(CheckerDlgLayoutTest, EachSizeFollowsTheRuleAndNothingDrifts)
{
    const QSize start = m_dlg.size();
    struct Case {
        const char* pszName;
        QSize size;
    };
    const std::vector<Case> cases = {
        {"at the start size", start},
        {"wider", start + QSize(300, 0)},
        {"taller but narrower", start + QSize(-120, 150)},
        {"smaller", start - QSize(150, 100)},
        {"wider and taller", start + QSize(500, 300)},
        {"back at the start size", start},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszName);
        ASSERT_TRUE(ResizeTo(c.size));
        ExpectLaidOut();
    }
    for (int nID : CResizeLayout::GetControlIds())
        EXPECT_EQ(m_dlg.GetDlgItem(nID)->geometry(), m_start[nID]) << nID;
}

TEST_F(CheckerDlgLayoutTest, MaximisedScalesAcrossTheScreen)
{
    m_dlg.showMaximized();
    ASSERT_TRUE(WaitFor([this] { return m_dlg.frameGeometry().width() > m_rcStartWindow.width(); }, 5000));
    ExpectLaidOut();
    m_dlg.showNormal();
    ASSERT_TRUE(WaitFor([this] { return m_dlg.frameGeometry() == m_rcStartWindow; }, 5000));
    ExpectLaidOut();
}

TEST_F(CheckerDlgLayoutTest, NoMinimumSizeAndAListWithoutRoomHasNoHeight)
{
    ASSERT_TRUE(ResizeTo(QSize(120, 90)));
    EXPECT_EQ(m_dlg.GetListBox().height(), 0);
    ExpectLaidOut();
}

TEST_F(CheckerDlgLayoutTest, ColumnsStayUnderTheHeadersWhenTheWindowMoves)
{
    ASSERT_TRUE(ResizeTo(m_dlg.size() + QSize(200, 0)));
    m_dlg.move(m_dlg.pos() + QPoint(37, 23));
    ASSERT_TRUE(WaitFor([this] { return m_dlg.frameGeometry().topLeft() != m_rcStartWindow.topLeft(); }, 5000));
    ExpectColumnsUnderHeaders();
}
