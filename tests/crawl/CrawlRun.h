#pragma once

#include "crawl/Crawler.h"
#include "crawl/RecordingFrontEnd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

/// One crawl with a recording front end that outlives its crawler, as a
/// window's would.
struct CCrawlRun {
    CCrawlRun(bool bRecursive, unsigned long nTimeoutMs)
        : crawler(&frontEnd, bRecursive, false)
    {
        crawler.SetTimeout(nTimeoutMs);
    }

    void Crawl(const std::string& strStart)
    {
        ASSERT_TRUE(crawler.Init(&frontEnd, strStart));
        EXPECT_TRUE(crawler.Crawl());
    }

    /// "link | code text" per record, in array order.
    std::vector<std::string> Rows() const
    {
        std::vector<std::string> rows;
        const CLinkArray& links = *crawler.GetLinks();
        for (int nPos = 1; nPos <= links.GetSize(); ++nPos) {
            const CLink* pLink = links.GetAt(nPos);
            rows.push_back(pLink->GetFullURL() + " | " + std::to_string(pLink->GetStatusCode()) + " "
                + pLink->GetStatusText());
        }
        return rows;
    }

    /// Why the start page gave nothing; empty when it was read.
    std::string StartError() const { return frontEnd.m_pageErrors.empty() ? "(no page)" : frontEnd.m_pageErrors.front(); }

    CRecordingFrontEnd frontEnd;
    CCrawler crawler;
};
