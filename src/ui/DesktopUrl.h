#pragma once

#include <string>

/// Hands a URL to the desktop: a web page to the browser, a file:// page to
/// the file's default program.
class CDesktopUrl {
public:
    /// False for an empty or unreadable URL, or when the desktop refused it.
    static bool Open(const std::string& strURL);
};
