#pragma once

#include <string>

class CLink;
class CWebLink;

/// Checks a file: link by looking at the file, without any request: a
/// regular file is 200 OK, a directory stands for its index.html, anything
/// else is 404 Not Found. The query and fragment play no part.
class CFileLinkChecker {
public:
    /// Sets the status and verdict of a file: link; false, leaving it
    /// alone, for any other link.
    static bool CheckIfLocal(CWebLink& link);
    /// True for a link in the file: scheme.
    static bool IsLocal(const CLink& link);
    /// True for a URL in the file: scheme.
    static bool IsLocalURL(const std::string& strURL) { return strURL.compare(0, 7, "file://") == 0; }
    /// The local path a file: URL in normal form names, escapes decoded;
    /// empty when it names none.
    static std::string GetLocalPath(const std::string& strFileURL);
};
