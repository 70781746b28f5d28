#include "cli/CliInterrupt.h"
#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/PollUntil.h"
#include "support/RawServer.h"
#include "support/TestServer.h"

#include <Version.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string Page(const std::vector<std::string>& hrefs)
{
    std::string strPage;
    for (const std::string& strHref : hrefs)
        strPage += "<A HREF=\"" + strHref + "\">link</A>\n";
    return strPage;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// True while a SIGINT sent to the process has not reached its handler.
bool IsInterruptPending(pid_t nPid)
{
    std::ifstream status("/proc/" + std::to_string(nPid) + "/status");
    unsigned long long nPending = 0;
    for (std::string strLine; std::getline(status, strLine);)
        if (strLine.rfind("ShdPnd:", 0) == 0 || strLine.rfind("SigPnd:", 0) == 0)
            nPending |= std::stoull(strLine.substr(7), nullptr, 16);
    return (nPending & (1ULL << (SIGINT - 1))) != 0;
}

// A site of two pages: one good link each way, one missing page, and a
// reason phrase with a tab in it.
class CliSite : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/index.html", 200, "text/html", Page({"a.html", "missing.html", m_odd.GetURL("/odd")}),
                                {}},
            {"/a.html", 200, "text/html", Page({"index.html", "b.html"}), {}}, {"/b.html", 200, "text/plain", "", {}},
            {"/good.html", 200, "text/html", Page({"a.html"}), {}}, {"/empty.html", 200, "text/html", "", {}}});
        m_server.Start();
    }

    CRawServer m_odd {[](const std::string&) {
        return std::string("HTTP/1.1 410 Gone\tfor\rgood\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    }};
    CTestServer m_server;
};

const std::string INDEX = "http://127.0.0.1/index.html";
const std::string A = "http://127.0.0.1/a.html";

} // namespace

TEST_F(CliSite, TsvRowsFollowTheLinkArrayAndBadLinksGiveExitOne)
{
    CCliResult result = RunCommand({"--recursive", "--tsv", m_server.GetURL("/index.html")});
    EXPECT_EQ(result.strOut,
        INDEX + "\t" + A + "\t200\tOK\n" + INDEX + "\thttp://127.0.0.1/missing.html\t404\tNot Found\n" + INDEX
            + "\thttp://127.0.0.1/odd\t410\tGone for good\n" + A + "\t" + INDEX + "\t200\tOK\n" + A
            + "\thttp://127.0.0.1/b.html\t200\tOK\n");
    EXPECT_EQ(result.strErr, "");
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
}

TEST_F(CliSite, OnlyGoodLinksOrNoLinksGiveExitZero)
{
    CCliResult good = RunCommand({"--tsv", m_server.GetURL("/good.html")});
    EXPECT_EQ(good.strOut, "http://127.0.0.1/good.html\t" + A + "\t200\tOK\n");
    EXPECT_EQ(good.nExit, EXIT_ALL_GOOD);
    CCliResult empty = RunCommand({"--tsv", m_server.GetURL("/empty.html")});
    EXPECT_EQ(empty.strOut, "");
    EXPECT_EQ(empty.nExit, EXIT_ALL_GOOD);
}

TEST_F(CliSite, OnlyBadListsBadRowsWhileTheReportHoldsEveryLink)
{
    const std::filesystem::path report
        = std::filesystem::temp_directory_path() / ("lintrel-cli-report-" + std::to_string(::getpid()) + ".html");
    CCliResult result = RunCommand({"-b", "--tsv", "-o", report.string(), m_server.GetURL("/index.html")});
    EXPECT_EQ(result.strOut,
        INDEX + "\thttp://127.0.0.1/missing.html\t404\tNot Found\n" + INDEX
            + "\thttp://127.0.0.1/odd\t410\tGone for good\n");
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
    const std::string strReport = ReadFile(report);
    std::filesystem::remove(report);
    EXPECT_NE(strReport.find("<TD><A HREF=\"" + A + "\"> " + A + "</A></TD><TD> OK </TD></TR>\n"), std::string::npos);
    // The report keeps the tab and the carriage return of the reason phrase.
    EXPECT_NE(strReport.find("<TD> Gone\tfor\rgood </TD></TR>\n</TABLE>"), std::string::npos);
}

TEST_F(CliSite, ReadableTableShowsTheThreeColumns)
{
    CCliResult result = RunCommand({m_server.GetURL("/index.html")});
    std::istringstream lines(result.strOut);
    std::string strLine;
    std::vector<std::string> table;
    while (std::getline(lines, strLine))
        table.push_back(strLine);
    ASSERT_EQ(table.size(), 5u) << result.strOut;
    EXPECT_EQ(table[0], "Referring Page               Link                           Status");
    EXPECT_EQ(table[1], INDEX + "  " + A + "        OK");
    EXPECT_EQ(table[3], INDEX + "  http://127.0.0.1/odd           Gone for good");
    EXPECT_EQ(table[4], "3 links listed of 3 found.");
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
}

TEST_F(CliSite, ReportThatCannotBeWrittenIsAnError)
{
    const std::string strReport = "/nonexistent-lintrel-dir/report.html";
    CCliResult result = RunCommand({"--tsv", "--report", strReport, m_server.GetURL("/good.html")});
    EXPECT_EQ(result.strOut, "http://127.0.0.1/good.html\t" + A + "\t200\tOK\n");
    EXPECT_EQ(result.strErr.rfind("lintrel-cli: the report was not written: ", 0), 0u) << result.strErr;
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
}

TEST_F(CliSite, ProgressLineOnlyWhenAskedForAndClearedAtTheEnd)
{
    CCliResult quiet = RunCommand({"--tsv", m_server.GetURL("/good.html")});
    EXPECT_EQ(quiet.strErr, "");
    CCliResult shown = RunCommand({"--tsv", m_server.GetURL("/good.html")}, true);
    EXPECT_EQ(shown.strErr.rfind("\rpages 1  links 0  checked 0  http://127.0.0.1/good.html\x1b[K"
                                 "\rpages 1  links 1  checked 0  http://127.0.0.1/good.html\x1b[K",
                  0),
        0u)
        << shown.strErr;
    EXPECT_EQ(shown.strErr.substr(shown.strErr.size() - 4), "\r\x1b[K");
    EXPECT_EQ(shown.strOut, quiet.strOut);
}

TEST(Cli, UsageErrorsExitTwoWithAMessage)
{
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus", "http://127.0.0.1/"},
        {"http://127.0.0.1/", "--file", "page.html"},
        {"--file"},
        {"--file", ""},
        {"http://127.0.0.1/a", "http://127.0.0.1/b"},
        {"--jobs", "0", "http://127.0.0.1/"},
        {"--jobs", "-4", "http://127.0.0.1/"},
        {"-j", "257", "http://127.0.0.1/"},
        {"--jobs", "1000000000000", "http://127.0.0.1/"},
        {"--jobs", "many", "http://127.0.0.1/"},
        {"--per-host", "0", "http://127.0.0.1/"},
        {"--per-host", "100000", "http://127.0.0.1/"},
        {"--max-pages", "0", "http://127.0.0.1/"},
        {"--max-pages", "-3", "http://127.0.0.1/"},
        {"--max-depth", "10000001", "http://127.0.0.1/"},
        {"--max-depth", "deep", "http://127.0.0.1/"},
        {"--cacert", "/etc/hostname", "http://127.0.0.1/"},
        {"--http1.1", "http://127.0.0.1/"},
        {"-m", "--cacert", "/nonexistent/ca.pem", "http://127.0.0.1/"},
    };
    for (const std::vector<std::string>& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args));
        CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(result.strOut, "");
        EXPECT_EQ(result.strErr.rfind("lintrel-cli: ", 0), 0u) << result.strErr;
        EXPECT_NE(result.strErr.find("--help"), std::string::npos);
    }
}

