#pragma once

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>
#include <string>

/// A certificate and its private key, made at test time with OpenSSL: no
/// file is shipped and no tool is run. Move-only; frees both.
class CTlsIdentity {
public:
    /// A certificate authority's own certificate, signed by itself.
    /// Throws std::runtime_error, as every maker here does.
    static CTlsIdentity MakeAuthority(const std::string& strName);
    /// A server certificate for 127.0.0.1 and localhost, signed by pIssuer,
    /// or by itself when pIssuer is null: then no authority vouches for it.
    static CTlsIdentity MakeServer(const CTlsIdentity* pIssuer);

    X509* GetCertificate() const { return m_pCertificate.get(); }
    EVP_PKEY* GetKey() const { return m_pKey.get(); }
    /// Writes the certificate as PEM to strPath.
    void WriteCertificate(const std::string& strPath) const;

private:
    using CCertificatePtr = std::unique_ptr<X509, decltype(&X509_free)>;
    using CKeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;

    CTlsIdentity(CCertificatePtr pCertificate, CKeyPtr pKey);
    static CTlsIdentity Make(const std::string& strName, const CTlsIdentity* pIssuer, bool bAuthority);
    void AddExtension(const CTlsIdentity& issuer, int nId, const char* pszValue);

    CCertificatePtr m_pCertificate;
    CKeyPtr m_pKey;
};
