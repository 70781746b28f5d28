#include "cli/CliResult.h"
#include "cli/RunCli.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A site's build in the current folder, whose pages link each other by
// absolute production URLs, clean URLs and a directory named without its
// slash. The production host is a loopback server that would answer every
// page: any request it sees is one the map should have kept.
class CliMap : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/", 200, "text/html", "<a href=\"/x\">x</a>", {}}, {"/about", 200, "text/html", "", {}},
            {"/missing.html", 200, "text/html", "", {}}});
        m_server.Start();
        m_strProduction = m_server.GetURL("/");
        m_strFolder = "cli-map-" + std::to_string(::getpid());
        fs::create_directories(m_strFolder + "/public/docs");
        const std::string& p = m_strProduction;
        Write("public/index.html",
            "<a href=\"" + p + "about\">clean</a>\n<a href=\"" + p + "docs\">dir</a>\n<a href=\"" + p
                + "missing.html\">broken</a>\n<a href=\"" + p + "..%2F..%2Fsecret.html\">outside</a>\n"
                + "<a href=\"about.html\">relative</a>\n");
        Write("public/about.html", "<a href=\"" + p + "\">home</a> <a href=\"gone\">gone</a>\n");
        // Served for /docs without a redirect: relative links resolve against /docs.
        Write("public/docs/index.html", "<a href=\"guide.html\">g</a>\n<a href=\"docs/guide.html\">g</a>\n");
        Write("public/docs/guide.html", "guide\n");
        Write("secret.html", "outside the folder\n");
        m_strMap = p + "=" + m_strFolder + "/public";
    }
    void TearDown() override { fs::remove_all(m_strFolder); }

    void Write(const std::string& strName, const std::string& strText)
    {
        std::ofstream(m_strFolder + "/" + strName) << strText;
    }

    CTestServer m_server;
    std::string m_strProduction;
    std::string m_strFolder;
    std::string m_strMap;
};

TEST_F(CliMap, AMappedSiteIsCrawledFromItsFilesUnderItsProductionURLs)
{
    CCliResult result = RunCommand({"-m", "-r", "--tsv", m_strProduction, "--map", m_strMap});
    EXPECT_EQ(result.nExit, EXIT_SOME_BAD) << result.strErr;
    const std::string& p = m_strProduction;
    EXPECT_EQ(result.strOut,
        p + "\t" + p + "about\t200\tOK\n" + p + "\t" + p + "docs\t200\tOK\n" + p + "\t" + p
            + "missing.html\t404\tNot Found\n" + p + "\t" + p + "..%2F..%2Fsecret.html\t404\tNot Found\n" + p + "\t" + p
            + "about.html\t200\tOK\n" + p + "about\t" + p + "\t200\tOK\n" + p + "about\t" + p + "gone\t404\tNot Found\n"
            + p + "docs\t" + p + "guide.html\t404\tNot Found\n" + p + "docs\t" + p + "docs/guide.html\t200\tOK\n");
    EXPECT_TRUE(m_server.GetRequests().empty()) << m_server.GetRequests().front();
}

TEST_F(CliMap, GithubNamesTheMappedFileAndTheMessageTheProductionURL)
{
    CCliResult result = RunCommand({"-m", "-r", "--format", "github", m_strProduction, "--map", m_strMap});
    const std::string& p = m_strProduction;
    const std::string strIndex = "::error file=" + m_strFolder + "/public/index.html,line=";
    // /about and /about.html are two pages served from one file.
    const std::string strGone = "::error file=" + m_strFolder
        + "/public/about.html,line=1,col=" + std::to_string(p.size() + 21) + "::" + p + "gone: 404 Not Found\n";
    EXPECT_EQ(result.strOut,
        strIndex + "3,col=1::" + p + "missing.html: 404 Not Found\n" + strIndex + "4,col=1::" + p
            + "..%252F..%252Fsecret.html: 404 Not Found\n" + strGone + strGone + "::error file=" + m_strFolder
            + "/public/docs/index.html,line=1,col=1::" + p + "guide.html: 404 Not Found\n");
    EXPECT_TRUE(m_server.GetRequests().empty());
}

TEST_F(CliMap, AFolderCheckKeepsItsFileNamesAndResolvesProductionLinksThroughTheMap)
{
    CCliResult result = RunCommand({"-m", "--tsv", "--file", m_strFolder + "/public", "--map", m_strMap});
    const std::string f = "file://" + (fs::current_path() / m_strFolder).string() + "/public/";
    const std::string& p = m_strProduction;
    EXPECT_EQ(result.strOut,
        f + "about.html\t" + p + "\t200\tOK\n" + f + "about.html\t" + f + "gone\t404\tNot Found\n" + f
            + "docs/index.html\t" + f + "docs/guide.html\t200\tOK\n" + f + "docs/index.html\t" + f
            + "docs/docs/guide.html\t404\tNot Found\n" + f + "index.html\t" + p + "about\t200\tOK\n" + f
            + "index.html\t" + p + "docs\t200\tOK\n" + f + "index.html\t" + p + "missing.html\t404\tNot Found\n" + f
            + "index.html\t" + p + "..%2F..%2Fsecret.html\t404\tNot Found\n" + f + "index.html\t" + f
            + "about.html\t200\tOK\n");
    EXPECT_TRUE(m_server.GetRequests().empty());
}

TEST_F(CliMap, AFolderThatDoesNotExistIsAUsageError)
{
    CCliResult result = RunCommand({"-m", m_strProduction, "--map", m_strProduction + "=" + m_strFolder + "/none"});
    EXPECT_EQ(result.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(result.strErr.find("does not exist"), std::string::npos) << result.strErr;
    EXPECT_TRUE(m_server.GetRequests().empty());
}

} // namespace
