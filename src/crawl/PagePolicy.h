#pragma once

class CInternetSession;
class CLink;

/// A say over which pages of the site a crawl fetches, asked by the rules
/// that queue them.
class CPagePolicy {
public:
    virtual ~CPagePolicy() = default;

    /// True when page may be fetched; false leaves it checked but unfetched.
    /// May send a request through pSession first.
    virtual bool MayFetch(const CLink& page, CInternetSession* pSession) = 0;
};