TEST(Cli, RowsReportAndExitAreTheSameForEveryNumberOfJobs)
{
    CTestServer other("127.0.0.2");
    other.AddRoute({"/x.html", 200, "text/html", "", {}});
    other.Start();
    CTestServer server;
    std::vector<std::string> pages;
    for (int n = 0; n < 12; ++n)
        pages.push_back("p" + std::to_string(n) + ".html");
    for (int n = 0; n < 12; ++n) {
        server.AddRoute({"/" + pages[static_cast<std::size_t>(n)], 200, "text/html",
            Page({pages[static_cast<std::size_t>((n * 5 + 1) % 12)], pages[static_cast<std::size_t>((n + 7) % 12)],
                "gone" + std::to_string(n % 4) + ".html", other.GetURL(n % 2 ? "/x.html" : "/y.html"),
                "http://nohost" + std::to_string(n % 3) + ".invalid/", "moved.html"}),
            {}});
    }
    server.AddRoute({"/moved.html", 301, "text/plain", "", {{"Location", "/p3.html"}}});
    server.Start();
    const std::filesystem::path report
        = std::filesystem::temp_directory_path() / ("lintrel-cli-jobs-" + std::to_string(::getpid()) + ".html");
    std::vector<std::string> reports;
    std::vector<CCliResult> results;
    for (const std::vector<std::string>& limits :
        std::vector<std::vector<std::string>> {{"--jobs", "1"}, {}, {"-j", "3", "--per-host", "1"}, {"-j", "64"}}) {
        std::vector<std::string> args
            = {"--recursive", "--tsv", "--report", report.string(), server.GetURL("/p0.html")};
        args.insert(args.begin(), limits.begin(), limits.end());
        results.push_back(RunCommand(args));
        reports.push_back(ReadFile(report));
    }
    std::filesystem::remove(report);
    EXPECT_NE(results[0].strOut.find("\thttp://127.0.0.1/gone3.html\t404\tNot Found\n"), std::string::npos);
    EXPECT_NE(results[0].strOut.find("\thttp://nohost2.invalid\t300\tCould not resolve host"), std::string::npos);
    EXPECT_EQ(results[0].nExit, EXIT_SOME_BAD);
    for (std::size_t i = 1; i < results.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(results[i].strOut, results[0].strOut);
        EXPECT_EQ(results[i].strErr, results[0].strErr);
        EXPECT_EQ(results[i].nExit, results[0].nExit);
        EXPECT_EQ(reports[i], reports[0]);
    }
}

