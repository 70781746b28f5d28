// The dialog's controls of the modern mode: the commands it adds to the
// menus, the details pane below the list, the running summary beside the
// link count, and opening a row's link in the browser. None of them is
// there while Modern Web Checks is off.

#include "ui/CheckerDlg.h"

#include "crawl/Crawler.h"
#include "link/Link.h"
#include "ui/CrawlTally.h"
#include "ui/DesktopUrl.h"
#include "ui/DetailsPane.h"
#include "winsys/Resource.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>

namespace {

const QString SPLITTER_KEY = QStringLiteral("Modern/splitter");
constexpr int SUMMARY_INTERVAL_MS = 200;
// The pane's share of the list's height until the user moves the splitter.
constexpr int LIST_SHARE = 3;
constexpr int PANE_SHARE = 1;

} // namespace

void CCheckerDlg::CreateModernControls()
{
    QMenu* pFile = m_pMenuBar->findChild<QMenu*>(QStringLiteral("File"));
    QMenu* pEdit = m_pMenuBar->findChild<QMenu*>(QStringLiteral("Edit"));
    QMenu* pOptions = m_pMenuBar->findChild<QMenu*>(QStringLiteral("Options"));
    QAction* pExportSeparator = pFile->actions().value(1);
    const auto Add = [this](QMenu* pMenu, QAction* pBefore, int nID, const char* pszName, const QString& strText,
                         void (CCheckerDlg::*pHandler)()) {
        QAction* pAction = AddMenuItem(pMenu, nID, pszName, strText, pHandler);
        pMenu->removeAction(pAction);
        m_modernItems.push_back({pMenu, pBefore, pAction});
    };
    Add(pFile, pExportSeparator, ID_FILE_CHECK_FOLDER, "ID_FILE_CHECK_FOLDER", tr("Check &Folder..."),
        &CCheckerDlg::OnCheckFolder);
    Add(pEdit, nullptr, ID_OPEN_LINK, "ID_OPEN_LINK", tr("Open &Link"), &CCheckerDlg::OnOpenLink);
    Add(pEdit, nullptr, ID_OPEN_REFERRER, "ID_OPEN_REFERRER", tr("Open &Referring Page"), &CCheckerDlg::OnOpenReferrer);
    Add(pOptions, nullptr, ID_OPTIONS_SETTINGS, "ID_OPTIONS_SETTINGS", tr("&Settings..."),
        &CCheckerDlg::OnOptionsSettings);
    Add(pOptions, nullptr, ID_OPTIONS_LOAD_SETTINGS, "ID_OPTIONS_LOAD_SETTINGS", tr("&Load Settings File..."),
        &CCheckerDlg::OnOptionsLoadSettings);
    connect(pEdit, &QMenu::aboutToShow, this, &CCheckerDlg::UpdateModernCommands);

    m_pSplitter = new QSplitter(Qt::Vertical, &m_wndClient);
    m_pSplitter->setObjectName(QStringLiteral("DetailsSplitter"));
    m_pSplitter->setChildrenCollapsible(false);
    m_pSplitter->hide();
    m_pPane = new CDetailsPane;
    m_pSplitter->addWidget(m_pPane);
    connect(m_pSplitter, &QSplitter::splitterMoved, this,
        [this] { QSettings().setValue(SPLITTER_KEY, m_pSplitter->saveState()); });
    m_pSummary = new QLabel(&m_wndClient);
    m_pSummary->setObjectName(QStringLiteral("ModernSummary"));
    m_pSummary->setAccessibleName(tr("Links by verdict, pages fetched and links waiting"));
    m_pSummary->hide();
    m_timerSummary.setSingleShot(true);
    m_timerSummary.setInterval(SUMMARY_INTERVAL_MS);
    connect(&m_timerSummary, &QTimer::timeout, this, &CCheckerDlg::UpdateSummary);
    connect(&m_lbLinks, &CLinkListBox::LinksChanged, this, [this] {
        if (!m_pSummary->isHidden() && !m_timerSummary.isActive())
            m_timerSummary.start();
    });
    connect(m_lbLinks.selectionModel(), &QItemSelectionModel::selectionChanged, this, &CCheckerDlg::FollowSelection);
    connect(m_lbLinks.model(), &QAbstractItemModel::modelReset, this, &CCheckerDlg::FollowSelection);
    connect(&m_lbLinks, &QAbstractItemView::doubleClicked, this, [this] {
        if (m_bModernWebChecks)
            OnOpenLink();
    });
    m_lbLinks.installEventFilter(this);
}

