// lintrel-cli --modern against servers that refuse HEAD, throttle, fail for
// a while or for good: the verdict of each link, the waits the servers saw,
// and the exit status with and without --strict.
#include "cli/CliResult.h"
#include "support/LoopbackSocket.h"
#include "support/ScriptServer.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

using json = nlohmann::json;
using namespace std::chrono_literals;

// A server whose answers depend on the method and on how often a path was asked.
class CVerdictServer {
public:
    CVerdictServer()
    {
        httplib::Server& server = m_server.GetServer();
        server.Get(".*", [this](const httplib::Request& request, httplib::Response& response) {
            Answer(request.method == "HEAD", request.path, response);
        });
        m_server.Start();
    }

    std::string GetURL(const std::string& strPath) const { return m_server.GetURL(strPath); }
    const CTestServer& GetServer() const { return m_server; }

private:
    void Answer(bool bHead, const std::string& strPath, httplib::Response& response)
    {
        int nAsked = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            nAsked = ++m_asked[strPath];
        }
        const bool bFirst = nAsked == 1;
        int nStatus = 200;
        if (strPath == "/head405.html")
            nStatus = bHead ? 405 : 200;
        else if (strPath == "/head403.html")
            nStatus = bHead ? 403 : 200;
        else if (strPath == "/forbidden.html")
            nStatus = 403;
        else if (strPath == "/gone.html")
            nStatus = 404;
        else if (strPath == "/flaky.html")
            nStatus = nAsked <= 2 ? 503 : 200;
        else if (strPath == "/down.html")
            nStatus = 503;
        else if (strPath == "/notmod.html")
            nStatus = 304;
        else if (strPath == "/wall999.html")
            nStatus = 999;
        else if (strPath == "/challenge403.html" || strPath == "/challenge503.html") {
            nStatus = strPath == "/challenge403.html" ? 403 : 503;
            response.set_header("cf-mitigated", "challenge");
            response.set_header("Retry-After", "1");
        } else if (strPath == "/throttled.html" || strPath == "/dated.html" || strPath == "/toolong.html")
            nStatus = bFirst || strPath == "/toolong.html" ? 429 : 200;
        if (nStatus == 429)
            response.set_header("Retry-After", RetryAfter(strPath));
        Redirect(strPath, nStatus, response);
        response.status = nStatus;
        if (nStatus == 200 && strPath != "/index.html")
            response.set_content("", "text/plain");
        else if (strPath == "/index.html")
            response.set_content(m_strPage, "text/html");
    }

    static std::string RetryAfter(const std::string& strPath)
    {
        if (strPath == "/toolong.html")
            return "99999999999999999999999999";
        if (strPath == "/throttled.html")
            return "1";
        char szDate[64];
        const std::time_t when = std::time(nullptr) + 2;
        std::tm tmWhen {};
        gmtime_r(&when, &tmWhen);
        std::strftime(szDate, sizeof szDate, "%a, %d %b %Y %H:%M:%S GMT", &tmWhen);
        return szDate;
    }

    static void Redirect(const std::string& strPath, int& nStatus, httplib::Response& response)
    {
        static const std::map<std::string, std::pair<int, std::string>> HOPS = {{"/r301.html", {301, "/r308.html"}},
            {"/r308.html", {308, "/final.html"}}, {"/r302.html", {302, "/final.html"}}};
        const auto it = HOPS.find(strPath);
        if (it == HOPS.end())
            return;
        nStatus = it->second.first;
        response.set_header("Location", it->second.second);
    }

public:
    std::string m_strPage;

private:
    CTestServer m_server;
    std::mutex m_mutex;
    std::map<std::string, int> m_asked;
};

std::string Page(const std::vector<std::string>& links)
{
    std::string strPage = "<!DOCTYPE html>\n";
    for (const std::string& strLink : links)
        strPage += "<a href=\"" + strLink + "\">x</a>\n";
    return strPage;
}

