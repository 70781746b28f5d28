#include "modern/PathMap.h"

#include "modern/HexDigit.h"
#include "net/WebUrl.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace {

bool IsFile(const std::string& strPath)
{
    std::error_code error;
    return std::filesystem::is_regular_file(strPath, error);
}

bool IsDirectory(const std::string& strPath)
{
    std::error_code error;
    return std::filesystem::is_directory(strPath, error);
}

} // namespace

bool CPathMap::Add(const std::string& strPrefix, const std::string& strFolder, std::string& strError)
{
    const CWebUrl prefix = CWebUrl::Parse(strPrefix);
    if (!prefix.IsWebLink()) {
        strError = "the prefix " + strPrefix + " is no http or https URL";
        return false;
    }
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::absolute(strFolder, error).lexically_normal();
    if (error || !IsDirectory(folder.string())) {
        strError = "the folder " + strFolder + " does not exist";
        return false;
    }
    std::string strAbsolute = folder.string();
    while (strAbsolute.size() > 1 && strAbsolute.back() == '/')
        strAbsolute.pop_back();
    m_entries.push_back({prefix.GetText(), std::move(strAbsolute)});
    // Longest first, so the first match is the one that wins.
    std::stable_sort(m_entries.begin(), m_entries.end(),
        [](const SEntry& first, const SEntry& second) { return first.strPrefix.size() > second.strPrefix.size(); });
    return true;
}

std::optional<std::string> CPathMap::MapToFile(const std::string& strNormalURL) const
{
    for (const SEntry& entry : m_entries) {
        if (strNormalURL.compare(0, entry.strPrefix.size(), entry.strPrefix) != 0)
            continue;
        const std::optional<SRelativePath> path
            = ToRelativePath(std::string_view(strNormalURL).substr(entry.strPrefix.size()));
        return path ? FindServedFile(entry.strFolder, *path) : std::string();
    }
    return std::nullopt;
}

std::optional<CPathMap::SRelativePath> CPathMap::ToRelativePath(std::string_view strRest)
{
    strRest = strRest.substr(0, strRest.find_first_of("?#"));
    const std::string strDecoded = PercentDecoded(strRest);
    if (strDecoded.find('\0') != std::string::npos)
        return std::nullopt;
    std::vector<std::string_view> segments;
    SRelativePath path;
    path.bDirectory = true;
    const std::string_view decoded(strDecoded);
    for (std::size_t nStart = 0; nStart <= decoded.size();) {
        const std::size_t nEnd = std::min(decoded.find('/', nStart), decoded.size());
        const std::string_view segment = decoded.substr(nStart, nEnd - nStart);
        // A path ending in "." or ".." names a directory, as one ending in "/".
        path.bDirectory = segment.empty() || segment == "." || segment == "..";
        if (segment == "..") {
            if (segments.empty())
                return std::nullopt;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        nStart = nEnd + 1;
    }
    for (const std::string_view segment : segments)
        path.strPath.append(path.strPath.empty() ? "" : "/").append(segment);
    path.bDirectory = path.bDirectory || segments.empty();
    return path;
}

std::string CPathMap::FindServedFile(const std::string& strFolder, const SRelativePath& path)
{
    const std::string strBase = path.strPath.empty() ? strFolder : strFolder + "/" + path.strPath;
    if (path.bDirectory)
        return strBase + "/index.html";
    if (IsFile(strBase))
        return strBase;
    if (IsDirectory(strBase) && IsFile(strBase + "/index.html"))
        return strBase + "/index.html";
    // Static hosts serve clean URLs: "/about" from about.html.
    if (IsFile(strBase + ".html"))
        return strBase + ".html";
    return strBase;
}
