#pragma once

#include "html/FragmentTargets.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CInternetSession;
class CLinkArray;
class CWebLink;

/// The fragment checks of one crawl. Keeps what each document read so far
/// may be pointed at, and judges each fragment's row against the document
/// its request answered with: at once when that document has been read,
/// when the crawl reads it if it is going to, or else by reading it once
/// itself (one GET, or the file). Owns nothing of the crawl's.
class CFragmentChecker {
public:
    /// How much of a document could be searched.
    enum class ERead { WHOLE, TOO_LARGE, NOT_HTML, NOT_READ };

    /// The key a checked row's document is known by: where its answer came from.
    static std::string DocumentKey(const CWebLink& link);
    /// True for a file: link to an HTML file, or to a folder (its index.html).
    static bool IsHtmlFile(const CWebLink& link);

    /// The crawl is going to read the page known by strPageURL as a page.
    void NoteWillRead(const std::string& strPageURL);
    /// The crawl read the page known by strPageURL: its targets, how much of
    /// it they cover, and its answer's status code (0 for a local file).
    void NotePage(const std::string& strPageURL, SFragmentTargets targets, ERead eRead, int nStatusCode);
    /// base, a row without fragment, has been checked; bHtml when it
    /// answered an HTML document.
    void NoteChecked(const CWebLink& base, bool bHtml);
    /// Judges the fragment row now or, when the crawl is going to read its
    /// document, notes nPos to be judged then; true when judged now. The
    /// row of its document, when there is one, must have been checked first.
    bool Judge(CWebLink& row, int nPos, const CLinkArray& links, CInternetSession* pSession);
    /// The rows noted by Judge whose documents have been read since, judged;
    /// their positions, in the order they were noted.
    std::vector<int> JudgeWaiting(CLinkArray& links);

private:
    struct SPage {
        SFragmentTargets targets;
        ERead eRead = ERead::WHOLE;
        int nStatusCode = 0;
    };

    static std::string NormalKey(const std::string& strPageURL);
    /// Notes the row at nPos to be judged once strPageURL is read; false.
    bool Wait(int nPos, const std::string& strPageURL);
    static void CopyOutcome(const CWebLink& from, CWebLink& row);
    void JudgeOnPage(const SPage& page, CWebLink& row) const;
    void JudgeAgainst(const SPage& page, CWebLink& row) const;
    /// A document the crawl does not read as a page, known by strPageURL,
    /// read once from strReadURL (a file: URL, or one to GET).
    const SPage& ReadOnce(const std::string& strPageURL, const std::string& strReadURL, CInternetSession* pSession);
    static SPage ReadFile(const std::string& strFileURL);
    static SPage ReadWeb(const std::string& strURL, CInternetSession* pSession);

    std::unordered_map<std::string, SPage> m_pages;
    // The rows without fragment checked good that answered HTML.
    std::unordered_set<std::string> m_htmlDocuments;
    std::unordered_set<std::string> m_willRead;
    // Rows waiting for their document: position and the page awaited.
    std::vector<std::pair<int, std::string>> m_waiting;
};
