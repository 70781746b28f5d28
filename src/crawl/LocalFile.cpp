#include "crawl/LocalFile.h"

#include "crawl/InternetException.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

CLocalFile::CLocalFile(const std::string& strPath)
    : m_strPath(strPath)
{
    std::error_code error;
    if (std::filesystem::is_directory(strPath, error))
        throw CInternetException("Cannot read " + strPath + ": it is a directory");
    errno = 0;
    m_file.open(strPath, std::ios::in | std::ios::binary);
    if (!m_file.is_open()) {
        std::string strReason = errno != 0 ? std::strerror(errno) : "cannot be opened";
        throw CInternetException("Cannot read " + strPath + ": " + strReason);
    }
}

std::size_t CLocalFile::Read(char* pBuffer, std::size_t nCount)
{
    if (!m_file.is_open() || nCount == 0)
        return 0;
    m_file.read(pBuffer, static_cast<std::streamsize>(nCount));
    std::size_t nRead = static_cast<std::size_t>(m_file.gcount());
    if (m_file.bad())
        throw CInternetException("Cannot read " + m_strPath + ": read error");
    return nRead;
}

void CLocalFile::Close()
{
    m_file.close();
}
