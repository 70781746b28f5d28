#include "net/ParkedTransfers.h"

#include "net/Transfer.h"

#include <algorithm>
#include <vector>

CParkedTransfers::~CParkedTransfers()
{
    Clear();
}

std::uint64_t CParkedTransfers::Park(const std::string& strKey, std::unique_ptr<CTransfer> pTransfer)
{
    const std::uint64_t nId = ++m_nLastId;
    m_byKey[strKey].push_back(nId);
    m_entries.emplace(nId, SEntry {strKey, std::move(pTransfer)});
    return nId;
}

std::unique_ptr<CTransfer> CParkedTransfers::Take(const std::string& strKey)
{
    auto itKey = m_byKey.find(strKey);
    if (itKey == m_byKey.end())
        return nullptr;
    const std::uint64_t nId = itKey->second.front();
    auto itEntry = m_entries.find(nId);
    std::unique_ptr<CTransfer> pTransfer = std::move(itEntry->second.pTransfer);
    m_entries.erase(itEntry);
    Unlist(strKey, nId);
    return pTransfer;
}

CTransfer* CParkedTransfers::Find(std::uint64_t nId) const
{
    auto it = m_entries.find(nId);
    return it == m_entries.end() ? nullptr : it->second.pTransfer.get();
}

void CParkedTransfers::Discard(std::uint64_t nId)
{
    auto it = m_entries.find(nId);
    if (it == m_entries.end())
        return;
    // Out of the maps before it is destroyed: its destructor calls back into the engine.
    SEntry entry = std::move(it->second);
    m_entries.erase(it);
    Unlist(entry.strKey, nId);
}

void CParkedTransfers::Clear()
{
    std::vector<std::unique_ptr<CTransfer>> doomed;
    doomed.reserve(m_entries.size());
    for (auto& [nId, entry] : m_entries)
        doomed.push_back(std::move(entry.pTransfer));
    m_entries.clear();
    m_byKey.clear();
}

void CParkedTransfers::Unlist(const std::string& strKey, std::uint64_t nId)
{
    auto it = m_byKey.find(strKey);
    if (it == m_byKey.end())
        return;
    std::deque<std::uint64_t>& ids = it->second;
    auto itId = std::find(ids.begin(), ids.end(), nId);
    if (itId != ids.end())
        ids.erase(itId);
    if (ids.empty())
        m_byKey.erase(it);
}
