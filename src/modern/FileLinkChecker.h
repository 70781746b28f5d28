#pragma once

#include <string>

class CLink;
class CWebLink;

/// Checks a local link by looking at the file, without any request: a
/// regular file is 200 OK, a directory stands for its index.html, anything
/// else is 404 Not Found. The query and fragment play no part. A local link
/// is a file: URL, or a web link that opens a file of its own (a mapped one).
class CFileLinkChecker {
public:
    /// Sets the status and verdict of a file: link; false, leaving it
    /// alone, for any other link.
    static bool CheckIfLocal(CWebLink& link);
    /// True for a link in the file: scheme or one that opens a local file.
    static bool IsLocal(const CLink& link);
    /// True for a URL in the file: scheme.
    static bool IsLocalURL(const std::string& strURL) { return strURL.compare(0, 7, "file://") == 0; }
    /// The file a local link names: the path it opens, as written, when it
    /// opens one of its own, else its file: URL's path; empty for none.
    static std::string GetLocalPath(const CLink& link);
    /// True when a local link names a file a static host serves as a page
    /// (*.html, *.htm).
    static bool IsPageFile(const CLink& link);
    /// The local path a file: URL in normal form names, escapes decoded;
    /// empty when it names none.
    static std::string GetLocalPath(const std::string& strFileURL);
};
