#pragma once

#include <string>

class CLink;
class CLinkArray;

/// The counts a finished crawl ends with, over every link found (not only
/// the rows listed). Good, bad and unchecked add up to the links.
class CCrawlSummary {
public:
    /// Counts links; nPages and dElapsedSeconds come from whoever ran the
    /// crawl (0 when it did not count them). Keeps no reference to links.
    explicit CCrawlSummary(const CLinkArray& links, int nPages = 0, double dElapsedSeconds = 0);

    int m_nLinks = 0;
    /// A status from 0 to 299.
    int m_nGood = 0;
    /// Checked, with any other status (a failed request gives 300).
    int m_nBad = 0;
    /// Never checked: the crawl was stopped first.
    int m_nUnchecked = 0;
    /// Pages taken from the queue, the start page included, whether or not
    /// they could be read.
    int m_nPages = 0;
    double m_dElapsedSeconds = 0;
    /// The option whose bound kept pages from being fetched ("max-pages",
    /// "max-depth"); empty when none did.
    std::string m_strTruncatedBy;
    /// Patterns kept links out of the crawl: m_nExcluded counts their
    /// distinct URLs, which are not among the links.
    bool m_bFiltered = false;
    int m_nExcluded = 0;
    /// The links carry verdicts: the formats count them, and those that list
    /// rules list one for each verdict that fails or warns.
    bool m_bVerdicts = false;
    /// Fragment checks ran: formats that list rules list the one for a
    /// missing fragment.
    bool m_bFragments = false;
    /// The crawl counted the pages of the site its robots.txt kept from
    /// being fetched: m_nRobotsSkipped.
    bool m_bRobotsCounted = false;
    int m_nRobotsSkipped = 0;
    /// A result cache was given: the formats count the results it gave.
    bool m_bCacheUsed = false;
    /// Links whose outcome was reused from the cache without a request.
    int m_nCached = 0;
    /// The program's version, for formats that name the tool.
    std::string m_strVersion;
    /// Only the links a change touched were checked and listed, though
    /// m_nPagesRead pages were read; m_nLinksChecked of them were checked.
    bool m_bChangesOnly = false;
    int m_nPagesRead = 0;
    int m_nLinksChecked = 0;
    /// Blocked and transient links fail the check as broken ones do.
    bool m_bStrict = false;
    /// Links of each verdict (0 without m_bVerdicts).
    int m_nOk = 0;
    int m_nBroken = 0;
    int m_nBlocked = 0;
    int m_nTransient = 0;

    /// True when link makes the check fail: any link without a good status,
    /// except a blocked or transient one unless strict.
    bool IsFailure(const CLink& link) const;
    /// True for a blocked or transient link that does not fail the check.
    bool IsWarning(const CLink& link) const;
    /// True when any link of links fails the check.
    bool HasFailure(const CLinkArray& links) const;
};
