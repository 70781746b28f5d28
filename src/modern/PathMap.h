#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The folders a site's URLs are served from (--map PREFIX=DIR), as a
/// static host serves them: a URL whose normal form starts with a prefix
/// names the file under its folder at the rest of its path, the longest
/// prefix winning. Never sends a request.
class CPathMap {
public:
    /// One prefix and the absolute folder it stands for.
    struct SEntry {
        std::string strPrefix;
        std::string strFolder;
    };
    /// A path below a folder, read from the rest of a URL.
    struct SRelativePath {
        /// Segments joined by "/", no dot segments; empty for the folder itself.
        std::string strPath;
        /// The URL named a directory ("/" at its end, or nothing after the prefix).
        bool bDirectory = false;
    };

    /// Adds strPrefix (a web URL, taken in its normal form) for the folder
    /// strFolder (made absolute against the current folder). False, with
    /// strError saying why, when the prefix is no http or https URL or the
    /// folder is none.
    bool Add(const std::string& strPrefix, const std::string& strFolder, std::string& strError);
    bool IsEmpty() const { return m_entries.empty(); }
    /// The folders, longest prefix first.
    const std::vector<SEntry>& GetEntries() const { return m_entries; }

    /// The absolute path of the file strNormalURL is served from; nullopt
    /// when no prefix matches. An empty path when the URL's path would leave
    /// its folder: it names no file. A missing file's path is the one the
    /// URL names as written.
    std::optional<std::string> MapToFile(const std::string& strNormalURL) const;

    /// The rest of a URL after its prefix as a path below the folder: the
    /// query dropped, escapes decoded, "." and ".." segments resolved;
    /// nullopt when a ".." would leave the folder or a zero byte is named.
    static std::optional<SRelativePath> ToRelativePath(std::string_view strRest);
    /// The file a static host answers with for strPath under strFolder:
    /// a directory's index.html, else the file itself, else PATH.html; the
    /// path itself when none of them is a file.
    static std::string FindServedFile(const std::string& strFolder, const SRelativePath& path);

private:
    std::vector<SEntry> m_entries;
};
