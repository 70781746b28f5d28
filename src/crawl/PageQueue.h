#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "crawl/PageAnswer.h"

class CCrawlMode;
class CInternetFile;
class CInternetSession;
class CLink;

/// Pages still to fetch, oldest first, so a crawl runs breadth-first.
/// Holds records it does not own.
class CPageQueue {
public:
    /// The most of one document that is read and kept: an endless body must
    /// not exhaust memory or hold the crawl (64 MiB).
    static constexpr std::size_t MAX_DOCUMENT = std::size_t {64} << 20;

    /// Appends pLink at the tail.
    void AddPage(CLink* pLink);
    int GetCount() const { return static_cast<int>(m_pages.size()); }
    /// The page nIndex places behind the head (0: the head); null outside.
    CLink* GetPage(int nIndex) const;

    /// Removes the head page into pPage, before any network access, and
    /// appends its document to strDocument, under a crawl mode's rules: the
    /// page opens at the mode's page URL with its header lines, its bytes
    /// are kept as the mode reads them, and answer gets what the answer said
    /// of itself. When nothing could be read, strError says why. On an
    /// empty queue nothing changes.
    void FetchNextPage(std::string& strDocument, CInternetSession* pSession, CLink*& pPage, std::string& strError,
        const CCrawlMode& mode, SPageAnswer& answer);

    /// True when the page is a local file, read without the network.
    static bool IsLocalPage(const CLink& page);
    /// What FetchNextPage opens under a mode: a local file's URL as
    /// written, else the mode's page URL.
    static std::string GetOpenURL(const CLink& page, const CCrawlMode& mode);
    /// The document FetchNextPage makes of a response body read whole.
    static std::string MakeDocument(const std::string& strBody, bool bKeepZeroBytes = false);

private:
    static void ReadAnswer(const CInternetFile* pFile, SPageAnswer& answer);
    static void ReadDocument(CInternetFile& file, std::string& strDocument, bool bKeepZeroBytes);
    /// Appends one chunk up to its first zero byte; false once the document
    /// is full.
    static bool AppendChunk(const char* pChunk, std::size_t nChunk, std::string& strDocument, bool bKeepZeroBytes);

    std::deque<CLink*> m_pages;
};
