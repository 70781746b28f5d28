#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QWidget>

class CLink;

/// Below the results list in the modern mode: what is known of the selected
/// link (its URL, where redirects led and whether for good, code, status
/// text, verdict) and every place a page names it, as page:line:column. An
/// occurrence opens in the desktop's browser and can be copied. Without a
/// link it shows the crawl's summary.
class CDetailsPane : public QWidget {
    Q_OBJECT

public:
    explicit CDetailsPane(QWidget* pParent = nullptr);

    /// Shows the link's details, taken from it now.
    void ShowLink(const CLink& link);
    void ShowSummary(const QString& strSummary);

    /// The details' text, one fact a line.
    QString GetDetailsText() const { return m_labelDetails.text(); }
    /// The occurrences as shown, one page:line:column each.
    QStringList GetOccurrenceTexts() const;
    QListWidget& GetOccurrenceList() { return m_listOccurrences; }

    /// The selected occurrence's page in the browser; false without one.
    bool OpenOccurrence();
    /// The selected occurrence as text on the clipboard; false without one.
    bool CopyOccurrence();

    /// "page:line:column" of one place.
    static QString OccurrenceText(const QString& strPage, int nLine, int nColumn);

private:
    void UpdateButtons();

    QLabel m_labelDetails;
    QListWidget m_listOccurrences;
    QPushButton m_btnOpen;
    QPushButton m_btnCopy;
};
