#include "modern/ModernMode.h"

#include "crawl/ResultStore.h"
#include "link/LinkArray.h"
#include "link/WebLink.h"
#include "modern/FileLinkChecker.h"
#include "net/WebUrl.h"

CModernMode::CModernMode(const SCheckPolicy& policy)
    : m_checker(policy)
{
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
    // The first start page names the site; later ones are pages of it.
    if (!m_pRoot)
        m_pRoot = pRoot.get();
    return pRoot;
}

void CModernMode::ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    // The site is where the start page's answer came from.
    if (pPage == m_pRoot && !m_site.IsSet()) {
        const CWebUrl final = CWebUrl::Parse(answer.strFinalURL);
        m_site.SetStart(final.IsWebLink() ? final.GetText() : pPage->GetFullURL());
        m_robots.SetOrigin(final.IsWebLink() ? final.GetText() : pPage->GetFullURL());
        m_bSiteMapped = m_map.MapToFile(pPage->GetFullURL()).has_value();
    }
    // A changed page is a local file, never a stored page that did not change.
    const bool bChanged = m_changes.IsChangedPage(*pPage);
    std::vector<SStoredPage::SLink> filed;
    if (!m_pStore) {
        m_extractor.Extract(std::move(strDocument), answer, pLinks, pPage, bChanged ? &filed : nullptr);
        NoteNamed(filed);
        return;
    }
    if (ReplayStoredPage(answer, pLinks, pPage))
        return;
    m_extractor.Extract(std::move(strDocument), answer, pLinks, pPage, &filed);
    if (bChanged)
        NoteNamed(filed);
    StorePage(*pPage, answer, std::move(filed));
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
    return true;
}

void CModernMode::StorePage(const CLink& page, const SPageAnswer& answer, std::vector<SStoredPage::SLink> filed)
{
    constexpr int OK = 200;
    // Only a whole page that can be asked "changed since?" is worth keeping.
    if (answer.nStatusCode != OK || (answer.strETag.empty() && answer.strLastModified.empty())) {
        if (answer.nStatusCode != 0)
            m_pStore->ForgetPage(GetPageURL(page));
        return;
    }
    m_pStore->StorePage(GetPageURL(page), {answer.strETag, answer.strLastModified, std::move(filed)});
}

void CModernMode::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    // A mapped site is read from its files: its robots.txt is nobody's to ask.
    m_checker.CheckNewLinks(pLinks, pCrawler, pSession, m_site, m_bObeyRobots && !m_bSiteMapped ? &m_robots : nullptr);
}

void CModernMode::AddToResult(SCrawlResult& result) const
{
    result.bVerdicts = true;
    result.bRobotsCounted = true;
    result.nRobotsSkipped = m_robots.GetRefusedCount();
    result.strRobotsFailure = m_robots.GetFailure();
    result.bChangesOnly = m_changes.IsActive();
}

bool CModernMode::IsCheckable(const CLink& link) const
{
    // A result the checker will reuse needs no request, not even one ahead;
    // nor does a file link, which is looked at.
    return !link.IsChecked() && !CFileLinkChecker::IsLocal(link)
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
