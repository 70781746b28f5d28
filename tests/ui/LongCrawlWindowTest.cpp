// The window through a long crawl of a generated site: it keeps answering
// while the crawl runs, lists every link, and its list scrolls from the
// first row to the last. LINTREL_LONG_CRAWL_LINKS sets the site's size (the
// full run: 100000).

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "support/GeneratedSite.h"
#include "support/GuiTestSupport.h"
#include "ui/CheckerDlg.h"
#include "winsys/Resource.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

namespace {

// Enough rows to scroll through many pages, short enough for every CI run.
constexpr int DEFAULT_LINKS = 2000;
constexpr int LEAVES_PER_PAGE = 499;
// Far above a frame; a pump that stopped running would exceed it.
constexpr qint64 MAX_GAP_MS = 2000;

int PagesWanted()
{
    const char* pszLinks = std::getenv("LINTREL_LONG_CRAWL_LINKS");
    const int nLinks = pszLinks ? std::atoi(pszLinks) : DEFAULT_LINKS;
    return std::max(1, nLinks / (LEAVES_PER_PAGE + 1));
}

// The longest time between two passes of the event loop while a crawl runs.
class CGapWatch {
public:
    explicit CGapWatch(CCheckerDlg& dlg)
    {
        RepeatUntil(
            &dlg,
            [this, &dlg] {
                if (!dlg.IsCrawling())
                    return m_nPasses > 0;
                if (m_nPasses++ > 0)
                    m_nLongestMs = std::max(m_nLongestMs, m_sinceLast.elapsed());
                m_sinceLast.start();
                return false;
            },
            24 * 3600 * 1000);
    }
    int GetPasses() const { return m_nPasses; }
    qint64 GetLongestMs() const { return m_nLongestMs; }

private:
    QElapsedTimer m_sinceLast;
    int m_nPasses = 0;
    qint64 m_nLongestMs = 0;
};

int CountGood(const CLinkArray& links)
{
    int nGood = 0;
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos)
        nGood += links.GetAt(nPos)->GetStatusCode() == 200 ? 1 : 0;
    return nGood;
}

// Pages from the top row to the bottom one; the slowest step, in ms.
qint64 ScrollThrough(CLinkListBox& list)
{
    const int nVisible = std::max(1, list.viewport()->height() / std::max(1, list.GetRowHeight()));
    QElapsedTimer step;
    qint64 nSlowestMs = 0;
    for (int nTop = 0;; nTop += nVisible) {
        step.start();
        list.SetTopIndex(std::min(nTop, list.GetRowCount() - 1));
        list.viewport()->repaint();
        QCoreApplication::processEvents();
        nSlowestMs = std::max(nSlowestMs, step.elapsed());
        if (nTop + nVisible >= list.GetRowCount())
            return nSlowestMs;
    }
}

} // namespace

TEST(LongCrawlWindow, StaysResponsiveListsEveryLinkAndScrollsToTheLast)
{
    CGeneratedSite site(PagesWanted(), LEAVES_PER_PAGE);
    CCheckerDlg dlg;
    dlg.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
    static_cast<QLineEdit*>(dlg.GetDlgItem(IDC_URL))->setText(QString::fromStdString(site.GetStartURL()));
    static_cast<QCheckBox*>(dlg.GetDlgItem(IDC_RECURSIVE))->setChecked(true);
    CGapWatch gaps(dlg);
    QElapsedTimer crawl;
    crawl.start();
    QTest::mouseClick(static_cast<QPushButton*>(dlg.GetDlgItem(IDC_GO)), Qt::LeftButton);
    const qint64 nCrawlMs = crawl.elapsed();

    CLinkListBox& list = dlg.GetListBox();
    ASSERT_NE(dlg.GetCrawler(), nullptr);
    EXPECT_EQ(list.GetRowCount(), site.GetLinkCount());
    EXPECT_EQ(CountGood(*dlg.GetCrawler()->GetLinks()), site.GetLinkCount());
    EXPECT_GT(gaps.GetPasses(), site.GetLinkCount() / 100);
    EXPECT_LT(gaps.GetLongestMs(), MAX_GAP_MS);

    const qint64 nSlowestStepMs = ScrollThrough(list);
    const int nLastRow = list.GetRowCount() - 1;
    EXPECT_LE(list.GetTopIndex(), nLastRow);
    EXPECT_TRUE(list.viewport()->rect().intersects(list.visualRect(list.model()->index(nLastRow, 0))));
    EXPECT_LT(nSlowestStepMs, MAX_GAP_MS);
    std::cout << site.GetLinkCount() << " rows: crawl " << nCrawlMs
              << " ms, longest wait between two event-loop passes " << gaps.GetLongestMs() << " ms over "
              << gaps.GetPasses() << " passes, slowest scroll step " << nSlowestStepMs << " ms\n";
}
