#pragma once

#include "crawl/CrawlList.h"
#include "results/LinkListModel.h"
#include "results/RowStyle.h"

#include <QListView>
#include <QRect>
#include <QString>
#include <QTimer>

#include <memory>
#include <string>
#include <unordered_map>

class CLinkArray;
class CLinkRowDelegate;
class QFontMetrics;
class QKeyEvent;
struct CDrawItemStruct;

/// The results list: one row per link record of the crawler's link array,
/// drawn in three columns under the dialog's column headers. Holds pointers
/// to records it never owns; the crawler's array must outlive the rows, so
/// ResetList comes before the array is freed.
class CLinkListBox : public QListView, public CCrawlList {
    Q_OBJECT

public:
    explicit CLinkListBox(QWidget* pParent = nullptr);
    ~CLinkListBox() override;

    /// The column headers' rectangles in screen coordinates.
    void SetHeaderRects(const QRect& rcReferrer, const QRect& rcLink, const QRect& rcStatus);
    void SetSiteHost(const std::string& strHost) override;
    /// Removes every row and forgets the link array. Always true.
    bool ResetList();
    /// Switches the filter unless a crawl runs; returns the state in force.
    bool SetShowOnlyBad(bool bOnlyBad);
    void SetCrawling(bool bCrawling);
    /// How the rows name and mark their links, from the next paint on.
    void SetRowStyle(std::unique_ptr<CRowStyle> pStyle);
    /// The Status cell's mark of a record under the present row style.
    SRowMark GetMark(const CLink& link) const;
    virtual void SetLinks(CLinkArray* pLinks);
    void AddNewLinks(CLinkArray* pLinks) override;
    void LinkChecked(int nPos) override;
    void LinkWaiting(int nPos, int nSeconds) override;
    /// Scrolls the row into view as top or bottom row and repaints it; the
    /// scrolling itself happens at the next frame.
    void RedrawRow(int nRow);
    void AddRow(CLink* pLink);
    /// Adds the records at 1-based positions nFirst..nLast that the filter
    /// lets through; positions outside the array are skipped.
    void AddRange(int nFirst, int nLast);
    /// The selected row's record, or null.
    CLink* GetSelectedLink() const;
    int GetRowCount() const override;

    /// Draws one row; see CDrawItemStruct.
    void DrawItem(const CDrawItemStruct& item);
    /// Shortens a text to the room in pixels with "...", keeping its end or
    /// its beginning.
    static void FitText(const QFontMetrics& dc, QString& strText, int nRoom, bool bKeepEnd);

    /// The unfitted texts of a record's three columns.
    static QString GetReferrerText(const CLink& link);
    QString GetLinkText(const CLink& link) const;
    static QString GetStatusColumnText(const CLink& link);
    /// What the status column shows now: the wait a server asked for while
    /// the link waits, its status text otherwise.
    QString GetShownStatusText(const CLink& link) const;

    /// The left edges of the three columns within a row, in list pixels.
    void GetColumnLefts(int& nReferrer, int& nLink, int& nStatus) const;
    CLink* GetLinkAt(int nRow) const;
    /// The top row, counting a scroll still to come.
    int GetTopIndex();
    void SetTopIndex(int nRow);
    int GetItemHeight() const { return m_nItemHeight; }
    int GetRowHeight() const;
    bool IsOnlyBad() const { return m_bOnlyBad; }
    bool IsCrawling() const { return m_bCrawling; }
    /// The list's link array; null before a crawl's first page.
    CLinkArray* GetLinkArray() const { return m_pLinkArray; }

signals:
    /// Rows were added or a link's check ended.
    void LinksChanged();

protected:
    void keyPressEvent(QKeyEvent* pEvent) override;

private:
    void SetRedraw(bool bRedraw);
    void ScrollSoon(int nTop);
    void ApplyPendingScroll();
    void DrawFocusRect(QPainter& dc, const QRect& rc) const;
    void DrawColumn(QPainter& dc, QRect& rc, int nLeft, const QString& strText) const;
    void DrawMark(QPainter& dc, const QRect& rc, int& nLeft, int& nRoom, const SRowMark& mark, bool bSelected) const;
    bool IsRowSelected(int nRow) const;

    CLinkArray* m_pLinkArray = nullptr;
    // Links waiting on their server, with the seconds still to wait.
    std::unordered_map<const CLink*, int> m_waiting;
    std::string m_strSiteHost;
    bool m_bOnlyBad = false;
    bool m_bCrawling = false;
    int m_nItemHeight = 0;
    QRect m_rcReferrer;
    QRect m_rcLink;
    QRect m_rcStatus;
    // Where the list stood when the headers were given: the columns are
    // placed from that, so moving the whole window cannot shift them.
    QRect m_rcListAtHeaders;
    std::unique_ptr<CRowStyle> m_pStyle;
    CLinkListModel m_model;
    CLinkRowDelegate* m_pDelegate;
    QTimer m_timerScroll;
    int m_nPendingTop = -1;
};
