#include "modern/FileLinkChecker.h"

#include "link/WebLink.h"
#include "modern/HexDigit.h"
#include "net/WebUrl.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace {

const std::string FILE_PREFIX = "file://";

// A directory is what a static server answers for it: its index.html.
bool IsPresent(const std::string& strPath)
{
    std::error_code error;
    const std::filesystem::path path(strPath);
    if (std::filesystem::is_directory(path, error))
        return std::filesystem::is_regular_file(path / "index.html", error);
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

bool CFileLinkChecker::IsLocal(const CLink& link)
{
    return link.GetURL().compare(0, FILE_PREFIX.size(), FILE_PREFIX) == 0;
}

std::string CFileLinkChecker::GetLocalPath(const CLink& link)
{
    const std::string strOpen = link.GetURL();
    if (strOpen == link.GetFullURL())
        return GetLocalPath(strOpen);
    return strOpen.compare(0, FILE_PREFIX.size(), FILE_PREFIX) == 0 ? strOpen.substr(FILE_PREFIX.size())
                                                                    : std::string();
}

bool CFileLinkChecker::IsPageFile(const CLink& link)
{
    const std::string strPath = GetLocalPath(link);
    const auto EndsWith = [&strPath](std::string_view end) {
        return strPath.size() > end.size() && strPath.compare(strPath.size() - end.size(), end.size(), end) == 0;
    };
    return EndsWith(".html") || EndsWith(".htm");
}

std::string CFileLinkChecker::GetLocalPath(const std::string& strFileURL)
{
    const CWebUrl url = CWebUrl::ParseFile(strFileURL);
    if (!url.IsFileLink())
        return std::string();
    const std::string strPath = PercentDecoded(url.GetPath());
    // An escaped zero byte names no file; the system would cut the path there.
    return strPath.find('\0') == std::string::npos ? strPath : std::string();
}

bool CFileLinkChecker::CheckIfLocal(CWebLink& link)
{
    if (!IsLocal(link))
        return false;
    const std::string strPath = GetLocalPath(static_cast<const CLink&>(link));
    if (!strPath.empty() && IsPresent(strPath)) {
        link.SetStatus(200, "OK");
        link.SetVerdict(EVerdict::OK);
    } else {
        link.SetStatus(404, "Not Found");
        link.SetVerdict(EVerdict::BROKEN);
    }
    return true;
}
