#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A folder of pages in the current folder, so the CI formats name its pages
// by short relative paths: a good file link, a missing one, a directory with
// and without index.html, an anchor into a missing page, a web link, a page
// in a subfolder, a second path to one page and a link loop.
class CliSiteFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/ok", 200, "text/html", "", {}}});
        m_server.Start();
        m_strFolder = "cli-site-" + std::to_string(::getpid());
        fs::create_directories(m_strFolder + "/sub");
        fs::create_directories(m_strFolder + "/empty");
        Write("a.html",
            "<a href=\"b.html\">good</a>\n<a href=\"missing.html\">m</a>\n<a href=\"sub/\">i</a>\n"
            "<a href=\"empty/\">e</a>\n<a href=\"gone.html#top\">g</a>\n<a href=\""
                + m_server.GetURL("/ok") + "\">web</a>\n");
        Write("b.html", "<a href=\"a.html#x\">back</a>\n");
        // Upper case sorts before lower case in byte order.
        Write("Z.htm", "<a href=\"a.html\">a</a>\n");
        Write("sub/index.html", "<a href=\"../b.html?v=1\">up</a>\n");
        Write("empty/notes.txt", "<a href=\"nowhere.html\">not a page</a>\n");
        fs::create_symlink("a.html", m_strFolder + "/link.html");
        fs::create_directory_symlink("..", m_strFolder + "/sub/loop");
        m_strURL = "file://" + (fs::current_path() / m_strFolder).string() + "/";
    }
    void TearDown() override { fs::remove_all(m_strFolder); }

    void Write(const std::string& strName, const std::string& strText)
    {
        std::ofstream(m_strFolder + "/" + strName) << strText;
    }

    CTestServer m_server;
    std::string m_strFolder;
    std::string m_strURL;
};

TEST_F(CliSiteFolder, EveryPageIsAStartPageAndFileLinksAreLookedAt)
{
    CCliResult result = RunCommand({"-m", "-r", "--tsv", "--file", m_strFolder});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const std::string& u = m_strURL;
    EXPECT_EQ(result.strOut,
        u + "Z.htm\t" + u + "a.html\t200\tOK\n" + u + "a.html\t" + u + "b.html\t200\tOK\n" + u + "a.html\t" + u
            + "missing.html\t404\tNot Found\n" + u + "a.html\t" + u + "sub/\t200\tOK\n" + u + "a.html\t" + u
            + "empty/\t404\tNot Found\n" + u + "a.html\t" + u + "gone.html\t404\tNot Found\n" + u + "a.html\t"
            + m_server.GetURL("/ok") + "\t200\tOK\n" + u + "sub/index.html\t" + u + "b.html?v=1\t200\tOK\n");
    // The web link is checked, never read as a page, even with -r.
    EXPECT_EQ(m_server.CountRequests("GET", "/ok"), 0);

    CCliResult json = RunCommand({"-m", "--json", "--file", m_strFolder + "/"});
    EXPECT_EQ(nlohmann::json::parse(json.strOut)["summary"]["pages_fetched"], 4) << json.strOut;
}

TEST_F(CliSiteFolder, CiFormatsNameEachBadLinkByItsRelativePath)
{
    CCliResult github = RunCommand({"-m", "--format", "github", "--file", m_strFolder});
    const std::string strPage = "::error file=" + m_strFolder + "/a.html,line=";
    EXPECT_EQ(github.strOut,
        strPage + "2,col=1::" + m_strURL + "missing.html: 404 Not Found\n" + strPage + "4,col=1::" + m_strURL
            + "empty/: 404 Not Found\n" + strPage + "5,col=1::" + m_strURL + "gone.html: 404 Not Found\n");

    CCliResult sarif = RunCommand({"-m", "--format", "sarif", "--file", m_strFolder});
    const nlohmann::json results = nlohmann::json::parse(sarif.strOut)["runs"][0]["results"];
    ASSERT_EQ(results.size(), 3u) << sarif.strOut;
    for (const nlohmann::json& finding : results)
        EXPECT_EQ(finding["locations"][0]["physicalLocation"]["artifactLocation"]["uri"], m_strFolder + "/a.html");
}

TEST_F(CliSiteFolder, AFolderWithoutTheModernModeIsAUsageError)
{
    CCliResult result = RunCommand({"--file", m_strFolder});
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(result.strErr.find("--modern"), std::string::npos) << result.strErr;
    EXPECT_TRUE(result.strOut.empty());
}

} // namespace
