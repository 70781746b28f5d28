#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

struct CCliOptions;
struct STransferOptions;

/// The start pages a run names by URL: the command line's, then those of
/// --urls-from, then those of each --sitemap, each URL once, in that order.
struct SStartURLs {
    std::vector<std::string> urls;
    /// The sitemap that named a URL, for the URLs sitemaps named.
    std::map<std::string, std::string> referrers;
    /// True when a start page that cannot be read is a row rather than the
    /// run's failure: there are several, or a sitemap named them.
    bool bListFailures = false;
};

/// Gathers them, web sitemaps fetched as transfer says; the exit status
/// when the run ends here (a list or a sitemap that cannot be read, or no
/// URL at all), said on err. Notes on sitemaps cut at a bound go to err too.
std::optional<int> GatherStartURLs(
    const CCliOptions& options, const STransferOptions& transfer, SStartURLs& start, std::ostream& err);
