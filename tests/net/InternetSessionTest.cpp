#include "net/InternetSession.h"
#include "net/HttpConnection.h"
#include "net/HttpFile.h"
#include "net/InternetException.h"
#include "net/InternetFile.h"
#include "support/LoopbackSocket.h"
#include "support/RawServer.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

struct CHeadResult {
    bool bHasCode = false;
    int nCode = 0;
    std::string strReason;
    std::string strHeaders;
};

CHeadResult Head(CInternetSession& session, const std::string& strHost, int nPort, const std::string& strObject)
{
    std::unique_ptr<CHttpConnection> pConnection = session.GetHttpConnection(strHost, nPort);
    std::unique_ptr<CHttpFile> pFile = pConnection->OpenRequest(CHttpConnection::EVerb::HEAD, strObject);
    EXPECT_TRUE(pFile->SendRequest());
    CHeadResult result;
    result.bHasCode = pFile->QueryInfoStatusCode(result.nCode);
    pFile->QueryInfo(CHttpFile::EQuery::STATUS_TEXT, result.strReason);
    pFile->QueryInfo(CHttpFile::EQuery::RAW_HEADERS_CRLF, result.strHeaders);
    return result;
}

// The message of the CInternetException the request throws; empty if none.
std::string HeadFailure(CInternetSession& session, const std::string& strHost, int nPort, const std::string& strObject)
{
    try {
        Head(session, strHost, nPort, strObject);
    } catch (const CInternetException& e) {
        return e.GetErrorMessage();
    }
    return std::string();
}

std::string ReadAll(CInternetFile& file)
{
    std::string strText;
    char szBuffer[255];
    std::size_t nRead = 0;
    while ((nRead = file.Read(szBuffer, sizeof(szBuffer))) > 0)
        strText.append(szBuffer, nRead);
    return strText;
}

std::string EmptyAnswer(const std::string& strStatusLine)
{
    return strStatusLine + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

// A loopback port on which nothing listens: bound, never listening.
class CClosedPort {
public:
    CClosedPort()
        : m_nSocket(BindLoopback("127.0.0.1", 0, m_nPort))
    {
    }
    ~CClosedPort() { ::close(m_nSocket); }
    int GetPort() const { return m_nPort; }

private:
    // The port first: the socket's initialiser sets it.
    int m_nPort = 0;
    int m_nSocket = -1;
};

} // namespace

TEST(InternetSession, StatusLineGivesCodeReasonPhraseAndHeaderBlock)
{
    struct Case {
        const char* pszStatusLine;
        int nCode;
        const char* pszReason;
    };
    const std::vector<Case> cases = {
        {"HTTP/1.1 200 OK", 200, "OK"},
        {"HTTP/1.1 404 Not Found", 404, "Not Found"},
        {"HTTP/1.0 503 Service  Unavailable", 503, "Service  Unavailable"},
        {"HTTP/1.1 200", 200, ""},
        {"HTTP/1.1 299 Whatever it is", 299, "Whatever it is"},
        {"HTTP/1.1 410 <b>Gone</b> & \"done\"", 410, "<b>Gone</b> & \"done\""},
    };
    CRawServer server([&cases](const std::string& strRequest) {
        // "HEAD /N HTTP/1.1": case N answers.
        return EmptyAnswer(cases.at(std::stoul(strRequest.substr(6))).pszStatusLine);
    });
    CInternetSession session;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].pszStatusLine);
        CHeadResult result = Head(session, "127.0.0.1", server.GetPort(), "/" + std::to_string(i));
        EXPECT_TRUE(result.bHasCode);
        EXPECT_EQ(result.nCode, cases[i].nCode);
        EXPECT_EQ(result.strReason, cases[i].pszReason);
        EXPECT_EQ(result.strHeaders.rfind(std::string(cases[i].pszStatusLine) + "\r\n", 0), 0u);
        EXPECT_NE(result.strHeaders.find("\r\nContent-Length: 0\r\n"), std::string::npos);
    }
}

TEST(InternetSession, HeaderLinesEndedByLineFeedAloneEndInCrLf)
{
    CRawServer server([](const std::string&) {
        return std::string("HTTP/1.1 200 OK\nContent-Type: text/html\nContent-Length: 0\nConnection: close\n\n");
    });
    CInternetSession session;
    CHeadResult result = Head(session, "127.0.0.1", server.GetPort(), "/");
    EXPECT_EQ(result.strHeaders.substr(0, 42), "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n");
    EXPECT_EQ(result.strHeaders.find("\n\n"), std::string::npos);
}

