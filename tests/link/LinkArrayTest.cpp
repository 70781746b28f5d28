#include "link/LinkArray.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<CLink> MakeLink(const std::string& strURL, CLink* pReferrer = nullptr)
{
    return std::make_unique<CLink>(strURL, pReferrer);
}

} // namespace

TEST(LinkArray, PositionsAreOneBasedInTheOrderAdded)
{
    CLinkArray links;
    EXPECT_EQ(links.GetSize(), 0);
    EXPECT_EQ(links.GetAt(1), nullptr);
    links.Add(MakeLink("http://server/a.html"));
    links.Add(MakeLink("http://server/b.html"));
    ASSERT_EQ(links.GetSize(), 2);
    EXPECT_EQ(links.GetAt(1)->GetFullURL(), "http://server/a.html");
    EXPECT_EQ(links.GetAt(2)->GetFullURL(), "http://server/b.html");
    EXPECT_EQ(links.GetAt(0), nullptr);
    EXPECT_EQ(links.GetAt(3), nullptr);
    EXPECT_EQ(links.GetAt(-1), nullptr);
}

TEST(LinkArray, DuplicatesAreFullURLsEqualByteForByte)
{
    struct Case {
        const char* pszHeld;
        const char* pszOffered;
        bool bDuplicate;
    };
    const std::vector<Case> cases = {
        {"http://server/x.html", "http://server/x.html", true},
        {"http://server/x.html", "http://server/x.html#top", true},
        {"http://server/x.html", "http://server:8080/x.html", true},
        {"http://server/x.html", "http://server/X.html", false},
        {"http://server/x.html", "http://SERVER/x.html", false},
        {"http://server/x.html", "http://server/x.htm", false},
        {"http://server/", "http://server", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pszHeld) + " / " + c.pszOffered);
        CLinkArray links;
        links.Add(MakeLink(c.pszHeld));
        auto pOffered = MakeLink(c.pszOffered);
        EXPECT_EQ(links.Contains(pOffered->GetFullURL()), c.bDuplicate);
        CLink* pFiled = links.AddIfNew(std::move(pOffered));
        EXPECT_EQ(pFiled == nullptr, c.bDuplicate);
        EXPECT_EQ(links.GetSize(), c.bDuplicate ? 1 : 2);
        EXPECT_EQ(links.GetAt(links.GetSize()), c.bDuplicate ? links.GetAt(1) : pFiled);
    }
}

TEST(LinkArray, IndexKeepsEveryURLAcrossGrowthAndFirstRecordWins)
{
    CLinkArray links;
    CLink first("http://server/first.html", nullptr);
    CLink second("http://server/second.html", nullptr);
    const int nCount = 5000;
    for (int i = 0; i < nCount; ++i)
        ASSERT_NE(links.AddIfNew(MakeLink("p" + std::to_string(i) + ".html", &first)), nullptr);
    for (int i = 0; i < nCount; ++i)
        EXPECT_EQ(links.AddIfNew(MakeLink("/p" + std::to_string(i) + ".html", &second)), nullptr);
    ASSERT_EQ(links.GetSize(), nCount);
    for (int nPos = 1; nPos <= nCount; ++nPos) {
        const std::string strURL = "http://server/p" + std::to_string(nPos - 1) + ".html";
        ASSERT_EQ(links.GetAt(nPos)->GetFullURL(), strURL);
        ASSERT_EQ(links.GetAt(nPos)->GetReferrer(), &first);
        ASSERT_TRUE(links.Contains(strURL));
    }
    EXPECT_FALSE(links.Contains("http://server/p5000.html"));
}

TEST(LinkArray, RemoveAllForgetsRecordsAndBases)
{
    CLinkArray links;
    CLink* pBase = links.AdoptBase(MakeLink("http://base/dir/"));
    links.Add(MakeLink("x.html", pBase));
    EXPECT_TRUE(links.Contains("http://base/dir/x.html"));
    links.RemoveAll();
    EXPECT_EQ(links.GetSize(), 0);
    EXPECT_FALSE(links.Contains("http://base/dir/x.html"));
    EXPECT_NE(links.AddIfNew(MakeLink("http://base/dir/x.html")), nullptr);
    EXPECT_EQ(links.GetSize(), 1);
}

TEST(LinkArray, KeepOnlyListsTheKeptInOrderAndKeepsTheOthersAliveAsReferrers)
{
    CLinkArray links;
    links.Add(MakeLink("http://server/page.html"));
    CLink* pPage = links.GetAt(1);
    links.Add(MakeLink("http://server/a.html", pPage));
    links.Add(MakeLink("http://server/b.html", pPage));
    links.Add(MakeLink("http://server/c.html", pPage));
    links.KeepOnly([](const CLink& link) {
        return link.GetFullURL() != "http://server/page.html" && link.GetFullURL() != "http://server/b.html";
    });
    ASSERT_EQ(links.GetSize(), 2);
    EXPECT_EQ(links.GetAt(1)->GetFullURL(), "http://server/a.html");
    EXPECT_EQ(links.GetAt(2)->GetFullURL(), "http://server/c.html");
    // The index follows the new positions, and the page taken out still names its links.
    EXPECT_EQ(links.Find("http://server/c.html"), links.GetAt(2));
    EXPECT_FALSE(links.Contains("http://server/b.html"));
    EXPECT_EQ(links.GetAt(2)->GetReferrer()->GetFullURL(), "http://server/page.html");
    links.Add(MakeLink("http://server/b.html"));
    EXPECT_EQ(links.Find("http://server/b.html"), links.GetAt(3));
}
