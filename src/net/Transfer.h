#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

/// One request on a transfer engine, from its start to its destruction.
/// Several may be in flight on one engine; whichever waits drives them all.
class CTransfer {
public:
    CTransfer(const CTransfer&) = delete;
    CTransfer& operator=(const CTransfer&) = delete;
    /// Abandons a transfer still running and gives its handle back.
    ~CTransfer();

    /// Waits, pumping, until the final response's body starts or the
    /// transfer ends. Throws CInternetException when it failed.
    void WaitForResponse();
    /// Up to nCount body bytes, fewer only at the end. Throws
    /// CInternetException once the bytes received before a failure are used.
    std::size_t Read(char* pBuffer, std::size_t nCount);
    /// The final response's status code; 0 when none was read.
    int GetStatusCode() const;
    /// The final response's status line without its line end; empty when none.
    std::string GetStatusLine() const;
    /// The final response's header block, status line first, every line
    /// ending in CR LF.
    std::string GetRawHeaders() const;
    /// The URL the final response came from, redirects followed; the URL
    /// asked for when none came.
    std::string GetFinalURL() const;
    /// The final response's Content-Type value as sent; empty when it had none.
    std::string GetContentType() const;
    /// The status code of each redirect followed, in order; empty when none.
    std::vector<int> GetRedirectCodes() const;
    /// The last value of the final response's header strName as sent;
    /// empty when it had none.
    std::string GetHeader(const std::string& strName) const;
    /// When the last header block ended: a wait the server asked for counts
    /// from there, however late the answer is read.
    std::chrono::steady_clock::time_point GetAnswerTime() const;

    struct CState;

private:
    friend class CTransferEngine;
    explicit CTransfer(std::unique_ptr<CState> pState);

    std::unique_ptr<CState> m_pState;
};
