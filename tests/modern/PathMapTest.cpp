#include "modern/PathMap.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;

struct SRelativeCase {
    const char* pszRest;
    std::optional<std::string> path; // nullopt: the path leaves the folder or names no file
    bool bDirectory;
};

TEST(PathMap, TheRestOfAURLIsAPathThatNeverLeavesItsFolder)
{
    const SRelativeCase cases[] = {
        {"", "", true},
        {"a.html", "a.html", false},
        {"docs/", "docs", true},
        {"docs", "docs", false},
        {"a/b/c.html?v=1", "a/b/c.html", false},
        {"a%20b.html", "a b.html", false},
        {"caf%C3%A9.html", "caf\xC3\xA9.html", false},
        {"a//b.html", "a/b.html", false},
        {"a/./b.html", "a/b.html", false},
        {"a/../b.html", "b.html", false},
        {"a/..", "", true},
        {"a/b/.", "a/b", true},
        {"a%2F..%2F..%2Fb.html", std::nullopt, false},
        {"..%2Fsecret.html", std::nullopt, false},
        {"%2E%2E/secret.html", std::nullopt, false},
        {"a/%2e%2e/%2e%2e/x", std::nullopt, false},
        {"..", std::nullopt, false},
        {"a%00.html", std::nullopt, false},
        // Not an escape: kept as written.
        {"100%.html", "100%.html", false},
        {"%zz.html", "%zz.html", false},
    };
    for (const SRelativeCase& test : cases) {
        SCOPED_TRACE(test.pszRest);
        const std::optional<CPathMap::SRelativePath> path = CPathMap::ToRelativePath(test.pszRest);
        ASSERT_EQ(path.has_value(), test.path.has_value());
        if (!path)
            continue;
        EXPECT_EQ(path->strPath, *test.path);
        EXPECT_EQ(path->bDirectory, test.bDirectory);
    }
}

class PathMapFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = TempPath("pathmap");
        for (const char* pszDirectory : {"docs", "empty", "blog", "both"})
            fs::create_directories(m_folder / pszDirectory);
        for (const char* pszFile : {"index.html", "about.html", "docs/index.html", "notes.txt", "blog.html",
                 "both.html", "both/index.html", "plain", "plain.html", "deep/x.html"}) {
            fs::create_directories((m_folder / pszFile).parent_path());
            std::ofstream(m_folder / pszFile) << "x";
        }
    }
    void TearDown() override { fs::remove_all(m_folder); }

    fs::path m_folder;
};

struct SServedCase {
    const char* pszRest;
    const char* pszServed; // below the folder; empty: names no file
};

TEST_F(PathMapFolder, EachURLIsServedAsAStaticHostServesIt)
{
    const SServedCase cases[] = {
        {"", "index.html"},
        {"about.html", "about.html"},
        {"about", "about.html"},
        {"docs", "docs/index.html"},
        {"docs/", "docs/index.html"},
        {"docs/index.html", "docs/index.html"},
        {"notes.txt", "notes.txt"},
        // A directory without index.html falls back to PATH.html ...
        {"blog", "blog.html"},
        // ... but a trailing slash asks for the directory only.
        {"blog/", "blog/index.html"},
        // The directory's index.html before PATH.html.
        {"both", "both/index.html"},
        // The file itself before PATH.html.
        {"plain", "plain"},
        {"empty", "empty"},
        {"missing.html", "missing.html"},
        {"missing", "missing"},
        {"deep/x", "deep/x.html"},
        {"..%2Findex.html", ""},
    };
    CPathMap map;
    std::string strError;
    ASSERT_TRUE(map.Add("https://example.org/", m_folder.string(), strError)) << strError;
    for (const SServedCase& test : cases) {
        SCOPED_TRACE(test.pszRest);
        const std::optional<std::string> file = map.MapToFile(std::string("https://example.org/") + test.pszRest);
        ASSERT_TRUE(file.has_value());
        EXPECT_EQ(*file, std::string(test.pszServed).empty() ? "" : (m_folder / test.pszServed).string());
    }
}

TEST_F(PathMapFolder, TheLongestPrefixWinsAndOthersAreNotMapped)
{
    CPathMap map;
    std::string strError;
    ASSERT_TRUE(map.Add("https://example.org", m_folder.string(), strError)) << strError;
    ASSERT_TRUE(map.Add("https://EXAMPLE.org/docs/", (m_folder / "docs").string() + "/", strError)) << strError;
    const struct {
        const char* pszURL;
        std::optional<std::string> file;
    } cases[] = {
        {"https://example.org/docs/", (m_folder / "docs/index.html").string()},
        {"https://example.org/docs", (m_folder / "docs/index.html").string()},
        {"https://example.org/about", (m_folder / "about.html").string()},
        {"http://example.org/about", std::nullopt},
        {"https://example.org.evil/about", std::nullopt},
        {"https://www.example.org/", std::nullopt},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.pszURL);
        EXPECT_EQ(map.MapToFile(test.pszURL), test.file);
    }
}

TEST_F(PathMapFolder, APrefixMustBeAWebURLAndTheFolderMustExist)
{
    CPathMap map;
    std::string strError;
    EXPECT_FALSE(map.Add("example.org/", m_folder.string(), strError));
    EXPECT_NE(strError.find("no http or https URL"), std::string::npos) << strError;
    EXPECT_FALSE(map.Add("https://example.org/", (m_folder / "nothing").string(), strError));
    EXPECT_NE(strError.find("does not exist"), std::string::npos) << strError;
    EXPECT_FALSE(map.Add("https://example.org/", (m_folder / "about.html").string(), strError));
    EXPECT_TRUE(map.IsEmpty());
}

} // namespace
