#include "crawl/Crawler.h"

#include "crawl/PagePolicy.h"
#include "link/Link.h"
#include "net/InternetException.h"
#include "net/TransferEngine.h"

#include <algorithm>
#include <string_view>

CCrawler::CCrawler(CCrawlOwner* pDlg, bool bRecursive, bool bExploreCgi)
    : m_bExploreCgi(bExploreCgi)
    , m_bRecursive(bRecursive)
    , m_pDlg(pDlg)
{
}

CCrawler::~CCrawler()
{
    m_pipeline.Detach();
    if (m_pSession) {
        m_pSession->Close();
        m_pSession.reset();
    }
    FreeLinks();
    m_otherStartPages.clear();
    m_pRootLink.reset();
}

bool CCrawler::Init(CCrawlList* pListBox, const std::string& strStartUrl)
{
    return Init(pListBox, std::vector<std::string> {strStartUrl});
}

bool CCrawler::Init(CCrawlList* pListBox, const std::vector<std::string>& startUrls)
{
    // One crawl per crawler: the queue may already point at the old root.
    if (m_pSession || m_pRootLink || startUrls.empty() || !m_pMode)
        return false;
    try {
        m_pSession = std::make_unique<CInternetSession>();
        using EOption = CInternetSession::EOption;
        for (EOption eOption : {EOption::CONNECT_TIMEOUT, EOption::SEND_TIMEOUT, EOption::RECEIVE_TIMEOUT,
                 EOption::DATA_SEND_TIMEOUT, EOption::DATA_RECEIVE_TIMEOUT})
            m_pSession->SetOption(eOption, m_nTimeout);
        // Keeps the front end alive while a request waits.
        m_pSession->SetPumpCallback([this] { PumpMessages(); });
        m_pSession->SetTransferOptions(m_transferOptions);
        m_pListBox = pListBox;
        m_pRootLink = m_pMode->MakeRootLink(startUrls.front());
        m_filer.AddStartPage(m_pRootLink->GetFullURL());
        if (m_pListBox)
            m_pListBox->SetSiteHost(m_pRootLink->GetHost());
        m_pLinks = std::make_unique<CLinkArray>();
        QueueStartPage(m_pRootLink.get());
        for (std::size_t nIndex = 1; nIndex < startUrls.size(); ++nIndex) {
            m_otherStartPages.push_back(m_pMode->MakeRootLink(startUrls[nIndex]));
            m_filer.AddStartPage(m_otherStartPages.back()->GetFullURL());
            QueueStartPage(m_otherStartPages.back().get());
        }
        m_nStartPages = startUrls.size();
        StartPipeline();
        return true;
    } catch (const CInternetException&) {
        if (m_pSession)
            m_pSession->Close();
        return false;
    }
}

bool CCrawler::Crawl()
{
    while (m_pageQueue.GetCount() > 0) {
        std::string strDocument;
        std::string strError;
        CLink* pPage = nullptr;
        if (!m_queuedDepths.empty()) {
            m_nPageDepth = m_queuedDepths.front();
            m_queuedDepths.pop_front();
        }
        if (!m_bStop)
            m_pipeline.OnPageTaken();
        SPageAnswer answer;
        m_pageQueue.FetchNextPage(strDocument, m_pSession.get(), pPage, strError, *m_pMode, answer);
        if (m_pDlg && pPage)
            m_pDlg->PageFetched(*pPage, strError);
        // Where the answer came from names the page as well.
        if (pPage)
            m_pageURLs.insert(m_pMode->GetPageKey(*pPage, answer));
        if (!m_pipeline.ReplayLinks(pPage, strDocument, m_pLinks.get()))
            m_filer.File(*m_pMode, std::move(strDocument), answer, m_pLinks.get(), pPage);
        if (m_pListBox)
            m_pListBox->AddNewLinks(m_pLinks.get());
        if (m_pDlg)
            m_pDlg->SetLinkCount(m_pLinks ? static_cast<unsigned>(m_pLinks->GetSize()) : 0u);
        if (!m_bStop)
            m_pipeline.OnChecksBegin();
        m_pMode->CheckNewLinks(m_pLinks.get(), this, m_pSession.get());
        PumpMessages();
        if (m_bStop || (!m_bRecursive && ++m_nPagesTaken >= m_nStartPages))
            break;
    }
    // Answers not used by now are not wanted: after Stop they stay unused.
    StopPipeline();
    if (m_pMode)
        m_pMode->FinishLinks(m_pLinks.get());
    // No page is queued after the crawl: the rows stay, the URLs can go.
    std::unordered_set<std::string>().swap(m_pageURLs);
    return true;
}

