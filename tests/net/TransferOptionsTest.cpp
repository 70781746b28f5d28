// Transfer options against real servers on loopback: an HTTPS server whose
// certificate a test authority signed, one whose certificate nobody signed,
// and plain servers that redirect to it or show the request as sent.

#include "net/TransferOptions.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetSession.h"
#include "net/Transfer.h"
#include "net/TransferEngine.h"
#include "support/RawServer.h"
#include "support/TestAuthority.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using EHttpVersion = STransferOptions::EHttpVersion;

const std::string PAGE = "<p>secure</p>";
const std::string PAGE_TYPE = "text/html; charset=ISO-8859-1";
const std::string UNKNOWN_ISSUER = "SSL certificate problem: unable to get local issuer certificate";

struct SAnswer {
    std::string strFailure;
    int nCode = 0;
    std::string strFinalURL;
    std::string strContentType;
    std::vector<int> redirectCodes;
    std::string strBody;
};

SAnswer Fetch(CInternetSession& session, const std::string& strURL, bool bHeadOnly)
{
    SAnswer answer;
    try {
        CHttpFile file(session.GetTransferEngine(), strURL,
            bHeadOnly ? CTransferEngine::ERequest::HEAD : CTransferEngine::ERequest::GET);
        file.SendRequest();
        file.QueryInfoStatusCode(answer.nCode);
        file.QueryInfo(CHttpFile::EQuery::CONTENT_TYPE, answer.strContentType);
        answer.strFinalURL = file.GetFinalURL();
        answer.redirectCodes = file.GetRedirectCodes();
        char szBuffer[4096];
        std::size_t nRead = 0;
        while ((nRead = file.Read(szBuffer, sizeof(szBuffer))) > 0)
            answer.strBody.append(szBuffer, nRead);
    } catch (const CInternetException& e) {
        answer.strFailure = e.GetErrorMessage();
    }
    return answer;
}

// Drives the engine until every request sent ahead has ended; false when
// one has not after 10 seconds.
bool DriveUntilEnded(CTransferEngine& engine, const std::vector<std::uint64_t>& ids)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    auto allEnded = [&] {
        return std::all_of(
            ids.begin(), ids.end(), [&](std::uint64_t nId) { return engine.GetEndedTransfer(nId) != nullptr; });
    };
    while (!allEnded() && std::chrono::steady_clock::now() < deadline) {
        engine.Drive();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return allEnded();
}

// Sets an environment variable, or unsets it for nullopt, for one scope.
class CEnvironmentVariable {
public:
    CEnvironmentVariable(const char* pszName, const std::optional<std::string>& value)
        : m_pszName(pszName)
    {
        if (const char* pszOld = std::getenv(pszName))
            m_old = pszOld;
        Set(value);
    }
    ~CEnvironmentVariable() { Set(m_old); }
    CEnvironmentVariable(const CEnvironmentVariable&) = delete;
    CEnvironmentVariable& operator=(const CEnvironmentVariable&) = delete;

private:
    void Set(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(m_pszName, value->c_str(), 1);
        else
            ::unsetenv(m_pszName);
    }

    const char* m_pszName;
    std::optional<std::string> m_old;
};

// A test authority, an HTTPS server it vouches for, one nobody vouches for,
// and a plain server that redirects to the first: all serve PAGE at /page.
class TransferOptions : public ::testing::Test {
protected:
    TransferOptions()
        : m_trusted(m_authority.IssueServerIdentity())
        , m_selfSigned(CTlsIdentity::MakeServer(nullptr))
        , m_tlsServer(m_trusted)
        , m_untrustedServer(m_selfSigned)
    {
        for (CTestServer* pServer : {&m_tlsServer, &m_untrustedServer}) {
            pServer->AddRoutes(
                {{"/page", 200, PAGE_TYPE, PAGE, {}}, {"/moved", 308, "text/plain", "", {{"Location", "/page"}}}});
            pServer->Start();
        }
        m_plainServer.AddRoute({"/old", 301, "text/plain", "", {{"Location", m_tlsServer.GetURL("/moved")}}});
        m_plainServer.Start();
    }

