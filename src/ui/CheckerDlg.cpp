#include "ui/CheckerDlg.h"

#include "crawl/Crawler.h"
#include "ui/AboutDlg.h"
#include "ui/ModernCrawlSetup.h"
#include "winsys/DialogUnits.h"
#include "winsys/FileDialog.h"
#include "winsys/Resource.h"
#include "winsys/StringTable.h"
#include "winsys/WaitCursor.h"
#include "winsys/WindowSystem.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QFile>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QShortcutEvent>
#include <QVBoxLayout>

CCheckerDlg::CCheckerDlg(QWidget* pParent)
    : QDialog(pParent)
    , m_hIcon(CWindowSystem::LoadMainIcon())
{
    setObjectName(QStringLiteral("IDD_CHECKER_DIALOG"));
    setWindowTitle(QStringLiteral("Lintrel"));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
        | Qt::WindowCloseButtonHint);
    CreateMenu();
    m_wndClient.setObjectName(QStringLiteral("Client"));
    CreateControls();
    CreateModernControls();
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->setSpacing(0);
    // No minimum size: the window may be made as small as the user likes.
    pLayout->setSizeConstraint(QLayout::SetNoConstraint);
    pLayout->setMenuBar(m_pMenuBar);
    pLayout->addWidget(&m_wndClient);
    // Only now that Go is inside the dialog: the dialog then keeps it as its
    // default button and gives the default back to it whenever a button that
    // took it with the focus (Go itself, Stop) loses the focus. Set earlier,
    // the first Tab past Go left the dialog without a default, and Enter in
    // the URL box did nothing.
    m_btnGo.setDefault(true);
    const CDialogUnits units(font());
    resize(units.MapX(419), units.MapY(207) + m_pMenuBar->sizeHint().height());
    connect(&m_btnGo, &QPushButton::clicked, this, &CCheckerDlg::OnGo);
    connect(static_cast<QPushButton*>(GetDlgItem(IDC_STOP)), &QPushButton::clicked, this, &CCheckerDlg::OnStop);
    connect(&m_chkShowOnlyBad, &QCheckBox::clicked, this, &CCheckerDlg::OnShowOnlyBad);
    m_pMenuBar->installEventFilter(this);
    m_wndClient.installEventFilter(this);
    for (QAbstractButton* pButton : m_wndClient.findChildren<QAbstractButton*>())
        pButton->installEventFilter(this);
    OnInitDialog();
}

CCheckerDlg::~CCheckerDlg()
{
    // The rows point into the crawler's records: drop them first.
    m_lbLinks.ResetList();
    m_pCrawler.reset();
    m_pSetup.reset();
}

void CCheckerDlg::OnInitDialog()
{
    UpdateData(false);
    // The desktop gives a dialog no menu of its own: the background's
    // context menu carries the item instead.
    m_pSystemMenu = new QMenu(this);
    m_pSystemMenu->setObjectName(QStringLiteral("SystemMenu"));
    const QString strAboutMenu = CStringTable::Load(IDS_ABOUTBOX);
    if (!strAboutMenu.isEmpty()) {
        m_pSystemMenu->addSeparator();
        m_pSystemMenu->addAction(strAboutMenu)->setData(IDM_ABOUTBOX);
    }
    setWindowIcon(m_hIcon);
    LoadOptions();
    CaptureLayout();
    ShowModernControls(m_bModernWebChecks);
}

bool CCheckerDlg::UpdateData(bool bSaveAndValidate)
{
    if (!bSaveAndValidate) {
        m_chkExploreCgi.setChecked(m_bExploreCgiUrls);
        m_chkRecursive.setChecked(m_bDoRecursive);
        m_chkShowOnlyBad.setChecked(m_bShowOnlyBad);
        m_editUrl.setText(CWindowSystem::ToQString(m_strUrl));
        m_wndLinkCount.setText(QString::number(m_nLinkCount));
        return true;
    }
    m_bExploreCgiUrls = m_chkExploreCgi.isChecked();
    m_bDoRecursive = m_chkRecursive.isChecked();
    m_bShowOnlyBad = m_chkShowOnlyBad.isChecked();
    m_strUrl = CWindowSystem::FromQString(m_editUrl.text());
    bool bNumber = false;
    const unsigned nCount = m_wndLinkCount.text().trimmed().toUInt(&bNumber);
    if (!bNumber)
        return false;
    m_nLinkCount = nCount;
    return true;
}

void CCheckerDlg::SetLinkCount(unsigned nCount)
{
    // Only this field: writing every member back would overwrite what the
    // user is typing in the URL box during a crawl.
    m_nLinkCount = nCount;
    m_wndLinkCount.setText(QString::number(m_nLinkCount));
}

void CCheckerDlg::PumpMessages()
{
    CWindowSystem::PumpMessages();
    if (m_pSetup)
        m_pSetup->Tick();
}

void CCheckerDlg::PageFetched(const CLink& page, const std::string& strError)
{
    ++m_nPagesFetched;
    if (m_pCrawler && &page == m_pCrawler->GetRootLink())
        m_strStartError = strError;
}

void CCheckerDlg::OnGo()
{
    std::string strStartUrl;
    RunCheck(strStartUrl);
    if (m_bCloseAfterCrawl) {
        m_bCloseAfterCrawl = false;
        QDialog::reject();
        return;
    }
    // An empty list would look like a page without links: say why it is
    // empty, once the window is idle again.
    if (!m_strStartError.empty())
        ExplainStartFailure(strStartUrl);
}

