#include "modern/RobotsRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SCase {
    const char* pszName;
    std::string strFile;
    // Path and query, and whether lintrel may fetch it.
    std::vector<std::pair<std::string, bool>> paths;
};

} // namespace

TEST(RobotsRules, ObeysTheGroupOfItsProductTokenElseStar)
{
    const std::vector<SCase> cases = {
        {"no file, or no group, allows all", "", {{"/", true}, {"/a", true}}},
        {"rules before any user-agent belong to no group", "Disallow: /\nUser-agent: other\nDisallow: /\n",
            {{"/", true}}},
        {"the star group applies when none names lintrel", "User-agent: *\nDisallow: /private/\n",
            {{"/private/a.html", false}, {"/private", true}, {"/public/", true}}},
        {"the group naming lintrel wins over star, in any case and with a version",
            "User-agent: *\nDisallow: /\n\nUser-agent: LinTrel/2.0\nDisallow: /only/\n",
            {{"/", true}, {"/only/x", false}}},
        {"a group naming lintrel with no rules allows all", "User-agent: *\nDisallow: /\nUser-agent: lintrel\n",
            {{"/x", true}}},
        {"a longer token is another product", "User-agent: lintrelbot\nDisallow: /\n", {{"/x", true}}},
        {"agents listed together share one group; a rule ends the list",
            "User-agent: a\nUser-agent: lintrel\nDisallow: /a\nUser-agent: b\nDisallow: /b\n",
            {{"/a", false}, {"/b", true}}},
        {"groups naming lintrel are combined", "User-agent: lintrel\nDisallow: /a\nUser-agent: lintrel\nDisallow: /b\n",
            {{"/a", false}, {"/b", false}, {"/c", true}}},
        {"the longest path wins, whatever its order", "User-agent: *\nAllow: /a/b\nDisallow: /a\n",
            {{"/a/c", false}, {"/a/b/c", true}}},
        {"allow wins a tie", "User-agent: *\nDisallow: /page\nAllow: /page\n", {{"/page", true}}},
        {"an empty disallow allows all", "User-agent: *\nDisallow:\n", {{"/", true}}},
        {"keys in any case, spaces, comments and CR line ends",
            "\xEF\xBB\xBFuser-AGENT :  *  # all\r\nDISALLOW : /tmp # scratch\r\nsitemap: /s.xml\rnonsense\n",
            {{"/tmp/x", false}, {"/tm", true}}},
        {"star matches any run; dollar the end",
            "User-agent: *\nDisallow: /*.pdf$\nDisallow: /a*b*c\nAllow: /$\nDisallow: /\n",
            {{"/", true}, {"/x.pdf", false}, {"/x.pdf?v=1", false}, {"/d/x.pdf", false}, {"/axxbyyc", false},
                {"/acb", false}, {"/index.html", false}}},
        {"star groups alone allow what the pattern misses",
            "User-agent: *\nDisallow: /*.pdf$\nDisallow: /a*b*c\nDisallow: /x*$\n",
            {{"/y.pdfs", true}, {"/abd", true}, {"/ab", true}, {"/y", true}, {"/xyz", false}}},
        {"the query takes part", "User-agent: *\nDisallow: /*?session=\n", {{"/p?session=1", false}, {"/p", true}}},
        {"unreserved escapes compare decoded, others by their hex in any case",
            "User-agent: *\nDisallow: /%7Euser/\nDisallow: /a%2fb\nDisallow: /caf\xC3\xA9\n",
            {{"/~user/x", false}, {"/%7euser/x", false}, {"/a%2Fb", false}, {"/a/b", true}, {"/caf%C3%A9", false}}},
        {"case matters in paths", "User-agent: *\nDisallow: /Admin\n", {{"/admin", true}, {"/Admin", false}}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pszName);
        const CRobotsRules rules = CRobotsRules::Parse(c.strFile, "lintrel");
        for (const auto& [strPath, bAllowed] : c.paths) {
            SCOPED_TRACE(strPath);
            EXPECT_EQ(rules.IsAllowed(strPath), bAllowed);
        }
    }
}

TEST(RobotsRules, ReadsNoMoreThanItsBound)
{
    // A rule past 512 KiB is not read; the rules kept stay few.
    std::string strFile = "User-agent: *\n";
    strFile.append(CRobotsRules::MAX_FILE, '#');
    strFile += "\nDisallow: /\n";
    EXPECT_TRUE(CRobotsRules::Parse(strFile, "lintrel").IsAllowed("/"));
    EXPECT_FALSE(CRobotsRules::DisallowAll().IsAllowed("/"));
    // Many stars against a long path finish at once.
    std::string strStars = "User-agent: *\nDisallow: /" + std::string(100000, '*') + "x$\n";
    EXPECT_TRUE(CRobotsRules::Parse(strStars, "lintrel").IsAllowed("/" + std::string(60000, 'a')));
}
