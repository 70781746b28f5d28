#pragma once

#include <string>
#include <string_view>

/// The HTML standard's prescan of a page's first bytes for a character
/// encoding declared in a <meta> element, simplified: it answers the label
/// as written and leaves deciding what the label means to its caller.
class CCharsetPrescan {
public:
    /// How many leading bytes are read, as browsers do.
    static constexpr std::size_t SCAN_LIMIT = 1024;

    /// The label of the first <meta charset> or <meta http-equiv=content-type
    /// content="...charset=..."> within the first SCAN_LIMIT bytes, outside
    /// comments and other tags' attribute values, whose label pIsKnown
    /// accepts; empty when there is none.
    static std::string FindMetaLabel(std::string_view bytes, bool (*pIsKnown)(std::string_view strLabel));
    /// The charset named in a Content-Type or meta content value
    /// ("text/html; charset=x"); empty when it names none.
    static std::string CharsetFromContent(std::string_view strContent);
};