void CCheckerDlg::RunCheck(std::string& strStartUrl)
{
    CWaitCursor wait;
    m_strStartError.clear();
    SetRunControls(false);
    UpdateData(true);
    m_lbLinks.ResetList();
    m_lbLinks.SetShowOnlyBad(m_bShowOnlyBad);
    m_lbLinks.SetCrawling(false);
    // Only now that no row points into its records.
    m_pCrawler.reset();
    m_pCrawler = std::make_unique<CCrawler>(this, m_bDoRecursive, m_bExploreCgiUrls);
    m_nPagesFetched = 0;
    if (ChooseCrawlMode() && InitCrawler(strStartUrl)) {
        ChooseRowStyle();
        GetDlgItem(IDC_STOP)->setEnabled(true);
        m_lbLinks.SetCrawling(true);
        m_bCrawling = true;
        m_crawlTime.start();
        m_pCrawler->Crawl();
        m_dElapsedSeconds = static_cast<double>(m_crawlTime.elapsed()) / 1000.0;
        m_bCrawling = false;
    }
    m_lbLinks.SetCrawling(false);
    SetRunControls(true);
    UpdateSummary();
    ExplainCacheTrouble();
}

bool CCheckerDlg::ChooseStartUrl(std::string& strStartUrl)
{
    if (!m_strUrl.empty()) {
        strStartUrl = m_strUrl;
        return true;
    }
    CFileDialog dialog(true, this);
    if (!dialog.DoModal())
        return false;
    // The file system's own bytes, unescaped.
    strStartUrl = "file://" + QFile::encodeName(dialog.GetPathName()).toStdString();
    return true;
}

void CCheckerDlg::ExplainStartFailure(const std::string& strStartUrl)
{
    // A pasted URL may be of any length; its two ends identify it.
    constexpr qsizetype MAX_SHOWN = 200;
    QString strUrl = CWindowSystem::ToQString(strStartUrl);
    if (strUrl.size() > MAX_SHOWN)
        strUrl = strUrl.left(MAX_SHOWN / 2) + QStringLiteral("...") + strUrl.right(MAX_SHOWN / 2);
    CWindowSystem::MessageBox(
        this, tr("The start page could not be read:\n%1\n\n%2").arg(strUrl, CWindowSystem::ToQString(m_strStartError)));
}

void CCheckerDlg::SetRunControls(bool bIdle)
{
    m_btnGo.setEnabled(bIdle);
    m_chkExploreCgi.setEnabled(bIdle);
    m_chkShowOnlyBad.setEnabled(bIdle);
    m_chkRecursive.setEnabled(bIdle);
    if (bIdle)
        GetDlgItem(IDC_STOP)->setEnabled(false);
}

void CCheckerDlg::OnStop()
{
    if (m_pCrawler)
        m_pCrawler->m_bStop = true;
}

void CCheckerDlg::OnShowOnlyBad()
{
    if (!m_pCrawler)
        return;
    UpdateData(true);
    m_lbLinks.SetShowOnlyBad(m_bShowOnlyBad);
}

void CCheckerDlg::OnUpdateCopyReferrer()
{
    if (QAction* pAction = GetMenuAction(ID_COPY_REFERRER))
        pAction->setEnabled(m_pCrawler && m_pCrawler->GetListCount() != 0);
}

void CCheckerDlg::OnHelpAbout()
{
    CAboutDlg about(this);
    about.exec();
}

void CCheckerDlg::OnAppExit()
{
    RequestClose();
}

void CCheckerDlg::OnSysCommand(int nID)
{
    if ((nID & 0xFFF0) == IDM_ABOUTBOX)
        OnHelpAbout();
}

void CCheckerDlg::reject()
{
    RequestClose();
}

void CCheckerDlg::RequestClose()
{
    // Go's handler is still on the stack during a crawl: stop the crawl and
    // let Go close the window once it has.
    if (m_bCrawling) {
        m_bCloseAfterCrawl = true;
        m_pCrawler->m_bStop = true;
        return;
    }
    QDialog::reject();
}

bool CCheckerDlg::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    // The client area's size changes with every change of the window's.
    if (pWatched == &m_wndClient && pEvent->type() == QEvent::Resize) {
        OnSize();
        return false;
    }
    if (HandleModernKey(pWatched, pEvent))
        return true;
    // Alt+E names both "&Explore CGI URLs" and the "&Edit" menu, so the two
    // would take turns. The control's mnemonic wins, as in dialogs; the menu
    // is still reached with Alt alone or F10.
    if (pEvent->type() == QEvent::Shortcut) {
        const auto* pShortcut = static_cast<QShortcutEvent*>(pEvent);
        QAbstractButton* pButton = pShortcut->isAmbiguous() ? ButtonForMnemonic(pShortcut->key()) : nullptr;
        if (pButton) {
            pButton->setFocus(Qt::ShortcutFocusReason);
            pButton->animateClick();
            return true;
        }
    }
    return QDialog::eventFilter(pWatched, pEvent);
}

QAbstractButton* CCheckerDlg::ButtonForMnemonic(const QKeySequence& key) const
{
    for (QAbstractButton* pButton : m_wndClient.findChildren<QAbstractButton*>()) {
        if (pButton->isEnabled() && pButton->isVisible() && QKeySequence::mnemonic(pButton->text()) == key)
            return pButton;
    }
    return nullptr;
}

void CCheckerDlg::contextMenuEvent(QContextMenuEvent* pEvent)
{
    QWidget* pChild = childAt(pEvent->pos());
    const bool bBackground = !pChild || pChild == &m_wndClient || qobject_cast<QLabel*>(pChild);
    if (!bBackground || m_pSystemMenu->isEmpty()) {
        pEvent->ignore();
        return;
    }
    if (QAction* pChosen = m_pSystemMenu->exec(pEvent->globalPos()))
        OnSysCommand(pChosen->data().toInt());
}
