#include "modern/ChangeFilter.h"
#include "link/WebLink.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A folder after a change: edited.html still there, old.html, old-dir/ and
// clean.html removed.
class ChangeFilterFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_folder = TempPath("changefilter").string();
        fs::create_directories(m_folder);
        std::ofstream(m_folder + "/edited.html") << "x";
        std::ofstream(m_folder + "/kept.html") << "x";
        m_changes.SetChanges(
            {m_folder, m_folder + "/elsewhere"}, {"edited.html", "old.html", "old-dir/index.html", "clean.html"});
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string m_folder;
    CChangeFilter m_changes;
};

TEST_F(ChangeFilterFolder, ALinkToARemovedPathIsListedWhateverItsForm)
{
    const std::string f = "file://" + m_folder;
    const struct {
        std::string strURL;
        std::string strOpen; // a mapped link's file; empty: its own file: URL
        bool bListed;
    } cases[] = {
        {f + "/old.html", "", true}, {f + "/./old.html", "", true}, {f + "/old-dir/", "", true},
        {f + "/old-dir", "", true}, {f + "/edited.html", "", false}, // changed, but still there
        {f + "/kept.html", "", false}, {f + "/missing.html", "", false}, // missing, but not by this change
        {"https://example.org/old", "file://" + m_folder + "/old", true},
        {"https://example.org/clean", "file://" + m_folder + "/clean", true},
        {"https://example.org/old-dir/", "file://" + m_folder + "/old-dir/index.html", true},
        {"https://example.org/kept", "file://" + m_folder + "/kept.html", false},
        {"https://example.org/old.html", "", false}, // a web link names no file
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.strURL);
        const CWebLink link(test.strURL, nullptr, test.strOpen);
        EXPECT_EQ(m_changes.IsListed(link), test.bListed);
    }
}

TEST_F(ChangeFilterFolder, APageIsChangedByItsFileAndItsLinksByBeingNamedOnOne)
{
    EXPECT_TRUE(m_changes.IsChangedPage(CWebLink("file://" + m_folder + "/edited.html", nullptr)));
    EXPECT_TRUE(m_changes.IsChangedPage(
        CWebLink("https://example.org/edited", nullptr, "file://" + m_folder + "/edited.html")));
    EXPECT_FALSE(m_changes.IsChangedPage(CWebLink("file://" + m_folder + "/kept.html", nullptr)));
    EXPECT_FALSE(m_changes.IsChangedPage(CWebLink("https://example.org/edited.html", nullptr)));
    const CWebLink web("https://example.org/x", nullptr);
    EXPECT_FALSE(m_changes.IsListed(web));
    EXPECT_TRUE(m_changes.NoteNamed("https://example.org/x"));
    EXPECT_FALSE(m_changes.NoteNamed("https://example.org/x"));
    EXPECT_TRUE(m_changes.IsListed(web));
}

} // namespace
