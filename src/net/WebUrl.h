#pragma once

#include <string>
#include <string_view>

/// An http or https URL in the normal form that is a link's identity, made
/// by resolving a reference as a browser does (libcurl's URL parser, RFC 3986
/// section 5.2) and finishing what that parser leaves: scheme and host in
/// lower case, no default port, no fragment, "/" for an empty path, spaces,
/// controls and bytes outside ASCII percent-encoded (UTF-8) in path and
/// query, every escape in upper-case hex. Holds no libcurl handle.
class CWebUrl {
public:
    enum EOutcome {
        WEB_LINK, ///< an http or https URL, in normal form
        NOT_WEB_LINK, ///< a URL of another scheme (mailto:, data:, ftp: ...)
        BAD_URL, ///< not a URL, or a relative reference without a base
        URL_TOO_LONG, ///< the normal form would be longer than MAX_LENGTH
        FILE_LINK, ///< a file: URL, made only by ParseFile and by resolving against one
    };
    /// Longer normal forms are not links to check but failures to report.
    static constexpr std::size_t MAX_LENGTH = 64 * 1024;

    /// An absolute URL (a start URL, a redirect's target) in normal form.
    static CWebUrl Parse(std::string_view strAbsolute);
    /// A local file's absolute file: URL, host empty or "localhost", as
    /// FILE_LINK in normal form ("file://" and the escaped path); BAD_URL
    /// for anything else.
    static CWebUrl ParseFile(std::string_view strAbsolute);
    /// strReference, as an attribute value gives it, resolved against this
    /// URL; BAD_URL when this URL is neither a web link nor a file link.
    /// Against a file link, relative references stay file links.
    CWebUrl Resolve(std::string_view strReference) const;

    EOutcome GetOutcome() const { return m_eOutcome; }
    bool IsWebLink() const { return m_eOutcome == WEB_LINK; }
    bool IsFileLink() const { return m_eOutcome == FILE_LINK; }
    /// The whole normal form; empty unless a web or file link.
    const std::string& GetText() const { return m_strText; }
    /// "http", "https", or "file" for a file link.
    const std::string& GetScheme() const { return m_strScheme; }
    /// The host in lower case; an IPv6 address keeps its brackets.
    const std::string& GetHost() const { return m_strHost; }
    /// The port requests go to, the scheme's default included.
    int GetPort() const { return m_nPort; }
    /// The path without the query; at least "/".
    const std::string& GetPath() const { return m_strPath; }
    /// The path up to and including its last "/".
    std::string GetDirectory() const { return m_strPath.substr(0, m_strPath.rfind('/') + 1); }
    /// The query without its "?"; empty when there is none.
    const std::string& GetQuery() const { return m_strQuery; }

private:
    explicit CWebUrl(EOutcome eOutcome)
        : m_eOutcome(eOutcome)
    {
    }
    static CWebUrl FromPrepared(const std::string* pBase, const std::string& strReference);
    static CWebUrl ReadWithCurl(const std::string* pBase, const std::string& strReference);
    CWebUrl ResolveAgainstFile(std::string_view strClean) const;
    static CWebUrl MakeFile(std::string strPath, std::string strQuery);

    EOutcome m_eOutcome = BAD_URL;
    std::string m_strText;
    std::string m_strScheme;
    std::string m_strHost;
    int m_nPort = 0;
    std::string m_strPath;
    std::string m_strQuery;
};
