#include "results/LinkListBox.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "support/GuiTestSupport.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// A list shown on screen, so rows get painted, over an array the test fills.
// Every change of its model is checked against Qt's rules for models.
class LinkListBoxTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_list.resize(300, 10 * m_list.GetRowHeight() + 2 * m_list.frameWidth());
        m_list.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_list));
    }

    void AddLinks(int nCount)
    {
        const int nFirst = m_links.GetSize() + 1;
        for (int n = nFirst; n < nFirst + nCount; ++n) {
            const std::string strURL = "http://127.0.0.1/page" + std::to_string(n) + ".html";
            m_links.Add(std::make_unique<CLink>(strURL, &m_root));
        }
    }

    // Lets the list paint, which tells it its row height.
    void Paint()
    {
        m_list.viewport()->repaint();
        QCoreApplication::processEvents();
    }

    int Visible() { return m_list.viewport()->height() / m_list.GetRowHeight(); }

    // The row the view shows at its top once the pending scroll has run,
    // that is once it shows the top that counts the scroll still to come.
    int ShownTop()
    {
        const auto shown = [this] {
            const QModelIndex top = m_list.indexAt(QPoint(1, 1));
            return top.isValid() ? top.row() : -1;
        };
        EXPECT_TRUE(WaitFor([&] { return shown() == m_list.GetTopIndex(); }))
            << "shown " << shown() << ", to come " << m_list.GetTopIndex();
        return shown();
    }

    std::vector<CLink*> Rows() const
    {
        std::vector<CLink*> rows;
        for (int n = 0; n < m_list.GetRowCount(); ++n)
            rows.push_back(m_list.GetLinkAt(n));
        return rows;
    }

    CLink m_root {"http://127.0.0.1/", nullptr};
    CLinkArray m_links;
    CLinkListBox m_list;
    QAbstractItemModelTester m_modelTester {m_list.model(), QAbstractItemModelTester::FailureReportingMode::Fatal};
};

} // namespace

TEST_F(LinkListBoxTest, EmptyListHasNoRowsAndNoSelection)
{
    EXPECT_EQ(m_list.GetRowCount(), 0);
    EXPECT_EQ(m_list.GetSelectedLink(), nullptr);
    EXPECT_TRUE(m_list.ResetList());
}

TEST_F(LinkListBoxTest, NewLinksAreAddedAndTheFirstNewRowBecomesTheTopRow)
{
    AddLinks(50);
    m_list.AddNewLinks(&m_links);
    ASSERT_EQ(m_list.GetRowCount(), 50);
    EXPECT_EQ(m_list.GetLinkAt(0), m_links.GetAt(1));
    EXPECT_EQ(m_list.GetLinkAt(49), m_links.GetAt(50));
    EXPECT_EQ(m_list.GetTopIndex(), 0);

    AddLinks(30);
    m_list.AddNewLinks(&m_links);
    EXPECT_EQ(m_list.GetRowCount(), 80);
    EXPECT_EQ(m_list.GetTopIndex(), 50);

    // A page that adds nothing leaves the rows and the scroll position.
    m_list.SetTopIndex(10);
    m_list.AddNewLinks(&m_links);
    EXPECT_EQ(m_list.GetRowCount(), 80);
    EXPECT_EQ(m_list.GetTopIndex(), 10);
}

TEST_F(LinkListBoxTest, CheckedRowBecomesTheBottomOrTopRow)
{
    AddLinks(100);
    m_list.AddNewLinks(&m_links);
    Paint();
    ASSERT_GT(m_list.GetItemHeight(), 0);
    const int nVisible = Visible();
    ASSERT_GT(nVisible, 1);

    m_list.LinkChecked(80);
    EXPECT_EQ(m_list.GetTopIndex(), 79 - nVisible + 1);
    EXPECT_EQ(ShownTop(), 79 - nVisible + 1);
    m_list.LinkChecked(6);
    EXPECT_EQ(m_list.GetTopIndex(), 5);
    EXPECT_EQ(ShownTop(), 5);
    // Checks in quick succession scroll once, to the last one's place.
    m_list.LinkChecked(60);
    m_list.LinkChecked(61);
    EXPECT_EQ(m_list.GetTopIndex(), 60 - nVisible + 1);
    EXPECT_EQ(ShownTop(), 60 - nVisible + 1);
    // A visible row keeps the scroll position.
    const int nTop = m_list.GetTopIndex();
    m_list.LinkChecked(nTop + 2);
    EXPECT_EQ(m_list.GetTopIndex(), nTop);
    // Positions before the first are ignored.
    m_list.LinkChecked(0);
    EXPECT_EQ(ShownTop(), nTop);
}

TEST_F(LinkListBoxTest, RedrawBeforeAnyRowWasDrawnDoesNotScroll)
{
    CLinkListBox hidden;
    AddLinks(100);
    hidden.AddNewLinks(&m_links);
    ASSERT_EQ(hidden.GetItemHeight(), 0);
    hidden.RedrawRow(90);
    EXPECT_EQ(hidden.GetTopIndex(), 0);
}

