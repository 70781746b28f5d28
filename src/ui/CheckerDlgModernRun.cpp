// The modern mode's runs: the settings a Go takes, a folder of pages, the
// settings dialog and settings file, and the export in every format.

#include "ui/CheckerDlg.h"

#include "cli/CliOptions.h"
#include "crawl/Crawler.h"
#include "modern/PageFolder.h"
#include "report/CrawlSummary.h"
#include "report/ReportFormat.h"
#include "results/ClassicRowStyle.h"
#include "results/ModernRowStyle.h"
#include "ui/ExportChoice.h"
#include "ui/ModernCrawlSetup.h"
#include "ui/SettingsDlg.h"
#include "ui/WindowSettings.h"
#include "winsys/WindowSystem.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include <Version.h>

bool CCheckerDlg::ChooseModernMode()
{
    m_pSetup = std::make_unique<CModernCrawlSetup>(CWindowSettings::Load());
    std::string strError;
    if (m_pSetup->Apply(*m_pCrawler, !m_folderPages.empty(), strError))
        return true;
    CWindowSystem::MessageBox(this, tr("The crawl did not start.\n\n%1").arg(CWindowSystem::ToQString(strError)));
    return false;
}

void CCheckerDlg::ExplainCacheTrouble()
{
    const std::string strTrouble = m_pSetup ? m_pSetup->Close() : std::string();
    if (!strTrouble.empty())
        CWindowSystem::MessageBox(this, tr("The result cache: %1").arg(CWindowSystem::ToQString(strTrouble)));
}

void CCheckerDlg::ChooseRowStyle()
{
    const CLink* pRoot = m_pCrawler ? m_pCrawler->GetRootLink() : nullptr;
    if (m_pSetup && pRoot)
        m_lbLinks.SetRowStyle(std::make_unique<CModernRowStyle>(*pRoot));
    else
        m_lbLinks.SetRowStyle(std::make_unique<CClassicRowStyle>());
}

bool CCheckerDlg::InitCrawler(std::string& strStartUrl)
{
    if (m_folderPages.empty())
        return ChooseStartUrl(strStartUrl) && m_pCrawler->Init(&m_lbLinks, strStartUrl);
    strStartUrl = m_folderPages.front();
    return m_pCrawler->Init(&m_lbLinks, m_folderPages);
}

void CCheckerDlg::OnCheckFolder()
{
    if (m_bCrawling)
        return;
    QFileDialog dialog(this, tr("Check Folder"));
    dialog.setObjectName(QStringLiteral("FolderDialog"));
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        CheckFolder(dialog.selectedFiles().first());
}

void CCheckerDlg::CheckFolder(const QString& strFolder)
{
    if (m_bCrawling || !m_bModernWebChecks)
        return;
    const std::string strPath = QFile::encodeName(QFileInfo(strFolder).absoluteFilePath()).toStdString();
    for (const std::string& strPage : CPageFolder::ListPages(strPath))
        m_folderPages.push_back("file://" + strPage);
    if (m_folderPages.empty()) {
        CWindowSystem::MessageBox(this, tr("There is no *.html or *.htm file under %1.").arg(strFolder));
        return;
    }
    OnGo();
    m_folderPages.clear();
}

void CCheckerDlg::OnOptionsSettings()
{
    CSettingsDlg dialog(CWindowSettings::Load(), this);
    dialog.exec();
}

void CCheckerDlg::OnOptionsLoadSettings()
{
    QFileDialog dialog(this, tr("Load Settings File"));
    dialog.setObjectName(QStringLiteral("SettingsFileDialog"));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({tr("Settings (*.toml)"), tr("Any file (*)")});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        LoadSettingsFile(dialog.selectedFiles().first());
}

bool CCheckerDlg::LoadSettingsFile(const QString& strPath)
{
    CCliOptions options;
    std::vector<std::string> given;
    const std::optional<std::string> strError
        = CWindowSettings::Read(QFile::encodeName(strPath).toStdString(), options, given);
    if (strError) {
        CWindowSystem::MessageBox(this,
            tr("The settings were not loaded; the window keeps its own.\n\n%1")
                .arg(CWindowSystem::ToQString(*strError)));
        return false;
    }
    CWindowSettings settings = CWindowSettings::Load();
    settings.TakeFrom(options, given);
    settings.Save();
    return true;
}

void CCheckerDlg::ExportModern()
{
    if (!m_pCrawler || !m_pCrawler->GetLinks())
        return;
    QFileDialog dialog(this, tr("Export"));
    dialog.setObjectName(QStringLiteral("FileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(CExportChoice::GetFilters());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    // The file dialog ran the window's events: take the links afresh.
    const CLinkArray* pLinks = m_pCrawler ? m_pCrawler->GetLinks() : nullptr;
    if (!pLinks)
        return;
    // A name typed without an extension gets the chosen filter's; the file
    // dialog asked before replacing only the name as typed.
    const QString strChosen = QFileInfo(dialog.selectedFiles().first()).absoluteFilePath();
    const QString strFilter = dialog.selectedNameFilter();
    const QString strPath = CExportChoice::WithExtension(strChosen, strFilter);
    if (strPath != strChosen && QFileInfo::exists(strPath)
        && QMessageBox::question(this, tr("Export"), tr("%1 already exists.\nDo you want to replace it?").arg(strPath))
            != QMessageBox::Yes)
        return;
    std::string strReason;
    const std::unique_ptr<CReportFormat> pFormat
        = CExportChoice::MakeFormat(strFilter, *pLinks, MakeModernSummary(*pLinks));
    if (pFormat->Save(QFile::encodeName(strPath).toStdString(), strReason))
        return;
    CWindowSystem::MessageBox(this, tr("The report was not saved.\n\n%1").arg(CWindowSystem::ToQString(strReason)));
}

CCrawlSummary CCheckerDlg::MakeModernSummary(const CLinkArray& links) const
{
    CCrawlSummary summary(links, m_nPagesFetched, m_dElapsedSeconds);
    const SCrawlResult result = m_pCrawler->GetResult();
    summary.m_bVerdicts = result.bVerdicts;
    summary.m_bRobotsCounted = result.bRobotsCounted;
    summary.m_nRobotsSkipped = static_cast<int>(result.nRobotsSkipped);
    summary.m_bFiltered = result.bFiltered;
    summary.m_nExcluded = static_cast<int>(result.nExcluded);
    summary.m_bCacheUsed = m_pSetup && m_pSetup->IsCacheUsed();
    summary.m_strVersion = LINTREL_VERSION;
    return summary;
}
