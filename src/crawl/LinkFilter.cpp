#include "crawl/LinkFilter.h"

#include <re2/re2.h>

#include <vector>

struct CLinkFilter::SPatterns {
    std::vector<std::unique_ptr<RE2>> excludes;
    std::vector<std::unique_ptr<RE2>> includes;
};

namespace {

bool AddPattern(std::vector<std::unique_ptr<RE2>>& patterns, const std::string& strPattern, std::string& strError)
{
    RE2::Options options;
    // The caller reports a bad pattern; RE2 would also write it to stderr.
    options.set_log_errors(false);
    auto pPattern = std::make_unique<RE2>(strPattern, options);
    if (!pPattern->ok()) {
        strError = pPattern->error();
        return false;
    }
    patterns.push_back(std::move(pPattern));
    return true;
}

bool MatchesAny(const std::vector<std::unique_ptr<RE2>>& patterns, std::string_view strURL)
{
    for (const auto& pPattern : patterns) {
        if (RE2::PartialMatch(strURL, *pPattern))
            return true;
    }
    return false;
}

} // namespace

CLinkFilter::CLinkFilter()
    : m_pPatterns(std::make_unique<SPatterns>())
{
}

CLinkFilter::CLinkFilter(CLinkFilter&& other) noexcept = default;
CLinkFilter& CLinkFilter::operator=(CLinkFilter&& other) noexcept = default;
CLinkFilter::~CLinkFilter() = default;

bool CLinkFilter::AddExclude(const std::string& strPattern, std::string& strError)
{
    if (!m_pPatterns)
        m_pPatterns = std::make_unique<SPatterns>();
    return AddPattern(m_pPatterns->excludes, strPattern, strError);
}

bool CLinkFilter::AddInclude(const std::string& strPattern, std::string& strError)
{
    if (!m_pPatterns)
        m_pPatterns = std::make_unique<SPatterns>();
    return AddPattern(m_pPatterns->includes, strPattern, strError);
}

bool CLinkFilter::IsEmpty() const
{
    return !m_pPatterns || (m_pPatterns->excludes.empty() && m_pPatterns->includes.empty());
}

bool CLinkFilter::Accepts(std::string_view strURL) const
{
    if (IsEmpty())
        return true;
    if (MatchesAny(m_pPatterns->excludes, strURL))
        return false;
    return m_pPatterns->includes.empty() || MatchesAny(m_pPatterns->includes, strURL);
}
