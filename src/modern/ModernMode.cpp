#include "modern/ModernMode.h"

#include "crawl/Crawler.h"
#include "crawl/PageQueue.h"
#include "crawl/ResultStore.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "modern/FileLinkChecker.h"
#include "net/HttpFile.h"
#include "net/WebUrl.h"

CModernMode::CModernMode(const SCheckPolicy& policy)
    : m_checker(policy)
{
    SetFragmentChecks(true);
}

void CModernMode::SetFragmentChecks(bool bCheck)
{
    m_bFragments = bCheck;
    m_extractor.SetFragmentRows(bCheck);
    m_checker.SetFragmentChecker(bCheck ? &m_fragments : nullptr);
}

STransferOptions CModernMode::MakeTransferOptions(const std::string& strVersion)
{
    STransferOptions options;
    options.bCABundleFromEnvironment = true;
    options.eHttpVersion = STransferOptions::EHttpVersion::HTTP2_MULTIPLEXED;
    options.bAskForCompression = true;
    options.strUserAgent = "Lintrel/" + strVersion;
    options.bTuneHostLimit = true;
    options.nMaxRetryAfterPause = SCheckPolicy::DEFAULT_MAX_RETRY_WAIT;
    return options;
}

std::unique_ptr<CLink> CModernMode::MakeRootLink(const std::string& strStartURL)
{
    // A local file opens by its path as written; its normal form names it.
    const bool bLocal = strStartURL.compare(0, 7, "file://") == 0;
    const CWebUrl url = CWebUrl::Parse(strStartURL);
    const std::string strNormal = url.IsWebLink() ? url.GetText() : strStartURL;
    auto pRoot = std::make_unique<CWebLink>(strNormal, nullptr, bLocal ? strStartURL : GetMappedOpenURL(strNormal));
    m_scopes.AddStartPage(pRoot.get());
    if (const auto found = m_startReferrers.find(strStartURL); found != m_startReferrers.end())
        m_referrerOf[pRoot.get()] = found->second;
    // A mapped site is read from its files: its robots.txt is nobody's to ask.
    m_bSiteMapped = m_bSiteMapped || m_map.MapToFile(strNormal).has_value();
    // Every start page is read, so its fragments wait for it.
    m_fragments.NoteWillRead(pRoot->GetFullURL());
    return pRoot;
}

void CModernMode::ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    if (m_scopes.IsStartPage(pPage) && ReadStartPage(answer, pLinks, pPage)) {
        NoteTargets(*pPage, answer, {}, 0);
        return;
    }
    const CWebUrl final = CWebUrl::Parse(answer.strFinalURL);
    m_scopes.NoteNamed(pPage, final.IsWebLink() ? final.GetText() : pPage->GetFullURL());
    const std::size_t nSize = strDocument.size();
    SFragmentTargets targets;
    SFragmentTargets* pTargets = m_bFragments ? &targets : nullptr;
    // A changed page is a local file, never a stored page that did not change.
    const bool bChanged = m_changes.IsChangedPage(*pPage);
    std::vector<SStoredPage::SLink> filed;
    if (!m_pStore) {
        m_extractor.Extract(std::move(strDocument), answer, pLinks, pPage, bChanged ? &filed : nullptr, pTargets);
        NoteNamed(filed);
        NoteTargets(*pPage, answer, std::move(targets), nSize);
        return;
    }
    if (ReplayStoredPage(answer, pLinks, pPage))
        return;
    m_extractor.Extract(std::move(strDocument), answer, pLinks, pPage, &filed, pTargets);
    if (bChanged)
        NoteNamed(filed);
    StorePage(*pPage, answer, std::move(filed), targets);
    NoteTargets(*pPage, answer, std::move(targets), nSize);
}