void CCheckerDlg::ShowModernControls(bool bShow)
{
    for (const SModernItem& item : m_modernItems) {
        if (bShow && !item.pMenu->actions().contains(item.pAction))
            item.pMenu->insertAction(item.pBefore, item.pAction);
        else if (!bShow)
            item.pMenu->removeAction(item.pAction);
    }
    const bool bInSplitter = m_lbLinks.parentWidget() == m_pSplitter;
    if (bShow && !bInSplitter) {
        m_pSplitter->setGeometry(m_lbLinks.geometry());
        m_pSplitter->insertWidget(0, &m_lbLinks);
        if (!m_pSplitter->restoreState(QSettings().value(SPLITTER_KEY).toByteArray()))
            m_pSplitter->setSizes({LIST_SHARE * 100, PANE_SHARE * 100});
        m_pSplitter->show();
        // Tab order: URL, Go, Stop, the list, then the pane.
        QWidget::setTabOrder(&m_lbLinks, &m_pPane->GetOccurrenceList());
    } else if (!bShow && bInSplitter) {
        const QRect rc = m_pSplitter->geometry();
        m_lbLinks.setParent(&m_wndClient);
        m_lbLinks.setGeometry(rc);
        QWidget::setTabOrder(GetDlgItem(IDC_STOP), &m_lbLinks);
        QWidget::setTabOrder(&m_lbLinks, GetDlgItem(IDC_RECURSIVE));
        m_lbLinks.show();
        m_pSplitter->hide();
    }
    m_pSummary->setVisible(bShow);
    PlaceModernControls();
    UpdateSummary();
    UpdateModernCommands();
}

QWidget* CCheckerDlg::LayoutTarget(int nID) const
{
    // In the modern mode the splitter takes the list's place, with the list
    // at its top.
    if (nID == IDC_LINK_LIST && m_pSplitter && m_lbLinks.parentWidget() == m_pSplitter)
        return m_pSplitter;
    return GetDlgItem(nID);
}

void CCheckerDlg::PlaceModernControls()
{
    if (!m_pSummary || m_pSummary->isHidden())
        return;
    const QRect rcCount = GetDlgItem(IDC_LINK_COUNT)->geometry();
    const QRect rcList = LayoutTarget(IDC_LINK_LIST)->geometry();
    const int nLeft = rcCount.right() + 1;
    m_pSummary->setGeometry(nLeft, rcCount.top(), qMax(0, rcList.right() - nLeft), rcCount.height() + 4);
}

QString CCheckerDlg::GetSummaryText() const
{
    return m_pSummary && !m_pSummary->isHidden() ? m_pSummary->text() : QString();
}

void CCheckerDlg::UpdateSummary()
{
    if (!m_pSummary || m_pSummary->isHidden())
        return;
    const CCrawlTally tally(m_lbLinks.GetLinkArray(), m_nPagesFetched);
    m_pSummary->setText(tally.GetText());
    if (!m_lbLinks.GetSelectedLink())
        m_pPane->ShowSummary(tally.GetText());
}

void CCheckerDlg::FollowSelection()
{
    UpdateModernCommands();
    if (!m_pSplitter || m_pSplitter->isHidden())
        return;
    if (const CLink* pLink = m_lbLinks.GetSelectedLink())
        m_pPane->ShowLink(*pLink);
    else
        m_pPane->ShowSummary(CCrawlTally(m_lbLinks.GetLinkArray(), m_nPagesFetched).GetText());
}

void CCheckerDlg::UpdateModernCommands()
{
    const CLink* pLink = m_lbLinks.GetSelectedLink();
    for (const SModernItem& item : m_modernItems) {
        const int nID = item.pAction->data().toInt();
        if (nID == ID_OPEN_LINK)
            item.pAction->setEnabled(pLink != nullptr);
        else if (nID == ID_OPEN_REFERRER)
            item.pAction->setEnabled(pLink && pLink->GetReferrer());
    }
}

bool CCheckerDlg::HandleModernKey(QObject* pWatched, QEvent* pEvent)
{
    // Enter on a row opens its link; only Enter in the URL box presses Go.
    if (!m_bModernWebChecks || pWatched != &m_lbLinks || pEvent->type() != QEvent::KeyPress)
        return false;
    const int nKey = static_cast<QKeyEvent*>(pEvent)->key();
    if (nKey != Qt::Key_Return && nKey != Qt::Key_Enter)
        return false;
    OnOpenLink();
    return true;
}

void CCheckerDlg::OnOpenLink()
{
    if (const CLink* pLink = m_lbLinks.GetSelectedLink())
        CDesktopUrl::Open(pLink->GetFullURL());
}

void CCheckerDlg::OnOpenReferrer()
{
    const CLink* pLink = m_lbLinks.GetSelectedLink();
    if (pLink && pLink->GetReferrer())
        CDesktopUrl::Open(pLink->GetReferrer()->GetFullURL());
}
