// A long crawl of a generated site, twice in one process as Go twice does:
// every link found and checked, and the memory back to its level once the
// crawler is deleted. LINTREL_LONG_CRAWL_LINKS sets the site's size (the
// full run: 100000).

#include "classic/ClassicMode.h"
#include "crawl/CrawlList.h"
#include "crawl/CrawlOwner.h"
#include "crawl/Crawler.h"
#include "support/GeneratedSite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <memory>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define LINTREL_HEAP_FROM_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LINTREL_HEAP_FROM_SANITIZER 1
#endif
#endif
#ifdef LINTREL_HEAP_FROM_SANITIZER
// The sanitizer's own count: its allocator keeps freed blocks back a while.
// Declared here since GCC does not ship the header that declares it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

// Enough to show growth per link, short enough for every CI run.
constexpr int DEFAULT_LINKS = 5000;
constexpr int LEAVES_PER_PAGE = 499;

std::size_t HeapInUse()
{
#ifdef LINTREL_HEAP_FROM_SANITIZER
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = ::mallinfo2();
    return info.uordblks + info.hblkhd;
#endif
}

// The process's peak resident size so far, in bytes (VmHWM).
std::size_t PeakResident()
{
    std::ifstream status("/proc/self/status");
    std::string strLine;
    while (std::getline(status, strLine)) {
        if (strLine.rfind("VmHWM:", 0) == 0)
            return std::stoul(strLine.substr(6)) * 1024;
    }
    return 0;
}

int LinksWanted()
{
    const char* pszLinks = std::getenv("LINTREL_LONG_CRAWL_LINKS");
    const int nLinks = pszLinks ? std::atoi(pszLinks) : DEFAULT_LINKS;
    return std::max(nLinks, LEAVES_PER_PAGE + 1);
}

// The generated site served by a child process, so that the heap of this
// one holds nothing of the server's.
class CSiteProcess {
public:
    CSiteProcess(int nPages, int nLeaves)
        : m_nLinks(nPages * (nLeaves + 1))
    {
        int toParent[2];
        if (::pipe(toParent) != 0 || ::pipe(m_stopPipe) != 0)
            throw std::runtime_error("no pipe for the site process");
        m_nChild = ::fork();
        if (m_nChild == 0) {
            ServeUntilStopped(nPages, nLeaves, toParent[1]);
            ::_exit(0);
        }
        ::close(toParent[1]);
        ::close(m_stopPipe[0]);
        char szBuffer[256];
        ssize_t nRead = 0;
        while ((nRead = ::read(toParent[0], szBuffer, sizeof(szBuffer))) > 0)
            m_strStartURL.append(szBuffer, static_cast<std::size_t>(nRead));
        ::close(toParent[0]);
    }
    ~CSiteProcess()
    {
        ::close(m_stopPipe[1]);
        ::waitpid(m_nChild, nullptr, 0);
    }
    const std::string& GetStartURL() const { return m_strStartURL; }
    int GetLinkCount() const { return m_nLinks; }

private:
    void ServeUntilStopped(int nPages, int nLeaves, int nToParent)
    {
        ::close(m_stopPipe[1]);
        CGeneratedSite site(nPages, nLeaves);
        const std::string strURL = site.GetStartURL();
        (void)!::write(nToParent, strURL.data(), strURL.size());
        ::close(nToParent);
        char ch = '\0';
        (void)!::read(m_stopPipe[0], &ch, 1);
    }

    int m_nLinks;
    int m_stopPipe[2] = {-1, -1};
    pid_t m_nChild = -1;
    std::string m_strStartURL;
};

