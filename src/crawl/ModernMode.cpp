#include "crawl/ModernMode.h"

#include "crawl/PageQueue.h"
#include "crawl/WebUrl.h"
#include "link/WebLink.h"

std::unique_ptr<CLink> CModernMode::MakeRootLink(const std::string& strStartURL)
{
    // A local file opens by its path as written; its normal form names it.
    const bool bLocal = strStartURL.compare(0, 7, "file://") == 0;
    std::string strNormal;
    if (!CWebUrl::Normalize(strStartURL, strNormal))
        strNormal = strStartURL;
    auto pRoot = std::make_unique<CWebLink>(strNormal, nullptr, bLocal ? strStartURL : std::string());
    m_pRoot = pRoot.get();
    return pRoot;
}

void CModernMode::ExtractLinks(const std::string& strDocument, const SPageAnswer& answer, CLinkArray* pLinks,
    CLink* pPage)
{
    // The site is where the start page's answer came from.
    if (pPage == m_pRoot && !m_site.IsSet()) {
        std::string strStart;
        if (!CWebUrl::Normalize(answer.strFinalURL, strStart))
            strStart = pPage->GetFullURL();
        m_site.SetStart(strStart);
    }
    m_extractor.Extract(strDocument, answer, pLinks, pPage);
}

void CModernMode::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    m_checker.CheckNewLinks(pLinks, pCrawler, pSession, m_site);
}

bool CModernMode::IsCheckable(const CLink& link) const
{
    return link.GetStatusCode() == -1;
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
