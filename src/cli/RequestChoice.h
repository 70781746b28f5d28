#pragma once

#include <optional>
#include <string>
#include <vector>

namespace CLI {
class App;
}
struct STransferOptions;

/// What the requests carry for a site that needs it: extra headers for the
/// start page's host (--header), credentials from ~/.netrc (--netrc) and a
/// cookie file (--cookies). No value of theirs is ever shown.
class CRequestChoice {
public:
    /// Adds --header, --netrc and --cookies to app; the values land here.
    void Declare(CLI::App& app);
    /// After parsing: a usage error's message for a malformed header or a
    /// cookie file that cannot be read; nothing when they are fine.
    std::optional<std::string> Check() const;
    /// Sets the choices into options; the headers go to strStartURL's host
    /// and port only.
    void Apply(STransferOptions& options, const std::string& strStartURL) const;
    /// True for "Name: value" with a name of visible characters other than
    /// ':', and no line break or zero byte anywhere.
    static bool IsHeaderLine(const std::string& strHeader);

private:
    std::vector<std::string> m_headers;
    std::string m_strCookieFile;
    bool m_bNetrc = false;
    bool m_bCookies = false;
};
