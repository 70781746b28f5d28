#pragma once

#include "link/LinkArray.h"
#include "net/TransferEngine.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class CCrawlMode;
class CLink;
class CLinkFiler;
class CPageQueue;

/// Sends the requests a crawl is going to make ahead of their turn, in the
/// order the crawl will make them: HEADs for the links after the one being
/// checked, GETs for the queued pages, and HEADs for the links a queued page
/// will add, read from its body once it arrived. At most nJobs requests are
/// in flight (the crawl's own included) and nJobs * MAX_WAITING_FACTOR
/// answers wait unused. The crawl itself still makes every request in its
/// own order and takes over the answer sent ahead, so what it finds is the
/// same; an answer it does not use in time is dropped. A page read ahead is
/// not scanned twice: its links are kept for the crawl. Reads the link array
/// and the page queue it is given, which must outlive it.
class CRequestPipeline {
public:
    /// Answers held per request allowed in flight: enough to read a few
    /// pages ahead, few enough to keep memory small.
    static constexpr int MAX_WAITING_FACTOR = 2;

    CRequestPipeline() = default;
    CRequestPipeline(const CRequestPipeline&) = delete;
    CRequestPipeline& operator=(const CRequestPipeline&) = delete;
    ~CRequestPipeline();

    /// Starts sending ahead on pEngine; nJobs counts the crawl's own request
    /// too, so 1 sends nothing ahead. GETs go ahead only when bFetchPages.
    /// A page read ahead is filed through pFiler, as the crawl files it.
    void Attach(std::shared_ptr<CTransferEngine> pEngine, const CLinkArray* pLinks, const CPageQueue* pQueue,
        bool bFetchPages, int nJobs, CCrawlMode* pMode, CLinkFiler* pFiler);
    /// Drops every request still ahead and sends no more.
    void Detach();

    /// The head page is about to be fetched: what earlier pages left unused
    /// is dropped.
    void OnPageTaken();
    /// The page's links are in the array and their checks begin.
    void OnChecksBegin();
    /// The link at this 1-based position has been checked.
    void OnLinkChecked(int nPos);
    /// Fills the window up; never waits.
    void TopUp();
    /// Adds the links of the page just fetched to pLinks exactly as the
    /// extractor would from strDocument, when that same document was read
    /// ahead; false (nothing added) otherwise.
    bool ReplayLinks(CLink* pPage, const std::string& strDocument, CLinkArray* pLinks);

private:
    // One queued page, at the same place behind the head as in the queue.
    struct SPageSlot {
        std::uint64_t nGet = 0;
        bool bGetSent = false;
        bool bRead = false;
        // The page's links not in the array when its body was read: HEAD
        // URL and full URL.
        std::vector<std::pair<std::string, std::string>> heads;
        std::size_t nHeadsSent = 0;
        // What extracting the page gave, and the document it came from.
        std::unique_ptr<CLinkArray> pFound;
        const CLink* pPage = nullptr;
        std::size_t nDocumentSize = 0;
        std::size_t nDocumentHash = 0;
    };
    // A request sent ahead and the page after whose checks it is of no use.
    struct SSent {
        std::uint64_t nId;
        std::uint64_t nStage;
    };

    int GetBudget() const;
    void SendHeads(int& nBudget);
    void SendForPages(int& nBudget);
    void SendSlotHeads(SPageSlot& slot, std::uint64_t nStage, int& nBudget);
    void ReadAhead(SPageSlot& slot, CLink* pPage);
    std::uint64_t Send(const std::string& strURL, CTransferEngine::ERequest eRequest, std::uint64_t nStage,
        int& nBudget, const std::vector<std::string>& headers = {});
    void DropStale();

    std::shared_ptr<CTransferEngine> m_pEngine;
    const CLinkArray* m_pLinks = nullptr;
    const CPageQueue* m_pQueue = nullptr;
    bool m_bFetchPages = false;
    int m_nJobs = 1;
    // The next array position whose HEAD may go ahead.
    int m_nNextHead = 1;
    // The position the current page's checks begin with.
    int m_nFirstOfPage = 1;
    // Pages taken from the queue so far: the current page's number.
    std::uint64_t m_nStage = 0;
    std::deque<SPageSlot> m_slots;
    SPageSlot m_current;
    std::vector<SSent> m_sent;
    // The crawl's own rules: what is requested, where, and how a page read
    // ahead is extracted.
    CCrawlMode* m_pMode = nullptr;
    CLinkFiler* m_pFiler = nullptr;
    bool m_bInTopUp = false;
};
