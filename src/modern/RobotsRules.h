#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

/// The rules one robots.txt gives one crawler, as RFC 9309 reads them: the
/// groups naming the crawler's product token (any case), else those of
/// "*"; Allow and Disallow paths with "*" and a final "$"; the longest
/// matching path wins, Allow on a tie. Holds only the rules that apply.
class CRobotsRules {
public:
    /// The most of a file that is read: the rest is ignored (512 KiB).
    static constexpr std::size_t MAX_FILE = std::size_t {512} << 10;

    /// Every path allowed: no file, or one that does not apply.
    CRobotsRules() = default;
    /// The rules of file for strProduct (letters, "_" and "-").
    static CRobotsRules Parse(std::string_view file, std::string_view strProduct);
    /// Every path disallowed: the file could not be reached.
    static CRobotsRules DisallowAll();

    /// True when strPath (path and query of a URL, from its "/") may be fetched.
    bool IsAllowed(std::string_view strPath) const;
    std::size_t GetRuleCount() const { return m_rules.size(); }

private:
    struct SRule {
        std::string strPattern;
        bool bAllow;
    };

    static bool Matches(std::string_view pattern, std::string_view path);

    std::vector<SRule> m_rules;
    bool m_bDisallowAll = false;
};
