#include "html/CharsetDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SChoiceCase {
    std::string strBytes;
    std::string strContentType;
    std::string strEncoding;
};

const std::string LATIN1_META = "<meta charset=iso-8859-1>";

} // namespace

TEST(CharsetDecoder, WhichSourceDecides)
{
    const std::vector<SChoiceCase> cases = {
        {"plain", "", "UTF-8"},
        {"plain", "text/html", "UTF-8"},
        {"\xEF\xBB\xBFx", "text/html; charset=koi8-r", "UTF-8"},
        {"\xFF\xFEx\0", "text/html; charset=koi8-r", "UTF-16LE"},
        {"\xFE\xFF\0x", "", "UTF-16BE"},
        {LATIN1_META, "text/html; charset=koi8-r", "KOI8-R"},
        {LATIN1_META, "text/html;charset=\"Shift_JIS\"", "Shift_JIS"},
        {LATIN1_META, "text/html; charset= utf-16 ", "UTF-16LE"},
        // An unknown or absurd label is passed over for the next source.
        {LATIN1_META, "text/html; charset=klingon", "windows-1252"},
        {LATIN1_META, "text/html; charset=" + std::string(100, 'x'), "windows-1252"},
        {"<meta charset=klingon>", "", "UTF-8"},
        // A page that declares UTF-16 in ASCII is UTF-8.
        {"<meta charset=utf-16>", "", "UTF-8"},
        {"<meta charset=utf-16be>", "", "UTF-8"},
        {"<meta charset=utf-32>", "", "UTF-8"},
    };
    for (const SChoiceCase& c : cases) {
        SCOPED_TRACE("bytes: " + c.strBytes + " type: " + c.strContentType);
        EXPECT_EQ(CCharsetDecoder::ChooseEncoding(c.strBytes, c.strContentType), c.strEncoding);
    }
}

TEST(CharsetDecoder, MetaPrescan)
{
    const std::vector<SChoiceCase> cases = {
        {"<META CHARSET='KOI8-R'>", "", "KOI8-R"},
        {"<meta charset = \" koi8-r \">", "", "KOI8-R"},
        {"<meta/charset=koi8-r>", "", "KOI8-R"},
        {"<meta http-equiv=Content-Type content='text/html; charset=koi8-r'>", "", "KOI8-R"},
        {"<meta content='text/html; CHARSET = \"koi8-r\"' http-equiv='content-type'>", "", "KOI8-R"},
        // content without the http-equiv pragma declares nothing.
        {"<meta content='text/html; charset=koi8-r'>", "", "UTF-8"},
        {"<meta http-equiv=refresh content='charset=koi8-r'>", "", "UTF-8"},
        // The first charset attribute counts, and the first declaring meta.
        {"<meta charset=koi8-r charset=big5>", "", "KOI8-R"},
        {"<meta name=x><meta charset=gbk><meta charset=big5>", "", "GBK"},
        {"<meta charset=klingon><meta charset=big5>", "", "Big5"},
        {"<!-- <meta charset=koi8-r> -->", "", "UTF-8"},
        {"<!--><meta charset=koi8-r>", "", "KOI8-R"},
        {"<p title='<meta charset=koi8-r>'>", "", "UTF-8"},
        {"<metadata charset=koi8-r>", "", "UTF-8"},
        {std::string(1020, ' ') + "<meta charset=koi8-r>", "", "UTF-8"},
        {std::string(990, ' ') + "<meta charset=koi8-r>", "", "KOI8-R"},
    };
    for (const SChoiceCase& c : cases) {
        SCOPED_TRACE("bytes: " + c.strBytes);
        EXPECT_EQ(CCharsetDecoder::ChooseEncoding(c.strBytes, c.strContentType), c.strEncoding);
    }
}

TEST(CharsetDecoder, Labels)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"utf-8", "UTF-8"},
        {" UTF8\t", "UTF-8"},
        {"ISO-8859-1", "windows-1252"},
        {"latin1", "windows-1252"},
        {"US-ASCII", "windows-1252"},
        {"iso-8859-15", "ISO-8859-15"},
        {"iso-8859-9", "windows-1254"},
        {"sjis", "Shift_JIS"},
        {"gb2312", "GBK"},
        {"EUC-KR", "EUC-KR"},
        {"utf-16", "UTF-16LE"},
        {"", ""},
        {"utf-32", ""},
        {"iso-2022-kr", ""},
        {"utf 8", ""},
    };
    for (const auto& [strLabel, strEncoding] : cases) {
        SCOPED_TRACE("label: " + strLabel);
        EXPECT_EQ(CCharsetDecoder::EncodingForLabel(strLabel), strEncoding);
    }
}

TEST(CharsetDecoder, Decoding)
{
    using namespace std::string_literals;
    const std::vector<SChoiceCase> cases = {
        // (bytes, Content-Type, UTF-8 expected)
        {"caf\xC3\xA9", "", "caf\xC3\xA9"},
        {"\xEF\xBB\xBF"
         "a",
            "", "a"},
        {"caf\xE9", "text/html; charset=iso-8859-1", "caf\xC3\xA9"},
        // windows-1252's 0x80-0x9F, the five it leaves undefined included.
        {"\x80\x81\x8D\x8F\x90\x93\x9D\x9F", "text/html; charset=latin1",
            "\xE2\x82\xAC\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xE2\x80\x9C\xC2\x9D\xC5\xB8"},
        {"\xC1\xD2\xC9", "text/html; charset=koi8-r", "\xD0\xB0\xD1\x80\xD0\xB8"},
        {"\x82\xA0x\x82", "text/html; charset=shift_jis", "\xE3\x81\x82x\xEF\xBF\xBD"},
        {"\xFF\xFE"
         "a\0\xE9\0"s,
            "", "a\xC3\xA9"},
        {"\xFE\xFF\0a\xD8\x3D\xDE\x00"s, "", "a\xF0\x9F\x98\x80"},
        // A lone surrogate and an odd last byte.
        {"\xFF\xFE\x3D\xD8"
         "a\0b"s,
            "",
            "\xEF\xBF\xBD"
            "a\xEF\xBF\xBD"},
        // Invalid UTF-8: each maximal invalid sequence becomes one U+FFFD.
        {"a\xFF"
         "b",
            "",
            "a\xEF\xBF\xBD"
            "b"},
        {"\xE2\x82"
         "x",
            "",
            "\xEF\xBF\xBD"
            "x"},
        {"\xC0\xAF", "", "\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xED\xA0\x80", "", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF4\x90\x80\x80", "", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF0\x9F\x98", "", "\xEF\xBF\xBD"},
        {"a\0b"s, "", "a\0b"s},
    };
    for (const SChoiceCase& c : cases) {
        SCOPED_TRACE("bytes: " + c.strBytes + " type: " + c.strContentType);
        EXPECT_EQ(CCharsetDecoder::ToUtf8(c.strBytes, c.strContentType), c.strEncoding);
    }
}