TEST_F(LinkListBoxTest, FilterDuringACrawlAddsBadLinksInTheOrderTheirChecksEnd)
{
    EXPECT_TRUE(m_list.SetShowOnlyBad(true));
    m_list.SetCrawling(true);
    AddLinks(5);
    m_list.AddNewLinks(&m_links);
    EXPECT_EQ(m_list.GetRowCount(), 0);

    struct Check {
        int nPos;
        int nCode;
        size_t nRowsAfter;
    };
    const std::vector<Check> checks = {
        {4, 404, 1},
        {1, 200, 1},
        {2, 300, 2},
        {4, 404, 2},
        {3, 204, 2},
    };
    for (const Check& check : checks) {
        SCOPED_TRACE(check.nPos);
        m_links.GetAt(check.nPos)->SetStatus(check.nCode, "status");
        m_list.LinkChecked(check.nPos);
        EXPECT_EQ(Rows().size(), check.nRowsAfter);
    }
    EXPECT_EQ(Rows(), (std::vector<CLink*> {m_links.GetAt(4), m_links.GetAt(2)}));

    // Refused while the crawl runs.
    EXPECT_TRUE(m_list.SetShowOnlyBad(false));
    EXPECT_EQ(m_list.GetRowCount(), 2);

    m_list.SetCrawling(false);
    EXPECT_FALSE(m_list.SetShowOnlyBad(false));
    EXPECT_EQ(m_list.GetRowCount(), 5);
    // Rebuilt under the filter: every record without a good status, in
    // array order, the unchecked one included.
    EXPECT_TRUE(m_list.SetShowOnlyBad(true));
    EXPECT_EQ(Rows(), (std::vector<CLink*> {m_links.GetAt(2), m_links.GetAt(4), m_links.GetAt(5)}));
}

TEST_F(LinkListBoxTest, FilterWithoutAnArrayOnlyTakesTheState)
{
    EXPECT_TRUE(m_list.SetShowOnlyBad(true));
    EXPECT_EQ(m_list.GetRowCount(), 0);
    AddLinks(3);
    m_list.SetLinks(&m_links);
    EXPECT_EQ(m_list.GetRowCount(), 0);
    EXPECT_FALSE(m_list.SetShowOnlyBad(false));
    EXPECT_EQ(m_list.GetRowCount(), 3);
}

TEST_F(LinkListBoxTest, SelectedLinkIsTheSelectedRowsRecord)
{
    AddLinks(5);
    m_links.GetAt(2)->SetStatus(404, "Not Found");
    m_list.SetLinks(&m_links);
    m_list.selectionModel()->select(m_list.model()->index(3, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(m_list.GetSelectedLink(), m_links.GetAt(4));
    // A rebuild does not keep the selection.
    m_list.SetShowOnlyBad(true);
    EXPECT_EQ(m_list.GetSelectedLink(), nullptr);
    m_list.selectionModel()->select(m_list.model()->index(0, 0), QItemSelectionModel::ClearAndSelect);
    EXPECT_EQ(m_list.GetSelectedLink(), m_links.GetAt(1));
}

TEST_F(LinkListBoxTest, ResetForgetsRowsAndArray)
{
    AddLinks(4);
    m_list.SetLinks(&m_links);
    ASSERT_EQ(m_list.GetRowCount(), 4);
    EXPECT_TRUE(m_list.ResetList());
    EXPECT_EQ(m_list.GetRowCount(), 0);
    // Without an array, a filter switch only takes the state.
    EXPECT_TRUE(m_list.SetShowOnlyBad(true));
    EXPECT_FALSE(m_list.SetShowOnlyBad(false));
    EXPECT_EQ(m_list.GetRowCount(), 0);
}

TEST_F(LinkListBoxTest, HundredThousandRowsScrollToTheLastChecked)
{
    AddLinks(100000);
    m_list.AddNewLinks(&m_links);
    Paint();
    ASSERT_EQ(m_list.GetRowCount(), 100000);
    m_list.LinkChecked(100000);
    EXPECT_EQ(ShownTop(), 100000 - Visible());
    Paint();
}

TEST(LinkListColumns, MovingTheWindowKeepsTheColumnsUnderTheirHeaders)
{
    // Regression: the columns were placed from header rectangles taken when
    // the window stood elsewhere, so moving the window shifted every column.
    QWidget window;
    window.resize(400, 200);
    QLabel header(QStringLiteral("Link"), &window);
    header.setGeometry(120, 10, 100, 20);
    CLinkListBox list(&window);
    list.setGeometry(10, 40, 380, 150);
    window.move(50, 50);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect rcHeader(header.mapToGlobal(QPoint(0, 0)), header.size());
    list.SetHeaderRects(rcHeader, rcHeader, rcHeader);

    int nReferrer = 0;
    int nLink = 0;
    int nStatus = 0;
    list.GetColumnLefts(nReferrer, nLink, nStatus);
    EXPECT_EQ(nLink, 110);
    window.move(250, 150);
    QCoreApplication::processEvents();
    list.GetColumnLefts(nReferrer, nLink, nStatus);
    EXPECT_EQ(nLink, 110);
}
