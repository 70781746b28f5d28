#include "modern/SitemapReader.h"

#include <pugixml.hpp>
#include <zlib.h>

#include <cstring>
#include <string_view>

namespace {

bool IsGzip(const std::string& strBytes)
{
    return strBytes.size() >= 2 && static_cast<unsigned char>(strBytes[0]) == 0x1F
        && static_cast<unsigned char>(strBytes[1]) == 0x8B;
}

// strBytes inflated, at most MAX_BYTES of it; false when the data is no
// gzip stream (bCut then tells nothing).
bool Inflate(const std::string& strBytes, std::string& strOut, bool& bCut)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof stream);
    // 16 + MAX_WBITS: a gzip header and trailer, not zlib's own.
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK)
        return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strBytes.data()));
    stream.avail_in = static_cast<uInt>(strBytes.size());
    constexpr std::size_t CHUNK = 65536;
    int nResult = Z_OK;
    while (nResult == Z_OK && strOut.size() <= CSitemapReader::MAX_BYTES) {
        const std::size_t nHad = strOut.size();
        strOut.resize(nHad + CHUNK);
        stream.next_out = reinterpret_cast<Bytef*>(strOut.data() + nHad);
        stream.avail_out = static_cast<uInt>(CHUNK);
        nResult = inflate(&stream, Z_NO_FLUSH);
        strOut.resize(nHad + (CHUNK - stream.avail_out));
        if (nResult == Z_BUF_ERROR && stream.avail_in == 0)
            break;
    }
    inflateEnd(&stream);
    bCut = strOut.size() > CSitemapReader::MAX_BYTES;
    if (bCut)
        strOut.resize(CSitemapReader::MAX_BYTES);
    return nResult == Z_OK || nResult == Z_STREAM_END || nResult == Z_BUF_ERROR || bCut;
}

// The name without its namespace prefix: sitemaps may be written <sm:urlset>.
std::string_view LocalName(const char* pszName)
{
    const std::string_view name(pszName);
    const std::size_t nColon = name.find(':');
    return nColon == std::string_view::npos ? name : name.substr(nColon + 1);
}

std::string LocText(const pugi::xml_node& loc)
{
    std::string strText;
    for (const pugi::xml_node& child : loc.children())
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            strText += child.value();
    const std::size_t nStart = strText.find_first_not_of(" \t\r\n");
    if (nStart == std::string::npos)
        return std::string();
    return strText.substr(nStart, strText.find_last_not_of(" \t\r\n") + 1 - nStart);
}

// A file cut at a bound ends anywhere, perhaps within a <loc>: only the
// entries whose end tag came before the cut count.
void DropUnfinishedEntry(std::string& strBytes)
{
    for (std::size_t nEnd = strBytes.rfind("</"); nEnd != std::string::npos && nEnd > 0;
         nEnd = strBytes.rfind("</", nEnd - 1)) {
        // An end tag's name is short: looking further would make the walk quadratic.
        const std::size_t nNear = std::string_view(strBytes).substr(nEnd, 80).find('>');
        if (nNear == std::string_view::npos)
            continue;
        const std::size_t nClose = nEnd + nNear;
        const std::string strName = strBytes.substr(nEnd + 2, nClose - nEnd - 2);
        const std::string_view local = LocalName(strName.c_str());
        if (local == "url" || local == "sitemap") {
            strBytes.resize(nClose + 1);
            return;
        }
    }
    strBytes.clear();
}

void ReadEntries(const pugi::xml_node& root, std::string_view entryName, SSitemap& sitemap)
{
    std::size_t nLocs = 0;
    for (const pugi::xml_node& entry : root.children()) {
        if (entry.type() != pugi::node_element || LocalName(entry.name()) != entryName)
            continue;
        for (const pugi::xml_node& loc : entry.children()) {
            if (loc.type() != pugi::node_element || LocalName(loc.name()) != "loc")
                continue;
            if (++nLocs > CSitemapReader::MAX_LOCS) {
                sitemap.bCut = true;
                return;
            }
            std::string strLoc = LocText(loc);
            if (!strLoc.empty())
                sitemap.locs.push_back(std::move(strLoc));
        }
    }
}

} // namespace

SSitemap CSitemapReader::Read(std::string strBytes, bool bCutShort)
{
    SSitemap sitemap;
    sitemap.bCut = bCutShort;
    if (IsGzip(strBytes)) {
        std::string strInflated;
        if (!Inflate(strBytes, strInflated, sitemap.bCut)) {
            sitemap.strProblem = "its gzip data is damaged";
            return sitemap;
        }
        sitemap.bCut = sitemap.bCut || bCutShort;
        strBytes = std::move(strInflated);
    }
    if (strBytes.size() > MAX_BYTES) {
        strBytes.resize(MAX_BYTES);
        sitemap.bCut = true;
    }
    if (sitemap.bCut)
        DropUnfinishedEntry(strBytes);
    pugi::xml_document document;
    // Without parse_doctype a document type, entities and all, is skipped;
    // only the five predefined references and character references are read.
    const unsigned nOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_eol;
    const pugi::xml_parse_result result = document.load_buffer_inplace(strBytes.data(), strBytes.size(), nOptions);
    // A file cut at the byte bound ends mid-element: what came before counts.
    if (!result && !sitemap.bCut) {
        sitemap.strProblem = "it is not well-formed XML (near byte " + std::to_string(result.offset) + ")";
        return sitemap;
    }
    pugi::xml_node root = document.document_element();
    // A cut file's root is the first element whatever the parse reached.
    if (!root && sitemap.bCut)
        root = document.first_child();
    const std::string_view rootName = root ? LocalName(root.name()) : std::string_view();
    if (rootName == "urlset") {
        sitemap.eKind = SSitemap::EKind::URLS;
        ReadEntries(root, "url", sitemap);
    } else if (rootName == "sitemapindex") {
        sitemap.eKind = SSitemap::EKind::INDEX;
        ReadEntries(root, "sitemap", sitemap);
    } else {
        sitemap.strProblem = "it is neither a sitemap (<urlset>) nor a sitemap index (<sitemapindex>)";
    }
    return sitemap;
}
