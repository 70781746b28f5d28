// Servers that misbehave on purpose: every case ends with a clear outcome
// within the session's time-outs, and the crawl goes on with the next link.

#include "crawl/CrawlRun.h"
#include "crawl/PageQueue.h"
#include "net/InternetException.h"
#include "net/InternetFile.h"
#include "net/InternetSession.h"
#include "net/TransferEngine.h"
#include "net/TransferError.h"
#include "report/ReportWriter.h"
#include "support/ScriptServer.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <unistd.h>

// Failures name their kind.
static void PrintTo(ETransferError eKind, std::ostream* pOut)
{
    static const char* const NAMES[] = {"NONE", "TIMEOUT", "CONNECTION", "EMPTY_REPLY", "HOST_NOT_FOUND", "TLS",
        "TOO_MANY_REDIRECTS", "UNSUPPORTED_SCHEME", "OTHER"};
    *pOut << NAMES[static_cast<int>(eKind)];
}

namespace {

using CConnection = CScriptServer::CConnection;
using CHandler = std::function<void(CConnection&)>;
using namespace std::chrono_literals;

// Short, so the time-out cases stay fast; long enough for a loaded machine.
constexpr unsigned long TIMEOUT_MS = 1000;
// One body byte this often, or one 4-byte header line half as often, is
// below the engine's rate floor yet never silent for a whole time-out.
constexpr auto DRIP_INTERVAL = 150ms;
constexpr auto DRIP_LINE_INTERVAL = 500ms;

const std::string SILENCE_MESSAGE = "Timed out: the server sent no data for 1 second";
const std::string TRICKLE_MESSAGE = "Timed out: the server sent less than 16 bytes a second for 1 second";

std::string Answer(const std::string& strStatusLine, const std::string& strBody = "")
{
    return strStatusLine + "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(strBody.size())
        + "\r\nConnection: close\r\n\r\n" + strBody;
}

std::string Redirect(const std::string& strLocation)
{
    return "HTTP/1.1 302 Found\r\nLocation: " + strLocation + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

CHandler Send(const std::string& strBytes)
{
    return [strBytes](CConnection& connection) { connection.Send(strBytes); };
}

CHandler Silent()
{
    return [](CConnection& connection) { connection.WaitForClose(); };
}

// Sends strHead, then strPiece every interval until the client leaves.
CHandler Drip(const std::string& strHead, const std::string& strPiece, std::chrono::milliseconds interval)
{
    return [strHead, strPiece, interval](CConnection& connection) {
        if (!connection.Send(strHead))
            return;
        while (connection.Pause(interval) && connection.Send(strPiece)) {}
    };
}

// Sends strHead, then strRepeat again and again as fast as the client reads.
CHandler Flood(const std::string& strHead, const std::string& strRepeat)
{
    return [strHead, strRepeat](CConnection& connection) {
        if (!connection.Send(strHead))
            return;
        while (connection.Send(strRepeat)) {}
    };
}

// Sends strHead, waits until it has surely arrived, then resets.
CHandler ResetAfter(const std::string& strHead)
{
    return [strHead](CConnection& connection) {
        connection.Send(strHead);
        connection.Pause(100ms);
        connection.Reset();
    };
}

// Routes by the request's path; any other path answers 200 with no body.
class CHostileSite {
public:
    explicit CHostileSite(std::map<std::string, CHandler> routes)
        : m_routes(std::move(routes))
        , m_server([this](CConnection& connection) { Serve(connection); })
    {
    }

    std::string GetURL(const std::string& strPath) const { return m_server.GetURL(strPath); }
    /// How many requests of strMethod for strPath arrived.
    int CountRequests(const std::string& strMethod, const std::string& strPath) const
    {
        int nCount = 0;
        for (const std::string& strLine : m_server.GetRequestLines())
            nCount += strLine.rfind(strMethod + " " + strPath + " ", 0) == 0 ? 1 : 0;
        return nCount;
    }

private:
    void Serve(CConnection& connection) const
    {
        const std::string& strRequest = connection.GetRequest();
        const std::size_t nPath = strRequest.find(' ') + 1;
        auto it = m_routes.find(strRequest.substr(nPath, strRequest.find(' ', nPath) - nPath));
        if (it != m_routes.end())
            it->second(connection);
        else
            connection.Send(Answer("HTTP/1.1 200 OK"));
    }

    const std::map<std::string, CHandler> m_routes;
    CScriptServer m_server;
};

std::string Anchors(const std::vector<std::string>& hrefs)
{
    std::string strPage;
    for (const std::string& strHref : hrefs)
        strPage += "<A HREF=\"" + strHref + "\">x</A>\n";
    return strPage;
}

const std::string HTML_HEAD = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: close\r\n";
const std::string FIRST_PART = Anchors({"a.html", "b.html"});
const std::vector<std::string> FIRST_PART_ROWS
    = {"http://127.0.0.1/a.html | 200 OK", "http://127.0.0.1/b.html | 200 OK"};

std::string Garbage(std::size_t nLength)
{
    std::string strGarbage(nLength, '\0');
    unsigned nSeed = 12345;
    for (char& ch : strGarbage) {
        nSeed = nSeed * 1103515245u + 12345u;
        ch = static_cast<char>(nSeed >> 16);
    }
    return strGarbage;
}

std::string Repeat(const std::string& strWord, int nTimes)
{
    std::string strText;
    strText.reserve(strWord.size() * static_cast<std::size_t>(nTimes));
    for (int i = 0; i < nTimes; ++i)
        strText += strWord;
    return strText;
}

// How a request of the session for strURL, read to its end, failed; NONE
// when it did not.
ETransferError FailureKind(const std::string& strURL)
{
    CInternetSession session;
    using EOption = CInternetSession::EOption;
    for (EOption eOption : {EOption::CONNECT_TIMEOUT, EOption::SEND_TIMEOUT, EOption::RECEIVE_TIMEOUT,
             EOption::DATA_SEND_TIMEOUT, EOption::DATA_RECEIVE_TIMEOUT})
        session.SetOption(eOption, TIMEOUT_MS);
    try {
        std::unique_ptr<CInternetFile> pFile = session.OpenURL(strURL);
        char szBuffer[4096];
        while (pFile->Read(szBuffer, sizeof(szBuffer)) > 0) {}
    } catch (const CInternetException& e) {
        return e.GetErrorKind();
    }
    return ETransferError::NONE;
}

struct CPageCase {
    const char* pszPath;
    CHandler fnHandler;
    std::vector<std::string> rows;
    std::string strErrorStart;
    // Set where libcurl words the start page's failure: the kind is asserted
    // instead of the words.
    std::optional<ETransferError> kind = std::nullopt;
};

void CrawlEachStartPage(const std::vector<CPageCase>& cases)
{
    std::map<std::string, CHandler> routes;
    for (const CPageCase& c : cases)
        routes[c.pszPath] = c.fnHandler;
    CHostileSite site(routes);
    for (const CPageCase& c : cases) {
        SCOPED_TRACE(c.pszPath);
        CCrawlRun run(true);
        run.crawler.SetTimeout(TIMEOUT_MS);
        run.Crawl(site.GetURL(c.pszPath));
        EXPECT_EQ(run.Rows(), c.rows);
        EXPECT_EQ(run.StartError().substr(0, c.strErrorStart.size()), c.strErrorStart) << run.StartError();
        EXPECT_EQ(run.StartError().empty(), c.strErrorStart.empty() && !c.kind) << run.StartError();
        if (c.kind) {
            EXPECT_EQ(FailureKind(site.GetURL(c.pszPath)), *c.kind);
        }
    }
}

// A broken answer to a check and how its row's status begins. Where libcurl
// words the failure, the row is asserted only as failed ("300 "), for its
// words change with libcurl's version, and the kind of failure the request
// reports is asserted instead.
struct SBrokenAnswer {
    const char* pszPath;
    CHandler fnHandler;
    std::string strStatusStart;
    std::optional<ETransferError> kind = std::nullopt;
};

void CheckBrokenAnswers()
{
    using E = ETransferError;
    const std::vector<SBrokenAnswer> cases = {
        {"/silent", Silent(), "300 " + SILENCE_MESSAGE},
        {"/drip-headers", Drip("HTTP/1.1 200 OK\r\n", "X:\r\n", DRIP_LINE_INTERVAL), "300 " + TRICKLE_MESSAGE},
        {"/endless-headers", Flood("HTTP/1.1 200 OK\r\n", "X-Filler: 0123456789\r\n"), "300 ", E::CONNECTION},
        {"/endless-line", Flood("HTTP/1.1 200 OK\r\nX-Long: ", "0123456789"),
            "300 The server sent a header line too long to read"},
        {"/bad-code", Send(Answer("HTTP/1.1 abc Broken")), "300 ", E::UNSUPPORTED_SCHEME},
        {"/big-code", Send(Answer("HTTP/1.1 2000 Big")), "300 ", E::UNSUPPORTED_SCHEME},
        {"/not-http", Send("FOO 200 OK\r\n\r\n"), "300 ", E::UNSUPPORTED_SCHEME},
        {"/garbage", Send(Garbage(4096)), "300 ", E::UNSUPPORTED_SCHEME},
        {"/reset", ResetAfter("HTTP/1.1 200 OK\r\nContent-Le"), "300 ", E::CONNECTION},
        {"/hang-up", [](CConnection&) {}, "300 ", E::EMPTY_REPLY},
        {"/loop", Send(Redirect("/loop")), "300 ", E::TOO_MANY_REDIRECTS},
        // Our own words for a scheme Lintrel does not follow.
        {"/to-file", Send(Redirect("file:///etc/passwd")),
            "300 Redirected to a URL of scheme \"file\"; Lintrel follows http and https only", E::UNSUPPORTED_SCHEME},
        {"/to-file-upper", Send(Redirect("FILE:///etc/passwd")),
            "300 Redirected to a URL of scheme \"file\"; Lintrel follows http and https only", E::UNSUPPORTED_SCHEME},
        {"/to-ftp", Send(Redirect("ftp://127.0.0.1/x")),
            "300 Redirected to a URL of scheme \"ftp\"; Lintrel follows http and https only", E::UNSUPPORTED_SCHEME},
        {"/to-gopher", Send(Redirect("gopher://127.0.0.1/x")),
            "300 Redirected to a URL of scheme \"gopher\"; Lintrel follows http and https only", E::UNSUPPORTED_SCHEME},
        {"/to-data", Send(Redirect("data:text/html,<A HREF=x>")), "300 ", E::UNSUPPORTED_SCHEME},
        {"/long-reason", Send(Answer("HTTP/1.1 404 " + std::string(10000, 'r'))), "404 " + std::string(10000, 'r')},
        {"/script-reason", Send(Answer("HTTP/1.1 404 <script>alert(1)</script>")), "404 <script>alert(1)</script>"},
    };
    std::map<std::string, CHandler> routes;
    std::vector<std::string> hrefs;
    for (const SBrokenAnswer& c : cases) {
        routes[c.pszPath] = c.fnHandler;
        hrefs.push_back(c.pszPath);
    }
    hrefs.push_back("last.html");
    routes["/index.html"] = Send(Answer("HTTP/1.1 200 OK", Anchors(hrefs)));
    CHostileSite site(routes);
    CCrawlRun run(false);
    run.crawler.SetTimeout(TIMEOUT_MS);
    run.Crawl(site.GetURL("/index.html"));
    const std::vector<std::string> rows = run.Rows();
    ASSERT_EQ(rows.size(), cases.size() + 1);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].pszPath);
        const std::string strStart
            = "http://127.0.0.1" + std::string(cases[i].pszPath) + " | " + cases[i].strStatusStart;
        EXPECT_EQ(rows[i].substr(0, strStart.size()), strStart) << rows[i].substr(0, 300);
        if (cases[i].kind) {
            EXPECT_EQ(FailureKind(site.GetURL(cases[i].pszPath)), *cases[i].kind);
        }
    }
    EXPECT_EQ(rows.back(), "http://127.0.0.1/last.html | 200 OK");
    EXPECT_EQ(site.CountRequests("HEAD", "/last.html"), 1);
}

