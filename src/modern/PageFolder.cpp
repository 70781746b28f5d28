#include "modern/PageFolder.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>
#include <tuple>
#include <utility>

struct CPageFolder::SWalk {
    // Real directories read so far: a link back up the tree, or two links
    // to one directory, must not read it again and again.
    std::set<std::pair<unsigned long long, unsigned long long>> directories;
    std::vector<SPage> pages;
};

bool CPageFolder::IsFolder(const std::string& strPath)
{
    std::error_code error;
    return std::filesystem::is_directory(strPath, error);
}

bool CPageFolder::IsPageName(const std::string& strName)
{
    const auto EndsWith = [&strName](const std::string& strEnd) {
        return strName.size() > strEnd.size()
            && strName.compare(strName.size() - strEnd.size(), strEnd.size(), strEnd) == 0;
    };
    return EndsWith(".html") || EndsWith(".htm");
}

void CPageFolder::Walk(SWalk& walk, const std::string& strDirectory, const std::string& strRelative, bool bThroughLink)
{
    struct stat info {};
    if (::stat(strDirectory.c_str(), &info) != 0 || !walk.directories.emplace(info.st_dev, info.st_ino).second)
        return;
    std::error_code error;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(strDirectory, error), end; !error && it != end; it.increment(error))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& strName : names) {
        const std::string strPath = strDirectory + "/" + strName;
        const std::string strBelow = strRelative.empty() ? strName : strRelative + "/" + strName;
        const bool bLink = bThroughLink || (::lstat(strPath.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
        // stat, not lstat: links are followed; a dangling one is passed over.
        if (::stat(strPath.c_str(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode))
            Walk(walk, strPath, strBelow, bLink);
        else if (S_ISREG(info.st_mode) && IsPageName(strName))
            walk.pages.push_back({strBelow, strPath, info.st_dev, info.st_ino, bLink});
    }
}

std::vector<std::string> CPageFolder::ListPages(const std::string& strFolder)
{
    std::error_code error;
    std::string strRoot = std::filesystem::absolute(strFolder, error).lexically_normal().string();
    if (error)
        return {};
    while (strRoot.size() > 1 && strRoot.back() == '/')
        strRoot.pop_back();
    SWalk walk;
    Walk(walk, strRoot, std::string(), false);
    // A file's own path before any link to it, then the byte order.
    std::sort(walk.pages.begin(), walk.pages.end(), [](const SPage& first, const SPage& second) {
        return std::tie(first.bThroughLink, first.strRelative) < std::tie(second.bThroughLink, second.strRelative);
    });
    std::set<std::pair<unsigned long long, unsigned long long>> files;
    std::vector<SPage> kept;
    for (SPage& page : walk.pages)
        if (files.emplace(page.nDevice, page.nInode).second)
            kept.push_back(std::move(page));
    std::sort(kept.begin(), kept.end(),
        [](const SPage& first, const SPage& second) { return first.strRelative < second.strRelative; });
    std::vector<std::string> paths;
    for (SPage& page : kept)
        paths.push_back(std::move(page.strAbsolute));
    return paths;
}