void CModernMode::NoteTargets(const CLink& page, const SPageAnswer& answer, SFragmentTargets targets, std::size_t nSize)
{
    if (!m_bFragments)
        return;
    const bool bAnswered = answer.nStatusCode == 0 || (answer.nStatusCode >= 200 && answer.nStatusCode < 300);
    CFragmentChecker::ERead eRead = CFragmentChecker::ERead::WHOLE;
    // A local page has no Content-Type: it is read as HTML.
    if (!answer.strContentType.empty() && !CWebLinkChecker::IsHtmlType(answer.strContentType))
        eRead = CFragmentChecker::ERead::NOT_HTML;
    else if (nSize >= CPageQueue::MAX_DOCUMENT)
        eRead = CFragmentChecker::ERead::TOO_LARGE;
    else if (!bAnswered)
        eRead = CFragmentChecker::ERead::NOT_READ;
    m_fragments.NotePage(GetPageKey(page, answer), std::move(targets), eRead, answer.nStatusCode);
}

bool CModernMode::ReadStartPage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    // A start page's site is where its answer came from.
    const CWebUrl final = CWebUrl::Parse(answer.strFinalURL);
    const std::string strWhere = final.IsWebLink() ? final.GetText() : pPage->GetFullURL();
    m_scopes.SetSite(pPage, strWhere);
    m_robots.AddOrigin(strWhere);
    constexpr int FIRST_FAILURE = 400;
    if (!m_bListFailedStarts || (answer.strError.empty() && answer.nStatusCode < FIRST_FAILURE))
        return false;
    if (pLinks->Find(pPage->GetFullURL()))
        return true;
    CLink* pReferrer = nullptr;
    if (const auto found = m_referrerOf.find(pPage); found != m_referrerOf.end())
        pReferrer = pLinks->AdoptBase(std::make_unique<CWebLink>(found->second, nullptr));
    auto pRow = std::make_unique<CWebLink>(pPage->GetFullURL(), pReferrer);
    if (!answer.strError.empty())
        pRow->SetError(answer.strError.c_str());
    else
        pRow->SetStatus(answer.nStatusCode, CHttpFile::GetStandardReasonPhrase(answer.nStatusCode));
    if (final.IsWebLink() && final.GetText() != pPage->GetFullURL()) {
        pRow->SetFinalURL(final.GetText());
        pRow->SetRedirected(true);
    }
    pLinks->Add(std::move(pRow));
    return true;
}

void CModernMode::ListFailedStartPages(std::map<std::string, std::string> referrers)
{
    m_bListFailedStarts = true;
    m_startReferrers = std::move(referrers);
}

void CModernMode::NoteNamed(const std::vector<SStoredPage::SLink>& filed)
{
    for (const SStoredPage::SLink& link : filed)
        if (m_changes.NoteNamed(link.strURL))
            m_checker.Want(link.strURL);
}

void CModernMode::SetChangeFilter(CChangeFilter changes)
{
    m_changes = std::move(changes);
    if (!m_changes.IsActive())
        return;
    m_checker.SetWanted([this](const CLink& link) { return m_changes.IsNamed(link.GetFullURL()); });
}

void CModernMode::FinishLinks(CLinkArray* pLinks)
{
    if (m_changes.IsActive() && pLinks)
        pLinks->KeepOnly([this](const CLink& link) { return m_changes.IsListed(link); });
}

void CModernMode::SetPathMap(CPathMap map)
{
    m_map = std::move(map);
    m_extractor.SetPathMap(m_map.IsEmpty() ? nullptr : &m_map);
}

std::string CModernMode::GetMappedOpenURL(const std::string& strNormalURL) const
{
    const std::optional<std::string> file = m_map.MapToFile(strNormalURL);
    return file ? "file://" + *file : std::string();
}

void CModernMode::SetResultStore(CResultStore* pStore)
{
    m_pStore = pStore;
    m_checker.SetResultStore(pStore);
}

