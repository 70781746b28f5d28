#pragma once

#include <QAbstractListModel>

#include <functional>
#include <vector>

class CLink;

/// The rows of the results list: one record pointer each, in the order
/// added. Owns no record. While deferred, new rows are held back from the
/// view and announced in one batch when deferring ends.
class CLinkListModel : public QAbstractListModel {
    Q_OBJECT

public:
    explicit CLinkListModel(QObject* pParent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole) const override;

    /// Appends a row; returns its index.
    int AddRow(CLink* pLink);
    void RemoveAll();
    void SetDeferred(bool bDeferred);
    /// Every row, announced or not.
    int GetCount() const { return static_cast<int>(m_rows.size()); }
    /// The record of a row; null outside 0..GetCount()-1.
    CLink* GetAt(int nRow) const;
    /// The first row showing the record, or -1.
    int FindRow(const CLink* pLink) const;
    /// What a row's tooltip and accessible description say of its record;
    /// empty says nothing.
    void SetDescriber(std::function<QString(const CLink&)> fnDescribe) { m_fnDescribe = std::move(fnDescribe); }

private:
    void AnnounceNewRows();

    std::vector<CLink*> m_rows;
    int m_nAnnounced = 0;
    bool m_bDeferred = false;
    std::function<QString(const CLink&)> m_fnDescribe;
};
