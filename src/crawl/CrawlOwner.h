#pragma once

#include <string>

class CLink;

/// What the crawler needs of the front end that runs it (the window's
/// dialog, or the command line). Called on the crawl's own thread.
class CCrawlOwner {
public:
    virtual ~CCrawlOwner() = default;
    /// After each page: the number of links found so far.
    virtual void SetLinkCount(unsigned nCount) = 0;
    /// Runs pending front-end events without waiting for new ones; called
    /// between requests and while a request waits, so Stop can be pressed.
    virtual void PumpMessages() = 0;
    /// A page has been fetched; strError says why nothing could be read
    /// (empty when the page was read).
    virtual void PageFetched(const CLink& page, const std::string& strError)
    {
        (void)page;
        (void)strError;
    }
};
