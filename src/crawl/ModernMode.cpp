#include "crawl/ModernMode.h"

#include "crawl/FileLinkChecker.h"
#include "crawl/WebUrl.h"
#include "link/WebLink.h"

STransferOptions CModernMode::MakeTransferOptions(const std::string& strVersion)
{
    STransferOptions options;
    options.bCABundleFromEnvironment = true;
    options.eHttpVersion = STransferOptions::EHttpVersion::HTTP2_MULTIPLEXED;
    options.bAskForCompression = true;
    options.strUserAgent = "Lintrel/" + strVersion;
    return options;
}

std::unique_ptr<CLink> CModernMode::MakeRootLink(const std::string& strStartURL)
{
    // A local file opens by its path as written; its normal form names it.
    const bool bLocal = strStartURL.compare(0, 7, "file://") == 0;
    const CWebUrl url = CWebUrl::Parse(strStartURL);
    const std::string strNormal = url.IsWebLink() ? url.GetText() : strStartURL;
    auto pRoot = std::make_unique<CWebLink>(strNormal, nullptr, bLocal ? strStartURL : std::string());
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
    }
    m_extractor.Extract(std::move(strDocument), answer, pLinks, pPage);
}

void CModernMode::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    m_checker.CheckNewLinks(pLinks, pCrawler, pSession, m_site);
}

bool CModernMode::IsCheckable(const CLink& link) const
{
    return link.GetStatusCode() == -1 && !CFileLinkChecker::IsLocal(link);
}

std::string CModernMode::GetHeadURL(const CLink& link) const
{
    return link.GetFullURL();
}

std::string CModernMode::GetPageURL(const CLink& page) const
{
    return page.GetURL();
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
