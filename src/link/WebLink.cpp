#include "link/WebLink.h"

CWebLink::CWebLink(const std::string& strNormalURL, CLink* pReferrer, const std::string& strOpenURL)
    : CLink(strNormalURL, nullptr)
    , m_pWebReferrer(pReferrer)
    , m_strNormalURL(strNormalURL)
    , m_strOpenURL(strOpenURL)
{
}

std::string CWebLink::GetURL() const
{
    return m_strOpenURL.empty() ? m_strNormalURL : m_strOpenURL;
}

std::string CWebLink::GetFullURL() const
{
    return m_strNormalURL;
}

std::string CWebLink::GetStatusText() const
{
    return GetStoredStatusText();
}

int CWebLink::GetLinkType() const
{
    return LINK_HTTP;
}

std::string CWebLink::GetFragment() const
{
    const std::size_t nHash = m_strNormalURL.find('#');
    return nHash == std::string::npos ? std::string() : m_strNormalURL.substr(nHash + 1);
}

void CWebLink::SetFragmentOutcome(EFragment eFragment, std::string strReason, std::vector<std::string> suggestions)
{
    m_eFragment = eFragment;
    m_strFragmentReason = std::move(strReason);
    m_suggestions = std::move(suggestions);
}

bool CWebLink::HasGoodStatus() const
{
    return m_eVerdict == EVerdict::NONE ? CLink::HasGoodStatus() : m_eVerdict == EVerdict::OK;
}