// Ignores SIGPIPE for one test, as both programs do from their start.
class CSigpipeIgnored {
public:
    CSigpipeIgnored()
        : m_pfnOldHandler(std::signal(SIGPIPE, SIG_IGN))
    {
    }
    ~CSigpipeIgnored() { std::signal(SIGPIPE, m_pfnOldHandler); }
    CSigpipeIgnored(const CSigpipeIgnored&) = delete;
    CSigpipeIgnored& operator=(const CSigpipeIgnored&) = delete;

private:
    void (*m_pfnOldHandler)(int);
};

} // namespace

TEST(HostileServer, BrokenAnswersToChecksBecomeStatusesAndTheCrawlGoesOn)
{
    CheckBrokenAnswers();
}

// The session then runs libcurl without its own signal guard.
TEST(HostileServer, BrokenAnswersGiveTheSameStatusesWhenTheProgramIgnoresSigpipe)
{
    CSigpipeIgnored ignored;
    CheckBrokenAnswers();
}

TEST(HostileServer, PagesThatBreakOffKeepTheLinksOfWhatArrived)
{
    const std::string strChunked = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n\r\n";
    std::ostringstream chunk;
    chunk << std::hex << FIRST_PART.size() << "\r\n" << FIRST_PART << "\r\n0\r\n";
    CrawlEachStartPage({
        {"/endless", Flood(HTML_HEAD + "\r\n" + FIRST_PART, std::string(65535, 'x') + "\n"), FIRST_PART_ROWS, ""},
        // Regression: a body of zero bytes kept nothing, so the 64 MiB bound
        // never came and the page was read for ever.
        {"/endless-zeros", Flood(HTML_HEAD + "\r\n" + FIRST_PART, std::string(65536, '\0')), FIRST_PART_ROWS, ""},
        // Regression: the body was read for as long as a byte came every few
        // seconds, that is for ever.
        {"/drip", Drip(HTML_HEAD + "\r\n" + FIRST_PART, "x", DRIP_INTERVAL), FIRST_PART_ROWS, ""},
        {"/reset", ResetAfter(HTML_HEAD + "Content-Length: 100000\r\n\r\n" + FIRST_PART), FIRST_PART_ROWS, ""},
        {"/cut-short", Send(HTML_HEAD + "Content-Length: 100000\r\n\r\n" + FIRST_PART), FIRST_PART_ROWS, ""},
        // Regression: trailers after the last chunk were kept without limit,
        // filling memory while the page was read for ever.
        {"/endless-trailers", Flood(strChunked + chunk.str(), "X-Trailer: 0123456789\r\n"), FIRST_PART_ROWS, ""},
    });
}

