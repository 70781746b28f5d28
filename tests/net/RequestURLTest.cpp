#include "net/RequestURL.h"
#include "link/Link.h"

#include <gtest/gtest.h>

#include <vector>

TEST(RequestURL, CarriesTheRequestPortAfterTheHost)
{
    CLink referrer("http://server:8080/dir/page.html", nullptr);
    struct Case {
        const char* pszURL;
        CLink* pReferrer;
        const char* pszPageURL;
        const char* pszHeadURL;
    };
    const std::vector<Case> cases = {
        {"http://server/dir/a.html", nullptr, "http://server/dir/a.html", "http://server/dir/a.html"},
        {"http://server:8080/dir/a.html", nullptr, "http://server:8080/dir/a.html", "http://server:8080/dir/a.html"},
        {"b.html", &referrer, "http://server:8080/dir/b.html", "http://server:8080/dir/b.html"},
        {"http://other/c.html", &referrer, "http://other/c.html", "http://other/c.html"},
        {"http://server:99999/d.html", nullptr, "http://server/d.html", "http://server/d.html"},
        // A page's GET keeps its full URL as it is; a HEAD always has a path.
        {"http://server:8080", nullptr, "http://server:8080", "http://server:8080/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszURL);
        CLink link(c.pszURL, c.pReferrer);
        EXPECT_EQ(CRequestURL::ForPage(link), c.pszPageURL);
        EXPECT_EQ(CRequestURL::ForHead(link), c.pszHeadURL);
    }
}

TEST(RequestURL, ObjectNameWithoutASlashGetsOne)
{
    EXPECT_EQ(CRequestURL::ForServer("host", 0, "a.html"), "http://host/a.html");
    EXPECT_EQ(CRequestURL::ForServer("host", 81, ""), "http://host:81/");
    EXPECT_EQ(CRequestURL::ForServer("host", 81, "/x?y"), "http://host:81/x?y");
}
