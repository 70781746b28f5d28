#pragma once

#include "crawl/ResultStore.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

struct STransferOptions;
struct sqlite3;
struct sqlite3_stmt;

/// The results of earlier crawls in one SQLite file, the one user of
/// SQLite: per URL and request fingerprint, each check's outcome and when
/// it was made, and each page's validators and links. Results wait in memory
/// at most FLUSH_INTERVAL and are written in one transaction, so a crawl
/// killed at any moment leaves a file the next one opens. Once the file
/// cannot be written (locked past BUSY_TIMEOUT_MS, or failing), the cache
/// stops being used for the rest of the crawl and says why once.
class CResultCache : public CResultStore {
public:
    /// The layout this program writes and reads (PRAGMA user_version).
    static constexpr int FORMAT_VERSION = 2;
    /// How long a writer waits for another run's lock.
    static constexpr int BUSY_TIMEOUT_MS = 10000;
    /// The longest a result waits in memory before it is written.
    static constexpr std::chrono::milliseconds FLUSH_INTERVAL {1000};

    enum class EOpen {
        OPENED,
        /// Not a cache this program may use; the file was left as it was.
        REFUSED,
        /// Locked by another run past the busy time-out.
        UNAVAILABLE,
    };

    /// Results are kept and found under strFingerprint; a good one is
    /// reused when younger than maxAge at the time the cache was made.
    CResultCache(std::string strFingerprint, std::chrono::seconds maxAge);
    CResultCache(const CResultCache&) = delete;
    CResultCache& operator=(const CResultCache&) = delete;
    /// Writes what waits, as Close does.
    ~CResultCache() override;

    /// Opens strPath, making a new cache of a missing or empty file or an
    /// SQLite database without tables; strReason says why when not OPENED.
    EOpen Open(const std::string& strPath, std::string& strReason);
    /// Writes what waits once FLUSH_INTERVAL has passed since the last write.
    void Tick();
    /// Writes what waits and closes the file.
    void Close();
    /// Why the cache stopped being used during the crawl; empty when it did not.
    const std::string& GetTrouble() const { return m_strTrouble; }

    std::optional<SStoredResult> FindReusable(const std::string& strURL) override;
    void StoreResult(const std::string& strURL, const SStoredResult& result) override;
    const SStoredPage* FindPage(const std::string& strURL) override;
    void StorePage(const std::string& strURL, const SStoredPage& page) override;
    void ForgetPage(const std::string& strURL) override;

    /// An age as the command line writes it: an integer and one of s, m, h,
    /// d ("30m", "7d"); nothing when it is anything else or too large.
    static std::optional<std::chrono::seconds> ParseAge(std::string_view strText);
    /// What results are kept under for requests sent with these options.
    static std::string MakeFingerprint(const STransferOptions& options);

private:
    struct SDatabaseCloser {
        void operator()(sqlite3* pDb) const;
    };
    struct SStatementFinalizer {
        void operator()(sqlite3_stmt* pStatement) const;
    };
    using CStatement = std::unique_ptr<sqlite3_stmt, SStatementFinalizer>;
    struct SPendingResult {
        std::string strURL;
        std::int64_t nCheckedAt;
        SStoredResult result;
    };

    std::optional<SStoredResult> ReadReusable(const std::string& strURL);
    static std::optional<std::string> Inspect(const std::string& strPath);
    static std::optional<std::string> CheckLayout(sqlite3* pDb, bool& bEmpty, bool& bFormat1);
    EOpen OpenForWriting(const std::string& strPath, std::string& strReason);
    bool SwitchToWal();
    bool Prepare();
    CStatement MakeStatement(const char* pszSql) const;
    bool Execute(const char* pszSql) const;
    void Flush(bool bForce);
    bool WritePending();
    bool WriteResult(const SPendingResult& pending);
    bool WriteTargets(const std::string& strURL, const SFragmentTargets& targets);
    bool WritePage(const std::string& strURL, const std::optional<SStoredPage>& page);
    std::optional<SStoredPage> ReadPage(const std::string& strURL);
    void GiveUp(const std::string& strWhy);
    std::string DescribeError() const;

    std::string m_strFingerprint;
    std::chrono::seconds m_maxAge;
    // Ages count from when the crawl began, so a result reusable when the
    // request pipeline asked is still reusable when the checker asks.
    std::int64_t m_nNow;
    std::string m_strPath;
    std::unique_ptr<sqlite3, SDatabaseCloser> m_pDb;
    CStatement m_findResult;
    CStatement m_writeResult;
    CStatement m_findPage;
    CStatement m_findPageLinks;
    CStatement m_writePage;
    CStatement m_writePageLink;
    CStatement m_forgetPage;
    CStatement m_forgetPageLinks;
    CStatement m_findPageTargets;
    CStatement m_writePageTarget;
    CStatement m_forgetPageTargets;
    std::vector<SPendingResult> m_pendingResults;
    std::vector<std::pair<std::string, std::optional<SStoredPage>>> m_pendingPages;
    // What this crawl asked already: each link is asked for at every turn
    // the request pipeline considers it.
    std::unordered_map<std::string, std::optional<SStoredResult>> m_askedResults;
    std::unordered_map<std::string, std::optional<SStoredPage>> m_askedPages;
    std::chrono::steady_clock::time_point m_lastFlush;
    std::string m_strTrouble;
};
