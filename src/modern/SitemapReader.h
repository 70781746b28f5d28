#pragma once

#include "modern/Sitemap.h"

#include <cstddef>
#include <string>

/// Reads a sitemap or a sitemap index, gzip-compressed or not, as the
/// sitemaps protocol bounds one file: MAX_LOCS <loc> entries (duplicates
/// count) and MAX_BYTES uncompressed; what lies beyond is ignored. The one
/// user of the XML parser and of zlib: no entity of a document type is
/// expanded and nothing is fetched, whatever the file declares.
class CSitemapReader {
public:
    static constexpr std::size_t MAX_LOCS = 50000;
    static constexpr std::size_t MAX_BYTES = std::size_t {50} << 20;

    /// The file's entries. strBytes is the file as read, bCutShort when the
    /// reader stopped at MAX_BYTES; gzip data (by its magic bytes) is
    /// inflated up to MAX_BYTES first.
    static SSitemap Read(std::string strBytes, bool bCutShort = false);
};
