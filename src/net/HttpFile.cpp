#include "net/HttpFile.h"

#include "net/Transfer.h"
#include "net/TransferEngine.h"

#include <algorithm>
#include <iterator>

namespace {

struct SReasonPhrase {
    int nStatusCode;
    const char* pszPhrase;
};

// The IANA HTTP status code registry, in code order.
constexpr SReasonPhrase REASON_PHRASES[] = {
    {100, "Continue"},
    {101, "Switching Protocols"},
    {102, "Processing"},
    {103, "Early Hints"},
    {200, "OK"},
    {201, "Created"},
    {202, "Accepted"},
    {203, "Non-Authoritative Information"},
    {204, "No Content"},
    {205, "Reset Content"},
    {206, "Partial Content"},
    {207, "Multi-Status"},
    {208, "Already Reported"},
    {226, "IM Used"},
    {300, "Multiple Choices"},
    {301, "Moved Permanently"},
    {302, "Found"},
    {303, "See Other"},
    {304, "Not Modified"},
    {305, "Use Proxy"},
    {307, "Temporary Redirect"},
    {308, "Permanent Redirect"},
    {400, "Bad Request"},
    {401, "Unauthorized"},
    {402, "Payment Required"},
    {403, "Forbidden"},
    {404, "Not Found"},
    {405, "Method Not Allowed"},
    {406, "Not Acceptable"},
    {407, "Proxy Authentication Required"},
    {408, "Request Timeout"},
    {409, "Conflict"},
    {410, "Gone"},
    {411, "Length Required"},
    {412, "Precondition Failed"},
    {413, "Content Too Large"},
    {414, "URI Too Long"},
    {415, "Unsupported Media Type"},
    {416, "Range Not Satisfiable"},
    {417, "Expectation Failed"},
    {421, "Misdirected Request"},
    {422, "Unprocessable Content"},
    {423, "Locked"},
    {424, "Failed Dependency"},
    {425, "Too Early"},
    {426, "Upgrade Required"},
    {428, "Precondition Required"},
    {429, "Too Many Requests"},
    {431, "Request Header Fields Too Large"},
    {451, "Unavailable For Legal Reasons"},
    {500, "Internal Server Error"},
    {501, "Not Implemented"},
    {502, "Bad Gateway"},
    {503, "Service Unavailable"},
    {504, "Gateway Timeout"},
    {505, "HTTP Version Not Supported"},
    {506, "Variant Also Negotiates"},
    {507, "Insufficient Storage"},
    {508, "Loop Detected"},
    {510, "Not Extended"},
    {511, "Network Authentication Required"},
};

} // namespace

CHttpFile::CHttpFile(std::shared_ptr<CTransferEngine> pEngine, std::string strURL, CTransferEngine::ERequest eRequest,
    std::vector<std::string> headers)
    : m_pEngine(std::move(pEngine))
    , m_strURL(std::move(strURL))
    , m_eRequest(eRequest)
    , m_headers(std::move(headers))
{
}

CHttpFile::~CHttpFile() = default;

bool CHttpFile::SendRequest()
{
    m_pTransfer = m_nMaxRedirects ? m_pEngine->StartWithRedirectLimit(m_strURL, m_eRequest, *m_nMaxRedirects)
                                  : m_pEngine->Start(m_strURL, m_eRequest, m_headers);
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

bool CHttpFile::QueryInfo(EQuery eQuery, std::string& strValue) const
{
    if (!m_pTransfer || m_pTransfer->GetStatusLine().empty())
        return false;
    switch (eQuery) {
    case EQuery::STATUS_TEXT: strValue = ParseReasonPhrase(m_pTransfer->GetStatusLine()); return true;
    case EQuery::RAW_HEADERS_CRLF: strValue = m_pTransfer->GetRawHeaders(); return true;
    case EQuery::CONTENT_TYPE: strValue = m_pTransfer->GetContentType(); break;
    case EQuery::ETAG: strValue = m_pTransfer->GetHeader("ETag"); break;
    case EQuery::LAST_MODIFIED: strValue = m_pTransfer->GetHeader("Last-Modified"); break;
    }
    return !strValue.empty();
}

std::string CHttpFile::GetFinalURL() const
{
    return m_pTransfer ? m_pTransfer->GetFinalURL() : std::string();
}

std::vector<int> CHttpFile::GetRedirectCodes() const
{
    return m_pTransfer ? m_pTransfer->GetRedirectCodes() : std::vector<int>();
}

std::string CHttpFile::GetHeader(const std::string& strName) const
{
    return m_pTransfer ? m_pTransfer->GetHeader(strName) : std::string();
}

std::chrono::steady_clock::time_point CHttpFile::GetAnswerTime() const
{
    return m_pTransfer ? m_pTransfer->GetAnswerTime() : std::chrono::steady_clock::time_point();
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

std::string CHttpFile::GetStandardReasonPhrase(int nStatusCode)
{
    const auto* pEnd = std::end(REASON_PHRASES);
    const auto* pFound = std::lower_bound(std::begin(REASON_PHRASES), pEnd, nStatusCode,
        [](const SReasonPhrase& phrase, int nCode) { return phrase.nStatusCode < nCode; });
    if (pFound == pEnd || pFound->nStatusCode != nStatusCode)
        return std::string();
    return pFound->pszPhrase;
}
