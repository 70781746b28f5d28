#pragma once

#include <span>
#include <string_view>

/// The HTML standard's named character references, generated into
/// NamedReferenceTable.cpp by scripts/gen-named-references.py.
class CNamedReferenceTable {
public:
    /// One reference: its name without the '&' (with its ';' where written
    /// so) and the UTF-8 text it stands for.
    struct SEntry {
        std::string_view strName;
        std::string_view strValue;
    };
    /// Every reference, sorted by name in byte order.
    static std::span<const SEntry> Entries();
};
