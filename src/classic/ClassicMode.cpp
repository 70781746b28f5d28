#include "classic/ClassicMode.h"

#include "crawl/Crawler.h"
#include "html/PageStream.h"
#include "link/Link.h"
#include "net/RequestURL.h"

std::unique_ptr<CLink> CClassicMode::MakeRootLink(const std::string& strStartURL)
{
    return std::make_unique<CLink>(strStartURL, nullptr);
}

void CClassicMode::ExtractLinks(std::string strDocument, const SPageAnswer&, CLinkArray* pLinks, CLink* pPage)
{
    CPageStream stream(std::move(strDocument));
    m_extractor.Extract(stream, pLinks, pPage);
}

void CClassicMode::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    m_checker.CheckNewLinks(pLinks, pCrawler, pSession);
}

bool CClassicMode::IsCheckable(const CLink& link) const
{
    return link.GetLinkType() == LINK_HTTP;
}

std::string CClassicMode::GetHeadURL(const CLink& link) const
{
    return CRequestURL::ForHead(link);
}

std::string CClassicMode::GetPageURL(const CLink& page) const
{
    return CRequestURL::ForPage(page);
}

std::string CClassicMode::GetPageKey(const CLink& page) const
{
    return CCrawler::NormalisePageURL(page.GetFullURL());
}

std::string CClassicMode::GetPageKey(const CLink& page, const SPageAnswer&) const
{
    return GetPageKey(page);
}

void CClassicMode::AddToResult(SCrawlResult& result) const
{
    result.nUncheckedSecureLinks = m_extractor.GetSkippedSecureCount();
}
