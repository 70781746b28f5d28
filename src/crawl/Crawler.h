#pragma once

// The window and the command line drive a crawl only through the public
// operations below; everything else about the engine stays behind them.

#include "crawl/CrawlList.h"
#include "crawl/CrawlMode.h"
#include "crawl/CrawlOwner.h"
#include "crawl/CrawlResult.h"
#include "crawl/LinkFiler.h"
#include "crawl/PageQueue.h"
#include "crawl/RequestPipeline.h"
#include "link/LinkArray.h"
#include "net/InternetSession.h"
#include "net/TransferOptions.h"

#include <deque>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class CPagePolicy;

/// The engine of one run: owns the session, the root record and the link
/// array; the page queue and the list hold pointers it owns.
class CCrawler {
public:
    CCrawler(CCrawlOwner* pDlg, bool bRecursive, bool bExploreCgi);
    CCrawler(const CCrawler&) = delete;
    CCrawler& operator=(const CCrawler&) = delete;
    ~CCrawler();

    /// Opens the session, makes the root record and queues it. False when
    /// the crawl cannot start.
    bool Init(CCrawlList* pListBox, const std::string& strStartUrl);
    /// The same with several start pages, each fetched and read in order;
    /// the first is the root record. False for an empty list.
    bool Init(CCrawlList* pListBox, const std::vector<std::string>& startUrls);
    /// The crawl loop; returns when the queue is empty, after the start
    /// pages without recursion, or after Stop. Always true.
    bool Crawl();
    void PumpMessages();
    /// Queues pLink as a page unless a page of the same URL, dot segments
    /// removed, is queued or fetched already (the start page included), a
    /// bound of SetPageLimits refuses it, or, in a recursive crawl, pPolicy
    /// does. True when queued.
    bool EnqueuePage(CLink* pLink, CPagePolicy* pPolicy = nullptr);
    bool ReportChecked(int nPos);
    /// The link at nPos waits nSeconds more on its server; true after Stop.
    bool ReportWaiting(int nPos, int nSeconds);
    bool IsWithinSite(CLink* pLink) const;
    /// True when the crawl fetches the pages it queues, not only its start pages.
    bool IsRecursive() const { return m_bRecursive; }
    int GetListCount() const;
    void FreeLinks();

    /// What the crawl tells beside its links; complete once Crawl returned.
    SCrawlResult GetResult() const;
    /// The crawl's links; null before Init.
    CLinkArray* GetLinks() const;
    CLink* GetRootLink() const;
    /// The session's five time-outs, for an Init still to come; 10 s unless set.
    void SetTimeout(unsigned long nMilliseconds);
    /// For an Init still to come: at most nJobs requests in flight (1: one
    /// after another) and nPerHost connections to one host. Either is taken
    /// as 1 when below.
    void SetRequestLimits(int nJobs, int nPerHost);
    /// For a crawl still to come: fetch at most nMaxPages pages, the start
    /// page included, and none more than nMaxDepth links away from the start
    /// page (which is depth 0). 0 leaves a bound off.
    void SetPageLimits(int nMaxPages, int nMaxDepth);
    /// For an Init still to come: the rules of the crawl, which the front
    /// end chooses; Init fails without them.
    void SetMode(std::unique_ptr<CCrawlMode> pMode);
    /// For an Init still to come: links whose full URL filter refuses are
    /// never filed, so never checked, fetched or listed; the start URLs are.
    void SetLinkFilter(CLinkFilter filter);
    /// For an Init still to come: how requests go out (trust, HTTP version,
    /// compression, user agent).
    void SetTransferOptions(const STransferOptions& options);

    /// The URL a page is fetched once by: strFullURL with the dot segments
    /// of its path removed; the host and the query stay as written.
    static std::string NormalisePageURL(const std::string& strFullURL);
    /// strPath without "." and ".." segments, as RFC 3986 (5.2.4) removes them.
    static std::string RemoveDotSegments(const std::string& strPath);

    static constexpr int DEFAULT_JOBS = 16;
    static constexpr int DEFAULT_PER_HOST = 8;

    /// Stop request: set by the front end, never reset.
    bool m_bStop = false;
    bool m_bExploreCgi = false;

private:
    static constexpr unsigned long DEFAULT_TIMEOUT = 10000;

    void QueueStartPage(CLink* pPage);
    void StartPipeline();
    void StopPipeline();

    std::unique_ptr<CInternetSession> m_pSession;
    CPageQueue m_pageQueue;
    std::unique_ptr<CCrawlMode> m_pMode;
    CLinkFiler m_filer;
    std::unique_ptr<CLinkArray> m_pLinks;
    CCrawlList* m_pListBox = nullptr;
    STransferOptions m_transferOptions;
    std::unique_ptr<CLink> m_pRootLink;
    // The start pages after the first, owned here as the root is.
    std::vector<std::unique_ptr<CLink>> m_otherStartPages;
    std::size_t m_nStartPages = 1;
    std::size_t m_nPagesTaken = 0;
    bool m_bRecursive = false;
    CCrawlOwner* m_pDlg = nullptr;
    unsigned long m_nTimeout = DEFAULT_TIMEOUT;
    int m_nJobs = DEFAULT_JOBS;
    int m_nPerHost = DEFAULT_PER_HOST;
    int m_nMaxPages = 0;
    int m_nMaxDepth = 0;
    // The pages queued or fetched, by NormalisePageURL: a site whose pages
    // link to each other through "./" and "dir/../" would otherwise yield an
    // ever longer URL for the same page at every fetch, and never end.
    std::unordered_set<std::string> m_pageURLs;
    // The depth of each queued page, in queue order.
    std::deque<int> m_queuedDepths;
    // The depth of the page whose links are being checked.
    int m_nPageDepth = 0;
    // Pages queued so far, the start page included.
    int m_nPagesQueued = 0;
    bool m_bCutByPages = false;
    bool m_bCutByDepth = false;
    // Declared last: it reads the queue and the array, so it goes first.
    CRequestPipeline m_pipeline;
};
