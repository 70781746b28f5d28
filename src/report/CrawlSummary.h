#pragma once

#include <string>

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
    /// The crawl ran in the modern-web mode, whose formats know more rules.
    bool m_bModern = false;
    /// The program's version, for formats that name the tool.
    std::string m_strVersion;
};
