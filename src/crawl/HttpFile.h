#pragma once

#include "crawl/InternetFile.h"

#include <memory>
#include <string>

class CTransfer;
class CTransferEngine;

/// HttpFile query levels: the reason phrase, and the whole header block.
constexpr int HTTP_QUERY_STATUS_TEXT = 20;
constexpr int HTTP_QUERY_RAW_HEADERS_CRLF = 22;

/// One HTTP request (a GET or a HEAD) and its final response.
class CHttpFile : public CInternetFile {
public:
    /// Holds the session's engine; nothing goes out before SendRequest.
    CHttpFile(std::shared_ptr<CTransferEngine> pEngine, std::string strURL, bool bHeadOnly);
    ~CHttpFile() override;

    /// Sends the request and waits for the final response, redirects
    /// followed. True when a response arrived; throws CInternetException.
    bool SendRequest();
    /// The final response's status code (100 to 999); false when it had no
    /// readable one or none arrived.
    bool QueryInfoStatusCode(int& nStatusCode) const;
    /// The reason phrase (HTTP_QUERY_STATUS_TEXT) or the header block
    /// (HTTP_QUERY_RAW_HEADERS_CRLF); false for other levels or no response.
    bool QueryInfo(int nInfoLevel, std::string& strValue) const;
    std::size_t Read(char* pBuffer, std::size_t nCount) override;
    void Close() override;

    /// The reason phrase of a status line such as "HTTP/1.1 404 Not Found";
    /// empty when the line has none.
    static std::string ParseReasonPhrase(const std::string& strStatusLine);

private:
    std::shared_ptr<CTransferEngine> m_pEngine;
    std::string m_strURL;
    bool m_bHeadOnly;
    std::unique_ptr<CTransfer> m_pTransfer;
};
