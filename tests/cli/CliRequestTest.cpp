#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// A server that answers every path, remembering one request header's value
// per path: /page links to the URLs it is given, /hop redirects to one,
// anything else is 200 with 401 instead when a login is wanted and missing.
class CHeaderServer {
public:
    CHeaderServer(const std::string& strHost, std::string strHeader)
        : m_server(strHost)
        , m_strHeader(std::move(strHeader))
    {
        m_server.GetServer().Get(
            ".*", [this](const httplib::Request& request, httplib::Response& response) { Answer(request, response); });
    }
    void Start(std::string strPage, std::string strHop, bool bWantLogin = false)
    {
        m_strPage = std::move(strPage);
        m_strHop = std::move(strHop);
        m_bWantLogin = bWantLogin;
        m_server.Start();
    }
    std::string GetURL(const std::string& strPath) const { return m_server.GetURL(strPath); }
    /// What the header said on each path's requests ("-" when absent).
    std::map<std::string, std::string> GetSeen() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen;
    }

private:
    void Answer(const httplib::Request& request, httplib::Response& response)
    {
        const std::string strValue = request.has_header(m_strHeader) ? request.get_header_value(m_strHeader) : "-";
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_seen[request.path] = strValue;
        }
        if (request.path == "/page")
            response.set_content(m_strPage, "text/html");
        else if (request.path == "/hop")
            response.set_redirect(m_strHop, 302);
        else if (m_bWantLogin && strValue == "-")
            response.status = 401;
    }

    CTestServer m_server;
    std::string m_strHeader;
    std::string m_strPage;
    std::string m_strHop;
    bool m_bWantLogin = false;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_seen;
};

std::string Links(const std::vector<std::string>& urls)
{
    std::string strPage;
    for (const std::string& strURL : urls)
        strPage += "<a href=\"" + strURL + "\">x</a>\n";
    return strPage;
}

// No value given for a request may appear in rows, messages or the report.
void ExpectNotShown(const CCliResult& result, const std::string& strSecret, const fs::path& report)
{
    EXPECT_EQ(result.strOut.find(strSecret), std::string::npos) << result.strOut;
    EXPECT_EQ(result.strErr.find(strSecret), std::string::npos) << result.strErr;
    EXPECT_EQ(ReadFile(report).find(strSecret), std::string::npos);
}

TEST(CliRequest, HeadersGoToTheStartHostAndPortOnlyRedirectsIncluded)
{
    for (const bool bModern : {false, true}) {
        SCOPED_TRACE(bModern ? "modern" : "default");
        CHeaderServer other("127.0.0.1", "X-Token");
        other.Start("", "");
        CHeaderServer start("127.0.0.1", "X-Token");
        start.Start(Links({"/ok", other.GetURL("/elsewhere"), "/hop"}), other.GetURL("/moved"));
        const fs::path report = TempPath("cli-request-report", ".html");
        std::vector<std::string> args
            = {"--json", "-o", report.string(), "--header", "X-Token: s3cr3t-value", start.GetURL("/page")};
        if (bModern)
            args.insert(args.begin(), "-m");
        CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, EXIT_ALL_GOOD) << result.strOut << result.strErr;
        const std::map<std::string, std::string> seen {
            {"/page", "s3cr3t-value"}, {"/ok", "s3cr3t-value"}, {"/hop", "s3cr3t-value"}};
        EXPECT_EQ(start.GetSeen(), seen);
        EXPECT_EQ(other.GetSeen(), (std::map<std::string, std::string> {{"/elsewhere", "-"}, {"/moved", "-"}}));
        ExpectNotShown(result, "s3cr3t", report);
        fs::remove(report);
    }
}

TEST(CliRequest, NetrcAndCookiesReachOnlyTheHostTheyName)
{
    const fs::path home = TempPath("cli-request-home");
    fs::create_directories(home);
    std::ofstream(home / ".netrc") << "machine 127.0.0.1 login robot password pw-n3trc\n";
    const fs::path cookies = home / "cookies.txt";
    std::ofstream(cookies) << "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tc00kie-v\n";
    const std::optional<std::string> oldHome = std::getenv("HOME") ? std::optional(std::getenv("HOME")) : std::nullopt;
    ::setenv("HOME", home.c_str(), 1);
    for (const std::string strHeader : {"Authorization", "Cookie"}) {
        SCOPED_TRACE(strHeader);
        // Another loopback address: netrc and cookies tell hosts apart, not ports.
        CHeaderServer other("127.0.0.2", strHeader);
        other.Start("", "");
        CHeaderServer start("127.0.0.1", strHeader);
        start.Start(Links({"/ok", other.GetURL("/ok")}), "", true);
        const fs::path report = TempPath("cli-request-report", ".html");
        CCliResult result = RunCommand(
            {"-m", "--tsv", "-o", report.string(), "--netrc", "--cookies", cookies.string(), start.GetURL("/page")});
        EXPECT_EQ(result.nExit, EXIT_ALL_GOOD) << result.strOut << result.strErr;
        const std::string strSent = strHeader == "Cookie" ? "session=c00kie-v" : "Basic cm9ib3Q6cHctbjN0cmM=";
        EXPECT_EQ(start.GetSeen(), (std::map<std::string, std::string> {{"/page", strSent}, {"/ok", strSent}}));
        EXPECT_EQ(other.GetSeen(), (std::map<std::string, std::string> {{"/ok", "-"}}));
        ExpectNotShown(result, "c00kie", report);
        ExpectNotShown(result, "n3trc", report);
        fs::remove(report);
    }
    if (oldHome)
        ::setenv("HOME", oldHome->c_str(), 1);
    else
        ::unsetenv("HOME");
    fs::remove_all(home);
}

TEST(CliRequest, MalformedRequestOptionsAreUsageErrorsThatShowNoValue)
{
    const struct {
        std::vector<std::string> args;
        std::string strMessage;
    } CASES[] = {
        {{"--header", "NoColonSecret"}, "--header number 1"},
        {{"--header", "A: b", "--header", ": EmptyNameSecret"}, "--header number 2"},
        {{"--header", "Name: Secret\r\nX: y"}, "--header number 1"},
        {{"--header", "Bad Name: Secret"}, "--header number 1"},
        {{"--cookies", "/no/such/cookies.txt"}, "cannot read the --cookies file /no/such/cookies.txt"},
    };
    for (const auto& testCase : CASES) {
        SCOPED_TRACE(testCase.strMessage);
        std::vector<std::string> args = testCase.args;
        args.push_back("http://127.0.0.1:9/");
        CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_NE(result.strErr.find(testCase.strMessage), std::string::npos) << result.strErr;
        EXPECT_EQ(result.strErr.find("Secret"), std::string::npos) << result.strErr;
    }
}

} // namespace
