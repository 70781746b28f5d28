#pragma once

#include <cstddef>
#include <string>
#include <vector>

class CInternetSession;

/// The start pages that sitemaps name: each sitemap read from a file or
/// from the web, and the sitemaps an index names read too, down to
/// MAX_LEVELS files deep (the one given is level 1). Every URL keeps the
/// sitemap that named it; a sitemap an index names that cannot be fetched
/// is a start page of its own, so that the crawl lists it as a row.
class CSitemapLoader {
public:
    static constexpr int MAX_LEVELS = 3;
    /// In all, across every sitemap read: beyond, the rest is ignored.
    static constexpr std::size_t MAX_ENTRIES = 1000000;

    /// A start page a sitemap named.
    struct SEntry {
        std::string strURL;
        std::string strSitemap;
    };

    /// Web sitemaps are fetched through pSession (not owned; null: files only).
    explicit CSitemapLoader(CInternetSession* pSession);

    /// Reads the sitemap at strSource: an http or https URL, else a file's
    /// path. False when that file cannot be read or is no sitemap;
    /// strProblem then says why.
    bool Load(const std::string& strSource, std::string& strProblem);
    /// The URLs of robots.txt's Sitemap: lines (field names in any case) at
    /// the origin of strStartURL, in order; empty when it has none or cannot
    /// be read.
    std::vector<std::string> ListRobotsSitemaps(const std::string& strStartURL);

    /// The start pages read so far, in order.
    const std::vector<SEntry>& GetEntries() const { return m_entries; }
    /// One line for each sitemap a bound cut or that could not be used.
    const std::vector<std::string>& GetNotes() const { return m_notes; }

private:
    /// strBytes: the file; false with strProblem when it cannot be read.
    bool Fetch(const std::string& strSource, std::string& strBytes, bool& bCutShort, std::string& strProblem);
    bool FetchWeb(const std::string& strURL, std::string& strBytes, bool& bCutShort, std::string& strProblem);
    void LoadIndex(const std::string& strIndex, const std::vector<std::string>& children, int nLevel);
    bool LoadLevel(const std::string& strSource, int nLevel, std::string& strProblem);

    CInternetSession* m_pSession;
    std::vector<SEntry> m_entries;
    std::vector<std::string> m_notes;
};
