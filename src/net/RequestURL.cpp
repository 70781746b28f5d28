#include "net/RequestURL.h"

#include "link/Link.h"

std::string CRequestURL::Build(
    const std::string& strScheme, const std::string& strHost, int nPort, const std::string& strPath)
{
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // a literal added to a string.
    std::string strURL(strScheme);
    strURL.append("://").append(strHost);
    if (nPort != 0)
        strURL.append(":").append(std::to_string(nPort));
    return strURL.append(strPath);
}

std::string CRequestURL::ForServer(const std::string& strServer, int nPort, const std::string& strObjectName)
{
    std::string strURL = Build("http", strServer, nPort, std::string());
    // Without its slash an object name would run into the host name.
    if (strObjectName.empty() || strObjectName[0] != '/')
        strURL += '/';
    return strURL.append(strObjectName);
}

std::string CRequestURL::ForHead(const CLink& link)
{
    return ForServer(link.GetHost(), link.GetRequestPort(), link.GetRequestPath());
}

std::string CRequestURL::ForPage(const CLink& page)
{
    const std::string strFullURL = page.GetFullURL();
    const std::size_t nHost = strFullURL.find("://");
    if (nHost == std::string::npos)
        return strFullURL;
    // The host ends at the path's slash; a URL without a path is all host.
    std::size_t nHostEnd = strFullURL.find('/', nHost + 3);
    if (nHostEnd == std::string::npos)
        nHostEnd = strFullURL.size();
    return Build(strFullURL.substr(0, nHost), strFullURL.substr(nHost + 3, nHostEnd - nHost - 3), page.GetRequestPort(),
        strFullURL.substr(nHostEnd));
}
