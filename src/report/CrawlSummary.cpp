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
        else if (pLink->GetStatusCode() == -1)
            ++m_nUnchecked;
        else
            ++m_nBad;
    }
}