TEST(InternetSession, ReasonPhraseParsing)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"HTTP/1.1 404 Not Found", "Not Found"},
        {"HTTP/2 200", ""},
        {"HTTP/1.1 200 ", ""},
        {"HTTP/1.1 301 Moved  Permanently ", "Moved  Permanently "},
        {"", ""},
        {"garbage", ""},
    };
    for (const auto& [strLine, strReason] : cases) {
        SCOPED_TRACE(strLine);
        EXPECT_EQ(CHttpFile::ParseReasonPhrase(strLine), strReason);
    }
}

TEST(InternetSession, StandardReasonPhrasesStandInForMissingOnes)
{
    const std::vector<std::pair<int, std::string>> cases = {
        {100, "Continue"},
        {200, "OK"},
        {308, "Permanent Redirect"},
        {404, "Not Found"},
        {413, "Content Too Large"},
        {511, "Network Authentication Required"},
        {299, ""},
        {306, ""},
        {0, ""},
        {-1, ""},
        {999, ""},
    };
    for (const auto& [nCode, strPhrase] : cases) {
        SCOPED_TRACE(nCode);
        EXPECT_EQ(CHttpFile::GetStandardReasonPhrase(nCode), strPhrase);
    }
}

TEST(InternetSession, RedirectsAreFollowedAndTheFinalResponseIsRead)
{
    CTestServer server;
    server.AddRoutes({{"/old", 301, "text/plain", "", {{"Location", "/mid"}}},
        {"/mid", 302, "text/plain", "", {{"Location", "/new"}}}, {"/new", 200, "text/html", "<p>new</p>", {}}});
    server.Start();
    CInternetSession session;
    CHeadResult result = Head(session, "127.0.0.1", server.GetPort(), "/old");
    EXPECT_EQ(result.nCode, 200);
    EXPECT_EQ(result.strReason, "OK");
    EXPECT_NE(result.strHeaders.find("text/html"), std::string::npos);
    EXPECT_EQ(result.strHeaders.find("Location"), std::string::npos);
    EXPECT_EQ(server.GetRequests(), (std::vector<std::string> {"HEAD /old", "HEAD /mid", "HEAD /new"}));
}

TEST(InternetSession, RedirectLoopsAndRedirectsToOtherSchemesFail)
{
    CTestServer server;
    server.AddRoutes({{"/loop", 302, "text/plain", "", {{"Location", "/loop"}}},
        {"/ftp", 302, "text/plain", "", {{"Location", "ftp://127.0.0.1/file"}}}});
    server.Start();
    CInternetSession session;
    EXPECT_NE(HeadFailure(session, "127.0.0.1", server.GetPort(), "/loop").find("redirect"), std::string::npos);
    EXPECT_EQ(server.CountRequests("HEAD", "/loop"), 1 + 10);
    EXPECT_NE(HeadFailure(session, "127.0.0.1", server.GetPort(), "/ftp"), "");
    EXPECT_EQ(server.CountRequests("HEAD", "/ftp"), 1);
}

TEST(InternetSession, UnreachableServersFailWithReadableMessages)
{
    CInternetSession session;
    EXPECT_EQ(HeadFailure(session, "nohost.invalid", 0, "/"), "Could not resolve host: nohost.invalid");
    CClosedPort closed;
    std::string strRefused = HeadFailure(session, "127.0.0.1", closed.GetPort(), "/");
    EXPECT_NE(strRefused.find("127.0.0.1"), std::string::npos) << strRefused;
    EXPECT_LE(strRefused.size(), CInternetException::MAX_MESSAGE);
}

TEST(InternetSession, SilentServerTimesOutWhileThePumpKeepsRunning)
{
    CRawServer server([](const std::string&) { return std::string(); });
    CInternetSession session;
    using EOption = CInternetSession::EOption;
    for (EOption eOption : {EOption::CONNECT_TIMEOUT, EOption::SEND_TIMEOUT, EOption::RECEIVE_TIMEOUT,
             EOption::DATA_SEND_TIMEOUT, EOption::DATA_RECEIVE_TIMEOUT})
        EXPECT_TRUE(session.SetOption(eOption, 300));
    int nPumps = 0;
    session.SetPumpCallback([&nPumps] { ++nPumps; });
    const auto start = std::chrono::steady_clock::now();
    const std::string strMessage = HeadFailure(session, "127.0.0.1", server.GetPort(), "/");
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(strMessage, "Timed out: the server sent no data for 300 milliseconds");
    EXPECT_GE(elapsed, std::chrono::milliseconds(300));
    EXPECT_LT(elapsed, std::chrono::seconds(5));
    // One pump per 50 ms slice, give or take scheduling.
    EXPECT_GE(nPumps, 3);
}

