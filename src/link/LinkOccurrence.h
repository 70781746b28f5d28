#pragma once

class CLink;

/// Where a page names a link: the page's record and the 1-based line and
/// column of the element that names it.
struct SLinkOccurrence {
    const CLink* pPage = nullptr;
    int nLine = 0;
    int nColumn = 0;
};