// A front end that keeps nothing of its own, so that what the heap holds is
// the crawl's; it samples the heap while the crawl runs.
class CHeapWatch : public CCrawlList, public CCrawlOwner {
public:
    void SetSiteHost(const std::string&) override {}
    void AddNewLinks(CLinkArray* pLinks) override { m_nRows = pLinks ? pLinks->GetSize() : 0; }
    void LinkChecked(int) override {}
    int GetRowCount() const override { return m_nRows; }
    void SetLinkCount(unsigned) override {}
    void PumpMessages() override
    {
        // Every call would cost the crawl more than it measures.
        if (++m_nCalls % 64 == 0)
            m_nPeak = std::max(m_nPeak, HeapInUse());
    }
    std::size_t GetPeak() const { return std::max(m_nPeak, HeapInUse()); }

private:
    int m_nRows = 0;
    std::size_t m_nCalls = 0;
    std::size_t m_nPeak = 0;
};

struct CRunFigures {
    int nLinks = 0;
    int nGood = 0;
    std::size_t nPeakHeap = 0;
    std::size_t nHeapAfter = 0;
};

CRunFigures CrawlOnce(const std::string& strStart)
{
    CRunFigures figures;
    CHeapWatch watch;
    auto pCrawler = std::make_unique<CCrawler>(&watch, true, false);
    pCrawler->SetMode(std::make_unique<CClassicMode>());
    EXPECT_TRUE(pCrawler->Init(&watch, strStart));
    pCrawler->Crawl();
    const CLinkArray& links = *pCrawler->GetLinks();
    figures.nLinks = links.GetSize();
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos)
        figures.nGood += links.GetAt(nPos)->GetStatusCode() == 200 ? 1 : 0;
    figures.nPeakHeap = watch.GetPeak();
    // As Go does: the old crawler goes before the new one is built.
    pCrawler.reset();
    ::malloc_trim(0);
    figures.nHeapAfter = HeapInUse();
    return figures;
}

} // namespace

TEST(LongCrawl, TwoCrawlsFindEveryLinkAndGiveTheirMemoryBack)
{
    const int nPages = LinksWanted() / (LEAVES_PER_PAGE + 1);
    CSiteProcess site(nPages, LEAVES_PER_PAGE);
    const std::string strStart = site.GetStartURL();
    ASSERT_FALSE(strStart.empty());
    const int nLinks = site.GetLinkCount();

    // A first small crawl settles the libraries' one-time allocations.
    CrawlOnce(strStart.substr(0, strStart.find("index.html")) + "p0/leaf0.txt");
    const std::size_t nHeapBefore = HeapInUse();
    const std::size_t nResidentBefore = PeakResident();
    std::vector<CRunFigures> runs;
    runs.reserve(2);
    for (int nRun = 0; nRun < 2; ++nRun) {
        SCOPED_TRACE(nRun);
        runs.push_back(CrawlOnce(strStart));
        EXPECT_EQ(runs.back().nLinks, nLinks);
        EXPECT_EQ(runs.back().nGood, nLinks);
    }
    const std::size_t nPeakPerLink = (runs[0].nPeakHeap - nHeapBefore) / static_cast<std::size_t>(nLinks);
    const std::size_t nResidentPerLink = (PeakResident() - nResidentBefore) / static_cast<std::size_t>(nLinks);
    std::cout << nLinks << " links: peak heap " << nPeakPerLink << " bytes per link, peak resident growth "
              << nResidentPerLink << " bytes per link; heap before " << nHeapBefore << ", after the first crawl "
              << runs[0].nHeapAfter << ", after the second " << runs[1].nHeapAfter << '\n';
    RecordProperty("links", nLinks);
    RecordProperty("peak_heap_bytes_per_link", static_cast<int>(nPeakPerLink));
    // Back to its level, give or take a few of the libraries' small blocks.
    // (The test runs with glibc's per-thread cache off: blocks parked there
    // count as in use.)
    const std::size_t nSlack = 16 * 1024;
    EXPECT_LT(runs[0].nHeapAfter, nHeapBefore + nSlack);
    EXPECT_LT(runs[1].nHeapAfter, nHeapBefore + nSlack);
    // A record is a URL with its parts and status: a few hundred bytes.
    EXPECT_LT(nPeakPerLink, 4096u);
}
