// The command line given bad arguments, bad files and a reader that goes
// away: a clear message and exit status 2, or a quiet end, never a crash.

#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/ScriptServer.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// One message of a few lines, not an echo of a huge argument.
void ExpectShortMessage(const std::string& strErr)
{
    EXPECT_EQ(strErr.rfind("lintrel-cli: ", 0), 0u) << strErr.substr(0, 300);
    EXPECT_LT(strErr.size(), 1000u) << strErr.substr(0, 300);
    ASSERT_FALSE(strErr.empty());
    EXPECT_EQ(strErr.back(), '\n');
}

class CTempDir {
public:
    CTempDir()
        : m_path(std::filesystem::temp_directory_path() / ("lintrel-abuse-" + std::to_string(::getpid())))
    {
        std::filesystem::create_directories(m_path);
    }
    ~CTempDir() { std::filesystem::remove_all(m_path); }
    std::filesystem::path operator/(const std::string& strName) const { return m_path / strName; }

private:
    std::filesystem::path m_path;
};

// Output of a child process, and how it ended.
struct CChildResult {
    std::string strFirstLine;
    std::string strErr;
    int nStatus = 0;
};

// Runs the built program on args with stdout to a pipe that is closed after
// its first line, as `lintrel-cli ... | head -1` does, or to pszOutput.
CChildResult RunProgram(const std::vector<std::string>& args, const char* pszOutput = nullptr)
{
    const char* pszProgram = std::getenv("LINTREL_CLI");
    CChildResult result;
    int outPipe[2];
    int errPipe[2];
    if (!pszProgram || ::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) {
        ADD_FAILURE() << "LINTREL_CLI names the built program";
        return result;
    }
    const pid_t nChild = ::fork();
    if (nChild == 0) {
        ::dup2(pszOutput ? ::open(pszOutput, O_WRONLY) : outPipe[1], STDOUT_FILENO);
        ::dup2(errPipe[1], STDERR_FILENO);
        for (int nFd : {outPipe[0], outPipe[1], errPipe[0], errPipe[1]})
            ::close(nFd);
        std::vector<char*> argv = {const_cast<char*>(pszProgram)};
        for (const std::string& strArg : args)
            argv.push_back(const_cast<char*>(strArg.c_str()));
        argv.push_back(nullptr);
        ::execv(pszProgram, argv.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    char ch = '\0';
    while (::read(outPipe[0], &ch, 1) == 1 && ch != '\n')
        result.strFirstLine += ch;
    ::close(outPipe[0]);
    char szBuffer[4096];
    ssize_t nRead = 0;
    while ((nRead = ::read(errPipe[0], szBuffer, sizeof(szBuffer))) > 0)
        result.strErr.append(szBuffer, static_cast<std::size_t>(nRead));
    ::close(errPipe[0]);
    ::waitpid(nChild, &result.nStatus, 0);
    return result;
}

} // namespace

TEST(CliAbuse, BadArgumentsExitTwoWithOneShortMessage)
{
    CTestServer server;
    server.AddRoute({"/", 200, "text/html", "", {}});
    server.Start();
    const std::string strURL = server.GetURL("/");
    const std::vector<std::vector<std::string>> cases = {
        {"-x", strURL},
        {"--no-such-option", strURL},
        {"--recursive=maybe", strURL},
        {strURL, "--report"},
        {strURL, "--report", ""},
        {""},
        {"--tsv"},
        {"-r", "-b", "-c"},
        {server.GetURL("/" + std::string(100000, 'a'))},
        {"http://" + std::string(100000, 'h') + "/"},
        {std::string(100000, '-')},
    };
    for (const std::vector<std::string>& args : cases) {
        SCOPED_TRACE(::testing::PrintToString(args).substr(0, 100));
        CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(result.strOut, "");
        ExpectShortMessage(result.strErr);
    }
    // Refused before any request went out.
    EXPECT_TRUE(server.GetRequests().empty());
}

TEST(CliAbuse, LongURLMessageNamesTheLimit)
{
    CCliResult result = RunCommand({"http://127.0.0.1/" + std::string(100000, 'a')});
    EXPECT_EQ(result.strErr,
        "lintrel-cli: the URL is 100017 characters long; at most 65536 are accepted\n"
        "Run with --help for more information.\n");
}

TEST(CliAbuse, UnreadableFilesExitTwoAndSayWhy)
{
    CTempDir dir;
    std::filesystem::create_directories(dir / "folder.html");
    const std::string strLong = "/" + std::string(100000, 'p') + ".html";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {(dir / "missing.html").string(), "No such file or directory"},
        // A folder is checked page by page, in the modern mode only.
        {(dir / "folder.html").string(), "; checking the pages of a folder needs --modern"},
        {strLong, "File name too long"},
    };
    for (const auto& [strPath, strReason] : cases) {
        SCOPED_TRACE(strPath.substr(0, 100));
        CCliResult result = RunCommand({"--file", strPath});
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(result.strOut, "");
        ExpectShortMessage(result.strErr);
        const std::string strEnd = strReason[0] == ';' ? strReason : ": " + strReason;
        EXPECT_NE(result.strErr.find(strEnd + "\n"), std::string::npos) << result.strErr.substr(0, 300);
    }
}