void CCrawler::PumpMessages()
{
    if (m_pDlg)
        m_pDlg->PumpMessages();
}

bool CCrawler::EnqueuePage(CLink* pLink, CPagePolicy* pPolicy)
{
    std::string strPageURL = m_pMode->GetPageKey(*pLink);
    if (m_pageURLs.contains(strPageURL))
        return false;
    // Without recursion no queued page is fetched, so no bound cuts anything.
    if (m_bRecursive) {
        // The page bound first: a page it refuses would not have been
        // fetched at any depth.
        if (m_nMaxPages > 0 && m_nPagesQueued >= m_nMaxPages) {
            m_bCutByPages = true;
            return false;
        }
        if (m_nMaxDepth > 0 && m_nPageDepth >= m_nMaxDepth) {
            m_bCutByDepth = true;
            return false;
        }
    }
    if (m_bRecursive && pPolicy && !pPolicy->MayFetch(*pLink, m_pSession.get())) {
        // Refused once: named again, it is not asked about again.
        m_pageURLs.insert(std::move(strPageURL));
        return false;
    }
    m_pageURLs.insert(std::move(strPageURL));
    m_pageQueue.AddPage(pLink);
    // Only the links of the page just fetched are checked, so they lie one
    // step deeper than it.
    m_queuedDepths.push_back(m_nPageDepth + 1);
    ++m_nPagesQueued;
    return true;
}

bool CCrawler::ReportChecked(int nPos)
{
    if (m_pListBox)
        m_pListBox->LinkChecked(nPos);
    PumpMessages();
    if (!m_bStop)
        m_pipeline.OnLinkChecked(nPos);
    return m_bStop;
}

bool CCrawler::ReportWaiting(int nPos, int nSeconds)
{
    if (m_pListBox)
        m_pListBox->LinkWaiting(nPos, nSeconds);
    PumpMessages();
    return m_bStop;
}

bool CCrawler::IsWithinSite(CLink* pLink) const
{
    if (!pLink || !m_pRootLink)
        return false;
    return pLink->GetHost() == m_pRootLink->GetHost() && pLink->GetPath().rfind(m_pRootLink->GetPath(), 0) == 0;
}

int CCrawler::GetListCount() const
{
    return m_pListBox ? m_pListBox->GetRowCount() : 0;
}

void CCrawler::FreeLinks()
{
    if (!m_pLinks)
        return;
    m_pLinks->RemoveAll();
    m_pLinks.reset();
}

CLinkArray* CCrawler::GetLinks() const
{
    return m_pLinks.get();
}

CLink* CCrawler::GetRootLink() const
{
    return m_pRootLink.get();
}

void CCrawler::SetTimeout(unsigned long nMilliseconds)
{
    m_nTimeout = nMilliseconds;
}

void CCrawler::SetRequestLimits(int nJobs, int nPerHost)
{
    m_nJobs = std::max(1, nJobs);
    m_nPerHost = std::max(1, nPerHost);
}

void CCrawler::SetPageLimits(int nMaxPages, int nMaxDepth)
{
    m_nMaxPages = std::max(0, nMaxPages);
    m_nMaxDepth = std::max(0, nMaxDepth);
}

