#pragma once

#include <QString>

class CLinkArray;

/// The running summary of a modern crawl: links by verdict once their
/// checks (retries included) ended, pages fetched and links still waiting.
class CCrawlTally {
public:
    /// Counts pLinks' records; all zero for none.
    CCrawlTally(const CLinkArray* pLinks, int nPagesFetched);

    /// "ok 3  broken 1  blocked 0  transient 0  pages 2  waiting 0"
    QString GetText() const;

    int m_nOk = 0;
    int m_nBroken = 0;
    int m_nBlocked = 0;
    int m_nTransient = 0;
    int m_nPages = 0;
    int m_nWaiting = 0;
};