    STransferOptions TrustingTheAuthority() const
    {
        STransferOptions options;
        options.strCABundle = m_authority.GetCAFile();
        return options;
    }

    CTestAuthority m_authority;
    CTlsIdentity m_trusted;
    CTlsIdentity m_selfSigned;
    CTestServer m_tlsServer;
    CTestServer m_untrustedServer;
    CTestServer m_plainServer;
};

} // namespace

TEST_F(TransferOptions, TheTrustedAuthoritiesDecideWhichServersAnswer)
{
    const std::string strCA = m_authority.GetCAFile();
    const std::string strMissing = m_authority.GetFolder() + "/missing.pem";
    struct SCase {
        const char* pszName;
        bool bSelfSigned;
        std::string strCABundle;
        bool bFromEnvironment;
        std::optional<std::string> environment;
        std::string strFailure;
    };
    const std::vector<SCase> cases = {
        {"the authority's file", false, strCA, false, std::nullopt, ""},
        {"the system's store", false, "", false, std::nullopt, UNKNOWN_ISSUER},
        {"a self-signed server", true, strCA, false, std::nullopt, "SSL certificate problem: self-signed certificate"},
        {"CURL_CA_BUNDLE when asked", false, "", true, strCA, ""},
        {"CURL_CA_BUNDLE when not asked", false, "", false, strCA, UNKNOWN_ISSUER},
        {"an empty CURL_CA_BUNDLE", false, "", true, std::string(), UNKNOWN_ISSUER},
        {"a given file before CURL_CA_BUNDLE", false, strCA, true, strMissing, ""},
        {"a file that is not there", false, strMissing, false, std::nullopt,
            "error setting certificate file: " + strMissing},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        CEnvironmentVariable bundle("CURL_CA_BUNDLE", c.environment);
        STransferOptions options;
        options.strCABundle = c.strCABundle;
        options.bCABundleFromEnvironment = c.bFromEnvironment;
        CInternetSession session;
        session.SetTransferOptions(options);
        const CTestServer& server = c.bSelfSigned ? m_untrustedServer : m_tlsServer;
        for (bool bHeadOnly : {true, false}) {
            SCOPED_TRACE(bHeadOnly ? "HEAD" : "GET");
            const SAnswer answer = Fetch(session, server.GetURL("/page"), bHeadOnly);
            EXPECT_EQ(answer.strFailure, c.strFailure);
            EXPECT_EQ(answer.nCode, c.strFailure.empty() ? 200 : 0);
            EXPECT_EQ(answer.strBody, c.strFailure.empty() && !bHeadOnly ? PAGE : "");
        }
    }
}

TEST_F(TransferOptions, RedirectsToHttpsGiveTheFinalURLAndEveryHop)
{
    CInternetSession session;
    session.SetTransferOptions(TrustingTheAuthority());
    for (bool bHeadOnly : {true, false}) {
        SCOPED_TRACE(bHeadOnly ? "HEAD" : "GET");
        const SAnswer answer = Fetch(session, m_plainServer.GetURL("/old"), bHeadOnly);
        EXPECT_EQ(answer.strFailure, "");
        EXPECT_EQ(answer.nCode, 200);
        EXPECT_EQ(answer.strFinalURL, m_tlsServer.GetURL("/page"));
        EXPECT_EQ(answer.strContentType, PAGE_TYPE);
        EXPECT_EQ(answer.redirectCodes, (std::vector<int> {301, 308}));
    }
    const SAnswer direct = Fetch(session, m_tlsServer.GetURL("/page"), true);
    EXPECT_EQ(direct.strFinalURL, m_tlsServer.GetURL("/page"));
    EXPECT_EQ(direct.redirectCodes, std::vector<int>());
}

