#pragma once

#include "link/Verdict.h"

#include <string>

/// What one check of a web link found, as a result store keeps it.
struct SStoredResult {
    int nStatusCode = 0;
    std::string strStatusText;
    EVerdict eVerdict = EVerdict::NONE;
    std::string strFinalURL;
    bool bPermanent = false;
    /// The answer named a page type, so the link is read when within the site.
    bool bIsPage = false;
};
