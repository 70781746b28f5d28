#include "support/TestAuthority.h"

#include <filesystem>
#include <stdexcept>
#include <system_error>

#include <stdlib.h>

namespace {

std::string MakeFolder()
{
    std::string strTemplate = (std::filesystem::temp_directory_path() / "lintrel-tls-XXXXXX").string();
    if (!::mkdtemp(strTemplate.data()))
        throw std::runtime_error("test authority cannot make a folder in " + strTemplate);
    return strTemplate;
}

} // namespace

CTestAuthority::CTestAuthority()
    : m_authority(CTlsIdentity::MakeAuthority("Lintrel Test Authority"))
    , m_strFolder(MakeFolder())
    , m_strCAFile(m_strFolder + "/ca.pem")
{
    try {
        m_authority.WriteCertificate(m_strCAFile);
    } catch (...) {
        std::error_code error;
        std::filesystem::remove_all(m_strFolder, error);
        throw;
    }
}

CTestAuthority::~CTestAuthority()
{
    std::error_code error;
    std::filesystem::remove_all(m_strFolder, error);
}

CTlsIdentity CTestAuthority::IssueServerIdentity() const
{
    return CTlsIdentity::MakeServer(&m_authority);
}
