#include "html/CharsetDecoder.h"

#include "html/CharsetPrescan.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <iterator>

namespace {

struct SEncodingLabel {
    const char* pszLabel;
    const char* pszEncoding; // the Encoding Standard's name, which glibc's iconv also knows
};

// The labels pages use, after the Encoding Standard. Encodings that standard
// replaces by its "replacement" decoder are left out: such a label is
// treated as unknown.
constexpr SEncodingLabel LABELS[] = {
    {"unicode-1-1-utf-8", "UTF-8"},
    {"unicode11utf8", "UTF-8"},
    {"unicode20utf8", "UTF-8"},
    {"utf-8", "UTF-8"},
    {"utf8", "UTF-8"},
    {"x-unicode20utf8", "UTF-8"},
    {"ansi_x3.4-1968", "windows-1252"},
    {"ascii", "windows-1252"},
    {"cp1252", "windows-1252"},
    {"cp819", "windows-1252"},
    {"csisolatin1", "windows-1252"},
    {"ibm819", "windows-1252"},
    {"iso-8859-1", "windows-1252"},
    {"iso-ir-100", "windows-1252"},
    {"iso8859-1", "windows-1252"},
    {"iso88591", "windows-1252"},
    {"iso_8859-1", "windows-1252"},
    {"iso_8859-1:1987", "windows-1252"},
    {"l1", "windows-1252"},
    {"latin1", "windows-1252"},
    {"us-ascii", "windows-1252"},
    {"windows-1252", "windows-1252"},
    {"x-cp1252", "windows-1252"},
    {"iso-8859-2", "ISO-8859-2"},
    {"latin2", "ISO-8859-2"},
    {"iso-8859-3", "ISO-8859-3"},
    {"iso-8859-4", "ISO-8859-4"},
    {"iso-8859-5", "ISO-8859-5"},
    {"iso-8859-6", "ISO-8859-6"},
    {"iso-8859-7", "ISO-8859-7"},
    {"iso-8859-8", "ISO-8859-8"},
    {"iso-8859-8-i", "ISO-8859-8"},
    {"iso-8859-10", "ISO-8859-10"},
    {"iso-8859-13", "ISO-8859-13"},
    {"iso-8859-14", "ISO-8859-14"},
    {"iso-8859-15", "ISO-8859-15"},
    {"latin9", "ISO-8859-15"},
    {"iso-8859-16", "ISO-8859-16"},
    {"ibm866", "IBM866"},
    {"cp866", "IBM866"},
    {"koi8-r", "KOI8-R"},
    {"koi8", "KOI8-R"},
    {"koi8-u", "KOI8-U"},
    {"macintosh", "macintosh"},
    {"mac", "macintosh"},
    {"windows-874", "windows-874"},
    {"tis-620", "windows-874"},
    {"windows-1250", "windows-1250"},
    {"cp1250", "windows-1250"},
    {"windows-1251", "windows-1251"},
    {"cp1251", "windows-1251"},
    {"windows-1253", "windows-1253"},
    {"windows-1254", "windows-1254"},
    {"iso-8859-9", "windows-1254"},
    {"latin5", "windows-1254"},
    {"windows-1255", "windows-1255"},
    {"windows-1256", "windows-1256"},
    {"windows-1257", "windows-1257"},
    {"windows-1258", "windows-1258"},
    {"gbk", "GBK"},
    {"gb2312", "GBK"},
    {"x-gbk", "GBK"},
    {"gb18030", "gb18030"},
    {"big5", "Big5"},
    {"big5-hkscs", "Big5"},
    {"x-x-big5", "Big5"},
    {"euc-jp", "EUC-JP"},
    {"x-euc-jp", "EUC-JP"},
    {"iso-2022-jp", "ISO-2022-JP"},
    {"shift_jis", "Shift_JIS"},
    {"sjis", "Shift_JIS"},
    {"ms_kanji", "Shift_JIS"},
    {"windows-31j", "Shift_JIS"},
    {"x-sjis", "Shift_JIS"},
    {"euc-kr", "EUC-KR"},
    {"ks_c_5601-1987", "EUC-KR"},
    {"windows-949", "EUC-KR"},
    {"utf-16", "UTF-16LE"},
    {"utf-16le", "UTF-16LE"},
    {"utf-16be", "UTF-16BE"},
};

// What glibc's iconv calls the encodings whose names it spells differently;
// the Encoding Standard's Shift_JIS, EUC-KR and Big5 are Microsoft's supersets.
const char* IconvName(const std::string& strEncoding)
{
    if (strEncoding == "Shift_JIS")
        return "CP932";
    if (strEncoding == "EUC-KR")
        return "CP949";
    if (strEncoding == "Big5")
        return "BIG5-HKSCS";
    if (strEncoding == "macintosh")
        return "MACINTOSH";
    return strEncoding.c_str();
}

constexpr std::string_view REPLACEMENT = "\xEF\xBF\xBD";
// A label longer than any real one is not looked up at all.
constexpr std::size_t MAX_LABEL = 40;

bool IsAsciiSpace(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\f' || ch == '\r';
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsAsciiSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string EncodingFromBom(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        return "UTF-8";
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return "UTF-16BE";
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return "UTF-16LE";
    return {};
}

std::size_t BomLength(const std::string& strEncoding, std::string_view bytes)
{
    if (EncodingFromBom(bytes) != strEncoding)
        return 0;
    return strEncoding == "UTF-8" ? 3 : 2;
}

// The length of the UTF-8 sequence at nPos, valid or not: an invalid one is
// its longest start that could have begun a valid one (at least one byte),
// replaced as a whole, as the Encoding Standard's decoder does.
std::size_t SequenceAt(std::string_view bytes, std::size_t nPos, bool& bValid)
{
    const auto BYTE = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[nPos + i]); };
    const std::uint8_t nLead = BYTE(0);
    bValid = nLead < 0x80;
    if (bValid)
        return 1;
    const std::size_t nLength = nLead >= 0xC2 && nLead <= 0xDF ? 2
        : nLead >= 0xE0 && nLead <= 0xEF                       ? 3
        : nLead >= 0xF0 && nLead <= 0xF4                       ? 4
                                                               : 1;
    // The second byte's range excludes overlong forms, surrogates and code points past U+10FFFF.
    const std::uint8_t nLow = nLead == 0xE0 ? 0xA0 : nLead == 0xF0 ? 0x90 : 0x80;
    const std::uint8_t nHigh = nLead == 0xED ? 0x9F : nLead == 0xF4 ? 0x8F : 0xBF;
    std::size_t nGood = 1;
    while (nGood < nLength && nPos + nGood < bytes.size()) {
        const std::uint8_t nByte = BYTE(nGood);
        if (nGood == 1 ? nByte < nLow || nByte > nHigh : nByte < 0x80 || nByte > 0xBF)
            break;
        ++nGood;
    }
    bValid = nLength > 1 && nGood == nLength;
    return nGood;
}

