#include "crawl/FilteredMode.h"

#include "link/Link.h"
#include "link/LinkArray.h"

CFilteredMode::CFilteredMode(std::unique_ptr<CCrawlMode> pMode, CLinkFilter filter)
    : m_pMode(std::move(pMode))
    , m_filter(std::move(filter))
{
}

std::unique_ptr<CLink> CFilteredMode::MakeRootLink(const std::string& strStartURL)
{
    std::unique_ptr<CLink> pRoot = m_pMode->MakeRootLink(strStartURL);
    m_strRootURL = pRoot->GetFullURL();
    return pRoot;
}

void CFilteredMode::ExtractLinks(std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    // Filed as the mode files them, then moved over as the request
    // pipeline's read-ahead moves its own: the same records either way.
    CLinkArray found;
    m_pMode->ExtractLinks(std::move(strDocument), answer, &found, pPage);
    pLinks->AddNewFrom(found, [this](const std::string& strFullURL) { return Accepts(strFullURL); });
}

bool CFilteredMode::Accepts(const std::string& strFullURL)
{
    if (strFullURL == m_strRootURL || m_filter.Accepts(strFullURL))
        return true;
    m_excluded.insert(strFullURL);
    return false;
}

void CFilteredMode::CheckNewLinks(CLinkArray* pLinks, CCrawler* pCrawler, CInternetSession* pSession)
{
    m_pMode->CheckNewLinks(pLinks, pCrawler, pSession);
}

bool CFilteredMode::IsCheckable(const CLink& link) const
{
    return m_pMode->IsCheckable(link);
}

std::string CFilteredMode::GetHeadURL(const CLink& link) const
{
    return m_pMode->GetHeadURL(link);
}

std::string CFilteredMode::GetPageURL(const CLink& page) const
{
    return m_pMode->GetPageURL(page);
}

std::string CFilteredMode::GetPageKey(const CLink& page) const
{
    return m_pMode->GetPageKey(page);
}

std::string CFilteredMode::GetPageKey(const CLink& page, const SPageAnswer& answer) const
{
    return m_pMode->GetPageKey(page, answer);
}

bool CFilteredMode::KeepsZeroBytes() const
{
    return m_pMode->KeepsZeroBytes();
}

std::size_t CFilteredMode::CountUncheckedSecureLinks() const
{
    return m_pMode->CountUncheckedSecureLinks();
}

std::vector<std::string> CFilteredMode::GetPageHeaders(const CLink& page) const
{
    return m_pMode->GetPageHeaders(page);
}

bool CFilteredMode::MayFetchPage(const CLink& page, CInternetSession* pSession)
{
    return m_pMode->MayFetchPage(page, pSession);
}

std::size_t CFilteredMode::CountRobotsSkipped() const
{
    return m_pMode->CountRobotsSkipped();
}

std::string CFilteredMode::GetRobotsFailure() const
{
    return m_pMode->GetRobotsFailure();
}
