#pragma once

// The engine's inside: only the files that speak to libcurl include it.
#include "net/CurlHandle.h"
#include "net/InternetException.h"
#include "net/RateWindow.h"
#include "net/Transfer.h"
#include "net/TransferEngine.h"

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using CEasyHandle = CCurlHandle<CURL, &curl_easy_cleanup>;
using CMultiHandle = CCurlHandle<CURLM, &curl_multi_cleanup>;
using CHeaderList = CCurlHandle<curl_slist, &curl_slist_free_all>;

/// One request's handle and everything read for it so far; the engine's
/// callbacks write it, its CTransfer reads it.
struct CTransfer::CState {
    std::shared_ptr<CTransferEngine::CImpl> pEngine;
    CEasyHandle easy;
    // What was asked, for each hop the engine follows itself.
    CTransferEngine::ERequest eRequest = CTransferEngine::ERequest::GET;
    // This request's own header lines (validators), sent on every hop.
    std::vector<std::string> requestHeaders;
    // The lines of the current hop; libcurl reads them until it ends.
    CHeaderList headerLines;
    char szError[CURL_ERROR_SIZE] = {};
    std::string strFailure;
    std::string strStatusLine;
    std::string strHeaders;
    std::string strBody;
    std::size_t nBodyPos = 0;
    // The code of the response being read, and of each redirect followed.
    int nResponseCode = 0;
    std::vector<int> redirectCodes;
    // Redirects this engine follows itself, where libcurl would carry the
    // session's headers to another host: counted here, their bodies dropped.
    bool bHeadOnly = false;
    bool bOwnRedirects = false;
    bool bRedirectPending = false;
    long nOwnRedirects = 0;
    long nMaxRedirects = CTransferEngine::MAX_REDIRECTS;
    // The engine's options generation this handle was configured under.
    unsigned nGeneration = 0;
    // The host gate's key; the id it is parked under while sent ahead.
    std::string strHostKey;
    std::uint64_t nAheadId = 0;
    // Held back by the host gate; counted by it once it started.
    bool bPending = false;
    bool bAdmitted = false;
    bool bBodyStarted = false;
    bool bConnected = false;
    bool bDone = false;
    bool bPaused = false;
    bool bResuming = false;
    // A GET that ends once the final header block is in, and whether it did.
    bool bHeadersOnly = false;
    bool bHeadersDone = false;
    CURLcode result = CURLE_OK;
    // When the gate let it start, how long it has waited for its first
    // connection while the engine drove it, whether it has one, and how
    // many of its opens were slow.
    std::chrono::steady_clock::time_point openStart;
    std::chrono::steady_clock::duration openWaited {};
    bool bOpened = false;
    int nSlowOpens = 0;
    std::chrono::steady_clock::time_point lastActivity = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point answerTime;
    CRateWindow rate;

    std::size_t GetAvailable() const { return strBody.size() - nBodyPos; }
    bool HasFailed() const { return bDone && result != CURLE_OK; }
    std::string GetFailureMessage() const;
    CInternetException MakeFailure() const;
};
