// The settings the window checks and reads through the command line's
// parser: each refused as the command line refuses it, with the reason and
// without the program's name; a file's keys taken and named.

#include "cli/CliOptions.h"
#include "cli/ParseCliOptions.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

TEST(SettingsParseTest, EachSettingIsRefusedAsTheCommandLineRefusesIt)
{
    struct SCase {
        std::vector<std::string> arguments;
        // A part of the message; empty when accepted.
        std::string strPart;
    };
    const SCase cases[] = {
        {{"--rate", "10", "--per-host", "2", "--retries", "0", "--cache-age", "30m"}, ""},
        {{"--rate", "0"}, "--rate"},
        {{"--per-host", "999"}, "--per-host"},
        {{"--retries", "11"}, "--retries"},
        {{"--max-retry-wait", "x"}, "--max-retry-wait"},
        {{"--cache-age", "5x"}, "--cache-age takes an integer"},
        {{"--user-agent", "a\nb"}, "--user-agent needs a text on one line"},
    };
    for (const SCase& test : cases) {
        SCOPED_TRACE(test.arguments.at(1));
        CCliOptions options;
        const std::optional<std::string> strMessage = ParseSettings(test.arguments, options);
        if (test.strPart.empty()) {
            EXPECT_FALSE(strMessage) << *strMessage;
            continue;
        }
        ASSERT_TRUE(strMessage);
        EXPECT_NE(strMessage->find(test.strPart), std::string::npos) << *strMessage;
        EXPECT_EQ(strMessage->find("lintrel-cli:"), std::string::npos) << *strMessage;
        EXPECT_EQ(strMessage->find("--help"), std::string::npos) << *strMessage;
    }
}

TEST(SettingsParseTest, ASettingsFileGivesItsValuesAndNamesItsKeys)
{
    const std::filesystem::path file = TempPath("settings", ".toml");
    std::ofstream(file) << "rate = 3\nno-robots = true\nexclude = [\"a\", \"b\"]\n";
    CCliOptions options;
    std::vector<std::string> given;
    EXPECT_FALSE(ReadSettingsFile(file.string(), options, given));
    EXPECT_EQ(options.nRate, 3);
    EXPECT_TRUE(options.bNoRobots);
    EXPECT_EQ(options.excludes, (std::vector<std::string> {"a", "b"}));
    std::sort(given.begin(), given.end());
    EXPECT_EQ(given, (std::vector<std::string> {"exclude", "no-robots", "rate"}));
    std::ofstream(file) << "rate = 3\nrate-limit = 4\n";
    const std::optional<std::string> strMessage = ReadSettingsFile(file.string(), options, given);
    ASSERT_TRUE(strMessage);
    EXPECT_NE(strMessage->find(file.string() + ":2"), std::string::npos) << *strMessage;
    std::filesystem::remove(file);
}
