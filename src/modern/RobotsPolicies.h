#pragma once

#include "crawl/PagePolicy.h"
#include "modern/RobotsPolicy.h"

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <vector>

/// The robots.txt of every origin a crawl's start pages came from, each
/// read once, when a page of its origin is first about to be fetched, and
/// obeyed for that origin alone.
class CRobotsPolicies : public CPagePolicy {
public:
    /// A start page's final URL in normal form; a second page of an origin
    /// already known adds nothing, and a text that is no web URL nothing.
    void AddOrigin(const std::string& strNormalURL);
    /// True when every origin's file allows the page.
    bool MayFetch(const CLink& page, CInternetSession* pSession) override;
    /// Pages refused, over all origins.
    std::size_t GetRefusedCount() const;
    /// Why no page of an origin is allowed, for the first such origin; empty otherwise.
    std::string GetFailure() const;

private:
    std::set<std::string> m_origins;
    std::vector<std::unique_ptr<CRobotsPolicy>> m_policies;
};
