// The dialog's template and menu: every control with its id, caption,
// rectangle in dialog units and place in the tab order, and the menu bar.

#include "ui/CheckerDlg.h"

#include "winsys/DialogUnits.h"
#include "winsys/Resource.h"
#include "winsys/StringTable.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>

namespace {

enum class EControl { Edit, PushButton, ListBox, CheckBox, StaticLeft, StaticCenter, Picture };

struct CDialogItem {
    int nID;
    const char* pszName;
    EControl kind;
    const char* pszCaption; // a resource path for a picture
    int x, y, cx, cy;
};

// Template order, which is also the tab order.
const CDialogItem DIALOG_ITEMS[] = {
    {IDC_URL, "IDC_URL", EControl::Edit, "", 32, 44, 294, 14},
    {IDC_GO, "IDC_GO", EControl::PushButton, "&Go!", 338, 45, 31, 12},
    {IDC_STOP, "IDC_STOP", EControl::PushButton, "S&top", 379, 45, 31, 12},
    {IDC_LINK_LIST, "IDC_LINK_LIST", EControl::ListBox, "", 5, 80, 406, 113},
    {IDC_RECURSIVE, "IDC_RECURSIVE", EControl::CheckBox, "&Do Resursive Search", 114, 13, 97, 12},
    {IDC_EXPLORE_CGI, "IDC_EXPLORE_CGI", EControl::CheckBox, "&Explore CGI URLs", 114, 27, 73, 12},
    {IDC_SHOW_ONLY_BAD, "IDC_SHOW_ONLY_BAD", EControl::CheckBox, "&Show only Bad URLs", 211, 27, 87, 12},
    {IDC_URL_LABEL, "IDC_URL_LABEL", EControl::StaticLeft, "&URL:", 7, 46, 22, 10},
    {IDC_LOGO_LEFT, "IDC_LOGO_LEFT", EControl::Picture, ":/lintrel/logo-left.png", 7, 7, 55, 23},
    {IDC_LOGO_RIGHT, "IDC_LOGO_RIGHT", EControl::Picture, ":/lintrel/logo-right.png", 333, 8, 79, 22},
    {IDC_LINK_COUNT_LABEL, "IDC_LINK_COUNT_LABEL", EControl::StaticLeft, "&Link Count: ", 8, 194, 42, 12},
    {IDC_HEADER_REFERRER, "IDC_HEADER_REFERRER", EControl::StaticCenter, "Referring Page", 5, 65, 113, 12},
    {IDC_HEADER_LINK, "IDC_HEADER_LINK", EControl::StaticCenter, "Link", 117, 65, 195, 12},
    {IDC_HEADER_STATUS, "IDC_HEADER_STATUS", EControl::StaticCenter, "Status", 311, 65, 99, 12},
    {IDC_LINK_COUNT, "IDC_LINK_COUNT", EControl::StaticLeft, "Static", 51, 194, 38, 8},
};

} // namespace

QWidget* CCheckerDlg::GetDlgItem(int nID) const
{
    for (const CDialogItem& item : DIALOG_ITEMS) {
        if (item.nID == nID)
            // Recursive: the modern mode's splitter holds the list.
            return m_wndClient.findChild<QWidget*>(QString::fromLatin1(item.pszName));
    }
    return nullptr;
}

void CCheckerDlg::CreateControls()
{
    const CDialogUnits units(font());
    QWidget* pPrevious = nullptr;
    for (const CDialogItem& item : DIALOG_ITEMS) {
        QWidget* pControl = CreateControl(item.nID, static_cast<int>(item.kind), QString::fromLatin1(item.pszCaption));
        pControl->setParent(&m_wndClient);
        pControl->setObjectName(QString::fromLatin1(item.pszName));
        QRect rc = units.MapDialogRect(item.x, item.y, item.cx, item.cy);
        // A picture control takes its bitmap's own size.
        if (auto* pLabel = qobject_cast<QLabel*>(pControl); pLabel && item.kind == EControl::Picture)
            rc.setSize(pLabel->pixmap().size());
        pControl->setGeometry(rc);
        if (pControl->focusPolicy() & Qt::TabFocus) {
            if (pPrevious)
                QWidget::setTabOrder(pPrevious, pControl);
            pPrevious = pControl;
        }
    }
    // A static's mnemonic moves to the next control that takes the focus:
    // after both labels that is, around the tab order, the URL box.
    static_cast<QLabel*>(GetDlgItem(IDC_URL_LABEL))->setBuddy(&m_editUrl);
    static_cast<QLabel*>(GetDlgItem(IDC_LINK_COUNT_LABEL))->setBuddy(&m_editUrl);
    GetDlgItem(IDC_STOP)->setEnabled(false);
}

