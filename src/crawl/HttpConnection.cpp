#include "crawl/HttpConnection.h"

#include "crawl/HttpFile.h"

CHttpConnection::CHttpConnection(std::shared_ptr<CTransferEngine> pEngine, std::string strServer, int nPort)
    : m_pEngine(std::move(pEngine))
    , m_strServer(std::move(strServer))
    , m_nPort(nPort)
{
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(int nVerb, const std::string& strObjectName) const
{
    if (!m_pEngine || (nVerb != HTTP_VERB_GET && nVerb != HTTP_VERB_HEAD))
        return nullptr;
    return std::make_unique<CHttpFile>(m_pEngine, BuildURL(strObjectName), nVerb == HTTP_VERB_HEAD);
}

void CHttpConnection::Close()
{
    m_pEngine.reset();
}

std::string CHttpConnection::BuildURL(const std::string& strObjectName) const
{
    // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // a literal added to a string.
    std::string strURL("http://");
    strURL.append(m_strServer);
    if (m_nPort != 0)
        strURL.append(":").append(std::to_string(m_nPort));
    // Without its slash an object name would run into the host name.
    if (strObjectName.empty() || strObjectName[0] != '/')
        strURL += '/';
    return strURL + strObjectName;
}
