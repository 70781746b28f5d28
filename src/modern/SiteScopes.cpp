#include "modern/SiteScopes.h"

#include "link/Link.h"

#include <algorithm>

void CSiteScopes::AddStartPage(const CLink* pStart)
{
    m_startIndex.emplace(pStart, m_sites.size());
    m_scopeOf.emplace(pStart->GetFullURL(), m_sites.size());
    m_sites.emplace_back();
}

bool CSiteScopes::IsStartPage(const CLink* pPage) const
{
    return m_startIndex.contains(pPage);
}

void CSiteScopes::SetSite(const CLink* pStart, const std::string& strNormalURL)
{
    const auto found = m_startIndex.find(pStart);
    if (found != m_startIndex.end() && !m_sites[found->second].IsSet())
        m_sites[found->second].SetStart(strNormalURL);
}

void CSiteScopes::NoteNamed(const CLink* pPage, const std::string& strNamedURL)
{
    const std::size_t* pScope = FindScope(pPage);
    if (!pScope)
        return;
    const std::size_t nScope = *pScope;
    m_scopeOf.emplace(pPage->GetFullURL(), nScope);
    m_scopeOf.emplace(strNamedURL, nScope);
}

bool CSiteScopes::IsWithin(const CLink& link, const std::string& strNormalURL) const
{
    if (IsWithinFrom(link.GetReferrer(), strNormalURL))
        return true;
    const std::vector<SLinkOccurrence>& occurrences = link.GetOccurrences();
    return m_sites.size() > 1 && std::any_of(occurrences.begin(), occurrences.end(), [&](const SLinkOccurrence& where) {
        return IsWithinFrom(where.pPage, strNormalURL);
    });
}

bool CSiteScopes::IsWithinFrom(const CLink* pPage, const std::string& strNormalURL) const
{
    const std::size_t* pScope = FindScope(pPage);
    return pScope && m_sites[*pScope].IsWithin(strNormalURL);
}

void CSiteScopes::NoteOutside(CLink* pLink, std::string strNormalURL)
{
    // With one start page, one scope: a later page cannot change the answer.
    if (m_sites.size() > 1)
        m_outside.push_back({pLink, std::move(strNormalURL), pLink->GetOccurrences().size()});
}

std::vector<CLink*> CSiteScopes::TakeReached()
{
    std::vector<CLink*> reached;
    std::erase_if(m_outside, [&](SOutside& outside) {
        const std::vector<SLinkOccurrence>& occurrences = outside.pLink->GetOccurrences();
        for (; outside.nSeen < occurrences.size(); ++outside.nSeen) {
            if (IsWithinFrom(occurrences[outside.nSeen].pPage, outside.strNormalURL)) {
                reached.push_back(outside.pLink);
                return true;
            }
        }
        return false;
    });
    return reached;
}

const CWebSite& CSiteScopes::GetFirstSite() const
{
    return m_sites.empty() ? m_none : m_sites.front();
}

const std::size_t* CSiteScopes::FindScope(const CLink* pPage) const
{
    if (!pPage)
        return nullptr;
    if (const auto start = m_startIndex.find(pPage); start != m_startIndex.end())
        return &start->second;
    auto found = m_scopeOf.find(pPage->GetFullURL());
    // A page queued from a link lies where the page that named it lies.
    if (found == m_scopeOf.end() && pPage->GetReferrer())
        found = m_scopeOf.find(pPage->GetReferrer()->GetFullURL());
    return found == m_scopeOf.end() ? nullptr : &found->second;
}