SCrawlResult CCrawler::GetResult() const
{
    SCrawlResult result;
    if (m_bCutByPages)
        result.eTruncatedBy = SCrawlResult::EBound::MAX_PAGES;
    else if (m_bCutByDepth)
        result.eTruncatedBy = SCrawlResult::EBound::MAX_DEPTH;
    result.bFiltered = m_filer.IsFiltering();
    result.nExcluded = m_filer.GetExcludedCount();
    if (m_pMode)
        m_pMode->AddToResult(result);
    return result;
}

std::string CCrawler::NormalisePageURL(const std::string& strFullURL)
{
    const std::size_t nScheme = strFullURL.find("://");
    if (nScheme == std::string::npos)
        return strFullURL;
    // The authority ends at the path's "/" or at a query with no path.
    const std::size_t nPath = strFullURL.find_first_of("/?", nScheme + 3);
    if (nPath == std::string::npos || strFullURL[nPath] == '?')
        return strFullURL;
    const std::size_t nQuery = strFullURL.find('?', nPath);
    const std::size_t nPathEnd = nQuery == std::string::npos ? strFullURL.size() : nQuery;
    return strFullURL.substr(0, nPath) + RemoveDotSegments(strFullURL.substr(nPath, nPathEnd - nPath))
        + strFullURL.substr(nPathEnd);
}

std::string CCrawler::RemoveDotSegments(const std::string& strPath)
{
    std::string_view input(strPath);
    std::string strOutput;
    const auto DropLastSegment = [&strOutput] {
        const std::size_t nSlash = strOutput.rfind('/');
        strOutput.erase(nSlash == std::string::npos ? 0 : nSlash);
    };
    while (!input.empty()) {
        if (input.starts_with("../")) {
            input.remove_prefix(3);
        } else if (input.starts_with("./") || input.starts_with("/./")) {
            input.remove_prefix(2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.starts_with("/../")) {
            input.remove_prefix(3);
            DropLastSegment();
        } else if (input == "/..") {
            input = "/";
            DropLastSegment();
        } else if (input == "." || input == "..") {
            input = {};
        } else {
            const std::size_t nEnd = input.find('/', 1);
            const std::size_t nSegment = nEnd == std::string_view::npos ? input.size() : nEnd;
            strOutput.append(input.substr(0, nSegment));
            input.remove_prefix(nSegment);
        }
    }
    return strOutput;
}

void CCrawler::QueueStartPage(CLink* pPage)
{
    m_pageQueue.AddPage(pPage);
    m_pageURLs.insert(m_pMode->GetPageKey(*pPage));
    m_queuedDepths.push_back(0);
    ++m_nPagesQueued;
}

void CCrawler::StartPipeline()
{
    std::shared_ptr<CTransferEngine> pEngine = m_pSession->GetTransferEngine();
    if (!pEngine)
        return;
    // Enough idle handles for a full window, so a busy crawl does not make
    // and free one per request.
    pEngine->SetConnectionLimits(m_nPerHost, static_cast<std::size_t>(std::max(m_nJobs, 4)));
    if (m_nJobs <= 1)
        return;
    m_pipeline.Attach(pEngine, m_pLinks.get(), &m_pageQueue, m_bRecursive, m_nJobs, m_pMode.get(), &m_filer);
    pEngine->SetEndedCallback([this] {
        if (!m_bStop)
            m_pipeline.TopUp();
    });
}

void CCrawler::StopPipeline()
{
    m_pipeline.Detach();
    if (std::shared_ptr<CTransferEngine> pEngine = m_pSession ? m_pSession->GetTransferEngine() : nullptr)
        pEngine->SetEndedCallback(nullptr);
}

void CCrawler::SetMode(std::unique_ptr<CCrawlMode> pMode)
{
    if (pMode)
        m_pMode = std::move(pMode);
}

void CCrawler::SetLinkFilter(CLinkFilter filter)
{
    m_filer.SetFilter(std::move(filter));
}

void CCrawler::SetTransferOptions(const STransferOptions& options)
{
    m_transferOptions = options;
}
