#pragma once

#include <memory>
#include <string>
#include <string_view>

/// The --exclude and --include patterns of a crawl, searched for anywhere
/// in a link's URL in time linear in its length, whatever the pattern.
/// The one user of RE2.
class CLinkFilter {
public:
    CLinkFilter();
    CLinkFilter(CLinkFilter&& other) noexcept;
    CLinkFilter& operator=(CLinkFilter&& other) noexcept;
    ~CLinkFilter();

    /// Adds a pattern a link's URL must not match. False, with strError
    /// saying why, when strPattern is not a valid expression.
    bool AddExclude(const std::string& strPattern, std::string& strError);
    /// Adds a pattern of which a link's URL must match at least one. False,
    /// with strError saying why, when strPattern is not a valid expression.
    bool AddInclude(const std::string& strPattern, std::string& strError);
    /// True when no pattern was added: every link passes.
    bool IsEmpty() const;
    /// True when strURL matches no exclude pattern and, if any include
    /// pattern was added, at least one of those.
    bool Accepts(std::string_view strURL) const;

private:
    struct SPatterns;

    std::unique_ptr<SPatterns> m_pPatterns;
};
