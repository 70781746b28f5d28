#pragma once

#include <memory>
#include <string>

class CHttpFile;
class CTransferEngine;

/// A server (host and port) that requests of one session go to. The
/// session's connection cache keeps the connection open between requests.
class CHttpConnection {
public:
    /// The request verbs OpenRequest knows.
    enum class EVerb { GET, HEAD };

    /// nPort 0 means the default HTTP port.
    CHttpConnection(std::shared_ptr<CTransferEngine> pEngine, std::string strServer, int nPort);

    /// A request for strObjectName on this server, not yet sent; null after
    /// Close.
    std::unique_ptr<CHttpFile> OpenRequest(EVerb eVerb, const std::string& strObjectName) const;
    void Close();

private:
    std::shared_ptr<CTransferEngine> m_pEngine;
    std::string m_strServer;
    int m_nPort;
};
