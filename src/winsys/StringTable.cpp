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
