#include "ui/DesktopUrl.h"

#include <QByteArray>
#include <QDesktopServices>
#include <QUrl>

bool CDesktopUrl::Open(const std::string& strURL)
{
    // The text as listed: its escapes stay as they are, not encoded again.
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(strURL));
    return url.isValid() && !url.isEmpty() && QDesktopServices::openUrl(url);
}
