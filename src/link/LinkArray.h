#pragma once

#include "link/Link.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
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
    /// The record of exactly this full URL, or null.
    CLink* Find(const std::string& strFullURL) const;
    /// Appends at the end; the caller has made sure the URL is new.
    void Add(std::unique_ptr<CLink> pLink);
    /// Appends when no record of the same full URL is held, building that
    /// URL once; otherwise deletes the record. Returns the filed record or null.
    CLink* AddIfNew(std::unique_ptr<CLink> pLink);
    /// Keeps a base record alive as long as the records that refer to it.
    CLink* AdoptBase(std::unique_ptr<CLink> pBase);
    /// Takes over source's base records, then files each of its records in
    /// turn as AddIfNew would, a duplicate's occurrences going to the record
    /// kept; source is left empty. When accept is given, a record whose full
    /// URL it refuses is deleted instead of filed.
    void AddNewFrom(CLinkArray& source, const std::function<bool(const std::string&)>& accept = nullptr);
    /// Keeps as records, in their order, only those keep accepts; the others
    /// become base records, alive for the records that name them.
    void KeepOnly(const std::function<bool(const CLink&)>& keep);
    /// Deletes every record, first to last, then the base records.
    void RemoveAll();

private:
    // One slot of the full-URL index; nPos 0 marks an empty slot.
    struct SSlot {
        std::size_t nHash = 0;
        int nPos = 0;
    };

    /// The slot holding strFullURL, or the empty slot where it belongs.
    std::size_t FindSlot(const std::string& strFullURL, std::size_t nHash) const;
    void Append(std::unique_ptr<CLink> pLink, std::string strFullURL, std::size_t nHash);
    void GrowIndex();

    std::vector<std::unique_ptr<CLink>> m_links;
    std::vector<std::string> m_fullURLs; // m_fullURLs[i] is m_links[i]'s
    std::vector<SSlot> m_slots; // open addressing, at most half full
    std::vector<std::unique_ptr<CLink>> m_bases;
};
