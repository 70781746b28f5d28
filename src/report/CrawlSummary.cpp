#include "report/CrawlSummary.h"

#include "link/Link.h"
#include "link/LinkArray.h"

CCrawlSummary::CCrawlSummary(const CLinkArray& links, int nPages, double dElapsedSeconds)
    : m_nLinks(links.GetSize())
    , m_nPages(nPages)
    , m_dElapsedSeconds(dElapsedSeconds)
{
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
        const CLink* pLink = links.GetAt(nPos);
        m_nCached += pLink->IsCached() ? 1 : 0;
        if (pLink->HasGoodStatus())
            ++m_nGood;
        else if (!pLink->IsChecked())
            ++m_nUnchecked;
        else
            ++m_nBad;
        switch (pLink->GetVerdict()) {
        case EVerdict::OK: ++m_nOk; break;
        case EVerdict::BROKEN: ++m_nBroken; break;
        case EVerdict::BLOCKED: ++m_nBlocked; break;
        case EVerdict::TRANSIENT: ++m_nTransient; break;
        case EVerdict::NONE: break;
        }
    }
}

bool CCrawlSummary::IsWarning(const CLink& link) const
{
    const EVerdict eVerdict = link.GetVerdict();
    return !m_bStrict && !link.HasGoodStatus() && (eVerdict == EVerdict::BLOCKED || eVerdict == EVerdict::TRANSIENT);
}

bool CCrawlSummary::IsFailure(const CLink& link) const
{
    return !link.HasGoodStatus() && !IsWarning(link);
}

bool CCrawlSummary::HasFailure(const CLinkArray& links) const
{
    for (int nPos = 1; nPos <= links.GetSize(); ++nPos)
        if (IsFailure(*links.GetAt(nPos)))
            return true;
    return false;
}
