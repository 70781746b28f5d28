#pragma once

#include <string>
#include <vector>

/// What a fragment of a page's URL may name, in document order: the id of
/// every element in the document (template contents are not in it) and the
/// name of every HTML a element.
struct SFragmentTargets {
    std::vector<std::string> ids;
    std::vector<std::string> anchorNames;
};
