#include "winsys/WindowSystem.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

QColor CWindowSystem::GetSysColor(const QPalette& palette, int nIndex)
{
    switch (nIndex) {
    case COLOR_HIGHLIGHT: return palette.color(QPalette::Highlight);
    case COLOR_HIGHLIGHTTEXT: return palette.color(QPalette::HighlightedText);
    case COLOR_WINDOWTEXT: return palette.color(QPalette::Text);
    case COLOR_WINDOW:
    default: return palette.color(QPalette::Base);
    }
}

QIcon CWindowSystem::LoadMainIcon()
{
    QIcon icon;
    icon.addFile(QStringLiteral(":/lintrel/icon-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/lintrel/icon-32.png"), QSize(32, 32));
    return icon;
}

void CWindowSystem::PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CWindowSystem::MessageBox(QWidget* pParent, const QString& strText)
{
    QMessageBox box(QMessageBox::Warning, QCoreApplication::applicationName(), strText, QMessageBox::Ok, pParent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

QString CWindowSystem::ToQString(const std::string& str)
{
    return QString::fromUtf8(str.data(), static_cast<qsizetype>(str.size()));
}

std::string CWindowSystem::FromQString(const QString& str)
{
    return str.toUtf8().toStdString();
}

QRect CWindowSystem::GetWindowRect(const QWidget* pWidget)
{
    if (pWidget->isWindow())
        return pWidget->frameGeometry();
    return QRect(pWidget->mapToGlobal(QPoint(0, 0)), pWidget->size());
}
