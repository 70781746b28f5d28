#include "crawl/HttpFile.h"

#include "crawl/Transfer.h"
#include "crawl/TransferEngine.h"

CHttpFile::CHttpFile(std::shared_ptr<CTransferEngine> pEngine, std::string strURL, bool bHeadOnly)
    : m_pEngine(std::move(pEngine))
    , m_strURL(std::move(strURL))
    , m_bHeadOnly(bHeadOnly)
{
}

CHttpFile::~CHttpFile() = default;

bool CHttpFile::SendRequest()
{
    m_pTransfer = m_pEngine->Start(m_strURL, m_bHeadOnly);
    m_pTransfer->WaitForResponse();
    return true;
}

bool CHttpFile::QueryInfoStatusCode(int& nStatusCode) const
{
    if (!m_pTransfer)
        return false;
    int nCode = m_pTransfer->GetStatusCode();
    if (nCode < 100 || nCode > 999)
        return false;
    nStatusCode = nCode;
    return true;
}

bool CHttpFile::QueryInfo(int nInfoLevel, std::string& strValue) const
{
    if (!m_pTransfer || m_pTransfer->GetStatusLine().empty())
        return false;
    if (nInfoLevel == HTTP_QUERY_STATUS_TEXT) {
        strValue = ParseReasonPhrase(m_pTransfer->GetStatusLine());
        return true;
    }
    if (nInfoLevel == HTTP_QUERY_RAW_HEADERS_CRLF) {
        strValue = m_pTransfer->GetRawHeaders();
        return true;
    }
    return false;
}

std::size_t CHttpFile::Read(char* pBuffer, std::size_t nCount)
{
    return m_pTransfer ? m_pTransfer->Read(pBuffer, nCount) : 0;
}

void CHttpFile::Close()
{
    m_pTransfer.reset();
}

std::string CHttpFile::ParseReasonPhrase(const std::string& strStatusLine)
{
    // "HTTP/1.1" SP code SP reason; HTTP/2 sends no reason at all.
    std::size_t nCode = strStatusLine.find(' ');
    if (nCode == std::string::npos)
        return std::string();
    nCode = strStatusLine.find_first_not_of(' ', nCode);
    if (nCode == std::string::npos)
        return std::string();
    std::size_t nReason = strStatusLine.find(' ', nCode);
    if (nReason == std::string::npos)
        return std::string();
    return strStatusLine.substr(nReason + 1);
}