TEST(CliAbuse, UnwritableReportsExitTwoAfterTheRows)
{
    CTestServer server;
    server.AddRoutes(
        {{"/index.html", 200, "text/html", "<A HREF=\"a.html\">a</A>\n", {}}, {"/a.html", 200, "text/html", "", {}}});
    server.Start();
    CTempDir dir;
    std::filesystem::create_directories(dir / "taken.html");
    for (const std::string& strReport : {(dir / "taken.html").string(), (dir / "no-dir" / "r.html").string(),
             std::string("/proc/lintrel-report.html"), (dir / std::string(100000, 'r')).string()}) {
        SCOPED_TRACE(strReport.substr(0, 100));
        CCliResult result = RunCommand({"--tsv", "--report", strReport, server.GetURL("/index.html")});
        EXPECT_EQ(result.strOut, "http://127.0.0.1/index.html\thttp://127.0.0.1/a.html\t200\tOK\n");
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        ExpectShortMessage(result.strErr);
        EXPECT_EQ(result.strErr.rfind("lintrel-cli: the report was not written: ", 0), 0u)
            << result.strErr.substr(0, 300);
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir / "taken.html"));
}

TEST(CliAbuse, HostileStartPagesExitTwoWithTheReason)
{
    const std::string strHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n";
    CScriptServer server([&strHead](CScriptServer::CConnection& connection) {
        const std::string& strRequest = connection.GetRequest();
        if (strRequest.rfind("GET /to-file ", 0) == 0)
            connection.Send("HTTP/1.1 302 Found\r\nLocation: file:///etc/passwd\r\nConnection: close\r\n\r\n");
        else if (strRequest.rfind("GET /status ", 0) == 0)
            connection.Send("HTTP/1.1 abc Broken\r\nConnection: close\r\n\r\n");
        else if (strRequest.rfind("GET /headers ", 0) == 0) {
            connection.Send(strHead);
            while (connection.Send("X-Filler: 0123456789\r\n")) {}
        } else
            connection.Send(strHead + "Content-Length: 100\r\n\r\n<A HR");
    });
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/to-file", "Redirected to a URL of scheme \"file\"; Lintrel follows http and https only"},
        {"/status", "Unsupported HTTP version in response"},
        {"/headers", "Too large response headers"},
    };
    for (const auto& [strPath, strReason] : cases) {
        SCOPED_TRACE(strPath);
        CCliResult result = RunCommand({server.GetURL(strPath)});
        EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
        EXPECT_EQ(result.strOut, "");
        ExpectShortMessage(result.strErr);
        EXPECT_EQ(result.strErr.rfind("lintrel-cli: cannot read " + server.GetURL(strPath) + ": " + strReason, 0), 0u)
            << result.strErr;
    }
}

TEST(CliAbuse, ClosedPipeEndsQuietly)
{
    // Rows well past a pipe's buffer, so writing them meets the closed end.
    std::string strPage;
    const std::string strPad(400, 'p');
    for (int n = 0; n < 600; ++n)
        strPage += "<A HREF=\"" + strPad + std::to_string(n) + "\">x</A>\n";
    CScriptServer server([&strPage](CScriptServer::CConnection& connection) {
        const bool bPage = connection.GetRequest().rfind("GET ", 0) == 0;
        const std::string strBody = bPage ? strPage : "";
        connection.Send(std::string(bPage ? "HTTP/1.1 200 OK" : "HTTP/1.1 404 Not Found")
            + "\r\nContent-Type: text/html" + "\r\nContent-Length: " + std::to_string(strBody.size())
            + "\r\nConnection: close\r\n\r\n" + strBody);
    });
    for (const char* pszFormat : {"--tsv", "--only-bad"}) {
        SCOPED_TRACE(pszFormat);
        CChildResult result = RunProgram({pszFormat, server.GetURL("/index.html")});
        EXPECT_NE(result.strFirstLine, "");
        EXPECT_EQ(result.strErr, "");
        ASSERT_TRUE(WIFEXITED(result.nStatus)) << "ended by signal " << WTERMSIG(result.nStatus);
        EXPECT_EQ(WEXITSTATUS(result.nStatus), EXIT_SOME_BAD);
    }
}

