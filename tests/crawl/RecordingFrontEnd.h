#pragma once

#include "crawl/CrawlList.h"
#include "crawl/CrawlOwner.h"
#include "link/Link.h"
#include "link/LinkArray.h"

#include <functional>
#include <string>
#include <vector>

/// A front end that remembers what the crawler told it, in order.
class CRecordingFrontEnd : public CCrawlList, public CCrawlOwner {
public:
    void SetSiteHost(const std::string& strHost) override { m_strSiteHost = strHost; }
    void AddNewLinks(CLinkArray* pLinks) override { m_nRows = pLinks ? pLinks->GetSize() : 0; }
    void LinkChecked(int nPos) override
    {
        m_checked.push_back(nPos);
        if (m_onChecked)
            m_onChecked(nPos);
    }
    int GetRowCount() const override { return m_nRows; }

    void SetLinkCount(unsigned nCount) override { m_linkCounts.push_back(nCount); }
    void PumpMessages() override { ++m_nPumps; }
    void PageFetched(const CLink& page, const std::string& strError) override
    {
        m_pages.push_back(page.GetFullURL());
        m_pageErrors.push_back(strError);
    }

    std::string m_strSiteHost;
    int m_nRows = 0;
    std::vector<int> m_checked;
    std::vector<unsigned> m_linkCounts;
    int m_nPumps = 0;
    std::vector<std::string> m_pages;
    std::vector<std::string> m_pageErrors;
    /// Runs after each checked link, e.g. to press Stop.
    std::function<void(int)> m_onChecked;
};
