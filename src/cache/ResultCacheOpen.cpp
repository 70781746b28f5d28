// Opening a cache file: what is refused, what is made new, and the layout.
#include "cache/ResultCache.h"

#include "net/TransferOptions.h"

#include <sqlite3.h>

#include <array>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

namespace {

// The first 16 bytes of every SQLite database file.
constexpr std::string_view SQLITE_HEADER("SQLite format 3\0", 16);

const std::set<std::string> OUR_TABLES = {"results", "pages", "page_links", "page_targets"};
// Format 1 kept no fragment targets: its pages are dropped when it is upgraded.
const std::set<std::string> FORMAT_1_TABLES = {"results", "pages", "page_links"};

constexpr const char* CREATE_TARGETS = "CREATE TABLE page_targets(url TEXT NOT NULL, fingerprint TEXT NOT NULL,"
                                       " ordinal INTEGER NOT NULL, is_anchor_name INTEGER NOT NULL,"
                                       " target TEXT NOT NULL, PRIMARY KEY(url, fingerprint, ordinal)) WITHOUT ROWID;";

constexpr const char* CREATE_TABLES = "CREATE TABLE results(url TEXT NOT NULL, fingerprint TEXT NOT NULL,"
                                      " checked_at INTEGER NOT NULL, status_code INTEGER NOT NULL,"
                                      " status_text TEXT NOT NULL, verdict TEXT NOT NULL, final_url TEXT NOT NULL,"
                                      " permanent INTEGER NOT NULL, is_page INTEGER NOT NULL,"
                                      " PRIMARY KEY(url, fingerprint)) WITHOUT ROWID;"
                                      "CREATE TABLE pages(url TEXT NOT NULL, fingerprint TEXT NOT NULL,"
                                      " etag TEXT NOT NULL, last_modified TEXT NOT NULL,"
                                      " PRIMARY KEY(url, fingerprint)) WITHOUT ROWID;"
                                      "CREATE TABLE page_links(url TEXT NOT NULL, fingerprint TEXT NOT NULL,"
                                      " ordinal INTEGER NOT NULL, link TEXT NOT NULL, line INTEGER NOT NULL,"
                                      " col INTEGER NOT NULL, too_long INTEGER NOT NULL,"
                                      " PRIMARY KEY(url, fingerprint, ordinal)) WITHOUT ROWID;";

constexpr const char* UPGRADE_FROM_1 = "DELETE FROM pages; DELETE FROM page_links;";

// A path as an SQLite URI names it: every byte but the plainest escaped.
std::string ToUri(const std::string& strPath)
{
    std::string strUri = "file:";
    for (char chPath : strPath) {
        const auto ch = static_cast<unsigned char>(chPath);
        if (std::isalnum(ch) || ch == '/' || ch == '.' || ch == '_' || ch == '-') {
            strUri += static_cast<char>(ch);
        } else {
            std::array<char, 4> szEscape {};
            std::snprintf(szEscape.data(), szEscape.size(), "%%%02X", ch);
            strUri += szEscape.data();
        }
    }
    return strUri;
}

// The first column of a one-row query; nothing when it fails.
std::optional<std::string> QueryText(sqlite3* pDb, const char* pszSql)
{
    sqlite3_stmt* pStatement = nullptr;
    std::optional<std::string> value;
    if (sqlite3_prepare_v2(pDb, pszSql, -1, &pStatement, nullptr) == SQLITE_OK
        && sqlite3_step(pStatement) == SQLITE_ROW)
        if (const unsigned char* pszText = sqlite3_column_text(pStatement, 0))
            value = reinterpret_cast<const char*>(pszText);
    sqlite3_finalize(pStatement);
    return value;
}

} // namespace