// The five bytes glibc leaves undefined in windows-1252 are C1 controls in
// the Encoding Standard; elsewhere an undecodable byte is U+FFFD.
void AppendUndecodable(std::string& strOut, const std::string& strEncoding, std::uint8_t nByte)
{
    if (strEncoding == "windows-1252" && nByte >= 0x80 && nByte <= 0x9F) {
        strOut.push_back(static_cast<char>(0xC2));
        strOut.push_back(static_cast<char>(nByte));
        return;
    }
    strOut.append(REPLACEMENT);
}

std::string DecodeWithIconv(iconv_t converter, const std::string& strEncoding, std::string_view bytes)
{
    const std::size_t nUnit = strEncoding.rfind("UTF-16", 0) == 0 ? 2 : 1;
    std::string strOut;
    // Most pages take a byte a character: one allocation then, not a doubling
    // that holds two copies at once.
    strOut.reserve(bytes.size() / nUnit);
    char* pIn = const_cast<char*>(bytes.data()); // iconv's signature; it never writes there
    std::size_t nInLeft = bytes.size();
    char buffer[16384];
    while (true) {
        char* pOut = buffer;
        std::size_t nOutLeft = sizeof buffer;
        const std::size_t nResult = iconv(converter, nInLeft > 0 ? &pIn : nullptr, &nInLeft, &pOut, &nOutLeft);
        strOut.append(buffer, static_cast<std::size_t>(pOut - buffer));
        if (nResult != static_cast<std::size_t>(-1)) {
            if (nInLeft == 0 && pIn != nullptr) {
                pIn = nullptr; // one more round flushes any shift state
                continue;
            }
            return strOut;
        }
        if (errno == E2BIG)
            continue;
        // An invalid or a truncated sequence: one unit is replaced and skipped.
        const std::size_t nSkip = std::min(nUnit, nInLeft);
        AppendUndecodable(strOut, strEncoding, static_cast<std::uint8_t>(*pIn));
        pIn += nSkip;
        nInLeft -= nSkip;
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
    }
}

} // namespace

