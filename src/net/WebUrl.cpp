#include "net/WebUrl.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <optional>

namespace {

// A reference this long is not parsed at all: no normal form of it could be
// short enough, short of a path made mostly of "../".
constexpr std::size_t MAX_REFERENCE = 1024 * 1024;

struct SCurlUrlFree {
    void operator()(CURLU* pUrl) const { curl_url_cleanup(pUrl); }
};
using CurlUrlPtr = std::unique_ptr<CURLU, SCurlUrlFree>;

char ToLower(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

std::string Lowered(std::string strText)
{
    for (char& ch : strText)
        ch = ToLower(ch);
    return strText;
}

bool IsHexDigit(char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

// As a browser reads an href: controls and spaces around it trimmed, tabs
// and line breaks inside it dropped.
std::string CleanReference(std::string_view reference)
{
    const auto IS_OUTER = [](char ch) { return static_cast<unsigned char>(ch) <= 0x20; };
    while (!reference.empty() && IS_OUTER(reference.front()))
        reference.remove_prefix(1);
    while (!reference.empty() && IS_OUTER(reference.back()))
        reference.remove_suffix(1);
    std::string strClean;
    strClean.reserve(reference.size());
    for (char ch : reference)
        if (ch != '\t' && ch != '\n' && ch != '\r')
            strClean.push_back(ch);
    return strClean;
}

// The scheme a reference starts with, in lower case; empty for a relative one.
std::string SchemeOf(std::string_view reference)
{
    const auto IS_ALPHA = [](char ch) { return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z'); };
    if (reference.empty() || !IS_ALPHA(reference[0]))
        return {};
    for (std::size_t i = 1; i < reference.size(); ++i) {
        const char ch = reference[i];
        if (ch == ':')
            return Lowered(std::string(reference.substr(0, i)));
        if (!IS_ALPHA(ch) && !(ch >= '0' && ch <= '9') && ch != '+' && ch != '-' && ch != '.')
            return {};
    }
    return {};
}

// What a browser escapes in a path, and in a query, beside controls and
// bytes outside ASCII.
bool NeedsEscape(unsigned char nByte, bool bQuery)
{
    if (nByte <= 0x20 || nByte >= 0x7F || nByte == '"' || nByte == '<' || nByte == '>')
        return true;
    return bQuery ? nByte == '\'' : nByte == '`' || nByte == '{' || nByte == '}';
}

void AppendEscaped(std::string& strOut, std::string_view part, bool bQuery)
{
    static const char HEX[] = "0123456789ABCDEF";
    for (char ch : part) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (!NeedsEscape(nByte, bQuery)) {
            strOut.push_back(ch);
            continue;
        }
        strOut.push_back('%');
        strOut.push_back(HEX[nByte >> 4]);
        strOut.push_back(HEX[nByte & 0xF]);
    }
}

// Browsers take "%2e" for "." in a dot segment; libcurl does not, so such
// segments are spelt with dots before it removes them.
std::string WithPlainDotSegments(const std::string& strPath)
{
    std::string strOut;
    std::size_t nStart = 0;
    while (nStart <= strPath.size()) {
        std::size_t nEnd = strPath.find('/', nStart);
        if (nEnd == std::string::npos)
            nEnd = strPath.size();
        const std::string strSegment = Lowered(strPath.substr(nStart, nEnd - nStart));
        if (strSegment == "%2e")
            strOut += ".";
        else if (strSegment == ".%2e" || strSegment == "%2e." || strSegment == "%2e%2e")
            strOut += "..";
        else
            strOut.append(strPath, nStart, nEnd - nStart);
        if (nEnd < strPath.size())
            strOut.push_back('/');
        nStart = nEnd + 1;
    }
    return strOut;
}

// A reference without its fragment, its path and query escaped as a browser
// sends them; backslashes before the query are slashes, as in browsers.
std::string PrepareReference(std::string_view reference)
{
    reference = reference.substr(0, reference.find('#'));
    std::string strText(reference);
    const std::size_t nQuery = std::min(strText.find('?'), strText.size());
    for (std::size_t i = 0; i < nQuery; ++i)
        if (strText[i] == '\\')
            strText[i] = '/';
    std::size_t nPath = SchemeOf(strText).size();
    nPath += nPath > 0 ? 1 : 0;
    if (strText.compare(nPath, 2, "//") == 0)
        nPath = std::min(strText.find_first_of("/?", nPath + 2), nQuery);
    std::string strPath;
    AppendEscaped(strPath, std::string_view(strText).substr(nPath, nQuery - nPath), false);
    std::string strOut = strText.substr(0, nPath) + WithPlainDotSegments(strPath);
    if (nQuery < strText.size()) {
        strOut.push_back('?');
        AppendEscaped(strOut, std::string_view(strText).substr(nQuery + 1), true);
    }
    return strOut;
}

bool IsSlash(char ch)
{
    return ch == '/' || ch == '\\';
}

// "scheme://" and what follows the slashes after the scheme, however many
// there are, as browsers read an http or https URL.
std::string WithAuthority(const std::string& strScheme, std::string_view reference)
{
    reference.remove_prefix(strScheme.size() + 1);
    while (!reference.empty() && IsSlash(reference.front()))
        reference.remove_prefix(1);
    return strScheme + "://" + std::string(reference);
}

void UpperCaseEscapes(std::string& strText)
{
    for (std::size_t i = 0; i + 2 < strText.size(); ++i) {
        if (strText[i] != '%' || !IsHexDigit(strText[i + 1]) || !IsHexDigit(strText[i + 2]))
            continue;
        for (std::size_t j = i + 1; j <= i + 2; ++j)
            if (strText[j] >= 'a' && strText[j] <= 'f')
                strText[j] = static_cast<char>(strText[j] - 'a' + 'A');
    }
}

bool IsHostName(const std::string& strHost)
{
    if (strHost.empty() || strHost[0] == '[')
        return !strHost.empty(); // libcurl has checked an IPv6 address
    return std::none_of(strHost.begin(), strHost.end(), [](char ch) {
        return static_cast<unsigned char>(ch) <= 0x20 || ch == 0x7F
            || std::string_view("%#/:<>?@[\\]^|").find(ch) != std::string_view::npos;
    });
}

std::optional<std::string> GetPart(CURLU* pUrl, CURLUPart ePart)
{
    char* pszPart = nullptr;
    if (curl_url_get(pUrl, ePart, &pszPart, 0) != CURLUE_OK || pszPart == nullptr)
        return std::nullopt;
    std::string strPart(pszPart);
    curl_free(pszPart);
    return strPart;
}

// "user:password@" as libcurl keeps it, escapes in upper case; empty without a user.
std::string UserInfo(CURLU* pUrl)
{
    std::optional<std::string> user = GetPart(pUrl, CURLUPART_USER);
    if (!user)
        return {};
    std::string strUserInfo = *user;
    if (std::optional<std::string> password = GetPart(pUrl, CURLUPART_PASSWORD))
        strUserInfo += ":" + *password;
    UpperCaseEscapes(strUserInfo);
    return strUserInfo + "@";
}

} // namespace

CWebUrl CWebUrl::Parse(std::string_view strAbsolute)
{
    const std::string strReference = CleanReference(strAbsolute);
    if (strReference.size() > MAX_REFERENCE)
        return CWebUrl(URL_TOO_LONG);
    const std::string strScheme = SchemeOf(strReference);
    if (strScheme.empty())
        return CWebUrl(BAD_URL);
    if (strScheme != "http" && strScheme != "https")
        return CWebUrl(NOT_WEB_LINK);
    return FromPrepared(nullptr, PrepareReference(WithAuthority(strScheme, strReference)));
}

CWebUrl CWebUrl::ParseFile(std::string_view strAbsolute)
{
    const std::string strReference = CleanReference(strAbsolute);
    if (strReference.size() > MAX_REFERENCE)
        return CWebUrl(URL_TOO_LONG);
    if (SchemeOf(strReference) != "file")
        return CWebUrl(BAD_URL);
    return ReadWithCurl(nullptr, PrepareReference(strReference));
}

CWebUrl CWebUrl::Resolve(std::string_view strReference) const
{
    if (!IsWebLink() && !IsFileLink())
        return CWebUrl(BAD_URL);
    std::string strClean = CleanReference(strReference);
    if (strClean.size() > MAX_REFERENCE)
        return CWebUrl(URL_TOO_LONG);
    if (strClean.empty() || strClean[0] == '#')
        return *this;
    if (IsFileLink())
        return ResolveAgainstFile(strClean);
    const std::string strScheme = SchemeOf(strClean);
    if (!strScheme.empty() && strScheme != "http" && strScheme != "https")
        return CWebUrl(NOT_WEB_LINK);
    if (!strScheme.empty()) {
        // Browsers read "http:x" and "http:/x" as relative when the base has
        // that scheme, and as "https://x" when it has the other one.
        const std::string_view rest = std::string_view(strClean).substr(strScheme.size() + 1);
        const bool bTwoSlashes = rest.size() >= 2 && IsSlash(rest[0]) && IsSlash(rest[1]);
        if (strScheme != m_strScheme || bTwoSlashes)
            return FromPrepared(&m_strText, PrepareReference(WithAuthority(strScheme, strClean)));
        strClean.erase(0, strScheme.size() + 1);
        if (strClean.empty())
            return *this;
    }
    // A first segment with a colon that is no scheme ("1a:b", or "file:x"
    // left of "http:file:x") would be taken for one without "./" before it.
    if (strClean.find(':') < strClean.find_first_of("/?"))
        strClean.insert(0, "./");
    return FromPrepared(&m_strText, PrepareReference(strClean));
}

CWebUrl CWebUrl::ResolveAgainstFile(std::string_view strClean) const
{
    const std::string strScheme = SchemeOf(strClean);
    if (strScheme == "http" || strScheme == "https")
        return Parse(strClean);
    if (!strScheme.empty() && strScheme != "file")
        return CWebUrl(NOT_WEB_LINK);
    std::string strRelative(strClean);
    if (strScheme.empty() && strRelative.find(':') < strRelative.find_first_of("/?"))
        strRelative.insert(0, "./");
    return ReadWithCurl(&m_strText, PrepareReference(strRelative));
}

CWebUrl CWebUrl::MakeFile(std::string strPath, std::string strQuery)
{
    // Only an absolute path names a file whatever the current folder; one
    // starting "/c:" would be read again as a drive letter, not as a folder.
    const bool bDriveLetter = strPath.size() >= 3 && std::isalpha(static_cast<unsigned char>(strPath[1])) != 0
        && (strPath[2] == ':' || strPath[2] == '|');
    if (strPath.empty() || strPath[0] != '/' || bDriveLetter)
        return CWebUrl(BAD_URL);
    CWebUrl url(FILE_LINK);
    url.m_strScheme = "file";
    url.m_strPath = std::move(strPath);
    url.m_strQuery = std::move(strQuery);
    UpperCaseEscapes(url.m_strPath);
    UpperCaseEscapes(url.m_strQuery);
    url.m_strText = "file://" + url.m_strPath + (url.m_strQuery.empty() ? "" : "?" + url.m_strQuery);
    if (url.m_strText.size() > MAX_LENGTH)
        return CWebUrl(URL_TOO_LONG);
    return url;
}

CWebUrl CWebUrl::FromPrepared(const std::string* pBase, const std::string& strReference)
{
    CWebUrl url = ReadWithCurl(pBase, strReference);
    // libcurl writes an IPv4 address in full ("1.11" as "1.0.0.11") only
    // when the name was not escaped; a second reading finishes it.
    if (url.IsWebLink() && url.m_strHost.find_first_not_of("0123456789abcdefx.") == std::string::npos)
        return ReadWithCurl(nullptr, url.m_strText);
    return url;
}

CWebUrl CWebUrl::ReadWithCurl(const std::string* pBase, const std::string& strReference)
{
    CurlUrlPtr pUrl(curl_url());
    if (!pUrl || (pBase && curl_url_set(pUrl.get(), CURLUPART_URL, pBase->c_str(), 0) != CURLUE_OK)
        || curl_url_set(pUrl.get(), CURLUPART_URL, strReference.c_str(), 0) != CURLUE_OK)
        return CWebUrl(BAD_URL);
    CWebUrl url(WEB_LINK);
    url.m_strScheme = Lowered(GetPart(pUrl.get(), CURLUPART_SCHEME).value_or(""));
    url.m_strHost = Lowered(GetPart(pUrl.get(), CURLUPART_HOST).value_or(""));
    if (url.m_strScheme == "file") {
        // Only a file of this machine can be looked at.
        if (!url.m_strHost.empty() && url.m_strHost != "localhost")
            return CWebUrl(BAD_URL);
        return MakeFile(
            GetPart(pUrl.get(), CURLUPART_PATH).value_or("/"), GetPart(pUrl.get(), CURLUPART_QUERY).value_or(""));
    }
    // Browsers refuse an IPv6 zone, and a host name with a character that
    // could not be written again unescaped ("%2541" decodes to "%41").
    if ((url.m_strScheme != "http" && url.m_strScheme != "https") || !IsHostName(url.m_strHost)
        || GetPart(pUrl.get(), CURLUPART_ZONEID))
        return CWebUrl(BAD_URL);
    const int nDefaultPort = url.m_strScheme == "http" ? 80 : 443;
    const std::optional<std::string> port = GetPart(pUrl.get(), CURLUPART_PORT);
    url.m_nPort = port ? std::stoi(*port) : nDefaultPort; // libcurl has checked it is 0..65535
    url.m_strPath = GetPart(pUrl.get(), CURLUPART_PATH).value_or("/");
    url.m_strQuery = GetPart(pUrl.get(), CURLUPART_QUERY).value_or("");
    UpperCaseEscapes(url.m_strPath);
    UpperCaseEscapes(url.m_strQuery);

    std::string& strText = url.m_strText;
    strText = url.m_strScheme + "://";
    strText += UserInfo(pUrl.get()) + url.m_strHost;
    if (url.m_nPort != nDefaultPort)
        strText.append(1, ':').append(std::to_string(url.m_nPort));
    strText += url.m_strPath;
    if (!url.m_strQuery.empty())
        strText.append(1, '?').append(url.m_strQuery);
    if (strText.size() > MAX_LENGTH)
        return CWebUrl(URL_TOO_LONG);
    return url;
}
