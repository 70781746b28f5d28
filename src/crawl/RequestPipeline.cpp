#include "crawl/RequestPipeline.h"

#include "crawl/CrawlMode.h"
#include "crawl/LinkFiler.h"
#include "crawl/PageQueue.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "net/Transfer.h"
#include "net/TransferEngine.h"

#include <algorithm>
#include <functional>
#include <memory>

CRequestPipeline::~CRequestPipeline()
{
    Detach();
}

void CRequestPipeline::Attach(std::shared_ptr<CTransferEngine> pEngine, const CLinkArray* pLinks,
    const CPageQueue* pQueue, bool bFetchPages, int nJobs, CCrawlMode* pMode, CLinkFiler* pFiler)
{
    Detach();
    if (nJobs <= 1 || !pEngine || !pLinks || !pQueue || !pMode || !pFiler)
        return;
    m_pMode = pMode;
    m_pFiler = pFiler;
    m_pEngine = std::move(pEngine);
    m_pLinks = pLinks;
    m_pQueue = pQueue;
    m_bFetchPages = bFetchPages;
    m_nJobs = nJobs;
    m_nNextHead = 1;
    m_nFirstOfPage = 1;
    m_nStage = 0;
}

void CRequestPipeline::Detach()
{
    if (m_pEngine) {
        for (const SSent& sent : m_sent)
            m_pEngine->DropAhead(sent.nId);
    }
    m_pEngine.reset();
    m_slots.clear();
    m_current = SPageSlot();
    m_sent.clear();
}

void CRequestPipeline::OnPageTaken()
{
    if (!m_pEngine)
        return;
    ++m_nStage;
    m_current = SPageSlot();
    if (!m_slots.empty()) {
        m_current = std::move(m_slots.front());
        m_slots.pop_front();
    }
    m_nFirstOfPage = m_pLinks->GetSize() + 1;
    m_nNextHead = std::max(m_nNextHead, m_nFirstOfPage);
    // No top-up here: the head page is still queued, its slot already gone.
    DropStale();
}

void CRequestPipeline::OnChecksBegin()
{
    if (!m_pEngine)
        return;
    TopUp();
    // The first check is the checker's own from here, sent ahead or not.
    m_nNextHead = std::max(m_nNextHead, m_nFirstOfPage + 1);
}

void CRequestPipeline::OnLinkChecked(int nPos)
{
    if (!m_pEngine)
        return;
    m_nNextHead = std::max(m_nNextHead, nPos + 1);
    TopUp();
    m_nNextHead = std::max(m_nNextHead, nPos + 2);
}

void CRequestPipeline::TopUp()
{
    // The engine's callback may come while a top-up sends.
    if (!m_pEngine || m_bInTopUp)
        return;
    m_bInTopUp = true;
    struct CGuard {
        bool& bFlag;
        ~CGuard() { bFlag = false; }
    } guard {m_bInTopUp};
    int nBudget = GetBudget();
    const int nBefore = nBudget;
    SendHeads(nBudget);
    if (m_bFetchPages)
        SendForPages(nBudget);
    if (nBudget != nBefore)
        m_pEngine->Drive();
}

bool CRequestPipeline::ReplayLinks(CLink* pPage, const std::string& strDocument, CLinkArray* pLinks)
{
    SPageSlot& slot = m_current;
    if (!m_pEngine || !pLinks || !slot.pFound || slot.pPage != pPage || slot.nDocumentSize != strDocument.size()
        || slot.nDocumentHash != std::hash<std::string>()(strDocument))
        return false;
    // The extractor files the base first, then each link in turn: so does this.
    pLinks->AddNewFrom(*slot.pFound);
    slot.pFound.reset();
    return true;
}

int CRequestPipeline::GetBudget() const
{
    const int nInFlight = static_cast<int>(m_pEngine->GetRunningCount());
    const int nWaiting = static_cast<int>(m_pEngine->GetAheadCount());
    return std::max(0, std::min(m_nJobs - nInFlight, m_nJobs * MAX_WAITING_FACTOR - nWaiting));
}

void CRequestPipeline::SendHeads(int& nBudget)
{
    while (nBudget > 0 && m_nNextHead <= m_pLinks->GetSize()) {
        const CLink* pLink = m_pLinks->GetAt(m_nNextHead++);
        if (!m_pMode->IsCheckable(*pLink))
            continue;
        const std::string strURL = m_pMode->GetHeadURL(*pLink);
        if (!m_pEngine->IsAhead(strURL, CTransferEngine::ERequest::HEAD))
            Send(strURL, CTransferEngine::ERequest::HEAD, m_nStage, nBudget);
    }
}

