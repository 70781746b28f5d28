// Settings from a TOML file: every long option by its name, the command
// line winning, and a bad file named with its line and key.

#include "cli/CliResult.h"
#include "support/TestFiles.h"
#include "support/TestServer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

struct SConfigCase {
    std::string strName;
    std::string strFile;
    std::vector<std::string> args;
    int nExit = 0;
    // The start of stdout, or a part of stderr.
    std::string strOutStart;
    std::string strErrPart;
};

const std::string JSON_START = "{\n  \"rows\"";
const std::string TABLE_START = "Referring Page";

const std::vector<SConfigCase> CONFIG_CASES = {
    {"settings apply", "only-bad = true\nformat = \"json\"\njobs = 4\n", {}, EXIT_SOME_BAD, JSON_START, ""},
    {"command line wins", "format = \"json\"\n", {"--format", "table"}, EXIT_SOME_BAD, TABLE_START, ""},
    {"patterns add up", "exclude = [\"missing\"]\n", {"--exclude", "good", "--format", "json"}, EXIT_ALL_GOOD,
        JSON_START, ""},
    {"a lone pattern", "include = 'good'\nformat = 'json'\n", {}, EXIT_ALL_GOOD, JSON_START, ""},
    {"false flag", "only-bad = false\n", {}, EXIT_SOME_BAD, TABLE_START, ""},
    {"unknown key", "jobs = 2\ncolour = true\n", {}, EXIT_CANNOT_RUN, "", ".toml:2: colour: not an option"},
    {"no help key", "help = true\n", {}, EXIT_CANNOT_RUN, "", ".toml:1: help: not an option"},
    {"text for a number", "\njobs = \"4\"\n", {}, EXIT_CANNOT_RUN, "", ".toml:2: jobs: expects an integer"},
    {"number for a flag", "recursive = 1\n", {}, EXIT_CANNOT_RUN, "", ".toml:1: recursive: expects true or false"},
    {"number in patterns", "exclude = ['a', 2]\n", {}, EXIT_CANNOT_RUN, "", ".toml:1: exclude: expects a string"},
    {"out of range", "jobs = 0\n", {}, EXIT_CANNOT_RUN, "", ".toml:1: jobs: --jobs: Value 0 not in range"},
    {"exclusive", "tsv = true\nformat = \"json\"\n", {}, EXIT_CANNOT_RUN, "",
        ".toml:2: format: --tsv and --format json exclude each other"},
    {"not toml", "jobs = = 3\n", {}, EXIT_CANNOT_RUN, "", ".toml:1: "},
};

class CliConfig : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_server.AddRoutes({{"/index.html", 200, "text/html", Page({"good.html", "missing.html"}), {}},
            {"/good.html", 200, "text/html", "", {}}});
        m_server.Start();
    }

    CTestServer m_server;
};

} // namespace

TEST_F(CliConfig, FileSettingsCommandLineAndErrors)
{
    for (const SConfigCase& configCase : CONFIG_CASES) {
        SCOPED_TRACE(configCase.strName);
        const std::filesystem::path path = TempPath("config", ".toml");
        std::ofstream(path) << configCase.strFile;
        std::vector<std::string> args = {"--config", path.string()};
        args.insert(args.end(), configCase.args.begin(), configCase.args.end());
        args.push_back(m_server.GetURL("/index.html"));
        const CCliResult result = RunCommand(args);
        EXPECT_EQ(result.nExit, configCase.nExit) << result.strErr;
        EXPECT_EQ(result.strOut.substr(0, configCase.strOutStart.size()), configCase.strOutStart);
        EXPECT_NE(result.strErr.find(configCase.strErrPart), std::string::npos) << result.strErr;
        if (configCase.nExit == EXIT_CANNOT_RUN) {
            EXPECT_NE(result.strErr.find(path.string()), std::string::npos) << result.strErr;
        }
        std::filesystem::remove(path);
    }
}

TEST_F(CliConfig, LintrelTomlHereIsReadAndAMissingConfigIsAnError)
{
    const std::filesystem::path folder = TempPath("config-here");
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "lintrel.toml") << "format = \"json\"\n";
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    const CCliResult here = RunCommand({m_server.GetURL("/index.html")});
    const CCliResult missing = RunCommand({"--config", "absent.toml", m_server.GetURL("/index.html")});
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
    EXPECT_EQ(here.strOut.substr(0, JSON_START.size()), JSON_START);
    EXPECT_EQ(here.strErr, "lintrel-cli: settings read from lintrel.toml\n");
    EXPECT_EQ(missing.nExit, EXIT_CANNOT_RUN);
    EXPECT_NE(missing.strErr.find("cannot read the config file absent.toml"), std::string::npos) << missing.strErr;
}
