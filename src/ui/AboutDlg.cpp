#include "ui/AboutDlg.h"

#include "winsys/DialogUnits.h"
#include "winsys/Resource.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace {

QLabel* AddText(QWidget* pParent, const char* pszName, const QString& strText, const QRect& rc)
{
    auto* pLabel = new QLabel(strText, pParent);
    pLabel->setObjectName(QString::fromLatin1(pszName));
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    pLabel->setGeometry(rc);
    return pLabel;
}

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QStringLiteral("About Lintrel"));
    const CDialogUnits units(font());
    setFixedSize(units.MapX(293), units.MapY(149));

    auto* pPicture = new QLabel(this);
    pPicture->setObjectName(QStringLiteral("IDB_ABOUT"));
    const QPixmap picture(QStringLiteral(":/lintrel/about.png"));
    pPicture->setPixmap(picture);
    pPicture->setGeometry(QRect(QPoint(units.MapX(7), units.MapY(7)), picture.size()));

    AddText(this, "Copyright", QStringLiteral("Copyright \u00A9 2026 The Lintrel authors"),
        units.MapDialogRect(9, 123, 153, 8));
    // Shown as it stands: no mnemonic, no link markup.
    AddText(this, "WebAddress", QStringLiteral("https://lintrel.example.org/"), units.MapDialogRect(9, 135, 119, 8));

    auto* pOk = new QPushButton(QStringLiteral("OK"), this);
    pOk->setObjectName(QStringLiteral("IDOK"));
    pOk->setDefault(true);
    pOk->setGeometry(units.MapDialogRect(253, 127, 32, 14));
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
}
