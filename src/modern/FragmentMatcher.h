#pragma once

#include "html/FragmentTargets.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Where a URL's fragment points in a document, as the HTML standard finds
/// the indicated part of it, and which of its ids a missing one was likely
/// meant to be.
class CFragmentMatcher {
public:
    /// The most suggestions Suggest gives.
    static constexpr std::size_t MAX_SUGGESTIONS = 3;

    /// The fragment strReference carries, as a link's row names it: percent-
    /// encoded as the URL standard's fragment percent-encode set, escapes in
    /// upper-case hex, a text directive (":~:" on) removed. None when the
    /// reference has no fragment or it is empty once the directive is gone.
    static std::optional<std::string> FromReference(std::string_view strReference);
    /// True when strFragment (as FromReference gives it) names an id of the
    /// document, else an a element's name; else the same percent-decoded;
    /// else when the decoded fragment is "top" in any letter case.
    static bool Finds(const SFragmentTargets& targets, const std::string& strFragment);
    /// Up to MAX_SUGGESTIONS ids of the document within a few edits of the
    /// decoded fragment (3, or a third of its length if that is more),
    /// closest first, ties in document order.
    static std::vector<std::string> Suggest(const SFragmentTargets& targets, const std::string& strFragment);
};