TEST_F(TransferOptions, ARequestSentAheadTellsItsFinalURLAndContentType)
{
    CInternetSession session;
    session.SetTransferOptions(TrustingTheAuthority());
    std::shared_ptr<CTransferEngine> pEngine = session.GetTransferEngine();
    const std::uint64_t nId = pEngine->StartAhead(m_plainServer.GetURL("/old"), CTransferEngine::ERequest::GET);
    EXPECT_EQ(pEngine->GetEndedTransfer(nId), nullptr);
    ASSERT_TRUE(DriveUntilEnded(*pEngine, {nId}));
    const CTransfer* pEnded = pEngine->GetEndedTransfer(nId);
    EXPECT_EQ(pEnded->GetStatusCode(), 200);
    EXPECT_EQ(pEnded->GetFinalURL(), m_tlsServer.GetURL("/page"));
    EXPECT_EQ(pEnded->GetContentType(), PAGE_TYPE);
    EXPECT_EQ(*pEngine->GetEndedBody(nId), PAGE);
    pEngine->DropAhead(nId);
    EXPECT_EQ(pEngine->GetEndedTransfer(nId), nullptr);
}

// Requests sent together also show that waiting for a connection to learn
// whether it multiplexes does not hold them for ever when it does not.
TEST_F(TransferOptions, TheHttpVersionDecidesWhatTheHandshakeOffers)
{
    const std::vector<std::pair<EHttpVersion, std::string>> cases = {
        {EHttpVersion::LIBRARY_DEFAULT, "h2,http/1.1"},
        {EHttpVersion::HTTP2_MULTIPLEXED, "h2,http/1.1"},
        {EHttpVersion::HTTP1_1, "http/1.1"},
    };
    for (const auto& [eVersion, strOffered] : cases) {
        SCOPED_TRACE(strOffered);
        STransferOptions options = TrustingTheAuthority();
        options.eHttpVersion = eVersion;
        CInternetSession session;
        session.SetTransferOptions(options);
        std::shared_ptr<CTransferEngine> pEngine = session.GetTransferEngine();
        pEngine->SetConnectionLimits(2, 4);
        std::vector<std::uint64_t> ids;
        for (int n = 0; n < 6; ++n)
            ids.push_back(pEngine->StartAhead(
                m_tlsServer.GetURL("/page?n=" + std::to_string(n)), CTransferEngine::ERequest::HEAD));
        ASSERT_TRUE(DriveUntilEnded(*pEngine, ids));
        for (std::uint64_t nId : ids)
            EXPECT_EQ(pEngine->GetEndedTransfer(nId)->GetStatusCode(), 200);
        ASSERT_FALSE(m_tlsServer.GetOfferedProtocols().empty());
        EXPECT_EQ(m_tlsServer.GetOfferedProtocols().back(), strOffered);
    }
}

TEST(TransferOptionsOnTheWire, DefaultsSendTheRequestAsBeforeAndOptionsChangeOnlyTheirHeaders)
{
    std::mutex mutex;
    std::string strSeen;
    CRawServer server([&](const std::string& strRequest) {
        std::lock_guard<std::mutex> lock(mutex);
        strSeen = strRequest;
        return std::string("HTTP/1.1 200 OK\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    });
    const std::string strHost = "Host: 127.0.0.1:" + std::to_string(server.GetPort()) + "\r\n";
    STransferOptions modern;
    modern.bAskForCompression = true;
    modern.strUserAgent = "Lintrel/9.8.7";
    modern.eHttpVersion = EHttpVersion::HTTP1_1;
    const std::string strBefore = "HEAD /x HTTP/1.1\r\n" + strHost + "User-Agent: Lintrel\r\nAccept: */*\r\n\r\n";
    // No options set, the default options set, and those of another mode.
    const std::vector<std::tuple<const char*, std::optional<STransferOptions>, std::string>> cases = {
        {"none", std::nullopt, strBefore},
        {"defaults", STransferOptions(), strBefore},
        {"modern", modern,
            "HEAD /x HTTP/1.1\r\n" + strHost
                + "User-Agent: Lintrel/9.8.7\r\nAccept: */*\r\nAccept-Encoding: deflate, gzip, br, zstd\r\n\r\n"},
    };
    for (const auto& [pszName, options, strRequest] : cases) {
        SCOPED_TRACE(pszName);
        CInternetSession session;
        if (options)
            session.SetTransferOptions(*options);
        EXPECT_EQ(Fetch(session, server.GetURL("/x"), true).nCode, 200);
        std::lock_guard<std::mutex> lock(mutex);
        EXPECT_EQ(strSeen, strRequest);
    }
}
