#pragma once

#include "link/Link.h"

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

/// Every link of one crawl, in the order found, each full URL once.
/// Owns its records and the base records they may refer to.
/// Positions are 1-based: position n is element n - 1.
class CLinkArray {
public:
    CLinkArray() = default;
    CLinkArray(const CLinkArray&) = delete;
    CLinkArray& operator=(const CLinkArray&) = delete;
    ~CLinkArray();

    int GetSize() const { return static_cast<int>(m_links.size()); }
    /// The record at a 1-based position; null outside 1..GetSize().
    CLink* GetAt(int nPos) const;
    /// True when a record of exactly this full URL (byte for byte) is held.
    bool Contains(const std::string& strFullURL) const;
    /// Appends at the end; the caller has made sure the URL is new.
    void Add(std::unique_ptr<CLink> pLink);
    /// Keeps a base record alive as long as the records that refer to it.
    CLink* AdoptBase(std::unique_ptr<CLink> pBase);
    /// Deletes every record, first to last, then the base records.
    void RemoveAll();

private:
    std::vector<std::unique_ptr<CLink>> m_links;
    std::vector<std::unique_ptr<CLink>> m_bases;
    std::unordered_set<std::string> m_fullURLs;
};
