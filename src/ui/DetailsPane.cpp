#include "ui/DetailsPane.h"

#include "link/Link.h"
#include "link/WebLink.h"
#include "ui/DesktopUrl.h"
#include "winsys/WindowSystem.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

namespace {

constexpr int PAGE_ROLE = Qt::UserRole;

QString Line(const QString& strName, const QString& strValue)
{
    return strName + QStringLiteral(": ") + strValue + QLatin1Char('\n');
}

QString RedirectLines(const CLink& link)
{
    const auto* pWebLink = dynamic_cast<const CWebLink*>(&link);
    if (!pWebLink || !pWebLink->IsRedirected())
        return QString();
    return Line(QStringLiteral("Final URL"), CWindowSystem::ToQString(pWebLink->GetFinalURL()))
        + Line(QStringLiteral("Redirects"),
            pWebLink->IsPermanentRedirect() ? QStringLiteral("permanent (301 or 308 at every step)")
                                            : QStringLiteral("temporary"));
}

} // namespace

CDetailsPane::CDetailsPane(QWidget* pParent)
    : QWidget(pParent)
{
    setObjectName(QStringLiteral("DetailsPane"));
    m_labelDetails.setObjectName(QStringLiteral("Details"));
    m_labelDetails.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_labelDetails.setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_labelDetails.setAccessibleName(tr("Details of the selected link"));
    m_listOccurrences.setObjectName(QStringLiteral("Occurrences"));
    m_listOccurrences.setAccessibleName(tr("Where the pages name the link"));
    m_btnOpen.setObjectName(QStringLiteral("OpenOccurrence"));
    m_btnOpen.setText(tr("O&pen Page"));
    m_btnCopy.setObjectName(QStringLiteral("CopyOccurrence"));
    m_btnCopy.setText(tr("Cop&y Place"));
    for (QPushButton* pButton : {&m_btnOpen, &m_btnCopy})
        pButton->setAutoDefault(false);
    auto* pButtons = new QVBoxLayout;
    pButtons->addWidget(&m_btnOpen);
    pButtons->addWidget(&m_btnCopy);
    pButtons->addStretch();
    auto* pLayout = new QHBoxLayout(this);
    pLayout->setContentsMargins(0, 2, 0, 0);
    pLayout->addWidget(&m_labelDetails, 3);
    pLayout->addWidget(&m_listOccurrences, 2);
    pLayout->addLayout(pButtons);
    connect(&m_btnOpen, &QPushButton::clicked, this, &CDetailsPane::OpenOccurrence);
    connect(&m_btnCopy, &QPushButton::clicked, this, &CDetailsPane::CopyOccurrence);
    connect(&m_listOccurrences, &QListWidget::itemActivated, this, &CDetailsPane::OpenOccurrence);
    connect(&m_listOccurrences, &QListWidget::currentRowChanged, this, &CDetailsPane::UpdateButtons);
    UpdateButtons();
}

void CDetailsPane::ShowLink(const CLink& link)
{
    QString strText = Line(QStringLiteral("Link"), CWindowSystem::ToQString(link.GetFullURL()));
    strText += RedirectLines(link);
    if (link.IsChecked())
        strText += Line(QStringLiteral("Code"), QString::number(link.GetStatusCode()));
    strText += Line(QStringLiteral("Status"), CWindowSystem::ToQString(link.GetStatusText()));
    const QString strVerdict = QString::fromLatin1(GetVerdictName(link.GetVerdict()));
    strText += Line(QStringLiteral("Verdict"), strVerdict.isEmpty() ? QStringLiteral("not checked yet") : strVerdict);
    // The fragment's outcome joins these lines once the crawl reports one.
    m_labelDetails.setText(strText.trimmed());
    m_listOccurrences.clear();
    for (const SLinkOccurrence& occurrence : link.GetOccurrences()) {
        if (!occurrence.pPage)
            continue;
        const QString strPage = CWindowSystem::ToQString(occurrence.pPage->GetFullURL());
        auto* pItem = new QListWidgetItem(OccurrenceText(strPage, occurrence.nLine, occurrence.nColumn));
        pItem->setData(PAGE_ROLE, strPage);
        m_listOccurrences.addItem(pItem);
    }
    m_listOccurrences.setCurrentRow(m_listOccurrences.count() > 0 ? 0 : -1);
    UpdateButtons();
}

void CDetailsPane::ShowSummary(const QString& strSummary)
{
    m_labelDetails.setText(strSummary);
    m_listOccurrences.clear();
    UpdateButtons();
}

QStringList CDetailsPane::GetOccurrenceTexts() const
{
    QStringList texts;
    for (int n = 0; n < m_listOccurrences.count(); ++n)
        texts << m_listOccurrences.item(n)->text();
    return texts;
}

bool CDetailsPane::OpenOccurrence()
{
    const QListWidgetItem* pItem = m_listOccurrences.currentItem();
    return pItem && CDesktopUrl::Open(CWindowSystem::FromQString(pItem->data(PAGE_ROLE).toString()));
}

bool CDetailsPane::CopyOccurrence()
{
    const QListWidgetItem* pItem = m_listOccurrences.currentItem();
    QClipboard* pClipboard = QGuiApplication::clipboard();
    if (!pItem || !pClipboard)
        return false;
    pClipboard->setText(pItem->text());
    return true;
}

QString CDetailsPane::OccurrenceText(const QString& strPage, int nLine, int nColumn)
{
    return QStringLiteral("%1:%2:%3").arg(strPage).arg(nLine).arg(nColumn);
}

void CDetailsPane::UpdateButtons()
{
    const bool bCurrent = m_listOccurrences.currentItem() != nullptr;
    m_btnOpen.setEnabled(bCurrent);
    m_btnCopy.setEnabled(bCurrent);
}
