#include "crawl/Crawler.h"

#include "crawl/InternetException.h"
#include "crawl/TransferEngine.h"
#include "html/PageStream.h"
#include "link/Link.h"

#include <algorithm>

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
    m_pRootLink.reset();
}

bool CCrawler::Init(CCrawlList* pListBox, const std::string& strStartUrl)
{
    // One crawl per crawler: the queue may already point at the old root.
    if (m_pSession || m_pRootLink)
        return false;
    try {
        m_pSession = std::make_unique<CInternetSession>();
        for (int nOption :
            {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT,
                INTERNET_OPTION_DATA_SEND_TIMEOUT, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT})
            m_pSession->SetOption(nOption, m_nTimeout);
        // Keeps the front end alive while a request waits.
        m_pSession->SetPumpCallback([this] { PumpMessages(); });
        m_pListBox = pListBox;
        m_pRootLink = std::make_unique<CLink>(strStartUrl, nullptr);
        if (m_pListBox)
            m_pListBox->SetSiteHost(m_pRootLink->GetHost());
        m_pLinks = std::make_unique<CLinkArray>();
        m_pageQueue.AddPage(m_pRootLink.get());
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
        if (!m_bStop)
            m_pipeline.OnPageTaken();
        m_pageQueue.FetchNextPage(strDocument, m_pSession.get(), pPage, strError);
        if (m_pDlg && pPage)
            m_pDlg->PageFetched(*pPage, strError);
        if (!m_pipeline.ReplayLinks(pPage, strDocument, m_pLinks.get())) {
            CPageStream stream(std::move(strDocument));
            m_extractor.Extract(stream, m_pLinks.get(), pPage);
        }
        if (m_pListBox)
            m_pListBox->AddNewLinks(m_pLinks.get());
        if (m_pDlg)
            m_pDlg->SetLinkCount(m_pLinks ? static_cast<unsigned>(m_pLinks->GetSize()) : 0u);
        if (!m_bStop)
            m_pipeline.OnChecksBegin();
        m_checker.CheckNewLinks(m_pLinks.get(), this, m_pSession.get());
        PumpMessages();
        if (m_bStop || !m_bRecursive)
            break;
    }
    // Answers not used by now are not wanted: after Stop they stay unused.
    StopPipeline();
    return true;
}

void CCrawler::PumpMessages()
{
    if (m_pDlg)
        m_pDlg->PumpMessages();
}

void CCrawler::EnqueuePage(CLink* pLink)
{
    m_pageQueue.AddPage(pLink);
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
    m_pipeline.Attach(pEngine, m_pLinks.get(), &m_pageQueue, m_bRecursive, m_nJobs);
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