TEST(InternetSession, OneConnectionServesConsecutiveRequests)
{
    CTestServer server;
    std::mutex mutex;
    std::vector<int> ports;
    server.GetServer().Get("/page", [&](const httplib::Request& request, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex);
        ports.push_back(request.remote_port);
        response.set_content("<A HREF=\"x.html\">", "text/html");
    });
    server.Start();
    CInternetSession session;
    EXPECT_EQ(Head(session, "127.0.0.1", server.GetPort(), "/page").nCode, 200);
    // A GET after a HEAD on a reused handle must carry the body again.
    std::unique_ptr<CInternetFile> pFile = session.OpenURL(server.GetURL("/page"));
    EXPECT_EQ(ReadAll(*pFile), "<A HREF=\"x.html\">");
    pFile->Close();
    EXPECT_EQ(Head(session, "127.0.0.1", server.GetPort(), "/page").nCode, 200);
    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[1], ports[0]);
    EXPECT_EQ(ports[2], ports[0]);
}

TEST(InternetSession, RequestGoesToTheGivenPortWithTheObjectNameAsWritten)
{
    std::mutex mutex;
    std::string strSeen;
    CRawServer server([&](const std::string& strRequest) {
        std::lock_guard<std::mutex> lock(mutex);
        strSeen = strRequest;
        return EmptyAnswer("HTTP/1.1 200 OK");
    });
    CInternetSession session;
    Head(session, "127.0.0.1", server.GetPort(), "/a/../b%20c/?x=1&y=$");
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(strSeen.rfind("HEAD /a/../b%20c/?x=1&y=$ HTTP/1.1\r\n", 0), 0u) << strSeen;
    EXPECT_NE(strSeen.find("Host: 127.0.0.1:" + std::to_string(server.GetPort())), std::string::npos);
}

TEST(InternetSession, ProxyComesFromTheEnvironment)
{
    std::mutex mutex;
    std::string strSeen;
    CRawServer proxy([&](const std::string& strRequest) {
        std::lock_guard<std::mutex> lock(mutex);
        strSeen = strRequest;
        return EmptyAnswer("HTTP/1.1 204 From Proxy");
    });
    // Every test runs with proxies bypassed; this one needs them back.
    const std::string strNoProxy = ::getenv("no_proxy") ? ::getenv("no_proxy") : "";
    const std::string strNoProxyUpper = ::getenv("NO_PROXY") ? ::getenv("NO_PROXY") : "";
    ::unsetenv("no_proxy");
    ::unsetenv("NO_PROXY");
    ::setenv("http_proxy", proxy.GetURL("").c_str(), 1);
    CInternetSession session;
    CHeadResult result = Head(session, "nohost.invalid", 0, "/x");
    ::unsetenv("http_proxy");
    ::setenv("no_proxy", strNoProxy.c_str(), 1);
    ::setenv("NO_PROXY", strNoProxyUpper.c_str(), 1);
    EXPECT_EQ(result.nCode, 204);
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_EQ(strSeen.rfind("HEAD http://nohost.invalid/x HTTP/1.1\r\n", 0), 0u) << strSeen;
}

TEST(InternetSession, LocalFilesAreReadByTheNameAsWritten)
{
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("lintrel-session-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::filesystem::path file = dir / "my page #1%20.html";
    std::ofstream(file, std::ios::binary) << "<A HREF=\"x.html\">\n";
    CInternetSession session;
    std::unique_ptr<CInternetFile> pFile = session.OpenURL("file://" + file.string());
    EXPECT_EQ(ReadAll(*pFile), "<A HREF=\"x.html\">\n");

    const std::vector<std::pair<std::string, std::string>> failures = {
        {(dir / "missing.html").string(),
            "Cannot read " + (dir / "missing.html").string() + ": No such file or directory"},
        {dir.string(), "Cannot read " + dir.string() + ": it is a directory"},
    };
    for (const auto& [strPath, strMessage] : failures) {
        SCOPED_TRACE(strPath);
        try {
            session.OpenURL("file://" + strPath);
            ADD_FAILURE() << "opened";
        } catch (const CInternetException& e) {
            EXPECT_EQ(e.GetErrorMessage(), strMessage);
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(InternetSession, ClosedSessionRefusesRequests)
{
    CInternetSession session;
    session.Close();
    EXPECT_THROW(session.OpenURL("http://127.0.0.1/"), CInternetException);
    EXPECT_THROW(session.GetHttpConnection("127.0.0.1"), CInternetException);
}

TEST(InternetSession, LongMessagesAreCutTo254Characters)
{
    CInternetException e(std::string(400, 'x'));
    EXPECT_EQ(e.GetErrorMessage(), std::string(254, 'x'));
}