// "link verdict [final_url permanent]" per row, the origin written HOST.
std::vector<std::string> Verdicts(const json& document, const std::string& strOrigin)
{
    auto Short = [&](std::string str) {
        for (std::size_t nAt; (nAt = str.find(strOrigin)) != std::string::npos;)
            str.replace(nAt, strOrigin.size(), "HOST");
        return str;
    };
    std::vector<std::string> rows;
    for (const json& row : document["rows"]) {
        std::string strRow = Short(row["link"].get<std::string>()) + " " + row["verdict"].get<std::string>();
        if (row.contains("final_url"))
            strRow += " " + Short(row["final_url"].get<std::string>())
                + (row["permanent"].get<bool>() ? " permanent" : "");
        rows.push_back(strRow);
    }
    return rows;
}

long MillisecondsBetween(const std::vector<std::chrono::steady_clock::time_point>& times, std::size_t nFirst)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(times.at(nFirst + 1) - times.at(nFirst)).count());
}

const std::vector<std::string> SITE_LINKS = {"head405.html", "head403.html", "forbidden.html", "gone.html",
    "flaky.html", "throttled.html", "toolong.html", "r301.html", "r302.html", "notmod.html"};

} // namespace

TEST(CliVerdict, EachServerBehaviourGetsItsVerdictAloneOrInParallel)
{
    const std::vector<std::string> expected = {"HOST/head405.html ok", "HOST/head403.html ok",
        "HOST/forbidden.html blocked", "HOST/gone.html broken", "HOST/flaky.html ok", "HOST/throttled.html ok",
        "HOST/toolong.html blocked", "HOST/r301.html ok HOST/final.html permanent", "HOST/r302.html ok HOST/final.html",
        "HOST/notmod.html broken"};
    for (const char* pszJobs : {"1", "16"}) {
        SCOPED_TRACE(pszJobs);
        CVerdictServer server;
        server.m_strPage = Page(SITE_LINKS);
        const CCliResult result = RunCommand({"-m", "--json", "--jobs", pszJobs, server.GetURL("/index.html")});
        EXPECT_EQ(result.nExit, 1) << result.strErr;
        const json document = json::parse(result.strOut);
        EXPECT_EQ(Verdicts(document, server.GetURL("")), expected);
        EXPECT_EQ(document["summary"]["verdicts"], json::parse(R"({"ok":6,"broken":2,"blocked":2,"transient":0})"));
        EXPECT_EQ(document["summary"]["good"], 6);
        EXPECT_EQ(document["summary"]["bad"], 4);
        const CTestServer& log = server.GetServer();
        // One GET after a refused HEAD, none after a 404; the answer beyond the cap is not waited for.
        EXPECT_EQ(log.CountRequests("GET", "/head405.html"), 1);
        EXPECT_EQ(log.CountRequests("HEAD", "/gone.html") + log.CountRequests("GET", "/gone.html"), 1);
        EXPECT_EQ(log.CountRequests("HEAD", "/toolong.html") + log.CountRequests("GET", "/toolong.html"), 1);
        EXPECT_EQ(log.CountRequests("HEAD", "/flaky.html"), 3);
        const auto throttled = log.GetRequestTimes("HEAD", "/throttled.html");
        ASSERT_EQ(throttled.size(), 2U);
        EXPECT_GE(MillisecondsBetween(throttled, 0), 1000);
        // Sent ahead, the first answer may wait unread while earlier links retry.
        if (std::string(pszJobs) == "1") {
            EXPECT_LT(MillisecondsBetween(throttled, 0), 1500);
        }
        const auto flaky = log.GetRequestTimes("HEAD", "/flaky.html");
        EXPECT_GE(MillisecondsBetween(flaky, 0), 800);
        EXPECT_GE(MillisecondsBetween(flaky, 1), 1600);
    }
}

