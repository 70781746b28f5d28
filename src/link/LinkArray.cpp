#include "link/LinkArray.h"

#include <functional>
#include <string_view>
#include <utility>

namespace {

constexpr std::size_t FIRST_INDEX_SIZE = 64;

std::size_t HashOf(const std::string& strFullURL)
{
    return std::hash<std::string_view>()(strFullURL);
}

} // namespace

CLinkArray::~CLinkArray()
{
    RemoveAll();
}

CLink* CLinkArray::GetAt(int nPos) const
{
    if (nPos < 1 || nPos > GetSize())
        return nullptr;
    return m_links[static_cast<size_t>(nPos - 1)].get();
}

bool CLinkArray::Contains(const std::string& strFullURL) const
{
    if (m_slots.empty())
        return false;
    return m_slots[FindSlot(strFullURL, HashOf(strFullURL))].nPos != 0;
}

CLink* CLinkArray::Find(const std::string& strFullURL) const
{
    if (m_slots.empty())
        return nullptr;
    const int nPos = m_slots[FindSlot(strFullURL, HashOf(strFullURL))].nPos;
    return nPos == 0 ? nullptr : GetAt(nPos);
}

void CLinkArray::Add(std::unique_ptr<CLink> pLink)
{
    std::string strFullURL = pLink->GetFullURL();
    const std::size_t nHash = HashOf(strFullURL);
    Append(std::move(pLink), std::move(strFullURL), nHash);
}

CLink* CLinkArray::AddIfNew(std::unique_ptr<CLink> pLink)
{
    std::string strFullURL = pLink->GetFullURL();
    const std::size_t nHash = HashOf(strFullURL);
    if (!m_slots.empty() && m_slots[FindSlot(strFullURL, nHash)].nPos != 0)
        return nullptr;
    Append(std::move(pLink), std::move(strFullURL), nHash);
    return m_links.back().get();
}

CLink* CLinkArray::AdoptBase(std::unique_ptr<CLink> pBase)
{
    m_bases.push_back(std::move(pBase));
    return m_bases.back().get();
}

void CLinkArray::AddNewFrom(CLinkArray& source, const std::function<bool(const std::string&)>& accept)
{
    for (auto& pBase : source.m_bases)
        m_bases.push_back(std::move(pBase));
    for (std::size_t i = 0; i < source.m_links.size(); ++i) {
        std::string& strFullURL = source.m_fullURLs[i];
        if (accept && !accept(strFullURL))
            continue;
        const std::size_t nHash = HashOf(strFullURL);
        const int nKept = m_slots.empty() ? 0 : m_slots[FindSlot(strFullURL, nHash)].nPos;
        if (nKept == 0)
            Append(std::move(source.m_links[i]), std::move(strFullURL), nHash);
        else
            GetAt(nKept)->TakeOccurrences(*source.m_links[i]);
    }
    source.RemoveAll();
}

void CLinkArray::KeepOnly(const std::function<bool(const CLink&)>& keep)
{
    std::vector<std::unique_ptr<CLink>> links;
    std::vector<std::string> fullURLs;
    links.swap(m_links);
    fullURLs.swap(m_fullURLs);
    m_slots.clear();
    for (std::size_t i = 0; i < links.size(); ++i) {
        if (keep(*links[i])) {
            const std::size_t nHash = HashOf(fullURLs[i]);
            Append(std::move(links[i]), std::move(fullURLs[i]), nHash);
        } else {
            m_bases.push_back(std::move(links[i]));
        }
    }
}

void CLinkArray::RemoveAll()
{
    // Records before bases: a record may point at a base, never the reverse.
    for (auto& pLink : m_links)
        pLink.reset();
    m_links.clear();
    m_fullURLs.clear();
    m_slots.clear();
    m_bases.clear();
}

std::size_t CLinkArray::FindSlot(const std::string& strFullURL, std::size_t nHash) const
{
    const std::size_t nMask = m_slots.size() - 1;
    for (std::size_t nSlot = nHash & nMask;; nSlot = (nSlot + 1) & nMask) {
        const SSlot& slot = m_slots[nSlot];
        if (slot.nPos == 0)
            return nSlot;
        if (slot.nHash == nHash && m_fullURLs[static_cast<std::size_t>(slot.nPos - 1)] == strFullURL)
            return nSlot;
    }
}

void CLinkArray::Append(std::unique_ptr<CLink> pLink, std::string strFullURL, std::size_t nHash)
{
    if ((m_links.size() + 1) * 2 > m_slots.size())
        GrowIndex();
    // An equal URL already held keeps its slot, so the first record stays the one found.
    SSlot& slot = m_slots[FindSlot(strFullURL, nHash)];
    m_links.push_back(std::move(pLink));
    m_fullURLs.push_back(std::move(strFullURL));
    if (slot.nPos == 0)
        slot = SSlot {nHash, GetSize()};
}

void CLinkArray::GrowIndex()
{
    std::vector<SSlot> oldSlots(m_slots.empty() ? FIRST_INDEX_SIZE : m_slots.size() * 2);
    oldSlots.swap(m_slots);
    const std::size_t nMask = m_slots.size() - 1;
    for (const SSlot& slot : oldSlots) {
        if (slot.nPos == 0)
            continue;
        std::size_t nSlot = slot.nHash & nMask;
        while (m_slots[nSlot].nPos != 0)
            nSlot = (nSlot + 1) & nMask;
        m_slots[nSlot] = slot;
    }
}
