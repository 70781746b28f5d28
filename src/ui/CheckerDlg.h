#pragma once

#include "crawl/CrawlOwner.h"
#include "results/LinkListBox.h"
#include "ui/ResizeLayout.h"

#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CCrawler;
class CCrawlSummary;
class CDetailsPane;
class CLink;
class CLinkArray;
class CModernCrawlSetup;
class QAbstractButton;
class QAction;
class QKeySequence;
class QMenu;
class QMenuBar;
class QSplitter;

/// The program's only window: the start URL, the three options, Go and
/// Stop, the results list and the link count. Owns the crawler of the last
/// run, which it deletes at the next Go and when it is destroyed.
class CCheckerDlg : public QDialog, public CCrawlOwner {
    Q_OBJECT

public:
    explicit CCheckerDlg(QWidget* pParent = nullptr);
    ~CCheckerDlg() override;

    /// Shows the count in the link count field alone.
    void SetLinkCount(unsigned nCount) override;
    /// Runs the window's pending events; the crawler calls it between
    /// requests and while one waits.
    void PumpMessages() override;
    /// Keeps why the start page could not be read, for after the crawl.
    void PageFetched(const CLink& page, const std::string& strError) override;

    /// Copies members to controls (false) or controls to members (true).
    bool UpdateData(bool bSaveAndValidate = true);
    /// A control by its id; null for an id the dialog does not have.
    QWidget* GetDlgItem(int nID) const;

    void OnGo();
    void OnStop();
    void OnShowOnlyBad();
    void OnEditCopy();
    void OnCopyReferrer();
    void OnUpdateCopyReferrer();
    void OnFileExport();
    void OnOptionsModern();
    void OnHelpAbout();
    void OnAppExit();
    void OnSysCommand(int nID);
    void OnOpenLink();
    void OnOpenReferrer();
    void OnCheckFolder();
    void OnOptionsSettings();
    void OnOptionsLoadSettings();

    /// Checks every *.html and *.htm page under strFolder, each a start
    /// page, in the modern mode; a folder without one is said so.
    void CheckFolder(const QString& strFolder);
    /// Takes the crawl's settings from a settings file; false, with the
    /// reason shown, when the file is refused.
    bool LoadSettingsFile(const QString& strPath);
    /// The modern mode's details pane; hidden in the default mode.
    CDetailsPane* GetDetailsPane() const { return m_pPane; }
    /// The running summary beside the link count; empty in the default mode.
    QString GetSummaryText() const;

    /// Asks for a file and saves the report of every link of the crawl
    /// there; a failure is shown in a message box and leaves an existing
    /// file untouched. Nothing before a crawl has started.
    void ExportReport();
    /// The selected row's URL on the clipboard; nothing without a selection.
    void CopySelectedLink();
    /// The selected row's referring URL on the clipboard; nothing without a
    /// selection or a referrer.
    void CopySelectedReferrer();
    /// Puts the link's full URL on the clipboard as plain text; false, with
    /// the clipboard untouched, for no link.
    bool CopyLinkToClipboard(const CLink* pLink);
    /// Lays the controls out for the window's present size; nothing before
    /// the layout was captured.
    void OnSize();

    /// The crawler of the last Go; null before the first.
    CCrawler* GetCrawler() const { return m_pCrawler.get(); }
    CLinkListBox& GetListBox() { return m_lbLinks; }
    bool IsCrawling() const { return m_bCrawling; }
    QAction* GetMenuAction(int nID) const;

    void reject() override;

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    void moveEvent(QMoveEvent* pEvent) override;
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void CreateControls();
    void CreateMenu();
    QMenu* AddMenu(const QString& strTitle);
    QAction* AddMenuItem(
        QMenu* pMenu, int nID, const char* pszName, const QString& strText, void (CCheckerDlg::*pHandler)());
    QWidget* CreateControl(int nID, int nKind, const QString& strCaption);
    void OnInitDialog();
    void CaptureLayout();
    CResizeLayout::CFrame GetFrame() const;
    void SetHeaderRects();
    void FollowFrame();
    void SetRunControls(bool bIdle);
    void RunCheck(std::string& strStartUrl);
    void LoadOptions();
    void ShowModeInTitle();
    bool ChooseCrawlMode();
    bool ChooseStartUrl(std::string& strStartUrl);
    void ExplainStartFailure(const std::string& strStartUrl);
    void RequestClose();
    QAbstractButton* ButtonForMnemonic(const QKeySequence& key) const;
    bool ChooseModernMode();
    void ExplainCacheTrouble();
    void ChooseRowStyle();
    bool InitCrawler(std::string& strStartUrl);
    void CreateModernControls();
    void ShowModernControls(bool bShow);
    void PlaceModernControls();
    QWidget* LayoutTarget(int nID) const;
    void FollowSelection();
    void UpdateModernCommands();
    void UpdateSummary();
    bool HandleModernKey(QObject* pWatched, QEvent* pEvent);
    void ExportModern();
    CCrawlSummary MakeModernSummary(const CLinkArray& links) const;

    QWidget m_wndClient;
    QLabel m_wndLinkCount;
    QLineEdit m_editUrl;
    QCheckBox m_chkExploreCgi;
    QCheckBox m_chkShowOnlyBad;
    QCheckBox m_chkRecursive;
    QPushButton m_btnGo;
    bool m_bExploreCgiUrls = false;
    bool m_bDoRecursive = false;
    bool m_bShowOnlyBad = false;
    // Options > Modern Web Checks, remembered between runs; read at each Go.
    bool m_bModernWebChecks = false;
    std::string m_strUrl;
    unsigned m_nLinkCount = 0;
    QIcon m_hIcon;
    std::unique_ptr<CCrawler> m_pCrawler;
    CLinkListBox m_lbLinks;
    QMenuBar* m_pMenuBar = nullptr;
    QMenu* m_pSystemMenu = nullptr;
    bool m_bCrawling = false;
    // A close asked for during a crawl, carried out once the crawl stopped.
    bool m_bCloseAfterCrawl = false;
    // Why the last run's start page could not be read; empty when it was.
    std::string m_strStartError;
    CResizeLayout m_layout;
    // The frame the controls were last laid out for.
    CResizeLayout::CFrame m_frameLaidOut;
    // The modern mode's commands, each with the menu it joins and the item
    // it goes before (null: the end).
    struct SModernItem {
        QMenu* pMenu;
        QAction* pBefore;
        QAction* pAction;
    };
    std::vector<SModernItem> m_modernItems;
    QSplitter* m_pSplitter = nullptr;
    CDetailsPane* m_pPane = nullptr;
    QLabel* m_pSummary = nullptr;
    // The summary is counted afresh at most this often during a crawl.
    QTimer m_timerSummary;
    // The last modern crawl's rules; lives as long as its crawler.
    std::unique_ptr<CModernCrawlSetup> m_pSetup;
    // Check Folder's start pages, for the Go it runs.
    std::vector<std::string> m_folderPages;
    int m_nPagesFetched = 0;
    QElapsedTimer m_crawlTime;
    double m_dElapsedSeconds = 0;
};
