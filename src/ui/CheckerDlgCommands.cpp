// The dialog's commands on a crawl's results: File/Export... and the two
// clipboard copies.

#include "ui/CheckerDlg.h"

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "report/CrawlSummary.h"
#include "report/ReportWriter.h"
#include "winsys/FileDialog.h"
#include "winsys/WindowSystem.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>

#include <string>

void CCheckerDlg::OnEditCopy()
{
    if (m_pCrawler)
        CopySelectedLink();
}

void CCheckerDlg::OnCopyReferrer()
{
    if (m_pCrawler)
        CopySelectedReferrer();
}

void CCheckerDlg::OnFileExport()
{
    if (m_pCrawler && m_bModernWebChecks)
        ExportModern();
    else if (m_pCrawler)
        ExportReport();
}

void CCheckerDlg::ExportReport()
{
    if (!m_pCrawler || !m_pCrawler->GetLinks())
        return;
    CFileDialog dialog(false, this);
    if (!dialog.DoModal())
        return;
    // The file dialog ran the window's events: take the links afresh.
    const CLinkArray* pLinks = m_pCrawler ? m_pCrawler->GetLinks() : nullptr;
    if (!pLinks)
        return;
    const QString strPath = dialog.GetPathName();
    std::string strReason;
    if (CReportWriter(*pLinks, CCrawlSummary(*pLinks)).Save(QFile::encodeName(strPath).toStdString(), strReason))
        return;
    // The reason names the file; an existing one is still as it was.
    CWindowSystem::MessageBox(this, tr("The report was not saved.\n\n%1").arg(CWindowSystem::ToQString(strReason)));
}

void CCheckerDlg::CopySelectedLink()
{
    CopyLinkToClipboard(m_lbLinks.GetSelectedLink());
}

void CCheckerDlg::CopySelectedReferrer()
{
    // The row's own record, never the row's position: the filter may have
    // moved it.
    if (const CLink* pLink = m_lbLinks.GetSelectedLink())
        CopyLinkToClipboard(pLink->GetReferrer());
}

bool CCheckerDlg::CopyLinkToClipboard(const CLink* pLink)
{
    if (!pLink)
        return false;
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (!pClipboard)
        return false;
    pClipboard->setText(CWindowSystem::ToQString(pLink->GetFullURL()));
    return true;
}
