// Times the results list under a crawl's load with 100,000 rows: rows added
// page by page with each link's check reported, the filter rebuilding the
// whole list, and a repaint of the visible rows. Runs on the offscreen
// platform unless another is chosen.

#include "link/Link.h"
#include "link/LinkArray.h"
#include "results/LinkListBox.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

constexpr int ROWS = 100000;
constexpr int LINKS_PER_PAGE = 100;

struct CFilledArray {
    CLink root {"http://127.0.0.1/", nullptr};
    CLinkArray links;

    CFilledArray()
    {
        for (int n = 1; n <= ROWS; ++n) {
            links.Add(std::make_unique<CLink>("http://127.0.0.1/dir/page" + std::to_string(n) + ".html", &root));
            // One link in ten is bad, as under the filter only those are rows.
            links.GetAt(n)->SetStatus(n % 10 == 0 ? 404 : 200, n % 10 == 0 ? "Not Found" : "OK");
        }
    }
};

CFilledArray& Array()
{
    static CFilledArray array;
    return array;
}

// A crawl's calls: after each page of 100 links, AddNewLinks, then one
// LinkChecked per link, with the events run after each as the pump does.
void BM_CrawlFillsTheList(benchmark::State& state)
{
    CLinkArray& links = Array().links;
    for (auto _ : state) {
        CLinkListBox list;
        list.resize(600, 400);
        list.show();
        list.SetCrawling(true);
        // The crawl's array grows page by page.
        CLinkArray growing;
        for (int nPage = 0; nPage < ROWS / LINKS_PER_PAGE; ++nPage) {
            state.PauseTiming();
            for (int n = 1; n <= LINKS_PER_PAGE; ++n)
                growing.Add(std::make_unique<CLink>(links.GetAt(nPage * LINKS_PER_PAGE + n)->GetURL(), nullptr));
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
BENCHMARK(BM_CrawlFillsTheList)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FilterRebuildsTheList(benchmark::State& state)
{
    CLinkListBox list;
    list.resize(600, 400);
    list.show();
    list.SetLinks(&Array().links);
    bool bOnlyBad = false;
    for (auto _ : state) {
        bOnlyBad = !bOnlyBad;
        list.SetShowOnlyBad(bOnlyBad);
        QCoreApplication::processEvents();
    }
    list.ResetList();
}
BENCHMARK(BM_FilterRebuildsTheList)->Unit(benchmark::kMillisecond);

void BM_RepaintVisibleRows(benchmark::State& state)
{
    CLinkListBox list;
    list.resize(600, 400);
    list.show();
    list.SetLinks(&Array().links);
    list.SetTopIndex(ROWS / 2);
    QCoreApplication::processEvents();
    for (auto _ : state) {
        list.viewport()->update();
        QCoreApplication::processEvents();
    }
    list.ResetList();
}
BENCHMARK(BM_RepaintVisibleRows)->Unit(benchmark::kMicrosecond);

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
