#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

/// Where a page may be cut into parts that an HTML parser reads one at a
/// time. A whole-document parse is exact but costs memory for every element
/// at once and time in proportion to the nesting depth for each element, so
/// a page of a million links, or of 200,000 nested elements, is read in
/// parts instead. A cut lies only before a start tag in plain markup:
/// never inside a comment, script, style or other raw text, a template,
/// or SVG or MathML. Ordinary pages stay whole.
class CMarkupSlicer {
public:
    /// What one part may hold before the next start tag begins a new one.
    struct SLimits {
        std::size_t nMaxStartTags = 65536; ///< bounds the parse tree's memory
        std::size_t nMaxNesting = 512; ///< open elements, as browsers cap a tree's depth
        std::size_t nMaxNestingWork = 1u << 22; ///< the sum of the nesting at each start tag
        std::size_t nMaxFormattingWork = 1u << 17; ///< the sum of unclosed formatting elements at each start tag
    };

    /// The byte offsets where the parts of strUtf8 begin, in order; the
    /// first is 0.
    static std::vector<std::size_t> Cut(std::string_view strUtf8, const SLimits& limits);
};
