#include "winsys/FileDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

CFileDialog::CFileDialog(bool bOpenFileDialog, QWidget* pParent)
    : m_bOpenFileDialog(bOpenFileDialog)
    , m_pParent(pParent)
{
}

bool CFileDialog::DoModal()
{
    QFileDialog dialog(m_pParent);
    dialog.setObjectName(QStringLiteral("FileDialog"));
    if (m_bOpenFileDialog) {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return false;
    m_strPathName = QFileInfo(files.first()).absoluteFilePath();
    return true;
}
