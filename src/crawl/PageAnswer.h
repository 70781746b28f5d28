#pragma once

#include <string>

/// What a page's fetch tells beside its document: the answer's Content-Type,
/// the URL it came from after redirects, its status code and validators
/// (empty or 0 for a local file or a fetch that failed).
struct SPageAnswer {
    std::string strContentType;
    std::string strFinalURL;
    int nStatusCode = 0;
    std::string strETag;
    std::string strLastModified;
    /// Why the fetch failed before any of the document came; empty otherwise.
    std::string strError;
};
