#pragma once

#include "report/ReportFormat.h"

#include <string>
#include <vector>

class CLink;

/// What the formats CI reads share: the bad links (every link without a
/// good status), one finding per place a page names each, and the names of
/// pages and statuses as all of them write them.
class CFindingFormat : public CReportFormat {
public:
    /// One place a bad link was found; nLine 0 when the crawl noted no place.
    struct SFinding {
        const CLink* pLink = nullptr;
        /// The page naming the link; null when none does (the start page).
        const CLink* pPage = nullptr;
        int nLine = 0;
        int nColumn = 0;
    };

    using CReportFormat::CReportFormat;

    /// A page as these formats name it: a local file as its path relative
    /// to the current folder (absolute when it has none), a web page as its URL.
    static std::string PageName(const CLink& page);
    /// True for a page read from a local file.
    static bool IsLocalFile(const CLink& page);
    /// The status code and text ("404 Not Found"), or "not checked".
    static std::string StatusMessage(const CLink& link);
    /// The page of link's first finding; null when none names it.
    static const CLink* FirstPage(const CLink& link);

protected:
    /// The findings of every bad link, in row order, each link's in the order found.
    std::vector<SFinding> Findings() const;
};
