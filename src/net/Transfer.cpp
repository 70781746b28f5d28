#include "net/Transfer.h"

#include "net/InternetException.h"
#include "net/TransferEngineImpl.h"
#include "net/TransferError.h"
#include "net/TransferState.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

ETransferError ClassifyError(CURLcode result)
{
    switch (result) {
    case CURLE_OK: return ETransferError::NONE;
    case CURLE_OPERATION_TIMEDOUT: return ETransferError::TIMEOUT;
    case CURLE_COULDNT_CONNECT:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return ETransferError::CONNECTION;
    case CURLE_GOT_NOTHING: return ETransferError::EMPTY_REPLY;
    case CURLE_COULDNT_RESOLVE_HOST: return ETransferError::HOST_NOT_FOUND;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH: return ETransferError::TLS;
    case CURLE_TOO_MANY_REDIRECTS: return ETransferError::TOO_MANY_REDIRECTS;
    case CURLE_UNSUPPORTED_PROTOCOL: return ETransferError::UNSUPPORTED_SCHEME;
    default: return ETransferError::OTHER;
    }
}

// libcurl names itself in this message; the scheme it refused is in quotes.
std::string DescribeUnsupportedScheme(const std::string& strError, bool bRedirected)
{
    const std::size_t nOpen = strError.find('"');
    const std::size_t nClose = nOpen == std::string::npos ? nOpen : strError.find('"', nOpen + 1);
    // The scheme with its quotes.
    const std::string strScheme
        = nClose == std::string::npos ? std::string() : strError.substr(nOpen, nClose - nOpen + 1);
    if (bRedirected)
        return "Redirected to a URL of scheme " + (strScheme.empty() ? std::string("unknown") : strScheme)
            + "; Lintrel follows http and https only";
    return "Lintrel checks http and https URLs (and files); " + (strScheme.empty() ? std::string("this") : strScheme)
        + " is not one";
}

} // namespace

std::string CTransfer::CState::GetFailureMessage() const
{
    if (!strFailure.empty())
        return strFailure;
    // libcurl 7 reports a header line past its limit as out of memory.
    if (result == CURLE_OUT_OF_MEMORY && !bBodyStarted)
        return "The server sent a header line too long to read";
    // The same code also stands for answers that are not HTTP; only a
    // refused scheme has its name quoted.
    if (result == CURLE_UNSUPPORTED_PROTOCOL && std::strncmp(szError, "Protocol \"", 10) == 0) {
        long nFollowed = 0;
        curl_easy_getinfo(easy.Get(), CURLINFO_REDIRECT_COUNT, &nFollowed);
        return DescribeUnsupportedScheme(szError, nFollowed > 0 || nOwnRedirects > 0);
    }
    return szError[0] != '\0' ? std::string(szError) : curl_easy_strerror(result);
}

CInternetException CTransfer::CState::MakeFailure() const
{
    const ETransferError eKind = ClassifyError(result);
    // A header block past the bound is the server's fault, not a passing
    // one; a redirect chain the engine ended itself is still a redirect loop.
    const bool bOwnBound
        = !strFailure.empty() && result != CURLE_OPERATION_TIMEDOUT && result != CURLE_TOO_MANY_REDIRECTS;
    return CInternetException(GetFailureMessage(), bOwnBound ? ETransferError::OTHER : eKind);
}

CTransfer::CTransfer(std::unique_ptr<CState> pState)
    : m_pState(std::move(pState))
{
}

CTransfer::~CTransfer()
{
    m_pState->pEngine->Release(*m_pState);
}

void CTransfer::WaitForResponse()
{
    CState& state = *m_pState;
    while (!state.bDone && !state.bBodyStarted)
        state.pEngine->RunSlice();
    // A failure after the body began is Read's to report, once the bytes
    // before it are used: whether it came before this wait ended or after
    // must not change what the reader gets.
    if (state.HasFailed() && !state.bBodyStarted)
        throw state.MakeFailure();
}

std::size_t CTransfer::Read(char* pBuffer, std::size_t nCount)
{
    CState& state = *m_pState;
    while (state.GetAvailable() < nCount && !state.bDone) {
        if (state.bPaused)
            state.pEngine->Resume(state);
        state.pEngine->RunSlice();
    }
    const std::size_t nCopied = std::min(nCount, state.GetAvailable());
    if (nCopied == 0 && state.HasFailed())
        throw state.MakeFailure();
    std::memcpy(pBuffer, state.strBody.data() + state.nBodyPos, nCopied);
    state.nBodyPos += nCopied;
    if (state.bPaused && state.GetAvailable() < CTransferEngine::MAX_UNREAD / 2)
        state.pEngine->Resume(state);
    // Drop what was read once it is the larger part, so reading stays linear.
    if (state.nBodyPos > state.strBody.size() / 2) {
        state.strBody.erase(0, state.nBodyPos);
        state.nBodyPos = 0;
    }
    return nCopied;
}

int CTransfer::GetStatusCode() const
{
    long nCode = 0;
    if (curl_easy_getinfo(m_pState->easy.Get(), CURLINFO_RESPONSE_CODE, &nCode) != CURLE_OK)
        return 0;
    return static_cast<int>(nCode);
}

std::string CTransfer::GetStatusLine() const
{
    return m_pState->strStatusLine;
}

std::string CTransfer::GetRawHeaders() const
{
    return m_pState->strHeaders;
}

std::string CTransfer::GetFinalURL() const
{
    const char* pszURL = nullptr;
    if (curl_easy_getinfo(m_pState->easy.Get(), CURLINFO_EFFECTIVE_URL, &pszURL) != CURLE_OK || !pszURL)
        return std::string();
    return pszURL;
}

std::string CTransfer::GetContentType() const
{
    const char* pszType = nullptr;
    if (curl_easy_getinfo(m_pState->easy.Get(), CURLINFO_CONTENT_TYPE, &pszType) != CURLE_OK || !pszType)
        return std::string();
    return pszType;
}

std::vector<int> CTransfer::GetRedirectCodes() const
{
    return m_pState->redirectCodes;
}

Clock::time_point CTransfer::GetAnswerTime() const
{
    return m_pState->answerTime;
}

std::string CTransfer::GetHeader(const std::string& strName) const
{
    curl_header* pHeader = nullptr;
    if (curl_easy_header(m_pState->easy.Get(), strName.c_str(), 0, CURLH_HEADER, -1, &pHeader) != CURLHE_OK
        || !pHeader->value)
        return std::string();
    // libcurl gives the index of the last of several fields of one name.
    const std::size_t nLast = pHeader->amount - 1;
    if (nLast != 0
        && curl_easy_header(m_pState->easy.Get(), strName.c_str(), nLast, CURLH_HEADER, -1, &pHeader) != CURLHE_OK)
        return std::string();
    return pHeader->value ? pHeader->value : std::string();
}
