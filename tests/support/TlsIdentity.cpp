#include "support/TlsIdentity.h"

#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <atomic>
#include <stdexcept>

namespace {

constexpr long ONE_HOUR = 3600;
constexpr long ONE_DAY = 24 * ONE_HOUR;

// Two certificates of one issuer must never share a serial number.
long NextSerial()
{
    static std::atomic<long> s_nSerial {1};
    return s_nSerial++;
}

void Check(bool bDone, const char* pszWhat)
{
    if (!bDone)
        throw std::runtime_error(std::string("test certificate: cannot ") + pszWhat);
}

} // namespace

CTlsIdentity::CTlsIdentity(CCertificatePtr pCertificate, CKeyPtr pKey)
    : m_pCertificate(std::move(pCertificate))
    , m_pKey(std::move(pKey))
{
}

CTlsIdentity CTlsIdentity::MakeAuthority(const std::string& strName)
{
    return Make(strName, nullptr, true);
}

CTlsIdentity CTlsIdentity::MakeServer(const CTlsIdentity* pIssuer)
{
    return Make("127.0.0.1", pIssuer, false);
}

// Elliptic-curve keys: an RSA key takes long to make under the sanitizers.
CTlsIdentity CTlsIdentity::Make(const std::string& strName, const CTlsIdentity* pIssuer, bool bAuthority)
{
    CTlsIdentity identity(CCertificatePtr(X509_new(), &X509_free),
        CKeyPtr(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"), &EVP_PKEY_free));
    X509* pCertificate = identity.GetCertificate();
    Check(pCertificate && identity.GetKey(), "make a key");
    const CTlsIdentity& issuer = pIssuer ? *pIssuer : identity;
    X509_NAME* pName = X509_get_subject_name(pCertificate);
    Check(X509_set_version(pCertificate, X509_VERSION_3) == 1
            && ASN1_INTEGER_set(X509_get_serialNumber(pCertificate), NextSerial()) == 1
            && X509_gmtime_adj(X509_getm_notBefore(pCertificate), -ONE_HOUR)
            && X509_gmtime_adj(X509_getm_notAfter(pCertificate), ONE_DAY)
            && X509_NAME_add_entry_by_txt(
                   pName, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(strName.c_str()), -1, -1, 0)
                == 1
            && X509_set_issuer_name(pCertificate, X509_get_subject_name(issuer.GetCertificate())) == 1
            && X509_set_pubkey(pCertificate, identity.GetKey()) == 1,
        "fill a certificate");
    identity.AddExtension(issuer, NID_subject_key_identifier, "hash");
    if (bAuthority) {
        identity.AddExtension(issuer, NID_basic_constraints, "critical,CA:TRUE");
        identity.AddExtension(issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        identity.AddExtension(issuer, NID_basic_constraints, "critical,CA:FALSE");
        identity.AddExtension(issuer, NID_key_usage, "critical,digitalSignature");
        identity.AddExtension(issuer, NID_ext_key_usage, "serverAuth");
        identity.AddExtension(issuer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    }
    if (pIssuer)
        identity.AddExtension(issuer, NID_authority_key_identifier, "keyid:always");
    Check(X509_sign(pCertificate, issuer.GetKey(), EVP_sha256()) > 0, "sign a certificate");
    return identity;
}

void CTlsIdentity::AddExtension(const CTlsIdentity& issuer, int nId, const char* pszValue)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer.GetCertificate(), GetCertificate(), nullptr, nullptr, 0);
    X509_EXTENSION* pExtension = X509V3_EXT_conf_nid(nullptr, &context, nId, pszValue);
    Check(pExtension != nullptr, pszValue);
    const int nAdded = X509_add_ext(GetCertificate(), pExtension, -1);
    X509_EXTENSION_free(pExtension);
    Check(nAdded == 1, pszValue);
}

void CTlsIdentity::WriteCertificate(const std::string& strPath) const
{
    BIO* pFile = BIO_new_file(strPath.c_str(), "w");
    Check(pFile != nullptr, "open the certificate file");
    const int nWritten = PEM_write_bio_X509(pFile, GetCertificate());
    BIO_free(pFile);
    Check(nWritten == 1, "write the certificate file");
}
