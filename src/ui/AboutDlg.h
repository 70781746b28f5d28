#pragma once

#include <QDialog>

/// The About box: the picture, the copyright line, the web address and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);
};
