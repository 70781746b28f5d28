#pragma once

#include "net/InternetFile.h"
#include "net/TransferEngine.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

class CTransfer;

/// One HTTP request (a GET or a HEAD) and its final response.
class CHttpFile : public CInternetFile {
public:
    /// The status text of a response that carried no readable status code.
    static constexpr const char* NO_STATUS_CODE = "The server's response has no readable status code";
    /// What QueryInfo reads of the final response: the Content-Type value,
    /// the validators a later request may send back, the reason phrase, the
    /// whole header block.
    enum class EQuery { CONTENT_TYPE, LAST_MODIFIED, ETAG, STATUS_TEXT, RAW_HEADERS_CRLF };

    /// Holds the session's engine; nothing goes out before SendRequest, which
    /// adds the header lines given ("Name: value").
    CHttpFile(std::shared_ptr<CTransferEngine> pEngine, std::string strURL, CTransferEngine::ERequest eRequest,
        std::vector<std::string> headers = {});
    ~CHttpFile() override;

    /// Sends the request and waits for the final response, redirects
    /// followed. True when a response arrived; throws CInternetException.
    bool SendRequest();
    /// Before SendRequest: follow at most nMaxRedirects redirects instead of
    /// the engine's MAX_REDIRECTS; the header lines are then not sent.
    void SetMaxRedirects(long nMaxRedirects) { m_nMaxRedirects = nMaxRedirects; }
    /// The final response's status code (100 to 999); false when it had no
    /// readable one or none arrived.
    bool QueryInfoStatusCode(int& nStatusCode) const;
    /// What eQuery names; false when no response arrived, or it has no such
    /// header (the reason phrase and header block are always there).
    bool QueryInfo(EQuery eQuery, std::string& strValue) const;
    /// The URL the final response came from, redirects followed; empty
    /// before SendRequest.
    std::string GetFinalURL() const;
    /// The status code of each redirect followed, in order.
    std::vector<int> GetRedirectCodes() const;
    /// The final response's last strName header value; empty when none.
    std::string GetHeader(const std::string& strName) const;
    /// When the final response's header block ended; the epoch before.
    std::chrono::steady_clock::time_point GetAnswerTime() const;
    std::size_t Read(char* pBuffer, std::size_t nCount) override;
    void Close() override;

    /// The reason phrase of a status line such as "HTTP/1.1 404 Not Found";
    /// empty when the line has none.
    static std::string ParseReasonPhrase(const std::string& strStatusLine);
    /// The registered reason phrase of a status code ("Not Found" for 404),
    /// for answers whose status line has none (HTTP/2); empty for a code
    /// with no registered phrase.
    static std::string GetStandardReasonPhrase(int nStatusCode);

private:
    std::shared_ptr<CTransferEngine> m_pEngine;
    std::string m_strURL;
    CTransferEngine::ERequest m_eRequest;
    std::vector<std::string> m_headers;
    std::optional<long> m_nMaxRedirects;
    std::unique_ptr<CTransfer> m_pTransfer;
};