TEST(Cli, HelpAndVersion)
{
    CCliResult help = RunCommand({"--help"});
    EXPECT_EQ(help.nExit, 0);
    for (const char* pszOption : {"--recursive", "--explore-cgi", "--only-bad", "--report", "--tsv", "--file", "--jobs",
             "--per-host", "--max-pages", "--max-depth", "--version"})
        EXPECT_NE(help.strOut.find(pszOption), std::string::npos) << pszOption;
    CCliResult version = RunCommand({"--version"});
    EXPECT_EQ(version.nExit, 0);
    EXPECT_EQ(version.strOut, std::string(LINTREL_VERSION) + "\n");
}

TEST(Cli, StartPageThatCannotBeReadExitsTwoAndSaysWhy)
{
    CCliResult host = RunCommand({"--tsv", "http://nohost.invalid/"});
    EXPECT_EQ(host.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(host.strOut, "");
    EXPECT_EQ(host.strErr, "lintrel-cli: cannot read http://nohost.invalid/: Could not resolve host: nohost.invalid\n");
    CCliResult file = RunCommand({"--file", "/nonexistent/page.html"});
    EXPECT_EQ(file.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(file.strErr,
        "lintrel-cli: cannot read file:///nonexistent/page.html: Cannot read /nonexistent/page.html: No such file or "
        "directory\n");
    // A mistyped scheme, in either mode: what the user can act on.
    for (const std::vector<std::string>& args :
        {std::vector<std::string> {"omhttp://127.0.0.1/"}, std::vector<std::string> {"-m", "omhttp://127.0.0.1/"}}) {
        SCOPED_TRACE(args.front());
        CCliResult scheme = RunCommand(args);
        EXPECT_EQ(scheme.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(scheme.strErr,
            "lintrel-cli: cannot read omhttp://127.0.0.1/: Lintrel checks http and https URLs (and files); \"omhttp\" "
            "is not one\n");
    }
}

TEST(Cli, FileStartsFromItsAbsolutePath)
{
    CTestServer server;
    server.AddRoute({"/a.html", 200, "text/html", "", {}});
    server.Start();
    const std::filesystem::path dir
        = std::filesystem::temp_directory_path() / ("lintrel-cli-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "start.html") << Page({server.GetURL("/a.html")});
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    CCliResult result = RunCommand({"--tsv", "--file", "start.html"});
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(dir);
    EXPECT_EQ(result.strOut, "file://" + (dir / "start.html").string() + "\t" + A + "\t200\tOK\n");
    EXPECT_EQ(result.nExit, EXIT_ALL_GOOD);
}

TEST(Cli, FirstCtrlCStopsAfterTheRequestInProgress)
{
    CTestServer server;
    server.AddRoute({"/index.html", 200, "text/html", Page({"1.html", "2.html", "3.html", "4.html"}), {}});
    for (const char* pszPath : {"/1.html", "/3.html", "/4.html"})
        server.AddRoute({pszPath, 200, "text/html", "", {}});
    server.GetServer().Get("/2\\.html", [](const httplib::Request&, httplib::Response& response) {
        std::raise(SIGINT);
        response.set_content("", "text/html");
    });
    server.Start();
    CCliInterrupt::Install();
    // One request at a time, so the press comes while the second link's is in
    // progress; sent ahead, it would come while an earlier one is.
    CCliResult result = RunCommand({"--tsv", "-r", "--jobs", "1", server.GetURL("/index.html")});
    CCliInterrupt::Uninstall();
    EXPECT_EQ(result.strOut,
        "http://127.0.0.1/index.html\thttp://127.0.0.1/1.html\t200\tOK\n"
        "http://127.0.0.1/index.html\thttp://127.0.0.1/2.html\t200\tOK\n"
        "http://127.0.0.1/index.html\thttp://127.0.0.1/3.html\t-1\t\n"
        "http://127.0.0.1/index.html\thttp://127.0.0.1/4.html\t-1\t\n");
    EXPECT_EQ(result.strErr, "lintrel-cli: stopped; 2 links were not checked\n");
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD);
    EXPECT_EQ(server.CountRequests("GET", "/1.html"), 0);
}

TEST(Cli, SecondCtrlCEndsTheProgramAtOnce)
{
    const char* pszProgram = std::getenv("LINTREL_CLI");
    ASSERT_NE(pszProgram, nullptr) << "LINTREL_CLI names the built program";
    CRawServer silent([](const std::string&) { return std::string(); });
    const std::string strURL = silent.GetURL("/index.html");
    const auto start = std::chrono::steady_clock::now();
    const pid_t nChild = ::fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        ::execl(pszProgram, pszProgram, strURL.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // The program asks for the page only after installing its handler.
    EXPECT_TRUE(PollUntil([&] { return silent.GetConnectionCount() > 0; }, std::chrono::seconds(5)));
    ::kill(nChild, SIGINT);
    // Two presses still pending at once would reach the handler as one.
    EXPECT_TRUE(PollUntil([&] { return !IsInterruptPending(nChild); }, std::chrono::seconds(5)));
    ::kill(nChild, SIGINT);
    int nStatus = 0;
    ASSERT_EQ(::waitpid(nChild, &nStatus, 0), nChild);
    EXPECT_TRUE(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGINT) << nStatus;
    // Well inside the 10-second time-out the silent server would cost.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
