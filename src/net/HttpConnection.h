#pragma once

#include <memory>
#include <string>

class CHttpFile;
class CTransferEngine;

/// Request verbs OpenRequest knows.
constexpr int HTTP_VERB_GET = 1;
constexpr int HTTP_VERB_HEAD = 2;

/// A server (host and port) that requests of one session go to. The
/// session's connection cache keeps the connection open between requests.
class CHttpConnection {
public:
    /// nPort 0 means the default HTTP port.
    CHttpConnection(std::shared_ptr<CTransferEngine> pEngine, std::string strServer, int nPort);

    /// A request for strObjectName on this server, not yet sent; null for
    /// an unknown verb or after Close.
    std::unique_ptr<CHttpFile> OpenRequest(int nVerb, const std::string& strObjectName) const;
    void Close();

private:
    std::shared_ptr<CTransferEngine> m_pEngine;
    std::string m_strServer;
    int m_nPort;
};
