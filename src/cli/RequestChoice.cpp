#include "cli/RequestChoice.h"

#include "net/TransferOptions.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

void CRequestChoice::Declare(CLI::App& app)
{
    app.add_option("--header", m_headers,
           "send this header on every request to the start page's host and port, and to no other (repeatable)")
        ->option_text("'NAME: VALUE'")
        ->allow_extra_args(false);
    app.add_flag("--netrc", m_bNetrc, "log in with the credentials ~/.netrc gives for each host");
    app.add_option("--cookies", m_strCookieFile,
           "send the cookies of this file (the Netscape format curl and browsers export) where their domains say")
        ->option_text("FILE")
        ->each([this](const std::string&) { m_bCookies = true; });
}

std::optional<std::string> CRequestChoice::Check() const
{
    for (std::size_t nIndex = 0; nIndex < m_headers.size(); ++nIndex) {
        // The header itself is not echoed: it may hold a secret.
        if (!IsHeaderLine(m_headers[nIndex]))
            return "--header number " + std::to_string(nIndex + 1)
                + " is not of the form 'Name: value' (a name without spaces, no line break)";
    }
    if (m_bCookies) {
        errno = 0;
        if (m_strCookieFile.empty() || !std::ifstream(m_strCookieFile))
            return "cannot read the --cookies file " + m_strCookieFile + ": "
                + std::strerror(errno != 0 ? errno : ENOENT);
    }
    return std::nullopt;
}

void CRequestChoice::Apply(STransferOptions& options, const std::string& strStartURL) const
{
    options.headers = m_headers;
    if (!m_headers.empty())
        options.strHeaderOrigin = strStartURL;
    options.bNetrc = m_bNetrc;
    options.strCookieFile = m_strCookieFile;
}

bool CRequestChoice::IsHeaderLine(const std::string& strHeader)
{
    const std::size_t nColon = strHeader.find(':');
    if (nColon == 0 || nColon == std::string::npos)
        return false;
    const auto IS_NAME_CHAR = [](char ch) { return ch > 0x20 && ch < 0x7F; };
    const auto IS_LINE_BREAK = [](char ch) { return ch == '\r' || ch == '\n' || ch == '\0'; };
    return std::all_of(strHeader.begin(), strHeader.begin() + static_cast<std::ptrdiff_t>(nColon), IS_NAME_CHAR)
        && std::none_of(strHeader.begin(), strHeader.end(), IS_LINE_BREAK);
}
