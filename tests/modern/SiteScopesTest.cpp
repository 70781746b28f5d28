#include "modern/SiteScopes.h"

#include "link/WebLink.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Two start pages on one host, /a/ and /b/ (the latter redirected to /b/new/);
// a page of each; and a link named first on /a/'s page.
class SiteScopes : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_scopes.AddStartPage(&m_startA);
        m_scopes.AddStartPage(&m_startB);
        m_scopes.SetSite(&m_startA, "http://h/a/");
        m_scopes.SetSite(&m_startB, "http://h/b/new/");
        m_scopes.NoteNamed(&m_startA, "http://h/a/");
        m_scopes.NoteNamed(&m_startB, "http://h/b/new/");
        m_scopes.NoteNamed(&m_pageA, "http://h/a/page.html");
        m_scopes.NoteNamed(&m_pageB, "http://h/b/new/page.html");
        m_link.AddOccurrence({&m_pageA, 1, 1});
    }

    CWebLink m_startA {"http://h/a/", nullptr};
    CWebLink m_startB {"http://h/b/", nullptr};
    CWebLink m_redirectedB {"http://h/b/new/", nullptr};
    CWebLink m_pageA {"http://h/a/page.html", &m_startA};
    CWebLink m_pageB {"http://h/b/new/page.html", &m_redirectedB};
    CWebLink m_link {"http://h/b/new/x.html", &m_pageA};
    CSiteScopes m_scopes;
};

TEST_F(SiteScopes, APageLiesInTheScopeOfTheStartPageItWasReachedFrom)
{
    struct SCase {
        const CWebLink* pLink;
        std::string strURL;
        bool bWithin;
    };
    const CWebLink fromA("http://h/a/y.html", &m_pageA);
    const CWebLink fromB("http://h/b/new/y.html", &m_pageB);
    const std::vector<SCase> cases = {
        {&fromA, "http://h/a/y.html", true}, {&fromA, "https://h/a/sub/y.html", true}, // http and https are one site
        {&fromA, "http://h/b/new/y.html", false}, // another start page's scope
        {&fromB, "http://h/b/new/y.html", true}, // the redirected start page's final directory
        {&fromB, "http://h/b/y.html", false}, {&fromB, "http://other/b/new/y.html", false},
        {&m_startA, "http://h/a/", false}, // a start page has no referrer to be reached from
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(c.pLink->GetFullURL() + " -> " + c.strURL);
        EXPECT_EQ(m_scopes.IsWithin(*c.pLink, c.strURL), c.bWithin);
    }
    EXPECT_TRUE(m_scopes.IsStartPage(&m_startB));
    EXPECT_FALSE(m_scopes.IsStartPage(&m_pageB));
}

TEST_F(SiteScopes, ALinkNamedLaterOnAPageOfItsScopeIsReached)
{
    m_scopes.NoteOutside(&m_link, m_link.GetFullURL());
    EXPECT_TRUE(m_scopes.TakeReached().empty());
    // Named again on /a/'s start page: still outside.
    m_link.AddOccurrence({&m_startA, 2, 1});
    EXPECT_TRUE(m_scopes.TakeReached().empty());
    m_link.AddOccurrence({&m_pageB, 3, 1});
    EXPECT_EQ(m_scopes.TakeReached(), std::vector<CLink*> {&m_link});
    // Taken once.
    EXPECT_TRUE(m_scopes.TakeReached().empty());
}

} // namespace
