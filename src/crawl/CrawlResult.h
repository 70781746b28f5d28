#pragma once

#include <cstddef>
#include <string>

/// What a crawl tells its front end beside the links: what kept pages or
/// links out, and what its rules noted. Each set of rules fills in what it
/// knows; the rest keeps its default.
struct SCrawlResult {
    /// A bound that kept a page from being fetched.
    enum class EBound { NONE, MAX_PAGES, MAX_DEPTH };

    /// MAX_PAGES when a page that would have been fetched was not because
    /// the page bound was reached; else MAX_DEPTH when one was not because
    /// it lay too deep; else NONE.
    EBound eTruncatedBy = EBound::NONE;
    /// The crawl ran with a filter that holds a pattern; nExcluded counts
    /// the distinct URLs it kept out, which are not among the links.
    bool bFiltered = false;
    std::size_t nExcluded = 0;
    /// Distinct https links the pages named that the rules did not check.
    std::size_t nUncheckedSecureLinks = 0;
    /// The links carry verdicts (ok, broken, blocked, transient).
    bool bVerdicts = false;
    /// Fragments were checked: some rows may be a link's #fragment.
    bool bFragments = false;
    /// The rules count the pages of the site its robots.txt kept from being
    /// fetched (nRobotsSkipped, 0 when it was not obeyed).
    bool bRobotsCounted = false;
    std::size_t nRobotsSkipped = 0;
    /// Why no page after the start page was fetched: the site's robots.txt
    /// could not be read; empty when that did not happen.
    std::string strRobotsFailure;
    /// The rules checked and listed only the links a change touched, though
    /// every page was read.
    bool bChangesOnly = false;
};
