#pragma once

#include "net/InternetFile.h"

#include <fstream>
#include <string>

/// A local file read byte for byte, named exactly as written.
class CLocalFile : public CInternetFile {
public:
    /// Opens strPath for reading; throws CInternetException (with the
    /// system's reason) when it is missing, unreadable or a directory.
    explicit CLocalFile(const std::string& strPath);

    std::size_t Read(char* pBuffer, std::size_t nCount) override;
    void Close() override;

private:
    std::string m_strPath;
    std::ifstream m_file;
};