std::string CCharsetDecoder::EncodingForLabel(std::string_view strLabel)
{
    strLabel = Trim(strLabel);
    if (strLabel.size() > MAX_LABEL)
        return {};
    std::string strLower;
    std::transform(strLabel.begin(), strLabel.end(), std::back_inserter(strLower),
        [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; });
    for (const SEncodingLabel& label : LABELS)
        if (strLower == label.pszLabel)
            return label.pszEncoding;
    return {};
}

std::string CCharsetDecoder::ChooseEncoding(std::string_view bytes, std::string_view strContentType)
{
    std::string strEncoding = EncodingFromBom(bytes);
    if (strEncoding.empty())
        strEncoding = EncodingForLabel(CCharsetPrescan::CharsetFromContent(strContentType));
    if (strEncoding.empty()) {
        strEncoding = EncodingForLabel(CCharsetPrescan::FindMetaLabel(
            bytes, [](std::string_view strLabel) { return !EncodingForLabel(strLabel).empty(); }));
        // A page that can say so in ASCII is not UTF-16.
        if (strEncoding.rfind("UTF-16", 0) == 0)
            strEncoding = "UTF-8";
    }
    return strEncoding.empty() ? "UTF-8" : strEncoding;
}

std::string CCharsetDecoder::ToUtf8(std::string strBytes, std::string_view strContentType)
{
    const std::string strEncoding = ChooseEncoding(strBytes, strContentType);
    const std::string_view bytes = std::string_view(strBytes).substr(BomLength(strEncoding, strBytes));
    iconv_t converter = reinterpret_cast<iconv_t>(-1);
    if (strEncoding != "UTF-8")
        converter = iconv_open("UTF-8", IconvName(strEncoding));
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        // UTF-8, or a system without that table, read as the default.
        if (bytes.size() == strBytes.size() && IsValidUtf8(strBytes))
            return strBytes;
        return RepairUtf8(bytes);
    }
    std::string strOut = DecodeWithIconv(converter, strEncoding, bytes);
    iconv_close(converter);
    return strOut;
}

bool CCharsetDecoder::IsValidUtf8(std::string_view bytes)
{
    std::size_t nPos = 0;
    while (nPos < bytes.size()) {
        if (static_cast<std::uint8_t>(bytes[nPos]) < 0x80) {
            ++nPos;
            continue;
        }
        bool bValid = false;
        nPos += SequenceAt(bytes, nPos, bValid);
        if (!bValid)
            return false;
    }
    return true;
}

std::string CCharsetDecoder::RepairUtf8(std::string_view bytes)
{
    std::string strOut;
    strOut.reserve(bytes.size());
    std::size_t nPos = 0;
    while (nPos < bytes.size()) {
        std::size_t nAscii = nPos;
        while (nAscii < bytes.size() && static_cast<std::uint8_t>(bytes[nAscii]) < 0x80)
            ++nAscii;
        strOut.append(bytes.substr(nPos, nAscii - nPos));
        nPos = nAscii;
        if (nPos == bytes.size())
            break;
        bool bValid = false;
        const std::size_t nLength = SequenceAt(bytes, nPos, bValid);
        if (bValid)
            strOut.append(bytes.substr(nPos, nLength));
        else
            strOut.append(REPLACEMENT);
        nPos += nLength;
    }
    return strOut;
}