TEST(CliVerdict, PassingFaultsEndTransientAfterTheirRetriesAndOnlyStrictFailsOnThem)
{
    CVerdictServer server;
    int nClosedPort = 0;
    const int nClosed = BindLoopback("127.0.0.1", 0, nClosedPort);
    CScriptServer empty([](CScriptServer::CConnection&) {});
    // The GET after a refused HEAD ends with the headers: this body never comes.
    CScriptServer endless([](CScriptServer::CConnection& connection) {
        if (connection.GetRequest().rfind("HEAD", 0) == 0) {
            connection.Send("HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\n\r\n");
            return;
        }
        connection.Send("HTTP/1.1 200 OK\r\nContent-Length: 100000000\r\n\r\n");
        connection.WaitForClose();
    });
    const std::string strRefused = "http://127.0.0.1:" + std::to_string(nClosedPort) + "/";
    server.m_strPage
        = Page({"down.html", "dated.html", strRefused, empty.GetURL("/empty"), endless.GetURL("/endless")});
    const auto start = std::chrono::steady_clock::now();
    const CCliResult result = RunCommand({"-m", "--json", "--retries", "1", server.GetURL("/index.html")});
    EXPECT_EQ(result.nExit, 0) << result.strErr;
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    const json document = json::parse(result.strOut);
    const std::vector<std::string> expected = {"HOST/down.html transient", "HOST/dated.html ok",
        strRefused + " transient", empty.GetURL("/empty") + " transient", endless.GetURL("/endless") + " ok"};
    EXPECT_EQ(Verdicts(document, server.GetURL("")), expected);
    EXPECT_EQ(server.GetServer().CountRequests("HEAD", "/down.html"), 2);
    // HEAD, then GET for the empty reply, then the GET once more.
    EXPECT_EQ(empty.GetConnectionCount(), 3);
    const auto dated = server.GetServer().GetRequestTimes("HEAD", "/dated.html");
    ASSERT_EQ(dated.size(), 2U);
    EXPECT_GE(MillisecondsBetween(dated, 0), 900);

    const CCliResult strict = RunCommand({"-m", "--strict", "--retries", "0", server.GetURL("/index.html")});
    EXPECT_EQ(strict.nExit, 1) << strict.strErr;
    ::close(nClosed);
}

TEST(CliVerdict, BlockedLinksFailOnlyWithStrictAndEveryCheckOptionNeedsModern)
{
    CVerdictServer server;
    server.m_strPage = Page({"forbidden.html"});
    const std::string strStart = server.GetURL("/index.html");
    EXPECT_EQ(RunCommand({"-m", strStart}).nExit, 0);
    EXPECT_EQ(RunCommand({"-m", "--strict", strStart}).nExit, 1);
    // The CI formats warn of a blocked link, or fail on it with --strict.
    struct SFormatCase {
        const char* pszFormat;
        std::string strWarning;
        std::string strStrict;
    };
    const std::string strLink = server.GetURL("/forbidden.html");
    for (const SFormatCase& test : std::vector<SFormatCase> {
             {"github", "::warning::" + strLink + ": 403 Forbidden", "::error::" + strLink + ": 403 Forbidden"},
             {"junit", "failures=\"0\" errors=\"0\" skipped=\"1\"", "failures=\"1\" errors=\"0\" skipped=\"0\""},
             {"sarif", "\"level\": \"warning\"", "\"level\": \"error\""}}) {
        SCOPED_TRACE(test.pszFormat);
        const std::string strOut = RunCommand({"-m", "--format", test.pszFormat, strStart}).strOut;
        EXPECT_NE(strOut.find(test.strWarning), std::string::npos) << strOut;
        const std::string strStrictOut = RunCommand({"-m", "--strict", "--format", test.pszFormat, strStart}).strOut;
        EXPECT_NE(strStrictOut.find(test.strStrict), std::string::npos) << strStrictOut;
    }
    EXPECT_NE(RunCommand({"-m", "--format", "sarif", strStart}).strOut.find("\"ruleId\": \"blocked-link\""),
        std::string::npos);
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>> {
             {"--retries", "1"}, {"--max-retry-wait", "5"}, {"--strict"}, {"--accept", "403"}}) {
        SCOPED_TRACE(args.front());
        std::vector<std::string> command = args;
        command.push_back(strStart);
        const CCliResult result = RunCommand(command);
        EXPECT_EQ(result.nExit, 2);
        EXPECT_NE(result.strErr.find(args.front() + " is an option of --modern"), std::string::npos) << result.strErr;
    }
    EXPECT_EQ(RunCommand({"-m", "--retries", "11", strStart}).nExit, 2);
    EXPECT_EQ(RunCommand({"-m", "--max-retry-wait", "3601", strStart}).nExit, 2);
}