QWidget* CCheckerDlg::CreateControl(int nID, int nKind, const QString& strCaption)
{
    switch (static_cast<EControl>(nKind)) {
    case EControl::Edit: return &m_editUrl;
    case EControl::ListBox: return &m_lbLinks;
    case EControl::PushButton:
        if (nID == IDC_GO) {
            m_btnGo.setText(strCaption);
            return &m_btnGo;
        }
        return new QPushButton(strCaption);
    case EControl::CheckBox: {
        QCheckBox* pBox = nID == IDC_RECURSIVE ? &m_chkRecursive
            : nID == IDC_EXPLORE_CGI           ? &m_chkExploreCgi
                                               : &m_chkShowOnlyBad;
        pBox->setText(strCaption);
        return pBox;
    }
    case EControl::Picture: {
        auto* pPicture = new QLabel;
        pPicture->setPixmap(QPixmap(strCaption));
        return pPicture;
    }
    case EControl::StaticCenter:
    case EControl::StaticLeft: break;
    }
    QLabel* pLabel = nID == IDC_LINK_COUNT ? &m_wndLinkCount : new QLabel;
    pLabel->setText(strCaption);
    pLabel->setAlignment(static_cast<EControl>(nKind) == EControl::StaticCenter ? Qt::AlignHCenter | Qt::AlignTop
                                                                                : Qt::AlignLeft | Qt::AlignTop);
    return pLabel;
}

void CCheckerDlg::CreateMenu()
{
    m_pMenuBar = new QMenuBar(this);
    m_pMenuBar->setObjectName(QStringLiteral("IDR_MAINMENU"));
    m_pMenuBar->setNativeMenuBar(false);
    QMenu* pFile = AddMenu(QStringLiteral("&File"));
    AddMenuItem(pFile, ID_FILE_EXPORT, "ID_FILE_EXPORT", QStringLiteral("&Export..."), &CCheckerDlg::OnFileExport);
    pFile->addSeparator();
    AddMenuItem(pFile, ID_FILE_EXIT, "ID_FILE_EXIT", QStringLiteral("E&xit"), &CCheckerDlg::OnAppExit);
    QMenu* pEdit = AddMenu(QStringLiteral("&Edit"));
    AddMenuItem(pEdit, ID_EDIT_COPY, "ID_EDIT_COPY", QStringLiteral("&Copy"), &CCheckerDlg::OnEditCopy);
    AddMenuItem(
        pEdit, ID_COPY_REFERRER, "ID_COPY_REFERRER", QStringLiteral("C&opy Referrer"), &CCheckerDlg::OnCopyReferrer);
    connect(pEdit, &QMenu::aboutToShow, this, &CCheckerDlg::OnUpdateCopyReferrer);
    QMenu* pOptions = AddMenu(QStringLiteral("&Options"));
    AddMenuItem(pOptions, ID_OPTIONS_MODERN, "ID_OPTIONS_MODERN", QStringLiteral("&Modern Web Checks"),
        &CCheckerDlg::OnOptionsModern)
        ->setCheckable(true);
    QMenu* pHelp = AddMenu(QStringLiteral("&Help"));
    AddMenuItem(pHelp, ID_HELP_ABOUT, "ID_HELP_ABOUT", QStringLiteral("&About Lintrel..."), &CCheckerDlg::OnHelpAbout);
}

QMenu* CCheckerDlg::AddMenu(const QString& strTitle)
{
    QMenu* pMenu = m_pMenuBar->addMenu(strTitle);
    pMenu->setObjectName(QString(strTitle).remove(QLatin1Char('&')));
    return pMenu;
}

QAction* CCheckerDlg::AddMenuItem(
    QMenu* pMenu, int nID, const char* pszName, const QString& strText, void (CCheckerDlg::*pHandler)())
{
    QAction* pAction = pMenu->addAction(strText);
    pAction->setObjectName(QString::fromLatin1(pszName));
    pAction->setData(nID);
    pAction->setStatusTip(CStringTable::Load(nID));
    connect(pAction, &QAction::triggered, this, pHandler);
    return pAction;
}

QAction* CCheckerDlg::GetMenuAction(int nID) const
{
    for (QAction* pMenuAction : m_pMenuBar->actions()) {
        if (!pMenuAction->menu())
            continue;
        for (QAction* pAction : pMenuAction->menu()->actions()) {
            if (pAction->data().toInt() == nID && !pAction->isSeparator())
                return pAction;
        }
    }
    return nullptr;
}
