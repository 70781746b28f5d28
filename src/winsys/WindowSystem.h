#pragma once

#include <QColor>
#include <QIcon>
#include <QPalette>
#include <QRect>
#include <QString>

#include <string>

class QWidget;

constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;

/// The window-system services the window's classes rely on, over Qt.
class CWindowSystem {
public:
    /// A system colour index as the palette's role; the window colour for an
    /// index the window does not use.
    static QColor GetSysColor(const QPalette& palette, int nIndex);
    /// The program's icon, 16 and 32 pixels, from the window's resources.
    static QIcon LoadMainIcon();
    /// Runs the pending events without waiting for new ones.
    static void PumpMessages();
    /// The one message box of the program: the text with an OK button.
    static void MessageBox(QWidget* pParent, const QString& strText);
    /// Engine texts are 8-bit; the window shows them as UTF-8.
    static QString ToQString(const std::string& str);
    static std::string FromQString(const QString& str);
    /// A widget's rectangle in screen coordinates; a window's with its frame.
    static QRect GetWindowRect(const QWidget* pWidget);
};
