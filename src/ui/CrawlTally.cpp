#include "ui/CrawlTally.h"

#include "link/Link.h"
#include "link/LinkArray.h"

CCrawlTally::CCrawlTally(const CLinkArray* pLinks, int nPagesFetched)
    : m_nPages(nPagesFetched)
{
    if (!pLinks)
        return;
    for (int nPos = 1; nPos <= pLinks->GetSize(); ++nPos) {
        const CLink* pLink = pLinks->GetAt(nPos);
        switch (pLink ? pLink->GetVerdict() : EVerdict::NONE) {
        case EVerdict::OK: ++m_nOk; break;
        case EVerdict::BROKEN: ++m_nBroken; break;
        case EVerdict::BLOCKED: ++m_nBlocked; break;
        case EVerdict::TRANSIENT: ++m_nTransient; break;
        case EVerdict::NONE: ++m_nWaiting; break;
        }
    }
}

QString CCrawlTally::GetText() const
{
    return QStringLiteral("ok %1   broken %2   blocked %3   transient %4   pages %5   waiting %6")
        .arg(m_nOk)
        .arg(m_nBroken)
        .arg(m_nBlocked)
        .arg(m_nTransient)
        .arg(m_nPages)
        .arg(m_nWaiting);
}
