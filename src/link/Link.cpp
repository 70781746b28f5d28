#include "link/Link.h"

#include <climits>
#include <cstdint>

namespace {

using Pos = std::ptrdiff_t;

// Read as signed bytes, so every byte from 0x80 on ends a URL like a space.
bool IsBlank(char ch)
{
    return static_cast<signed char>(ch) <= 32;
}

char At(const std::string& str, Pos nPos)
{
    return str[static_cast<size_t>(nPos - 1)];
}

// Characters nFirst..nLast (1-based, inclusive); empty when nLast < nFirst.
std::string Mid(const std::string& str, Pos nFirst, Pos nLast)
{
    if (nLast < nFirst)
        return std::string();
    return str.substr(static_cast<size_t>(nFirst - 1), static_cast<size_t>(nLast - nFirst + 1));
}

// First position at or after nFrom holding ch, 0 when there is none.
Pos Find(const std::string& str, char ch, Pos nFrom)
{
    if (nFrom < 1 || nFrom > static_cast<Pos>(str.size()))
        return 0;
    size_t nFound = str.find(ch, static_cast<size_t>(nFrom - 1));
    return nFound == std::string::npos ? 0 : static_cast<Pos>(nFound) + 1;
}

bool IsCSpace(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

// atol's reading, saturated instead of overflowing, then narrowed as a
// 32-bit port member would hold it.
int ReadPortNumber(const std::string& strText)
{
    size_t i = 0;
    while (i < strText.size() && IsCSpace(strText[i]))
        ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-'))
        bNegative = strText[i++] == '-';
    long long nValue = 0;
    for (; i < strText.size() && strText[i] >= '0' && strText[i] <= '9'; ++i) {
        if (nValue < LLONG_MAX / 100)
            nValue = nValue * 10 + (strText[i] - '0');
    }
    return static_cast<int>(static_cast<int32_t>(bNegative ? -nValue : nValue));
}

} // namespace

CLink::CLink(const std::string& strURL, CLink* pReferrer)
    : m_pReferrer(pReferrer)
{
    SetURL(strURL);
    m_nStatusCode = -1;
}

CLink::~CLink() = default;

std::string CLink::GetHost() const
{
    if (!m_strHost.empty())
        return m_strHost;
    if (m_pReferrer)
        return m_pReferrer->GetHost();
    return m_strPath.empty() ? m_strFile : m_strPath;
}

std::string CLink::GetScheme() const
{
    return m_strScheme;
}
std::string CLink::GetPath() const
{
    return m_strPath;
}
std::string CLink::GetFile() const
{
    return m_strFile;
}
std::string CLink::GetBasePath() const
{
    return m_strPath.empty() ? "/" : m_strPath;
}
std::string CLink::GetPortText() const
{
    return std::to_string(m_nPort);
}
std::string CLink::GetFragment() const
{
    return m_strFragment;
}

std::string CLink::GetRequestPath() const
{
    std::string strRequest = m_strPath + m_strFile;
    return strRequest.empty() ? "/" : strRequest;
}

void CLink::SetURL(const std::string& strURL)
{
    m_strURL = strURL;
    m_bGood = true;
    m_nPort = -1;
    m_strHost.clear();
    m_strFile.clear();
    m_strPath.clear();
    m_strStatusText.clear();
    m_nStatusCode = -1;
    m_nNamedPort = -1;
    ParseURL(strURL);
}

int CLink::GetPort() const
{
    return m_nPort;
}

void CLink::ParseURL(const std::string& strURL)
{
    const Pos nLength = static_cast<Pos>(strURL.size());
    Pos nPos = 1;
    if (nLength >= 2) {
        while (nPos < nLength && IsBlank(At(strURL, nPos)))
            ++nPos;
    }
    Pos nEnd = nLength;
    for (Pos i = nPos; i <= nLength; ++i) {
        if (IsBlank(At(strURL, i))) {
            nEnd = i - 1;
            break;
        }
    }
    nPos = ReadScheme(strURL, nPos, nEnd);
    if (m_strScheme.empty())
        m_strScheme = "http";

    // The fragment search runs over the whole text, not just up to the URL's end.
    if (Pos nHash = Find(strURL, '#', 1)) {
        m_strFragment = Mid(strURL, nHash + 1, nEnd);
        nEnd = nHash - 1;
        if (nHash == 1) {
            ResolveFragmentOnly();
            return;
        }
    }
    if (nEnd >= nPos + 2 && At(strURL, nPos) == '/' && At(strURL, nPos + 1) == '/')
        nPos = ReadAuthority(strURL, nPos + 2, nEnd);
    if (m_nPort == -1)
        m_nPort = 80;

    if (nPos >= nEnd) {
        // At most one character left: dropped, and nothing is resolved.
        m_strPath.clear();
        m_strFile.clear();
        ClassifyScheme();
        return;
    }
    std::string strPathText = Mid(strURL, nPos, nEnd);
    if (m_strScheme == "mailto") {
        m_strHost = strPathText;
        m_strPath.clear();
        ClassifyScheme();
        return;
    }
    SplitPath(strPathText);
    ResolveAgainstReferrer();
    ClassifyScheme();
}

CLink::Pos CLink::ReadScheme(const std::string& strURL, Pos nPos, Pos nEnd)
{
    // The URL's last character is never scanned, so a trailing ':' names no scheme.
    for (Pos i = nPos; i < nEnd; ++i) {
        char ch = At(strURL, i);
        if (ch == '/')
            return nPos;
        if (ch == ':') {
            m_strScheme = Mid(strURL, nPos, i - 1);
            return i + 1;
        }
    }
    return nPos;
}

// nPos is just past the two slashes. Slash and colon are searched over the
// rest of the whole text. Returns the position of the slash that begins the path.
CLink::Pos CLink::ReadAuthority(const std::string& strURL, Pos nPos, Pos nEnd)
{
    Pos nSlash = Find(strURL, '/', nPos);
    if (nSlash == 0)
        nSlash = nEnd + 1;
    Pos nColon = Find(strURL, ':', nPos);
    m_nPort = -1;
    m_nNamedPort = 0;
    if (nColon > 0 && nColon < nSlash) {
        m_nPort = ReadPortNumber(Mid(strURL, nColon + 1, nSlash - 1));
        m_nNamedPort = m_nPort >= 1 && m_nPort <= 65535 ? m_nPort : 0;
        if (nColon > nPos)
            m_strHost = Mid(strURL, nPos, nColon - 1);
    } else {
        m_strHost = Mid(strURL, nPos, nSlash - 1);
    }
    return nSlash;
}

void CLink::SplitPath(const std::string& strPathText)
{
    size_t nLastSlash = strPathText.rfind('/');
    bool bHasSlash = nLastSlash != std::string::npos;
    if (bHasSlash || m_strHost.empty())
        m_strFile = bHasSlash ? strPathText.substr(nLastSlash + 1) : strPathText;
    m_strPath = bHasSlash ? strPathText.substr(0, nLastSlash + 1) : std::string();

    // A start URL typed as just a server name names that server.
    if (m_strHost.empty() && m_strPath.empty() && !m_pReferrer) {
        m_strHost = m_strFile;
        m_strFile.clear();
    }
}

// "#top" denotes the referrer's own page; host and port stay unset so
// they are read through the referrer.
void CLink::ResolveFragmentOnly()
{
    if (!m_pReferrer) {
        m_nLinkType = LINK_UNSUPPORTED;
        return;
    }
    m_strPath = m_pReferrer->GetBasePath();
    m_strFile = m_pReferrer->GetFile();
    ClassifyScheme();
}

void CLink::ResolveAgainstReferrer()
{
    if (m_pReferrer) {
        const size_t nLength = m_strPath.size();
        if (nLength == 0) {
            m_strPath = m_pReferrer->GetBasePath();
        } else if (nLength > 1 && m_strPath[0] != '/' && m_strPath[0] != '.') {
            m_strPath = m_pReferrer->GetBasePath() + m_strPath;
        } else if (nLength >= 2 && ((nLength >= 3 && m_strPath[0] == '.') || m_strPath[1] == '.')) {
            m_strPath = ResolveParentPath(m_strPath);
        }
    }
    if (m_strPath == "/") {
        m_strFile = "/" + m_strFile;
        m_strPath.clear();
    }
    if (m_strHost.empty() && m_pReferrer)
        m_strHost = m_pReferrer->GetHost();
}

std::string CLink::ResolveParentPath(const std::string& strPath)
{
    // Every "../" counts, wherever it stands; the steps are taken to lead the path.
    size_t nSteps = 0;
    for (size_t nAt = strPath.find("../"); nAt != std::string::npos; nAt = strPath.find("../", nAt + 1))
        ++nSteps;
    std::string strRest = 3 * nSteps < strPath.size() ? strPath.substr(3 * nSteps) : std::string();
    if (!m_pReferrer)
        return strPath;

    std::string strBase = m_pReferrer->GetBasePath();
    size_t nDirs = 0;
    for (size_t i = 1; i < strBase.size(); ++i)
        nDirs += strBase[i] == '/';
    if (nDirs < nSteps)
        return std::string(); // climbs above the server root
    size_t nKeep = nDirs - nSteps;
    size_t nCut = 1;
    for (size_t i = 1; nKeep > 0 && i < strBase.size(); ++i) {
        if (strBase[i] == '/' && --nKeep == 0)
            nCut = i + 1;
    }
    return strBase.substr(0, nCut) + strRest;
}

bool CLink::SetStatus(int nStatusCode, const std::string& strStatusText)
{
    m_nStatusCode = nStatusCode;
    m_strStatusText = strStatusText;
    m_bGood = nStatusCode < 300;
    return m_bGood;
}

bool CLink::IsGood() const
{
    return m_bGood;
}

std::string CLink::GetStatusText() const
{
    if (m_nStatusCode < 300 && !m_strStatusText.empty())
        return "OK";
    return m_strStatusText;
}

int CLink::GetLinkType() const
{
    return m_nLinkType;
}
CLink* CLink::GetReferrer() const
{
    return m_pReferrer;
}
int CLink::GetStatusCode() const
{
    return m_nStatusCode;
}
std::string CLink::GetURL() const
{
    return m_strURL;
}

std::string CLink::GetHostAndPath() const
{
    std::string strText = m_strHost + m_strPath + m_strFile;
    return strText.empty() ? "/" : strText;
}

std::string CLink::GetFullURL() const
{
    // One level only: the referrer's stored host, not its GetHost chain.
    const std::string& strHost = m_strHost.empty() && m_pReferrer ? m_pReferrer->m_strHost : m_strHost;
    std::string strFull;
    strFull.reserve(m_strScheme.size() + 3 + strHost.size() + m_strPath.size() + m_strFile.size());
    strFull.append(m_strScheme).append("://").append(strHost).append(m_strPath).append(m_strFile);
    return strFull;
}

void CLink::ClassifyScheme()
{
    if (m_strScheme == "http" || m_strScheme.empty())
        m_nLinkType = LINK_HTTP;
    else if (m_strScheme == "mailto")
        m_nLinkType = LINK_MAILTO;
    else
        m_nLinkType = LINK_UNSUPPORTED;
}

bool CLink::IsChecked() const
{
    return m_nStatusCode != -1;
}

bool CLink::HasGoodStatus() const
{
    return m_nStatusCode >= 0 && m_nStatusCode < 300;
}

void CLink::SetError(const char* pszMessage)
{
    m_nStatusCode = 300;
    m_strStatusText = pszMessage ? pszMessage : "";
}

int CLink::GetRequestPort() const
{
    if (m_nNamedPort >= 0)
        return m_nNamedPort;
    return m_pReferrer ? m_pReferrer->GetRequestPort() : 0;
}

void CLink::TakeOccurrences(CLink& other)
{
    m_occurrences.insert(m_occurrences.end(), other.m_occurrences.begin(), other.m_occurrences.end());
    other.m_occurrences.clear();
}
