#include "report/ReportFormat.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string SystemReason(const std::string& strWhat)
{
    return strWhat + ": " + std::strerror(errno);
}

bool WriteAll(int nFile, const std::string& strText)
{
    std::size_t nDone = 0;
    while (nDone < strText.size()) {
        ssize_t nWritten = ::write(nFile, strText.data() + nDone, strText.size() - nDone);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0)
            return false;
        nDone += static_cast<std::size_t>(nWritten);
    }
    return true;
}

// Through a symbolic link the report replaces the file it names, not the link.
std::filesystem::path ResolveTarget(const std::string& strPath)
{
    std::error_code error;
    std::filesystem::path target = std::filesystem::weakly_canonical(strPath, error);
    return error ? std::filesystem::path(strPath) : target;
}

// An existing report keeps its permissions; a new one gets what the user's
// umask gives any new file.
mode_t TargetMode(const std::filesystem::path& target)
{
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0)
        return info.st_mode & 07777;
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    return 0666 & ~nMask;
}

} // namespace

CReportFormat::CReportFormat(const CLinkArray& links, const CCrawlSummary& summary)
    : m_links(links)
    , m_summary(summary)
{
}

bool CReportFormat::Save(const std::string& strPath, std::string& strReason) const
{
    std::ostringstream text;
    Write(text);
    const std::filesystem::path target = ResolveTarget(strPath);
    // Renaming over a file the user may not write would replace it anyway.
    if (::access(target.c_str(), F_OK) == 0 && ::access(target.c_str(), W_OK) != 0) {
        strReason = SystemReason("Cannot write " + strPath);
        return false;
    }
    std::filesystem::path temp = target;
    temp.replace_filename(".").concat(target.filename().string()).concat(".XXXXXX");
    std::string strTemp = temp.string();
    const int nFile = ::mkstemp(strTemp.data());
    if (nFile < 0) {
        strReason = SystemReason("Cannot create a file in the folder of " + strPath);
        return false;
    }
    bool bWritten = ::fchmod(nFile, TargetMode(target)) == 0 && WriteAll(nFile, text.str()) && ::fsync(nFile) == 0;
    if (!bWritten)
        strReason = SystemReason("Cannot write " + strPath);
    if (::close(nFile) != 0 && bWritten) {
        strReason = SystemReason("Cannot write " + strPath);
        bWritten = false;
    }
    if (bWritten && ::rename(strTemp.c_str(), target.c_str()) != 0) {
        strReason = SystemReason("Cannot replace " + strPath);
        bWritten = false;
    }
    if (!bWritten)
        ::unlink(strTemp.c_str());
    return bWritten;
}
