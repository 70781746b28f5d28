#pragma once

#include <string>
#include <vector>

/// The HTML files of a folder, as a crawl of local start pages takes them:
/// every *.html and *.htm file under it, symbolic links followed, each real
/// file once, in the byte order of their paths below the folder.
class CPageFolder {
public:
    /// The absolute paths of the pages under strFolder; empty when it holds
    /// none or cannot be read. A directory reached twice (a link loop) is
    /// read once; of a file reached by several paths, the first in order
    /// that passes through no symbolic link stays, else the first.
    static std::vector<std::string> ListPages(const std::string& strFolder);
    /// True when strPath names a directory, through links.
    static bool IsFolder(const std::string& strPath);

private:
    struct SPage {
        std::string strRelative;
        std::string strAbsolute;
        unsigned long long nDevice = 0;
        unsigned long long nInode = 0;
        bool bThroughLink = false;
    };
    struct SWalk;

    static void Walk(SWalk& walk, const std::string& strDirectory, const std::string& strRelative, bool bThroughLink);
    static bool IsPageName(const std::string& strName);
};