TEST(CliAbuse, RowsThatCannotBeWrittenExitTwo)
{
    CTestServer server;
    server.AddRoutes(
        {{"/index.html", 200, "text/html", "<A HREF=\"a.html\">a</A>\n", {}}, {"/a.html", 200, "text/html", "", {}}});
    server.Start();
    CChildResult result = RunProgram({"--tsv", server.GetURL("/index.html")}, "/dev/full");
    EXPECT_EQ(result.strErr, "lintrel-cli: the rows were not written: No space left on device\n");
    ASSERT_TRUE(WIFEXITED(result.nStatus)) << "ended by signal " << WTERMSIG(result.nStatus);
    EXPECT_EQ(WEXITSTATUS(result.nStatus), EXIT_CANNOT_RUN);
}

TEST(CliAbuse, RelativeFileWithoutACurrentFolderExitsTwo)
{
    // Regression: making the path absolute threw, and the program aborted.
    const std::filesystem::path previous = std::filesystem::current_path();
    const std::filesystem::path gone
        = std::filesystem::temp_directory_path() / ("lintrel-gone-" + std::to_string(::getpid()));
    std::filesystem::create_directories(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);
    CCliResult result = RunCommand({"--file", "page.html"});
    std::filesystem::current_path(previous);
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(result.strErr,
        "lintrel-cli: cannot read page.html: the current folder is not available (No such file or directory)\n");
}

TEST(CliAbuse, HostileReasonPhrasesStayInTheirRow)
{
    const std::string strLong(10000, 'r');
    CScriptServer server([&strLong](CScriptServer::CConnection& connection) {
        const std::string& strRequest = connection.GetRequest();
        std::string strStatus = "HTTP/1.1 200 OK";
        std::string strBody;
        if (strRequest.rfind("GET ", 0) == 0)
            strBody = "<A HREF=\"long\">l</A> <A HREF=\"script\">s</A>\n";
        else if (strRequest.rfind("HEAD /long ", 0) == 0)
            strStatus = "HTTP/1.1 404 " + strLong;
        else
            strStatus = "HTTP/1.1 410 <script>\talert(1)\x1b[2J\r</script>";
        connection.Send(strStatus + "\r\nContent-Length: " + std::to_string(strBody.size())
            + "\r\nConnection: close\r\n\r\n" + strBody);
    });
    const std::string strIndex = "http://127.0.0.1/index.html\thttp://127.0.0.1/";
    CCliResult tsv = RunCommand({"--tsv", server.GetURL("/index.html")});
    // Regression: an escape sequence in a reason phrase reached the terminal
    // through the tab-separated rows.
    EXPECT_EQ(tsv.strOut,
        strIndex + "long\t404\t" + strLong + "\n" + strIndex + "script\t410\t<script> alert(1) [2J </script>\n");
    EXPECT_EQ(tsv.nExit, EXIT_SOME_BAD);
    CCliResult table = RunCommand({server.GetURL("/index.html")});
    EXPECT_NE(table.strOut.find("http://127.0.0.1/long    " + strLong + "\n"), std::string::npos);
    EXPECT_NE(table.strOut.find("http://127.0.0.1/script  <script> alert(1) [2J </script>\n"), std::string::npos)
        << table.strOut.substr(table.strOut.size() - 300);
}

TEST(CliAbuse, DrippingStartPageEndsByTheTenSecondReceiveTimeOut)
{
    // The one test at the program's own setting: a header line every two
    // seconds keeps the server from ever being silent for ten.
    CScriptServer server([](CScriptServer::CConnection& connection) {
        if (!connection.Send("HTTP/1.1 200 OK\r\n"))
            return;
        while (connection.Pause(std::chrono::seconds(2)) && connection.Send("X:\r\n")) {}
    });
    const auto start = std::chrono::steady_clock::now();
    CCliResult result = RunCommand({server.GetURL("/index.html")});
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_EQ(result.strErr,
        "lintrel-cli: cannot read " + server.GetURL("/index.html")
            + ": Timed out: the server sent less than 16 bytes a second for 10 seconds\n");
    EXPECT_GE(elapsed, std::chrono::seconds(10));
    EXPECT_LT(elapsed, std::chrono::seconds(20));
}