TEST(HostileServer, StartPagesThatGiveNothingSayWhy)
{
    const std::filesystem::path secret = TempPath("lintrel-secret-", ".html");
    std::ofstream(secret) << Anchors({"http://127.0.0.1/secret.html"});
    using E = ETransferError;
    CrawlEachStartPage({
        {"/silent", Silent(), {}, SILENCE_MESSAGE},
        {"/drip-headers", Drip("HTTP/1.1 200 OK\r\n", "X:\r\n", DRIP_LINE_INTERVAL), {}, TRICKLE_MESSAGE},
        {"/endless-headers", Flood("HTTP/1.1 200 OK\r\n", "X-Filler: 0123456789\r\n"), {}, "", E::CONNECTION},
        {"/bad-status", Send(Answer("HTTP/1.1 abc Broken", FIRST_PART)), {}, "", E::UNSUPPORTED_SCHEME},
        {"/to-file", Send(Redirect("file://" + secret.string())), {},
            "Redirected to a URL of scheme \"file\"; Lintrel follows http and https only", E::UNSUPPORTED_SCHEME},
        // A web page never makes the crawl read a local file.
        {"/file-links", Send(Answer("HTTP/1.1 200 OK", Anchors({"file:///etc/passwd", "file://localhost/etc/passwd"}))),
            {}, ""},
        {"/garbage", Send(Answer("HTTP/1.1 200 OK", Garbage(1 << 20))), {}, ""},
        {"/empty", Send(Answer("HTTP/1.1 200 OK")), {}, ""},
        {"/million-a", Send(Answer("HTTP/1.1 200 OK", Repeat("<A ", 1000000))), {}, ""},
    });
    std::filesystem::remove(secret);
}

