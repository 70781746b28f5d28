#include "results/LinkListModel.h"

#include "link/Link.h"
#include "winsys/WindowSystem.h"

#include <algorithm>

CLinkListModel::CLinkListModel(QObject* pParent)
    : QAbstractListModel(pParent)
{
}

int CLinkListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_nAnnounced;
}

QVariant CLinkListModel::data(const QModelIndex& index, int nRole) const
{
    const CLink* pLink = GetAt(index.row());
    if (!pLink)
        return QVariant();
    if (nRole == Qt::DisplayRole || nRole == Qt::AccessibleTextRole)
        return CWindowSystem::ToQString(pLink->GetFullURL());
    if ((nRole == Qt::ToolTipRole || nRole == Qt::AccessibleDescriptionRole) && m_fnDescribe) {
        const QString strDescription = m_fnDescribe(*pLink);
        if (!strDescription.isEmpty())
            return strDescription;
    }
    return QVariant();
}

int CLinkListModel::AddRow(CLink* pLink)
{
    m_rows.push_back(pLink);
    if (!m_bDeferred)
        AnnounceNewRows();
    return GetCount() - 1;
}

void CLinkListModel::RemoveAll()
{
    beginResetModel();
    m_rows.clear();
    m_nAnnounced = 0;
    endResetModel();
}

void CLinkListModel::SetDeferred(bool bDeferred)
{
    m_bDeferred = bDeferred;
    if (!m_bDeferred)
        AnnounceNewRows();
}

CLink* CLinkListModel::GetAt(int nRow) const
{
    if (nRow < 0 || nRow >= GetCount())
        return nullptr;
    return m_rows[static_cast<size_t>(nRow)];
}

int CLinkListModel::FindRow(const CLink* pLink) const
{
    const auto it = std::find(m_rows.begin(), m_rows.end(), pLink);
    return it == m_rows.end() ? -1 : static_cast<int>(it - m_rows.begin());
}

void CLinkListModel::AnnounceNewRows()
{
    if (GetCount() <= m_nAnnounced)
        return;
    beginInsertRows(QModelIndex(), m_nAnnounced, GetCount() - 1);
    m_nAnnounced = GetCount();
    endInsertRows();
}
