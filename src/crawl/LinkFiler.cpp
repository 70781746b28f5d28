#include "crawl/LinkFiler.h"

#include "crawl/CrawlMode.h"
#include "link/Link.h"
#include "link/LinkArray.h"

void CLinkFiler::AddStartPage(const std::string& strFullURL)
{
    m_startPages.insert(strFullURL);
}

void CLinkFiler::File(
    CCrawlMode& mode, std::string strDocument, const SPageAnswer& answer, CLinkArray* pLinks, CLink* pPage)
{
    // Without patterns the rules file straight into the array, so an
    // unfiltered crawl runs no code of the filter's.
    if (!IsFiltering()) {
        mode.ExtractLinks(std::move(strDocument), answer, pLinks, pPage);
        return;
    }
    // Filed as the rules file them, then moved over as the request
    // pipeline's read-ahead moves its own: the same records either way.
    CLinkArray found;
    mode.ExtractLinks(std::move(strDocument), answer, &found, pPage);
    pLinks->AddNewFrom(found, [this](const std::string& strFullURL) { return Accepts(strFullURL); });
}

bool CLinkFiler::Accepts(const std::string& strFullURL)
{
    if (m_startPages.contains(strFullURL) || m_filter.Accepts(strFullURL))
        return true;
    m_excluded.insert(strFullURL);
    return false;
}