TEST(HostileServer, ReasonPhrasesAreKeptWholeAndTheReportEscapesThem)
{
    const std::string strLong(10000, 'r');
    const std::string strScript = "<script>alert(\"x\")</script> & <b>";
    CHostileSite site({
        {"/index.html", Send(Answer("HTTP/1.1 200 OK", Anchors({"long", "script"})))},
        {"/long", Send(Answer("HTTP/1.1 404 " + strLong))},
        {"/script", Send(Answer("HTTP/1.1 410 " + strScript))},
    });
    CCrawlRun run(false);
    run.crawler.SetTimeout(TIMEOUT_MS);
    run.Crawl(site.GetURL("/index.html"));
    const CLinkArray& links = *run.crawler.GetLinks();
    ASSERT_EQ(links.GetSize(), 2);
    EXPECT_EQ(links.GetAt(1)->GetStatusText(), strLong);
    EXPECT_EQ(links.GetAt(2)->GetStatusText(), strScript);
    std::ostringstream report;
    CReportWriter(links, CCrawlSummary(links)).Write(report);
    EXPECT_NE(report.str().find("<TD> " + strLong + " </TD>"), std::string::npos);
    EXPECT_NE(report.str().find("<TD> &lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt; &amp; &lt;b&gt; </TD>"),
        std::string::npos);
    EXPECT_EQ(report.str().find("<script>"), std::string::npos);
}

