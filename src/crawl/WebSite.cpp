#include "crawl/WebSite.h"

#include "crawl/WebUrl.h"

void CWebSite::SetStart(const std::string& strNormalURL)
{
    CWebUrl url;
    m_bSet = url.Parse(strNormalURL);
    if (!m_bSet)
        return;
    m_strHost = url.GetHost();
    m_nPort = url.GetExplicitPort();
    m_strDirectory = url.GetDirectory();
}

bool CWebSite::IsWithin(const std::string& strNormalURL) const
{
    CWebUrl url;
    if (!m_bSet || !url.Parse(strNormalURL))
        return false;
    return url.GetHost() == m_strHost && url.GetExplicitPort() == m_nPort
        && url.GetPath().compare(0, m_strDirectory.size(), m_strDirectory) == 0;
}
