#pragma once

#include "support/TlsIdentity.h"

#include <string>

/// A certificate authority made at test time. Its certificate is written as
/// PEM into a temporary folder of its own, for a client to trust; it issues
/// server certificates for 127.0.0.1. The destructor removes the folder.
class CTestAuthority {
public:
    /// Throws std::runtime_error.
    CTestAuthority();
    CTestAuthority(const CTestAuthority&) = delete;
    CTestAuthority& operator=(const CTestAuthority&) = delete;
    ~CTestAuthority();

    /// The PEM file of the authority's certificate.
    const std::string& GetCAFile() const { return m_strCAFile; }
    /// The temporary folder, for other files a test needs beside the CA.
    const std::string& GetFolder() const { return m_strFolder; }
    /// A new server certificate for 127.0.0.1 and localhost, signed by
    /// this authority.
    CTlsIdentity IssueServerIdentity() const;

private:
    CTlsIdentity m_authority;
    std::string m_strFolder;
    std::string m_strCAFile;
};
