#include "cli/CliFrontEnd.h"

#include "cli/CliInterrupt.h"
#include "crawl/Crawler.h"
#include "link/Link.h"
#include "link/LinkArray.h"
#include "report/RowPrinter.h"

namespace {

// Room for the counts and a shortened URL on an ordinary terminal line.
constexpr std::size_t PROGRESS_WIDTH = 79;
constexpr std::chrono::milliseconds PROGRESS_INTERVAL(100);

} // namespace

CCliFrontEnd::CCliFrontEnd(std::ostream& err, bool bProgress)
    : m_err(err)
    , m_bProgress(bProgress)
{
}

void CCliFrontEnd::SetSiteHost(const std::string&) {}

void CCliFrontEnd::AddNewLinks(CLinkArray* pLinks)
{
    m_pLinks = pLinks;
    m_nRows = pLinks ? pLinks->GetSize() : 0;
}

void CCliFrontEnd::LinkChecked(int nPos)
{
    ++m_nChecked;
    if (const CLink* pLink = m_pLinks ? m_pLinks->GetAt(nPos) : nullptr)
        m_strCurrent = pLink->GetFullURL();
    ShowProgress(false);
}

void CCliFrontEnd::SetLinkCount(unsigned nCount)
{
    m_nLinks = nCount;
    ShowProgress(true);
}

void CCliFrontEnd::PumpMessages()
{
    if (m_pCrawler && CCliInterrupt::IsStopRequested())
        m_pCrawler->m_bStop = true;
    if (m_idleTask)
        m_idleTask();
    ShowProgress(false);
}

void CCliFrontEnd::PageFetched(const CLink& page, const std::string& strError)
{
    if (++m_nPages == 1)
        m_strStartError = strError;
    m_nPagesRead += strError.empty() ? 1 : 0;
    m_strCurrent = page.GetFullURL();
    ShowProgress(true);
}

void CCliFrontEnd::EndProgress()
{
    if (m_bLineShown)
        m_err << "\r\x1b[K" << std::flush;
    m_bLineShown = false;
}

void CCliFrontEnd::ShowProgress(bool bNow)
{
    if (!m_bProgress)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (!bNow && m_bLineShown && now - m_lastShown < PROGRESS_INTERVAL)
        return;
    m_lastShown = now;
    std::string strLine = "pages " + std::to_string(m_nPages) + "  links " + std::to_string(m_nLinks) + "  checked "
        + std::to_string(m_nChecked) + "  ";
    std::string strURL = CRowPrinter::Printable(m_strCurrent);
    const std::size_t nRoom = PROGRESS_WIDTH > strLine.size() ? PROGRESS_WIDTH - strLine.size() : 0;
    if (strURL.size() > nRoom)
        strURL = nRoom > 3 ? "..." + strURL.substr(strURL.size() - (nRoom - 3)) : std::string();
    m_err << '\r' << strLine << strURL << "\x1b[K" << std::flush;
    m_bLineShown = true;
}
