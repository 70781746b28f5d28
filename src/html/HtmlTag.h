#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// One start or end tag as the HTML tokenizer emits it: names in lower
/// case, attribute values with their character references decoded, the
/// later of two same-named attributes dropped.
struct SHtmlTag {
    struct SAttribute {
        std::string strName;
        std::string strValue;
    };

    bool bEndTag = false;
    bool bSelfClosing = false;
    bool bDroppedDuplicate = false; ///< an attribute named as an earlier one was dropped
    std::size_t nOffset = 0; ///< of the tag's '<' in the text read
    std::string strName;
    /// The first nAttributes entries are this tag's; the rest keep their
    /// storage for the next tag.
    std::vector<SAttribute> attributes;
    std::size_t nAttributes = 0;

    /// The value of the attribute named strAttribute (lower case), or
    /// nullptr without one.
    const std::string* Find(std::string_view strAttribute) const
    {
        for (std::size_t i = 0; i < nAttributes; ++i)
            if (attributes[i].strName == strAttribute)
                return &attributes[i].strValue;
        return nullptr;
    }
};
