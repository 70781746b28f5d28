#pragma once

#include <string>
#include <string_view>
#include <vector>

/// The HTML standard's readings of the attribute values that hold URLs in
/// a syntax of their own: srcset candidate lists and meta refresh content;
/// and the cleaning every URL value gets before it is listed.
class CLinkAttributeSyntax {
public:
    /// The candidate URLs of a srcset value in order, as the standard's
    /// algorithm splits it; a candidate with an invalid descriptor is dropped.
    static std::vector<std::string> SplitSrcset(std::string_view strSrcset);
    /// The URL a refresh declaration ("5; url=x", "0; x") names; empty when
    /// it names none or is not a valid declaration.
    static std::string RefreshUrl(std::string_view strContent);
    /// strValue without leading and trailing ASCII whitespace and without
    /// any tab, CR or LF; empty when the rest is only a fragment ("#top").
    static std::string CleanUrlValue(std::string_view strValue);
    /// True for tab, LF, FF, CR and space.
    static bool IsAsciiWhitespace(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r'; }
};
