#include "winsys/StringTable.h"

#include "winsys/Resource.h"

namespace {

struct CStringEntry {
    int nID;
    const char* pszText;
};

const CStringEntry STRING_TABLE[] = {
    {IDS_ABOUTBOX, "&About Lintrel..."},
    {IDP_SOCKETS_INIT_FAILED, "Windows sockets initialization failed."},
    {ID_COPY_REFERRER, "Copy the referring URL for the highlighted link"},
    {ID_FILE_EXPORT, "Export the current list as an HTML file"},
    {ID_EDIT_COPY, "Copy the complete URL for the highlighted link"},
    {ID_OPTIONS_MODERN, "Check https too, read pages as a browser does, and resolve links as browsers do"},
    {ID_OPEN_LINK, "Open the highlighted link in the browser"},
    {ID_OPEN_REFERRER, "Open the page that names the highlighted link in the browser"},
    {ID_OPTIONS_SETTINGS, "Set how the modern web checks crawl: limits, retries, robots.txt, patterns, the cache"},
    {ID_OPTIONS_LOAD_SETTINGS, "Take the crawl's settings from a lintrel.toml file"},
    {ID_FILE_CHECK_FOLDER, "Check every HTML page of a folder"},
};

} // namespace

QString CStringTable::Load(int nID)
{
    for (const CStringEntry& entry : STRING_TABLE) {
        if (entry.nID == nID)
            return QString::fromLatin1(entry.pszText);
    }
    return QString();
}
