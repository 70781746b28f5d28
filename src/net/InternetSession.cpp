#include "net/InternetSession.h"

#include "net/HttpConnection.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/LocalFile.h"
#include "net/TransferEngine.h"

#include <algorithm>
#include <climits>

namespace {

const std::string FILE_PREFIX = "file://";

long ToMilliseconds(unsigned long nValue)
{
    return static_cast<long>(std::min<unsigned long>(nValue, LONG_MAX));
}

} // namespace

bool CInternetSession::StartNetwork()
{
    try {
        CTransferEngine::StartLibrary();
        return true;
    } catch (const CInternetException&) {
        return false;
    }
}

CInternetSession::CInternetSession()
    : m_pEngine(std::make_shared<CTransferEngine>())
{
}

CInternetSession::~CInternetSession() = default;

bool CInternetSession::SetOption(EOption eOption, unsigned long nMilliseconds)
{
    if (!m_pEngine)
        return false;
    if (eOption == EOption::CONNECT_TIMEOUT) {
        m_pEngine->SetConnectTimeout(ToMilliseconds(nMilliseconds));
        return true;
    }
    // The four stall time-outs follow the connect one in EOption.
    m_stallTimeouts[static_cast<std::size_t>(eOption) - 1] = nMilliseconds;
    m_pEngine->SetStallTimeout(ToMilliseconds(*std::max_element(m_stallTimeouts.begin(), m_stallTimeouts.end())));
    return true;
}

void CInternetSession::SetTransferOptions(const STransferOptions& options)
{
    if (m_pEngine)
        m_pEngine->SetTransferOptions(options);
}

void CInternetSession::SetPumpCallback(std::function<void()> pump)
{
    if (m_pEngine)
        m_pEngine->SetPumpCallback(std::move(pump));
}

std::unique_ptr<CInternetFile> CInternetSession::OpenURL(
    const std::string& strURL, const std::vector<std::string>& headers)
{
    std::shared_ptr<CTransferEngine> pEngine = GetEngine();
    if (strURL.compare(0, FILE_PREFIX.size(), FILE_PREFIX) == 0)
        return std::make_unique<CLocalFile>(strURL.substr(FILE_PREFIX.size()));
    auto pFile = std::make_unique<CHttpFile>(pEngine, strURL, CTransferEngine::ERequest::GET, headers);
    pFile->SendRequest();
    return pFile;
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& strServer, int nPort)
{
    return std::make_unique<CHttpConnection>(GetEngine(), strServer, nPort);
}

void CInternetSession::Close()
{
    m_pEngine.reset();
}

std::shared_ptr<CTransferEngine> CInternetSession::GetEngine() const
{
    if (!m_pEngine)
        throw CInternetException("The internet session is closed");
    return m_pEngine;
}