TEST(HostileServer, SilenceAndATrickleEachEndByTheReceiveTimeOut)
{
    CHostileSite site({
        {"/quiet",
            [](CConnection& connection) {
                connection.Send(HTML_HEAD + "\r\n" + FIRST_PART);
                connection.WaitForClose();
            }},
        {"/drip", Drip(HTML_HEAD + "\r\n" + FIRST_PART, "x", DRIP_INTERVAL)},
    });
    CInternetSession session;
    using EOption = CInternetSession::EOption;
    for (EOption eOption : {EOption::CONNECT_TIMEOUT, EOption::SEND_TIMEOUT, EOption::RECEIVE_TIMEOUT,
             EOption::DATA_SEND_TIMEOUT, EOption::DATA_RECEIVE_TIMEOUT})
        session.SetOption(eOption, 400);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"/quiet", "Timed out: the server sent no data for 400 milliseconds"},
        {"/drip", "Timed out: the server sent less than 16 bytes a second for 400 milliseconds"},
    };
    for (const auto& [pszPath, strMessage] : cases) {
        SCOPED_TRACE(pszPath);
        std::unique_ptr<CInternetFile> pFile = session.OpenURL(site.GetURL(pszPath));
        char szBuffer[255];
        std::string strBody;
        const auto start = std::chrono::steady_clock::now();
        try {
            std::size_t nRead = 0;
            while ((nRead = pFile->Read(szBuffer, sizeof(szBuffer))) > 0)
                strBody.append(szBuffer, nRead);
            ADD_FAILURE() << "ended without a failure";
        } catch (const CInternetException& e) {
            EXPECT_EQ(e.GetErrorMessage(), strMessage);
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(strBody.substr(0, FIRST_PART.size()), FIRST_PART);
        // Silence is timed from the last byte, the rate from the connection
        // on; both have the first part in hand at once.
        EXPECT_GE(elapsed, 350ms);
        EXPECT_LT(elapsed, 3s);
    }
}

TEST(HostileServer, AStalledTlsHandshakeEndsByTheConnectTimeOut)
{
    const std::vector<std::pair<const char*, CHandler>> cases = {
        {"silent", Silent()},
        // A record header promising 16 KiB of handshake, then a byte at a time.
        {"drip", Drip(std::string("\x16\x03\x03\x40\x00", 5), "\x02", DRIP_INTERVAL)},
    };
    for (const auto& [pszName, handler] : cases) {
        SCOPED_TRACE(pszName);
        CScriptServer server(handler, CScriptServer::EStart::ON_CONNECT);
        CInternetSession session;
        // The other time-outs stay at 10 seconds: only this one may end it.
        session.SetOption(CInternetSession::EOption::CONNECT_TIMEOUT, 500);
        const auto start = std::chrono::steady_clock::now();
        try {
            session.OpenURL("https://127.0.0.1:" + std::to_string(server.GetPort()) + "/");
            ADD_FAILURE() << "the handshake ended";
        } catch (const CInternetException& e) {
            EXPECT_EQ(e.GetErrorKind(), ETransferError::TIMEOUT) << e.GetErrorMessage();
        }
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_GE(elapsed, 450ms);
        EXPECT_LT(elapsed, 3s);
    }
}
