#pragma once

#include <QString>

class QWidget;

/// A modal file dialog for opening or saving one file: no default
/// extension, no initial name, no file-type filter.
class CFileDialog {
public:
    CFileDialog(bool bOpenFileDialog, QWidget* pParent = nullptr);

    /// True when the user chose a file with OK; false on cancel.
    bool DoModal();
    /// The full, absolute path chosen; empty before an accepted DoModal.
    QString GetPathName() const { return m_strPathName; }

private:
    bool m_bOpenFileDialog;
    QWidget* m_pParent;
    QString m_strPathName;
};
