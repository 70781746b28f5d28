#pragma once

#include "crawl/StoredPage.h"
#include "crawl/StoredResult.h"

#include <optional>
#include <string>

/// Where the modern mode keeps what it found for later crawls, and finds
/// what earlier ones found. Every lookup answers a miss when the store
/// cannot be read; a store that cannot be written loses results, never the
/// crawl.
class CResultStore {
public:
    virtual ~CResultStore() = default;

    /// A result of strURL that may stand in for a request, as it was when
    /// this crawl first asked, so the request pipeline and the checker agree;
    /// none when there is none, it is too old, or it was not a good one.
    virtual std::optional<SStoredResult> FindReusable(const std::string& strURL) = 0;
    /// Keeps the result of a check just made.
    virtual void StoreResult(const std::string& strURL, const SStoredResult& result) = 0;
    /// The stored page of strURL as it was when this crawl first asked, so
    /// a page read ahead and read again gets the same; null when none.
    virtual const SStoredPage* FindPage(const std::string& strURL) = 0;
    /// Keeps a page just read, replacing what was kept of it.
    virtual void StorePage(const std::string& strURL, const SStoredPage& page) = 0;
    /// Drops what was kept of a page whose answer can no longer be revalidated.
    virtual void ForgetPage(const std::string& strURL) = 0;
};