CResultCache::EOpen CResultCache::Open(const std::string& strPath, std::string& strReason)
{
    m_strPath = strPath;
    std::error_code error;
    const auto status = std::filesystem::status(strPath, error);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status)) {
            strReason = "it is not a file";
            return EOpen::REFUSED;
        }
        // An empty file is a new cache; anything else is looked at without
        // writing, so a file refused stays exactly as it was. Beside a
        // journal another run is writing it, and a look without its lock
        // could catch it half written: it is looked at under the lock instead.
        const bool bInUse = std::filesystem::exists(strPath + "-wal", error);
        if (!bInUse && (std::filesystem::file_size(strPath, error) != 0 || error)) {
            if (std::optional<std::string> strWhy = Inspect(strPath)) {
                strReason = *strWhy;
                return EOpen::REFUSED;
            }
        }
    }
    return OpenForWriting(strPath, strReason);
}

// Why the file is no cache of this program; nothing when it may be used.
std::optional<std::string> CResultCache::Inspect(const std::string& strPath)
{
    std::string strHeader(SQLITE_HEADER.size(), '\0');
    std::ifstream file(strPath, std::ios::binary);
    if (!file)
        return "it cannot be read";
    file.read(strHeader.data(), static_cast<std::streamsize>(strHeader.size()));
    if (file.gcount() != static_cast<std::streamsize>(strHeader.size()) || strHeader != SQLITE_HEADER)
        return "it is not an SQLite database";
    // Immutable: no lock, no journal, nothing written beside it.
    sqlite3* pRaw = nullptr;
    const int nResult = sqlite3_open_v2(
        (ToUri(strPath) + "?mode=ro&immutable=1").c_str(), &pRaw, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<sqlite3, SDatabaseCloser> pDb(pRaw);
    if (nResult != SQLITE_OK)
        return "it cannot be opened";
    bool bEmpty = false;
    bool bFormat1 = false;
    return CheckLayout(pDb.get(), bEmpty, bFormat1);
}

// Why a database holds no cache of this program; bEmpty when it holds
// nothing, bFormat1 when it is one of the first format, to be upgraded.
std::optional<std::string> CResultCache::CheckLayout(sqlite3* pDb, bool& bEmpty, bool& bFormat1)
{
    const std::optional<std::string> strCheck = QueryText(pDb, "PRAGMA quick_check");
    if (strCheck != "ok")
        return "it is damaged (" + strCheck.value_or(sqlite3_errmsg(pDb)) + ")";
    const int nVersion = std::stoi(QueryText(pDb, "PRAGMA user_version").value_or("0"));
    if (nVersion > FORMAT_VERSION)
        return "it was written by a newer Lintrel (format " + std::to_string(nVersion) + ")";
    std::set<std::string> tables;
    sqlite3_stmt* pStatement = nullptr;
    if (sqlite3_prepare_v2(pDb, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &pStatement, nullptr)
        == SQLITE_OK) {
        while (sqlite3_step(pStatement) == SQLITE_ROW)
            tables.insert(reinterpret_cast<const char*>(sqlite3_column_text(pStatement, 0)));
    }
    sqlite3_finalize(pStatement);
    bEmpty = tables.empty();
    bFormat1 = tables == FORMAT_1_TABLES && nVersion == 1;
    if (bEmpty || bFormat1 || (tables == OUR_TABLES && nVersion == FORMAT_VERSION))
        return std::nullopt;
    return std::string("it holds other data than Lintrel's results");
}

// The switch needs the file to itself and, unlike a lock, does not wait for
// it: while another run holds the new file, it is tried again until the
// busy time-out.
bool CResultCache::SwitchToWal()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(BUSY_TIMEOUT_MS);
    while (QueryText(m_pDb.get(), "PRAGMA journal_mode = WAL") != "wal") {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

CResultCache::EOpen CResultCache::OpenForWriting(const std::string& strPath, std::string& strReason)
{
    sqlite3* pRaw = nullptr;
    const int nResult = sqlite3_open_v2(
        strPath.c_str(), &pRaw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    m_pDb.reset(pRaw);
    if (nResult != SQLITE_OK) {
        strReason = "it cannot be opened (" + DescribeError() + ")";
        m_pDb.reset();
        return EOpen::REFUSED;
    }
    sqlite3_busy_timeout(m_pDb.get(), BUSY_TIMEOUT_MS);
    // WAL: a reader never waits for the other run's writer. NORMAL: a
    // killed process loses nothing committed; only a power cut might.
    if (!SwitchToWal()) {
        strReason = "it could not be switched to write-ahead logging in " + std::to_string(BUSY_TIMEOUT_MS / 1000)
            + " seconds; another run may hold it";
        m_pDb.reset();
        return EOpen::UNAVAILABLE;
    }
    if (!Execute("PRAGMA synchronous = NORMAL") || !Execute("BEGIN IMMEDIATE")) {
        strReason = DescribeError();
        m_pDb.reset();
        return EOpen::UNAVAILABLE;
    }
    // Looked at again under the lock: another run may have just made it.
    bool bEmpty = false;
    bool bFormat1 = false;
    std::optional<std::string> strWhy = CheckLayout(m_pDb.get(), bEmpty, bFormat1);
    const char* pszMake = bEmpty ? CREATE_TABLES : bFormat1 ? UPGRADE_FROM_1 : nullptr;
    if (!strWhy && pszMake
        && (!Execute(pszMake) || !Execute(CREATE_TARGETS)
            || !Execute(("PRAGMA user_version = " + std::to_string(FORMAT_VERSION)).c_str())))
        strWhy = "it cannot be written (" + DescribeError() + ")";
    if (strWhy || !Execute("COMMIT") || !Prepare()) {
        strReason = strWhy.value_or(DescribeError());
        Execute("ROLLBACK");
        m_pDb.reset();
        return EOpen::REFUSED;
    }
    m_lastFlush = std::chrono::steady_clock::now();
    return EOpen::OPENED;
}

std::optional<std::chrono::seconds> CResultCache::ParseAge(std::string_view strText)
{
    // Twelve digits of days still fit in 64 bits of seconds.
    constexpr std::size_t MAX_DIGITS = 12;
    if (strText.size() < 2 || strText.size() > MAX_DIGITS + 1)
        return std::nullopt;
    std::int64_t nUnit = 0;
    switch (strText.back()) {
    case 's': nUnit = 1; break;
    case 'm': nUnit = 60; break;
    case 'h': nUnit = 3600; break;
    case 'd': nUnit = 86400; break;
    default: return std::nullopt;
    }
    const std::string_view strDigits = strText.substr(0, strText.size() - 1);
    std::int64_t nValue = 0;
    const auto [pEnd, error] = std::from_chars(strDigits.data(), strDigits.data() + strDigits.size(), nValue);
    // from_chars takes a leading minus sign: only digits are an integer here.
    if (error != std::errc() || pEnd != strDigits.data() + strDigits.size() || strDigits.front() == '-')
        return std::nullopt;
    return std::chrono::seconds(nValue * nUnit);
}

std::string CResultCache::MakeFingerprint(const STransferOptions& options)
{
    // Every request option that can change what a server answers; an
    // option added to STransferOptions that does belongs here too. Each
    // field is named and its length given, so no two sets of values read alike.
    std::string strHeaders;
    for (const std::string& strHeader : options.headers)
        strHeaders.append(std::to_string(strHeader.size())).append(":").append(strHeader);
    const std::string strNetrc = options.bNetrc ? "yes" : "no";
    const std::pair<const char*, const std::string*> fields[] = {
        {"user-agent", &options.strUserAgent},
        {"header", &strHeaders},
        {"header-origin", &options.strHeaderOrigin},
        {"netrc", &strNetrc},
        {"cookies", &options.strCookieFile},
    };
    std::string strText;
    for (const auto& [pszName, pValue] : fields)
        strText.append(pszName).append(":").append(std::to_string(pValue->size())).append(":").append(*pValue);
    // FNV-1a, 64 bits: short, stable across builds, unlike std::hash.
    std::uint64_t nHash = 0xcbf29ce484222325ULL;
    for (char ch : strText) {
        nHash ^= static_cast<unsigned char>(ch);
        nHash *= 0x100000001b3ULL;
    }
    std::array<char, 17> szHex {};
    std::snprintf(szHex.data(), szHex.size(), "%016llx", static_cast<unsigned long long>(nHash));
    return szHex.data();
}