void CRequestPipeline::SendForPages(int& nBudget)
{
    const int nQueued = m_pQueue->GetCount();
    for (int nIndex = 0; nBudget > 0 && nIndex < nQueued; ++nIndex) {
        if (static_cast<std::size_t>(nIndex) == m_slots.size())
            m_slots.emplace_back();
        SPageSlot& slot = m_slots[static_cast<std::size_t>(nIndex)];
        CLink* pPage = m_pQueue->GetPage(nIndex);
        const std::uint64_t nStage = m_nStage + 1 + static_cast<std::uint64_t>(nIndex);
        if (!slot.bGetSent) {
            slot.bGetSent = true;
            if (CPageQueue::IsLocalPage(*pPage))
                slot.bRead = true;
            else
                slot.nGet = Send(CPageQueue::GetOpenURL(*pPage, *m_pMode), CTransferEngine::ERequest::GET, nStage,
                    nBudget, m_pMode->GetPageHeaders(*pPage));
            continue;
        }
        if (!slot.bRead)
            ReadAhead(slot, pPage);
        if (slot.bRead)
            SendSlotHeads(slot, nStage, nBudget);
    }
}

void CRequestPipeline::SendSlotHeads(SPageSlot& slot, std::uint64_t nStage, int& nBudget)
{
    while (nBudget > 0 && slot.nHeadsSent < slot.heads.size()) {
        const auto& [strURL, strFullURL] = slot.heads[slot.nHeadsSent++];
        // Found since the page was read ahead: its check is the array's own.
        if (m_pLinks->Contains(strFullURL) || m_pEngine->IsAhead(strURL, CTransferEngine::ERequest::HEAD))
            continue;
        Send(strURL, CTransferEngine::ERequest::HEAD, nStage, nBudget);
    }
}

// The page's links as the crawl will extract them; those the array holds
// already will not be checked again.
void CRequestPipeline::ReadAhead(SPageSlot& slot, CLink* pPage)
{
    const std::string* pBody = m_pEngine->GetEndedBody(slot.nGet);
    if (!pBody) {
        slot.bRead = !m_pEngine->IsAhead(slot.nGet);
        return;
    }
    slot.bRead = true;
    std::string strDocument = CPageQueue::MakeDocument(*pBody, m_pMode->KeepsZeroBytes());
    slot.nDocumentSize = strDocument.size();
    slot.nDocumentHash = std::hash<std::string>()(strDocument);
    const CTransfer* pEnded = m_pEngine->GetEndedTransfer(slot.nGet);
    SPageAnswer answer;
    if (pEnded) {
        answer.strContentType = pEnded->GetContentType();
        answer.strFinalURL = pEnded->GetFinalURL();
        answer.nStatusCode = pEnded->GetStatusCode();
        answer.strETag = pEnded->GetHeader("ETag");
        answer.strLastModified = pEnded->GetHeader("Last-Modified");
    }
    // Within the page, the array keeps each URL's first record, as the crawl's would.
    slot.pFound = std::make_unique<CLinkArray>();
    slot.pPage = pPage;
    m_pFiler->File(*m_pMode, std::move(strDocument), answer, slot.pFound.get(), pPage);
    for (int nPos = 1; nPos <= slot.pFound->GetSize(); ++nPos) {
        const CLink* pLink = slot.pFound->GetAt(nPos);
        if (!m_pMode->IsCheckable(*pLink))
            continue;
        std::string strFullURL = pLink->GetFullURL();
        if (!m_pLinks->Contains(strFullURL))
            slot.heads.emplace_back(m_pMode->GetHeadURL(*pLink), std::move(strFullURL));
    }
}

std::uint64_t CRequestPipeline::Send(const std::string& strURL, CTransferEngine::ERequest eRequest,
    std::uint64_t nStage, int& nBudget, const std::vector<std::string>& headers)
{
    // A request that cannot start uses up its place all the same, so a
    // top-up never walks further than its budget.
    --nBudget;
    const std::uint64_t nId = m_pEngine->StartAhead(strURL, eRequest, headers);
    if (nId != 0)
        m_sent.push_back({nId, nStage});
    return nId;
}

void CRequestPipeline::DropStale()
{
    std::erase_if(m_sent, [this](const SSent& sent) {
        if (!m_pEngine->IsAhead(sent.nId))
            return true;
        if (sent.nStage >= m_nStage)
            return false;
        m_pEngine->DropAhead(sent.nId);
        return true;
    });
}
