#include "link/Link.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

TEST(LinkStatus, NewRecordIsUnexaminedButGood)
{
    CLink link("http://server/x.html", nullptr);
    EXPECT_EQ(link.GetStatusCode(), -1);
    EXPECT_EQ(link.GetStatusText(), "");
    EXPECT_FALSE(link.HasGoodStatus());
    EXPECT_TRUE(link.IsGood());
}

TEST(LinkStatus, SetStatusAndSetError)
{
    struct Case {
        int nCode;
        const char* pszText;
        const char* pszShown;
        bool bGood;
        bool bHasGoodStatus;
    };
    const std::vector<Case> cases = {
        {200, "OK", "OK", true, true},
        {204, "No Content", "OK", true, true},
        {200, "", "", true, true},
        {299, "Whatever", "OK", true, true},
        {300, "Multiple Choices", "Multiple Choices", false, false},
        {404, "Not Found", "Not Found", false, false},
        {405, "Method Not Allowed", "Method Not Allowed", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nCode);
        CLink link("http://server/x.html", nullptr);
        EXPECT_EQ(link.SetStatus(c.nCode, c.pszText), c.bGood);
        EXPECT_EQ(link.GetStatusText(), c.pszShown);
        EXPECT_EQ(link.IsGood(), c.bGood);
        EXPECT_EQ(link.HasGoodStatus(), c.bHasGoodStatus);
    }

    CLink failed("http://nohost.invalid/", nullptr);
    failed.SetError("Could not resolve host: nohost.invalid");
    EXPECT_EQ(failed.GetStatusCode(), 300);
    EXPECT_EQ(failed.GetStatusText(), "Could not resolve host: nohost.invalid");
    EXPECT_FALSE(failed.HasGoodStatus());
}

TEST(LinkAccessors, HostFallsBackAlongTheReferrerChain)
{
    // Records that keep an empty own host: a fragment-only link, then one
    // resolved against it, whose host is copied from the chain at construction.
    CLink root("http://server/dir/page.html", nullptr);
    CLink fragment("#a", &root);
    CLink second("#b", &fragment);
    EXPECT_EQ(fragment.GetHost(), "server");
    EXPECT_EQ(second.GetHost(), "server");
    // GetFullURL reads the referrer's stored host one level only.
    EXPECT_EQ(fragment.GetFullURL(), "http://server/dir/page.html");
    EXPECT_EQ(second.GetFullURL(), "http:///dir/page.html");
}

TEST(LinkAccessors, HostWithoutReferrerOrOwnHost)
{
    EXPECT_EQ(CLink("server/dir/", nullptr).GetHost(), "server/dir/");
    EXPECT_EQ(CLink("http://:80/x.html", nullptr).GetHost(), "/x.html");
}

TEST(LinkAccessors, RootAnswers)
{
    CLink bare("http://server", nullptr);
    EXPECT_EQ(bare.GetRequestPath(), "/");
    EXPECT_EQ(bare.GetBasePath(), "/");
    EXPECT_EQ(bare.GetHostAndPath(), "server");
    CLink empty("", nullptr);
    EXPECT_EQ(empty.GetHostAndPath(), "/");
    EXPECT_EQ(CLink("http://server:8080/", nullptr).GetPortText(), "8080");
    EXPECT_EQ(CLink("#x", &bare).GetPortText(), "-1");
}

TEST(LinkAccessors, DeletingRecordsNeverTouchesTheirReferrer)
{
    auto pRoot = std::make_unique<CLink>("http://server/dir/", nullptr);
    std::vector<std::unique_ptr<CLink>> links;
    for (const char* pszURL : {"a.html", "b/c.html", "#x"})
        links.push_back(std::make_unique<CLink>(pszURL, pRoot.get()));
    links.clear();
    EXPECT_EQ(pRoot->GetFullURL(), "http://server/dir/");
}

TEST(LinkMends, VeryLongURLsParseByTheSameRules)
{
    // Positions are full width: nothing wraps past 32767 characters.
    std::string strLongFile(100000, 'f');
    CLink link("http://server/dir/" + strLongFile + "#frag", nullptr);
    EXPECT_EQ(link.GetHost(), "server");
    EXPECT_EQ(link.GetPath(), "/dir/");
    EXPECT_EQ(link.GetFile(), strLongFile);
    EXPECT_EQ(link.GetFragment(), "frag");

    std::string strLongHost(100000, 'h');
    CLink host("http://" + strLongHost + ":81/x", nullptr);
    EXPECT_EQ(host.GetHost(), strLongHost);
    EXPECT_EQ(host.GetPort(), 81);
    CLink digits("http://h:" + std::string(40000, '9') + "/x", nullptr);
    EXPECT_EQ(digits.GetRequestPort(), 0);
}

TEST(LinkMends, RequestPortFollowsTheAuthorityThatNamesIt)
{
    CLink root("http://127.0.0.1:8080/dir/index.html", nullptr);
    CLink base("http://127.0.0.1:9090/base/", nullptr);
    struct Case {
        const char* pszURL;
        CLink* pReferrer;
        int nRequestPort;
    };
    const std::vector<Case> cases = {
        {"http://127.0.0.1:8080/x.html", nullptr, 8080},
        {"http://host/x.html", nullptr, 0},
        {"http://host:0/x.html", nullptr, 0},
        {"http://host:70000/x.html", nullptr, 0},
        {"http://host:-5/x.html", nullptr, 0},
        {"http://host:65535/", nullptr, 65535},
        {"http://:8080/x.html", nullptr, 8080},
        {"x.html", &root, 8080},
        {"../up.html", &root, 8080},
        {"#top", &root, 8080},
        {"/", &root, 8080},
        {"http://other/x.html", &root, 0},
        {"//other:81/x.html", &root, 81},
        {"x.html", &base, 9090},
        {"x.html", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszURL);
        CLink link(c.pszURL, c.pReferrer);
        EXPECT_EQ(link.GetRequestPort(), c.nRequestPort);
    }
    // Everything shown stays portless.
    CLink relative("x.html", &root);
    EXPECT_EQ(relative.GetFullURL(), "http://127.0.0.1/dir/x.html");
    EXPECT_EQ(relative.GetPortText(), "80");
}
