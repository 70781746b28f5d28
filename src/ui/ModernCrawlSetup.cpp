#include "ui/ModernCrawlSetup.h"

#include "cache/ResultCache.h"
#include "crawl/Crawler.h"
#include "crawl/LinkFilter.h"
#include "modern/ModernMode.h"

#include <Version.h>

namespace {

STransferOptions MakeTransfer(const CWindowSettings& settings)
{
    // The window has no --cacert: CURL_CA_BUNDLE names a private authority.
    STransferOptions transfer = CModernMode::MakeTransferOptions(LINTREL_VERSION);
    if (!settings.m_strUserAgent.empty())
        transfer.strUserAgent = settings.m_strUserAgent;
    transfer.nMaxPerSecond = settings.m_nRate;
    transfer.nMaxRetryAfterPause = settings.m_nMaxRetryWait;
    transfer.bNetrc = settings.m_bNetrc;
    return transfer;
}

bool MakeFilter(const CWindowSettings& settings, CLinkFilter& filter, std::string& strError)
{
    std::string strReason;
    for (const std::string& strPattern : settings.m_excludes) {
        if (!filter.AddExclude(strPattern, strReason)) {
            strError = "The exclude pattern \"" + strPattern + "\" is not valid: " + strReason;
            return false;
        }
    }
    for (const std::string& strPattern : settings.m_includes) {
        if (!filter.AddInclude(strPattern, strReason)) {
            strError = "The include pattern \"" + strPattern + "\" is not valid: " + strReason;
            return false;
        }
    }
    return true;
}

} // namespace

CModernCrawlSetup::CModernCrawlSetup(CWindowSettings settings)
    : m_settings(std::move(settings))
{
}

CModernCrawlSetup::~CModernCrawlSetup() = default;

bool CModernCrawlSetup::Apply(CCrawler& crawler, bool bFolder, std::string& strError)
{
    CLinkFilter filter;
    if (!MakeFilter(m_settings, filter, strError) || !OpenCache(strError))
        return false;
    // The accepted codes are kept and checked with the rest; the policy has
    // no field for them yet, so they do not change a verdict.
    SCheckPolicy policy;
    policy.nRetries = m_settings.m_nRetries;
    policy.nMaxRetryWait = m_settings.m_nMaxRetryWait;
    auto pMode = std::make_unique<CModernMode>(policy);
    pMode->SetObeyRobots(!m_settings.m_bNoRobots);
    pMode->SetLocalLinks(bFolder);
    pMode->SetResultStore(m_pCache.get());
    crawler.SetMode(std::move(pMode));
    crawler.SetTransferOptions(MakeTransfer(m_settings));
    crawler.SetRequestLimits(CCrawler::DEFAULT_JOBS, m_settings.m_nPerHost);
    crawler.SetLinkFilter(std::move(filter));
    return true;
}

bool CModernCrawlSetup::OpenCache(std::string& strError)
{
    if (m_settings.m_strCache.empty())
        return true;
    const auto age = CResultCache::ParseAge(m_settings.m_strCacheAge);
    if (!age) {
        strError = "The cache age \"" + m_settings.m_strCacheAge + "\" is not an integer and s, m, h or d.";
        return false;
    }
    m_pCache = std::make_unique<CResultCache>(CResultCache::MakeFingerprint(MakeTransfer(m_settings)), *age);
    std::string strReason;
    switch (m_pCache->Open(m_settings.m_strCache, strReason)) {
    case CResultCache::EOpen::OPENED: return true;
    case CResultCache::EOpen::REFUSED:
        strError = "The file " + m_settings.m_strCache + " cannot be the cache: " + strReason
            + ". It was left as it was; choose another file in Options > Settings.";
        m_pCache.reset();
        return false;
    case CResultCache::EOpen::UNAVAILABLE: break;
    }
    // As the command line does: the crawl goes on without the cache.
    m_pCache.reset();
    return true;
}

void CModernCrawlSetup::Tick()
{
    if (m_pCache)
        m_pCache->Tick();
}

std::string CModernCrawlSetup::Close()
{
    if (!m_pCache)
        return std::string();
    m_pCache->Close();
    return m_pCache->GetTrouble();
}