TEST(CliVerdict, BotWallsAreBlockedAtOnceUnlessAcceptedOnTheCommandLineOrInTheSettings)
{
    CVerdictServer server;
    server.m_strPage = Page({"wall999.html", "challenge403.html", "challenge503.html", "forbidden.html"});
    const std::string strStart = server.GetURL("/index.html");
    const CTestServer& log = server.GetServer();
    const auto Asked = [&log](const std::string& strPath) {
        return log.CountRequests("HEAD", strPath) + log.CountRequests("GET", strPath);
    };

    const CCliResult walls = RunCommand({"-m", "--json", strStart});
    EXPECT_EQ(walls.nExit, 0) << walls.strErr;
    EXPECT_EQ(Verdicts(json::parse(walls.strOut), server.GetURL("")),
        (std::vector<std::string> {"HOST/wall999.html blocked", "HOST/challenge403.html blocked",
            "HOST/challenge503.html blocked", "HOST/forbidden.html blocked"}));
    // Neither a GET nor a retry: a wall answers them all alike.
    EXPECT_EQ(Asked("/wall999.html"), 1);
    EXPECT_EQ(Asked("/challenge403.html"), 1);
    EXPECT_EQ(Asked("/challenge503.html"), 1);

    const CCliResult accepted = RunCommand({"-m", "--json", "--accept", "200-299,403", "--accept", "999", strStart});
    EXPECT_EQ(accepted.nExit, 0) << accepted.strErr;
    const json document = json::parse(accepted.strOut);
    EXPECT_EQ(Verdicts(document, server.GetURL("")),
        (std::vector<std::string> {"HOST/wall999.html ok", "HOST/challenge403.html ok",
            "HOST/challenge503.html blocked", "HOST/forbidden.html ok"}));
    // The counts follow the verdicts: three accepted links are good.
    EXPECT_EQ(document["summary"]["good"], 3);
    EXPECT_EQ(document["summary"]["bad"], 1);

    const std::string strConfig
        = std::filesystem::temp_directory_path() / ("lintrel-accept-" + std::to_string(::getpid()) + ".toml");
    std::ofstream(strConfig) << "accept = [\"200-299\", \"403\"]\n";
    const CCliResult configured = RunCommand({"-m", "--json", "--config", strConfig, strStart});
    std::remove(strConfig.c_str());
    EXPECT_EQ(configured.nExit, 0) << configured.strErr;
    EXPECT_EQ(Verdicts(json::parse(configured.strOut), server.GetURL("")),
        (std::vector<std::string> {"HOST/wall999.html blocked", "HOST/challenge403.html ok",
            "HOST/challenge503.html blocked", "HOST/forbidden.html ok"}));

    const CCliResult bad = RunCommand({"-m", "--accept", "200-299,4o4", strStart});
    EXPECT_EQ(bad.nExit, 2);
    EXPECT_NE(bad.strErr.find("--accept"), std::string::npos) << bad.strErr;
    EXPECT_NE(bad.strErr.find("\"4o4\""), std::string::npos) << bad.strErr;
}
