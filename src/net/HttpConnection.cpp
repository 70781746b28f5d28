#include "net/HttpConnection.h"

#include "net/HttpFile.h"
#include "net/RequestURL.h"

CHttpConnection::CHttpConnection(std::shared_ptr<CTransferEngine> pEngine, std::string strServer, int nPort)
    : m_pEngine(std::move(pEngine))
    , m_strServer(std::move(strServer))
    , m_nPort(nPort)
{
}

std::unique_ptr<CHttpFile> CHttpConnection::OpenRequest(EVerb eVerb, const std::string& strObjectName) const
{
    if (!m_pEngine)
        return nullptr;
    return std::make_unique<CHttpFile>(m_pEngine, CRequestURL::ForServer(m_strServer, m_nPort, strObjectName),
        eVerb == EVerb::HEAD ? CTransferEngine::ERequest::HEAD : CTransferEngine::ERequest::GET);
}

void CHttpConnection::Close()
{
    m_pEngine.reset();
}
