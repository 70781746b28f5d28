#include "modern/WebSite.h"

#include "net/WebUrl.h"

namespace {

// The port a URL names, 0 for its scheme's default: http and https of one
// host count as one site.
int NamedPort(const CWebUrl& url)
{
    const int nDefault = url.GetScheme() == "https" ? 443 : 80;
    return url.GetPort() == nDefault ? 0 : url.GetPort();
}

} // namespace

void CWebSite::SetStart(const std::string& strNormalURL)
{
    const CWebUrl url = CWebUrl::Parse(strNormalURL);
    m_bSet = url.IsWebLink();
    if (!m_bSet)
        return;
    m_strHost = url.GetHost();
    m_nPort = NamedPort(url);
    m_strDirectory = url.GetDirectory();
}

bool CWebSite::IsWithin(const std::string& strNormalURL) const
{
    const CWebUrl url = CWebUrl::Parse(strNormalURL);
    return m_bSet && url.IsWebLink() && url.GetHost() == m_strHost && NamedPort(url) == m_nPort
        && url.GetPath().compare(0, m_strDirectory.size(), m_strDirectory) == 0;
}
