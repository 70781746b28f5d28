#include "net/LocalFile.h"

#include "net/InternetException.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {

// A message keeps 254 characters: a long path is shown by its two ends, so
// the reason after it survives.
constexpr std::size_t MAX_SHOWN_PATH = 160;

std::string CannotRead(const std::string& strPath, const std::string& strReason)
{
    std::string strShown = strPath;
    if (strShown.size() > MAX_SHOWN_PATH)
        strShown = strPath.substr(0, MAX_SHOWN_PATH / 2) + "..." + strPath.substr(strPath.size() - MAX_SHOWN_PATH / 2);
    return "Cannot read " + strShown + ": " + strReason;
}

} // namespace

CLocalFile::CLocalFile(const std::string& strPath)
    : m_strPath(strPath)
{
    std::error_code error;
    if (std::filesystem::is_directory(strPath, error))
        throw CInternetException(CannotRead(strPath, "it is a directory"));
    errno = 0;
    m_file.open(strPath, std::ios::in | std::ios::binary);
    if (!m_file.is_open()) {
        std::string strReason = errno != 0 ? std::strerror(errno) : "cannot be opened";
        throw CInternetException(CannotRead(strPath, strReason));
    }
}

std::size_t CLocalFile::Read(char* pBuffer, std::size_t nCount)
{
    if (!m_file.is_open() || nCount == 0)
        return 0;
    m_file.read(pBuffer, static_cast<std::streamsize>(nCount));
    std::size_t nRead = static_cast<std::size_t>(m_file.gcount());
    if (m_file.bad())
        throw CInternetException(CannotRead(m_strPath, "read error"));
    return nRead;
}

void CLocalFile::Close()
{
    m_file.close();
}
