// A long crawl of a generated site, twice in one process as Go twice does:
// every link found and checked, and the memory back to its level once the
// crawler is deleted. LINTREL_LONG_CRAWL_LINKS sets the site's size (the
// full run: 100000).

#include "crawl/Crawler.h"
#include "crawl/CrawlList.h"
#include "crawl/CrawlOwner.h"

#include <httplib.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <malloc.h>
#include <memory>
#include <thread>

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

std::string Anchor(const std::string& strHref)
{
    return "<A HREF=\"" + strHref + "\">" + strHref + "</A>\n";
}

// index.html links nPages pages; each page links LEAVES_PER_PAGE plain
// files of its own, which are checked but not followed. Plain httplib: a
// server that noted each request would hold memory of its own per link.
class CSiteServer {
public:
    explicit CSiteServer(int nPages)
    {
        Route(nPages);
        m_nPort = m_server.bind_to_any_port("127.0.0.1");
        m_thread = std::thread([this] { m_server.listen_after_bind(); });
        while (!m_server.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~CSiteServer()
    {
        m_server.stop();
        m_thread.join();
    }
    std::string GetURL(const std::string& strPath) const
    {
        return "http://127.0.0.1:" + std::to_string(m_nPort) + strPath;
    }

private:
    void Route(int nPages);

    httplib::Server m_server;
    std::thread m_thread;
    int m_nPort = 0;
};

void CSiteServer::Route(int nPages)
{
    m_server.Get("/site/index.html", [nPages](const httplib::Request&, httplib::Response& response) {
        std::string strPage;
        for (int n = 0; n < nPages; ++n)
            strPage += Anchor("p" + std::to_string(n) + ".html");
        response.set_content(strPage, "text/html");
    });
    m_server.Get(R"(/site/p(\d+)\.html)", [](const httplib::Request& request, httplib::Response& response) {
        std::string strPage;
        const std::string strDir = "p" + request.matches[1].str() + "/";
        for (int n = 0; n < LEAVES_PER_PAGE; ++n)
            strPage += Anchor(strDir + "leaf" + std::to_string(n) + ".txt");
        response.set_content(strPage, "text/html");
    });
    m_server.Get(R"(/site/p\d+/leaf\d+\.txt)", [](const httplib::Request&, httplib::Response& response) {
        response.set_content("", "text/plain");
    });
}

// A front end that keeps nothing of its own, so that what the heap holds is
// the crawl's; it samples the heap while the crawl runs.
class CHeapWatch : public CCrawlList, public CCrawlOwner {
public:
    void SetSiteHost(const std::string&) override {}
    void AddNewLinks(CLinkArray* pLinks) override { m_nRows = pLinks ? pLinks->GetSize() : 0; }
    void LinkChecked(int) override {}
    int GetRowCount() const override { return m_nRows; }
    CLink* GetSelectedLink() const override { return nullptr; }
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
    const int nLinks = nPages * (LEAVES_PER_PAGE + 1);
    CSiteServer server(nPages);
    const std::string strStart = server.GetURL("/site/index.html");

    // A first small crawl settles the libraries' one-time allocations.
    CrawlOnce(server.GetURL("/site/p0/leaf0.txt"));
    const std::size_t nHeapBefore = HeapInUse();
    const std::size_t nResidentBefore = PeakResident();
    std::vector<CRunFigures> runs;
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
    // Back to its level: what stays after a crawl is the server's and the
    // libraries' working memory, not a share of the links.
    const std::size_t nSlack = 512 * 1024;
    EXPECT_LT(runs[0].nHeapAfter, nHeapBefore + nSlack);
    EXPECT_LT(runs[1].nHeapAfter, nHeapBefore + nSlack);
    // A record is a URL with its parts and status: a few hundred bytes.
    EXPECT_LT(nPeakPerLink, 4096u);
}
