#include "cache/ResultCache.h"

#include <sqlite3.h>

#include <array>

namespace {

constexpr std::array<EVerdict, 5> VERDICTS
    = {EVerdict::NONE, EVerdict::OK, EVerdict::BROKEN, EVerdict::BLOCKED, EVerdict::TRANSIENT};

EVerdict ParseVerdict(const std::string& strName)
{
    for (EVerdict eVerdict : VERDICTS)
        if (strName == GetVerdictName(eVerdict))
            return eVerdict;
    return EVerdict::NONE;
}

std::string ColumnText(sqlite3_stmt* pStatement, int nColumn)
{
    const unsigned char* pszText = sqlite3_column_text(pStatement, nColumn);
    return pszText ? reinterpret_cast<const char*>(pszText) : std::string();
}

bool BindText(sqlite3_stmt* pStatement, int nIndex, const std::string& strText)
{
    return sqlite3_bind_text(pStatement, nIndex, strText.data(), static_cast<int>(strText.size()), SQLITE_TRANSIENT)
        == SQLITE_OK;
}

// Runs a statement that returns no rows, ready to be bound again after.
bool StepOnce(sqlite3_stmt* pStatement)
{
    const int nResult = sqlite3_step(pStatement);
    sqlite3_reset(pStatement);
    sqlite3_clear_bindings(pStatement);
    return nResult == SQLITE_DONE;
}

std::int64_t NowSeconds()
{
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

} // namespace

void CResultCache::SDatabaseCloser::operator()(sqlite3* pDb) const
{
    sqlite3_close_v2(pDb);
}

void CResultCache::SStatementFinalizer::operator()(sqlite3_stmt* pStatement) const
{
    sqlite3_finalize(pStatement);
}

CResultCache::CResultCache(std::string strFingerprint, std::chrono::seconds maxAge)
    : m_strFingerprint(std::move(strFingerprint))
    , m_maxAge(maxAge)
    , m_nNow(NowSeconds())
{
}

CResultCache::~CResultCache()
{
    Close();
}

bool CResultCache::Prepare()
{
    m_findResult = MakeStatement("SELECT checked_at, status_code, status_text, verdict, final_url, permanent, is_page"
                                 " FROM results WHERE url = ?1 AND fingerprint = ?2");
    m_writeResult = MakeStatement("INSERT OR REPLACE INTO results VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    m_findPage = MakeStatement("SELECT etag, last_modified FROM pages WHERE url = ?1 AND fingerprint = ?2");
    m_findPageLinks = MakeStatement("SELECT link, line, col, too_long FROM page_links"
                                    " WHERE url = ?1 AND fingerprint = ?2 ORDER BY ordinal");
    m_writePage = MakeStatement("INSERT OR REPLACE INTO pages VALUES (?1, ?2, ?3, ?4)");
    m_writePageLink = MakeStatement("INSERT INTO page_links VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    m_forgetPage = MakeStatement("DELETE FROM pages WHERE url = ?1 AND fingerprint = ?2");
    m_forgetPageLinks = MakeStatement("DELETE FROM page_links WHERE url = ?1 AND fingerprint = ?2");
    m_findPageTargets = MakeStatement("SELECT is_anchor_name, target FROM page_targets"
                                      " WHERE url = ?1 AND fingerprint = ?2 ORDER BY ordinal");
    m_writePageTarget = MakeStatement("INSERT INTO page_targets VALUES (?1, ?2, ?3, ?4, ?5)");
    m_forgetPageTargets = MakeStatement("DELETE FROM page_targets WHERE url = ?1 AND fingerprint = ?2");
    return m_findResult && m_writeResult && m_findPage && m_findPageLinks && m_writePage && m_writePageLink
        && m_forgetPage && m_forgetPageLinks && m_findPageTargets && m_writePageTarget && m_forgetPageTargets;
}

CResultCache::CStatement CResultCache::MakeStatement(const char* pszSql) const
{
    sqlite3_stmt* pStatement = nullptr;
    if (sqlite3_prepare_v3(m_pDb.get(), pszSql, -1, SQLITE_PREPARE_PERSISTENT, &pStatement, nullptr) != SQLITE_OK) {
        sqlite3_finalize(pStatement);
        return nullptr;
    }
    return CStatement(pStatement);
}

bool CResultCache::Execute(const char* pszSql) const
{
    return m_pDb && sqlite3_exec(m_pDb.get(), pszSql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

std::string CResultCache::DescribeError() const
{
    return m_pDb ? sqlite3_errmsg(m_pDb.get()) : "out of memory";
}

void CResultCache::Tick()
{
    Flush(false);
}

void CResultCache::Close()
{
    Flush(true);
    m_findResult.reset();
    m_writeResult.reset();
    m_findPage.reset();
    m_findPageLinks.reset();
    m_writePage.reset();
    m_writePageLink.reset();
    m_forgetPage.reset();
    m_forgetPageLinks.reset();
    m_pDb.reset();
}

std::optional<SStoredResult> CResultCache::FindReusable(const std::string& strURL)
{
    auto it = m_askedResults.find(strURL);
    if (it == m_askedResults.end())
        it = m_askedResults.emplace(strURL, ReadReusable(strURL)).first;
    return it->second;
}

std::optional<SStoredResult> CResultCache::ReadReusable(const std::string& strURL)
{
    if (!m_pDb || m_maxAge.count() <= 0 || !BindText(m_findResult.get(), 1, strURL)
        || !BindText(m_findResult.get(), 2, m_strFingerprint))
        return std::nullopt;
    sqlite3_stmt* pStatement = m_findResult.get();
    std::optional<SStoredResult> found;
    if (sqlite3_step(pStatement) == SQLITE_ROW && m_nNow - sqlite3_column_int64(pStatement, 0) < m_maxAge.count()) {
        SStoredResult result;
        result.nStatusCode = sqlite3_column_int(pStatement, 1);
        result.strStatusText = ColumnText(pStatement, 2);
        result.eVerdict = ParseVerdict(ColumnText(pStatement, 3));
        result.strFinalURL = ColumnText(pStatement, 4);
        result.bPermanent = sqlite3_column_int(pStatement, 5) != 0;
        result.bIsPage = sqlite3_column_int(pStatement, 6) != 0;
        // Only a good result stands in for a request: a failure is asked again.
        if (result.eVerdict == EVerdict::OK)
            found = std::move(result);
    }
    sqlite3_reset(pStatement);
    sqlite3_clear_bindings(pStatement);
    return found;
}

void CResultCache::StoreResult(const std::string& strURL, const SStoredResult& result)
{
    if (!m_pDb)
        return;
    m_pendingResults.push_back({strURL, NowSeconds(), result});
    Flush(false);
}

const SStoredPage* CResultCache::FindPage(const std::string& strURL)
{
    auto it = m_askedPages.find(strURL);
    if (it == m_askedPages.end())
        it = m_askedPages.emplace(strURL, m_pDb ? ReadPage(strURL) : std::nullopt).first;
    return it->second ? &*it->second : nullptr;
}

void CResultCache::StorePage(const std::string& strURL, const SStoredPage& page)
{
    if (!m_pDb)
        return;
    m_pendingPages.emplace_back(strURL, page);
    Flush(false);
}

void CResultCache::ForgetPage(const std::string& strURL)
{
    if (!m_pDb)
        return;
    m_pendingPages.emplace_back(strURL, std::nullopt);
    Flush(false);
}

std::optional<SStoredPage> CResultCache::ReadPage(const std::string& strURL)
{
    std::optional<SStoredPage> page;
    sqlite3_stmt* pPage = m_findPage.get();
    if (BindText(pPage, 1, strURL) && BindText(pPage, 2, m_strFingerprint) && sqlite3_step(pPage) == SQLITE_ROW)
        page = SStoredPage {ColumnText(pPage, 0), ColumnText(pPage, 1), {}, {}};
    sqlite3_reset(pPage);
    sqlite3_clear_bindings(pPage);
    sqlite3_stmt* pLinks = m_findPageLinks.get();
    if (page && BindText(pLinks, 1, strURL) && BindText(pLinks, 2, m_strFingerprint)) {
        while (sqlite3_step(pLinks) == SQLITE_ROW)
            page->links.push_back({ColumnText(pLinks, 0), sqlite3_column_int(pLinks, 1), sqlite3_column_int(pLinks, 2),
                sqlite3_column_int(pLinks, 3) != 0});
    }
    sqlite3_reset(pLinks);
    sqlite3_clear_bindings(pLinks);
    sqlite3_stmt* pTargets = m_findPageTargets.get();
    if (page && BindText(pTargets, 1, strURL) && BindText(pTargets, 2, m_strFingerprint)) {
        while (sqlite3_step(pTargets) == SQLITE_ROW)
            (sqlite3_column_int(pTargets, 0) != 0 ? page->targets.anchorNames : page->targets.ids)
                .push_back(ColumnText(pTargets, 1));
    }
    sqlite3_reset(pTargets);
    sqlite3_clear_bindings(pTargets);
    return page;
}

void CResultCache::Flush(bool bForce)
{
    if (!m_pDb || (m_pendingResults.empty() && m_pendingPages.empty()))
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!bForce && now - m_lastFlush < FLUSH_INTERVAL)
        return;
    m_lastFlush = now;
    // BEGIN IMMEDIATE waits for another run's writer up to the busy
    // time-out; a deferred one could fail at its first write without waiting.
    if (!Execute("BEGIN IMMEDIATE")) {
        GiveUp(sqlite3_errcode(m_pDb.get()) == SQLITE_BUSY
                ? "it stayed locked by another run for " + std::to_string(BUSY_TIMEOUT_MS / 1000) + " seconds"
                : DescribeError());
        return;
    }
    if (!WritePending() || !Execute("COMMIT")) {
        const std::string strWhy = DescribeError();
        Execute("ROLLBACK");
        GiveUp(strWhy);
        return;
    }
    m_pendingResults.clear();
    m_pendingPages.clear();
}

bool CResultCache::WritePending()
{
    for (const SPendingResult& pending : m_pendingResults)
        if (!WriteResult(pending))
            return false;
    for (const auto& [strURL, page] : m_pendingPages)
        if (!WritePage(strURL, page))
            return false;
    return true;
}

bool CResultCache::WriteResult(const SPendingResult& pending)
{
    sqlite3_stmt* pStatement = m_writeResult.get();
    const SStoredResult& result = pending.result;
    return BindText(pStatement, 1, pending.strURL) && BindText(pStatement, 2, m_strFingerprint)
        && sqlite3_bind_int64(pStatement, 3, pending.nCheckedAt) == SQLITE_OK
        && sqlite3_bind_int(pStatement, 4, result.nStatusCode) == SQLITE_OK
        && BindText(pStatement, 5, result.strStatusText) && BindText(pStatement, 6, GetVerdictName(result.eVerdict))
        && BindText(pStatement, 7, result.strFinalURL)
        && sqlite3_bind_int(pStatement, 8, result.bPermanent ? 1 : 0) == SQLITE_OK
        && sqlite3_bind_int(pStatement, 9, result.bIsPage ? 1 : 0) == SQLITE_OK && StepOnce(pStatement);
}

bool CResultCache::WritePage(const std::string& strURL, const std::optional<SStoredPage>& page)
{
    for (sqlite3_stmt* pForget : {m_forgetPage.get(), m_forgetPageLinks.get(), m_forgetPageTargets.get()})
        if (!BindText(pForget, 1, strURL) || !BindText(pForget, 2, m_strFingerprint) || !StepOnce(pForget))
            return false;
    if (!page)
        return true;
    sqlite3_stmt* pPage = m_writePage.get();
    if (!BindText(pPage, 1, strURL) || !BindText(pPage, 2, m_strFingerprint) || !BindText(pPage, 3, page->strETag)
        || !BindText(pPage, 4, page->strLastModified) || !StepOnce(pPage))
        return false;
    sqlite3_stmt* pLink = m_writePageLink.get();
    int nOrdinal = 0;
    for (const SStoredPage::SLink& link : page->links) {
        if (!BindText(pLink, 1, strURL) || !BindText(pLink, 2, m_strFingerprint)
            || sqlite3_bind_int(pLink, 3, nOrdinal++) != SQLITE_OK || !BindText(pLink, 4, link.strURL)
            || sqlite3_bind_int(pLink, 5, link.nLine) != SQLITE_OK
            || sqlite3_bind_int(pLink, 6, link.nColumn) != SQLITE_OK
            || sqlite3_bind_int(pLink, 7, link.bTooLong ? 1 : 0) != SQLITE_OK || !StepOnce(pLink))
            return false;
    }
    return WriteTargets(strURL, page->targets);
}

bool CResultCache::WriteTargets(const std::string& strURL, const SFragmentTargets& targets)
{
    sqlite3_stmt* pTarget = m_writePageTarget.get();
    int nOrdinal = 0;
    for (const auto* pList : {&targets.ids, &targets.anchorNames}) {
        const int nAnchorName = pList == &targets.anchorNames ? 1 : 0;
        for (const std::string& strTarget : *pList) {
            if (!BindText(pTarget, 1, strURL) || !BindText(pTarget, 2, m_strFingerprint)
                || sqlite3_bind_int(pTarget, 3, nOrdinal++) != SQLITE_OK
                || sqlite3_bind_int(pTarget, 4, nAnchorName) != SQLITE_OK || !BindText(pTarget, 5, strTarget)
                || !StepOnce(pTarget))
                return false;
        }
    }
    return true;
}

void CResultCache::GiveUp(const std::string& strWhy)
{
    m_strTrouble = "the cache " + m_strPath + " was not written: " + strWhy + "; the crawl went on without it";
    m_pendingResults.clear();
    m_pendingPages.clear();
    Close();
}
