#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>

class CTransfer;

/// Requests sent ahead of their turn, each under the key of the request it
/// answers (method and URL), until that request is made and takes it over.
/// Owns the transfers it holds; an id stays unique for the store's life.
class CParkedTransfers {
public:
    CParkedTransfers() = default;
    CParkedTransfers(const CParkedTransfers&) = delete;
    CParkedTransfers& operator=(const CParkedTransfers&) = delete;
    ~CParkedTransfers();

    /// Keeps pTransfer under strKey; returns its id (never 0).
    std::uint64_t Park(const std::string& strKey, std::unique_ptr<CTransfer> pTransfer);
    /// The oldest transfer parked under strKey, handed over; null when none.
    std::unique_ptr<CTransfer> Take(const std::string& strKey);
    /// The parked transfer of this id; null once taken or discarded.
    CTransfer* Find(std::uint64_t nId) const;
    bool HasKey(const std::string& strKey) const { return m_byKey.count(strKey) != 0; }
    /// Abandons the transfer of this id; nothing when it is no longer parked.
    void Discard(std::uint64_t nId);
    /// Abandons every parked transfer.
    void Clear();
    std::size_t GetCount() const { return m_entries.size(); }

private:
    struct SEntry {
        std::string strKey;
        std::unique_ptr<CTransfer> pTransfer;
    };

    /// Forgets nId under its key; the key goes once nothing is left under it.
    void Unlist(const std::string& strKey, std::uint64_t nId);

    std::unordered_map<std::uint64_t, SEntry> m_entries;
    std::unordered_map<std::string, std::deque<std::uint64_t>> m_byKey; // oldest first
    std::uint64_t m_nLastId = 0;
};
