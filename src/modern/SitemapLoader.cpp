#include "modern/SitemapLoader.h"

#include "modern/SitemapReader.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"
#include "net/TrimSpace.h"
#include "net/WebUrl.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

namespace {

bool IsWebSource(const std::string& strSource)
{
    const std::string strStart = strSource.substr(0, 8);
    std::string strLower(strStart.size(), ' ');
    std::transform(strStart.begin(), strStart.end(), strLower.begin(),
        [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return strLower.rfind("http://", 0) == 0 || strLower.rfind("https://", 0) == 0;
}

// Up to MAX_BYTES + 1 bytes of a document, so that a longer one shows.
bool ReadBounded(CInternetFile& file, std::string& strBytes, bool& bCutShort)
{
    char szBuffer[65536];
    std::size_t nRead = 0;
    while (strBytes.size() <= CSitemapReader::MAX_BYTES && (nRead = file.Read(szBuffer, sizeof(szBuffer))) > 0)
        strBytes.append(szBuffer, nRead);
    bCutShort = strBytes.size() > CSitemapReader::MAX_BYTES;
    if (bCutShort)
        strBytes.resize(CSitemapReader::MAX_BYTES);
    return true;
}

bool ReadFile(const std::string& strPath, std::string& strBytes, bool& bCutShort, std::string& strProblem)
{
    std::ifstream file(strPath, std::ios::binary);
    if (!file) {
        strProblem = std::strerror(errno != 0 ? errno : ENOENT);
        return false;
    }
    strBytes.resize(CSitemapReader::MAX_BYTES + 1);
    file.read(strBytes.data(), static_cast<std::streamsize>(strBytes.size()));
    strBytes.resize(static_cast<std::size_t>(file.gcount()));
    bCutShort = strBytes.size() > CSitemapReader::MAX_BYTES;
    if (bCutShort)
        strBytes.resize(CSitemapReader::MAX_BYTES);
    return true;
}

bool IsSitemapField(std::string_view field)
{
    constexpr std::string_view NAME = "sitemap";
    return field.size() == NAME.size() && std::equal(field.begin(), field.end(), NAME.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

} // namespace

CSitemapLoader::CSitemapLoader(CInternetSession* pSession)
    : m_pSession(pSession)
{
}

bool CSitemapLoader::Load(const std::string& strSource, std::string& strProblem)
{
    return LoadLevel(strSource, 1, strProblem);
}

bool CSitemapLoader::LoadLevel(const std::string& strSource, int nLevel, std::string& strProblem)
{
    std::string strBytes;
    bool bCutShort = false;
    if (!Fetch(strSource, strBytes, bCutShort, strProblem))
        return false;
    SSitemap sitemap = CSitemapReader::Read(std::move(strBytes), bCutShort);
    if (sitemap.eKind == SSitemap::EKind::UNREADABLE) {
        strProblem = sitemap.strProblem;
        return false;
    }
    if (sitemap.bCut)
        m_notes.push_back("the sitemap " + strSource + " is over the sitemap bound of 50,000 URLs or 50 MiB; "
            + "the rest of it was ignored");
    if (sitemap.eKind == SSitemap::EKind::INDEX) {
        LoadIndex(strSource, sitemap.locs, nLevel);
        return true;
    }
    std::size_t nNotWeb = 0;
    for (std::string& strLoc : sitemap.locs) {
        // A sitemap from the web must not make the crawl open local files.
        if (!IsWebSource(strLoc)) {
            ++nNotWeb;
            continue;
        }
        if (m_entries.size() >= MAX_ENTRIES) {
            m_notes.push_back("the sitemaps name more than " + std::to_string(MAX_ENTRIES) + " URLs; those after "
                + "them, from " + strSource + " on, were ignored");
            break;
        }
        m_entries.push_back({std::move(strLoc), strSource});
    }
    if (nNotWeb > 0)
        m_notes.push_back("the sitemap " + strSource + " names " + std::to_string(nNotWeb)
            + (nNotWeb == 1 ? " URL that is" : " URLs that are") + " not http or https; ignored");
    return true;
}

void CSitemapLoader::LoadIndex(const std::string& strIndex, const std::vector<std::string>& children, int nLevel)
{
    if (nLevel >= MAX_LEVELS) {
        m_notes.push_back("the sitemap index " + strIndex + " lies " + std::to_string(nLevel)
            + " levels deep; the sitemaps it names were not read");
        return;
    }
    for (const std::string& strChild : children) {
        std::string strProblem;
        // A sitemap only on the web: a local index names no files.
        if (m_entries.size() >= MAX_ENTRIES)
            return;
        if (!IsWebSource(strChild)) {
            m_notes.push_back("the sitemap " + strChild + " named by " + strIndex + " was not read: it is no web URL");
            continue;
        }
        if (LoadLevel(strChild, nLevel + 1, strProblem))
            continue;
        // One that cannot be fetched becomes a page whose failure the crawl lists.
        m_entries.push_back({strChild, strIndex});
        m_notes.push_back("the sitemap " + strChild + " named by " + strIndex + " was not read: " + strProblem);
    }
}

bool CSitemapLoader::Fetch(
    const std::string& strSource, std::string& strBytes, bool& bCutShort, std::string& strProblem)
{
    if (!IsWebSource(strSource))
        return ReadFile(strSource, strBytes, bCutShort, strProblem);
    return FetchWeb(strSource, strBytes, bCutShort, strProblem);
}

bool CSitemapLoader::FetchWeb(
    const std::string& strURL, std::string& strBytes, bool& bCutShort, std::string& strProblem)
{
    if (!m_pSession || !m_pSession->GetTransferEngine()) {
        strProblem = "the internet session is closed";
        return false;
    }
    CHttpFile file(m_pSession->GetTransferEngine(), strURL, CTransferEngine::ERequest::GET);
    try {
        file.SendRequest();
        int nStatusCode = 0;
        if (!file.QueryInfoStatusCode(nStatusCode)) {
            strProblem = CHttpFile::NO_STATUS_CODE;
            return false;
        }
        if (nStatusCode < 200 || nStatusCode > 299) {
            strProblem
                = "it answered " + std::to_string(nStatusCode) + " " + CHttpFile::GetStandardReasonPhrase(nStatusCode);
            return false;
        }
        return ReadBounded(file, strBytes, bCutShort);
    } catch (const CInternetException& e) {
        strProblem = e.GetErrorMessage();
        return false;
    }
}

std::vector<std::string> CSitemapLoader::ListRobotsSitemaps(const std::string& strStartURL)
{
    const CWebUrl start = CWebUrl::Parse(strStartURL);
    std::string strBytes;
    bool bCutShort = false;
    std::string strProblem;
    if (!start.IsWebLink() || !FetchWeb(start.Resolve("/robots.txt").GetText(), strBytes, bCutShort, strProblem))
        return {};
    std::vector<std::string> sitemaps;
    std::istringstream lines(strBytes);
    for (std::string strLine; std::getline(lines, strLine);) {
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        const std::string_view line = std::string_view(strLine).substr(0, strLine.find('#'));
        const std::size_t nColon = line.find(':');
        if (nColon == std::string_view::npos || !IsSitemapField(TrimSpace(line.substr(0, nColon))))
            continue;
        const std::string_view value = TrimSpace(line.substr(nColon + 1));
        if (!value.empty())
            sitemaps.emplace_back(value);
    }
    return sitemaps;
}
