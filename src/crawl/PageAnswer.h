#pragma once

#include <string>

/// What a page's fetch tells beside its document: the answer's Content-Type
/// and the URL it came from after redirects (both empty for a local file or
/// a fetch that failed).
struct SPageAnswer {
    std::string strContentType;
    std::string strFinalURL;
};
