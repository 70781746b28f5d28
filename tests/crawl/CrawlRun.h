#pragma once

#include "classic/ClassicMode.h"
#include "crawl/Crawler.h"
#include "crawl/RecordingFrontEnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

/// One crawl with a recording front end that outlives its crawler, as a
/// window's would.
struct CCrawlRun {
    explicit CCrawlRun(bool bRecursive, bool bExploreCgi = false, int nJobs = CCrawler::DEFAULT_JOBS)
        : crawler(&frontEnd, bRecursive, bExploreCgi)
    {
        crawler.SetMode(std::make_unique<CClassicMode>());
        crawler.SetRequestLimits(nJobs, CCrawler::DEFAULT_PER_HOST);
    }

    void Crawl(const std::string& strStart)
    {
        ASSERT_TRUE(crawler.Init(&frontEnd, strStart));
        EXPECT_TRUE(crawler.Crawl());
    }

    /// "link | code text" per record, in array order.
    std::vector<std::string> Rows() const { return MakeRows(false); }
    /// "referrer | link | code text" per record, in array order.
    std::vector<std::string> RowsWithReferrers() const { return MakeRows(true); }

    /// Why the start page gave nothing; empty when it was read.
    std::string StartError() const
    {
        return frontEnd.m_pageErrors.empty() ? "(no page)" : frontEnd.m_pageErrors.front();
    }

    CRecordingFrontEnd frontEnd;
    CCrawler crawler;

private:
    std::vector<std::string> MakeRows(bool bWithReferrers) const
    {
        std::vector<std::string> rows;
        const CLinkArray& links = *crawler.GetLinks();
        for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
            const CLink* pLink = links.GetAt(nPos);
            std::string strRow;
            if (bWithReferrers)
                strRow = (pLink->GetReferrer() ? pLink->GetReferrer()->GetFullURL() : "") + " | ";
            rows.push_back(strRow + pLink->GetFullURL() + " | " + std::to_string(pLink->GetStatusCode()) + " "
                + pLink->GetStatusText());
        }
        return rows;
    }
};