bool CModernMode::ReplayStoredPage(const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    constexpr int NOT_MODIFIED = 304;
    const SStoredPage* pStored = answer.nStatusCode == NOT_MODIFIED ? m_pStore->FindPage(GetPageURL(*pPage)) : nullptr;
    if (!pStored)
        return false;
    m_extractor.Replay(pStored->links, answer, pLinks, pPage);
    // Unchanged, so its targets are the ones stored with its links.
    if (m_bFragments)
        m_fragments.NotePage(GetPageKey(*pPage, answer), pStored->targets, CFragmentChecker::ERead::WHOLE, 200);
    return true;
}

void CModernMode::StorePage(const CLink& page, const SPageAnswer& answer, std::vector<SStoredPage::SLink> filed,
    const SFragmentTargets& targets)
{
    constexpr int OK = 200;
    // Only a whole page that can be asked "changed since?" is worth keeping.
    if (answer.nStatusCode != OK || (answer.strETag.empty() && answer.strLastModified.empty())) {
        if (answer.nStatusCode != 0)
            m_pStore->ForgetPage(GetPageURL(page));
        return;
    }
    m_pStore->StorePage(GetPageURL(page), {answer.strETag, answer.strLastModified, std::move(filed), targets});
}

void CModernMode::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    CPagePolicy* pPolicy = m_bObeyRobots && !m_bSiteMapped ? &m_robots : nullptr;
    // Checked once, found again since on a page whose scope holds them.
    for (CLink* pPage : m_scopes.TakeReached())
        pCrawler->EnqueuePage(pPage, pPolicy);
    m_checker.CheckNewLinks(pLinks, pCrawler, pSession, m_scopes, pPolicy);
}

void CModernMode::AddToResult(SCrawlResult& result) const
{
    result.bVerdicts = true;
    result.bFragments = m_bFragments;
    result.bRobotsCounted = true;
    result.nRobotsSkipped = m_robots.GetRefusedCount();
    result.strRobotsFailure = m_robots.GetFailure();
    result.bChangesOnly = m_changes.IsActive();
}

bool CModernMode::IsCheckable(const CLink& link) const
{
    // A result the checker will reuse needs no request, not even one ahead;
    // nor does a file link, which is looked at.
    // Nor does a fragment's row: its document's request answers for it.
    const auto& web = static_cast<const CWebLink&>(link);
    return !link.IsChecked() && !web.IsFragmentRow() && !CFileLinkChecker::IsLocal(link)
        && !(m_pStore && m_pStore->FindReusable(link.GetFullURL()))
        && (!m_changes.IsActive() || m_changes.IsNamed(link.GetFullURL()));
}

std::string CModernMode::GetHeadURL(const CLink& link) const
{
    return link.GetFullURL();
}

std::string CModernMode::GetPageURL(const CLink& page) const
{
    return page.GetURL();
}

std::vector<std::string> CModernMode::GetPageHeaders(const CLink& page) const
{
    const SStoredPage* pStored = m_pStore ? m_pStore->FindPage(GetPageURL(page)) : nullptr;
    if (!pStored)
        return {};
    // A value with a line break would add a header line of its own.
    const auto Usable = [](const std::string& strValue) {
        return !strValue.empty() && strValue.find_first_of("\r\n") == std::string::npos;
    };
    std::vector<std::string> headers;
    if (Usable(pStored->strETag))
        headers.push_back("If-None-Match: " + pStored->strETag);
    if (Usable(pStored->strLastModified))
        headers.push_back("If-Modified-Since: " + pStored->strLastModified);
    return headers;
}

std::string CModernMode::GetPageKey(const CLink& page) const
{
    // Every record of this mode is a web link.
    const auto& web = static_cast<const CWebLink&>(page);
    return web.GetFinalURL().empty() ? web.GetFullURL() : web.GetFinalURL();
}

std::string CModernMode::GetPageKey(const CLink& page, const SPageAnswer& answer) const
{
    const CWebUrl final = CWebUrl::Parse(answer.strFinalURL);
    return final.IsWebLink() ? final.GetText() : GetPageKey(page);
}
