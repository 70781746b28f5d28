#pragma once

#include <string>
#include <vector>

/// What one sitemap file says: the URLs of a sitemap, or the sitemaps of a
/// sitemap index, each <loc> trimmed of blanks and line breaks, in order.
struct SSitemap {
    enum class EKind { URLS, INDEX, UNREADABLE };
    EKind eKind = EKind::UNREADABLE;
    std::vector<std::string> locs;
    /// True when a bound cut the file: the rest was ignored.
    bool bCut = false;
    /// Why an UNREADABLE file is no sitemap.
    std::string strProblem;
};
