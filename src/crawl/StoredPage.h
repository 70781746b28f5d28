#pragma once

#include "html/FragmentTargets.h"

#include <string>
#include <vector>

/// What a page's fetch gave, as a result store keeps it: the validators its
/// answer sent, its links in the order the extractor filed them, and what
/// fragments of its URL may point at.
struct SStoredPage {
    /// One place a link was found: its URL as filed, where, and whether it
    /// was filed as too long to request.
    struct SLink {
        std::string strURL;
        int nLine = 0;
        int nColumn = 0;
        bool bTooLong = false;
    };

    std::string strETag;
    std::string strLastModified;
    std::vector<SLink> links;
    SFragmentTargets targets;
};
