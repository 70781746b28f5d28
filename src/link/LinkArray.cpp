#include "link/LinkArray.h"

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
    return m_fullURLs.count(strFullURL) != 0;
}

void CLinkArray::Add(std::unique_ptr<CLink> pLink)
{
    m_fullURLs.insert(pLink->GetFullURL());
    m_links.push_back(std::move(pLink));
}

CLink* CLinkArray::AdoptBase(std::unique_ptr<CLink> pBase)
{
    m_bases.push_back(std::move(pBase));
    return m_bases.back().get();
}

void CLinkArray::RemoveAll()
{
    // Records before bases: a record may point at a base, never the reverse.
    for (auto& pLink : m_links)
        pLink.reset();
    m_links.clear();
    m_fullURLs.clear();
    m_bases.clear();
}
