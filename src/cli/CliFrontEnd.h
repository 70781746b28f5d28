#pragma once

#include "crawl/CrawlList.h"
#include "crawl/CrawlOwner.h"

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

class CCrawler;

/// What the command line shows while a crawl runs: counts for the progress
/// line, Ctrl-C turned into Stop, and why the start page could not be read.
class CCliFrontEnd : public CCrawlList, public CCrawlOwner {
public:
    /// The progress line goes to err only when bProgress (err is a terminal).
    CCliFrontEnd(std::ostream& err, bool bProgress);

    /// The crawler Ctrl-C stops; not owned.
    void SetCrawler(CCrawler* pCrawler) { m_pCrawler = pCrawler; }
    /// Run at every pump, while requests wait too; may be empty.
    void SetIdleTask(std::function<void()> task) { m_idleTask = std::move(task); }

    void SetSiteHost(const std::string& strHost) override;
    void AddNewLinks(CLinkArray* pLinks) override;
    void LinkChecked(int nPos) override;
    int GetRowCount() const override { return m_nRows; }

    void SetLinkCount(unsigned nCount) override;
    void PumpMessages() override;
    void PageFetched(const CLink& page, const std::string& strError) override;

    /// Removes the progress line, if one is shown.
    void EndProgress();
    /// Why the start page could not be read at all; empty when it was read.
    const std::string& GetStartError() const { return m_strStartError; }
    /// Pages fetched so far, read or not.
    int GetPageCount() const { return m_nPages; }
    /// Pages fetched so far whose document could be read.
    int GetReadCount() const { return m_nPagesRead; }

private:
    void ShowProgress(bool bNow);

    std::ostream& m_err;
    bool m_bProgress;
    CCrawler* m_pCrawler = nullptr;
    std::function<void()> m_idleTask;
    CLinkArray* m_pLinks = nullptr;
    int m_nRows = 0;
    int m_nPages = 0;
    int m_nPagesRead = 0;
    unsigned m_nLinks = 0;
    int m_nChecked = 0;
    std::string m_strCurrent;
    std::string m_strStartError;
    bool m_bLineShown = false;
    std::chrono::steady_clock::time_point m_lastShown;
};
