// Times the results list under a crawl's load with 100,000 rows: rows added
// page by page with each link's check reported, the filter rebuilding the
// whole list, and a repaint of the visible rows; each in the default mode's
// rows (argument 0) and the modern mode's, with verdicts marked (1). Runs on
// the offscreen platform unless another is chosen.

#include "link/Link.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "results/ClassicRowStyle.h"
#include "results/LinkListBox.h"
#include "results/ModernRowStyle.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int ROWS = 100000;
constexpr int LINKS_PER_PAGE = 100;

// One record as each mode makes it: the modern one with its verdict.
std::unique_ptr<CLink> MakeRecord(bool bModern, const std::string& strURL, CLink* pReferrer, int n)
{
    const bool bBad = n % 10 == 0;
    if (!bModern) {
        auto pLink = std::make_unique<CLink>(strURL, pReferrer);
        pLink->SetStatus(bBad ? 404 : 200, bBad ? "Not Found" : "OK");
        return pLink;
    }
    auto pLink = std::make_unique<CWebLink>(strURL, pReferrer);
    pLink->SetStatus(bBad ? 404 : 200, bBad ? "Not Found" : "OK");
    pLink->SetVerdict(bBad ? EVerdict::BROKEN : EVerdict::OK);
    return pLink;
}

struct CFilledArray {
    CWebLink root {"http://127.0.0.1/", nullptr};
    CLinkArray links;

    explicit CFilledArray(bool bModern)
    {
        // One link in ten is bad, as under the filter only those are rows.
        for (int n = 1; n <= ROWS; ++n)
            links.Add(MakeRecord(bModern, "http://127.0.0.1/dir/page" + std::to_string(n) + ".html", &root, n));
    }
};

CFilledArray& Array(bool bModern)
{
    static CFilledArray classic(false);
    static CFilledArray modern(true);
    return bModern ? modern : classic;
}

// The row style each mode's dialog hands the list.
void SetStyle(CLinkListBox& list, bool bModern)
{
    if (bModern)
        list.SetRowStyle(std::make_unique<CModernRowStyle>(Array(true).root));
    else
        list.SetRowStyle(std::make_unique<CClassicRowStyle>());
}

// A crawl's calls: after each page of 100 links, AddNewLinks, then one
// LinkChecked per link, with the events run after each as the pump does.
void BM_CrawlFillsTheList(benchmark::State& state)
{
    const bool bModern = state.range(0) != 0;
    CLinkArray& links = Array(bModern).links;
    for (auto _ : state) {
        CLinkListBox list;
        SetStyle(list, bModern);
        list.resize(600, 400);
        list.show();
        list.SetCrawling(true);
        // The crawl's array grows page by page.
        CLinkArray growing;
        for (int nPage = 0; nPage < ROWS / LINKS_PER_PAGE; ++nPage) {
            state.PauseTiming();
            for (int n = 1; n <= LINKS_PER_PAGE; ++n)
                growing.Add(MakeRecord(
                    bModern, links.GetAt(nPage * LINKS_PER_PAGE + n)->GetURL(), nullptr, nPage * LINKS_PER_PAGE + n));
            state.ResumeTiming();
            list.AddNewLinks(&growing);
            for (int n = 1; n <= LINKS_PER_PAGE; ++n) {
                list.LinkChecked(nPage * LINKS_PER_PAGE + n);
                QCoreApplication::processEvents();
            }
        }
        benchmark::DoNotOptimize(list.GetRowCount());
        list.ResetList();
    }
    state.counters["per_row"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * ROWS, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_CrawlFillsTheList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FilterRebuildsTheList(benchmark::State& state)
{
    const bool bModern = state.range(0) != 0;
    CLinkListBox list;
    SetStyle(list, bModern);
    list.resize(600, 400);
    list.show();
    list.SetLinks(&Array(bModern).links);
    bool bOnlyBad = false;
    for (auto _ : state) {
        bOnlyBad = !bOnlyBad;
        list.SetShowOnlyBad(bOnlyBad);
        QCoreApplication::processEvents();
    }
    list.ResetList();
}
BENCHMARK(BM_FilterRebuildsTheList)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_RepaintVisibleRows(benchmark::State& state)
{
    const bool bModern = state.range(0) != 0;
    CLinkListBox list;
    SetStyle(list, bModern);
    list.resize(600, 400);
    list.show();
    list.SetLinks(&Array(bModern).links);
    list.SetTopIndex(ROWS / 2);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        list.viewport()->update();
        QCoreApplication::processEvents();
    }
    list.ResetList();
}
BENCHMARK(BM_RepaintVisibleRows)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
