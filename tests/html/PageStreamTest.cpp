#include "html/PageStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

// The extractor was written against an istream's rules; the page stream must
// answer every operation it uses exactly as std::istringstream does.

namespace {

struct Script {
    std::string strPage;
    const char* pszOperations; // w: word (width 512), n: word (width 4), c: char, s: ws, p: position, r: clear and seek
                               // to 0, e: seek past the end
};

std::string StateOf(const std::istream& is)
{
    return std::string(is.good() ? "g" : "") + (is.eof() ? "e" : "") + (is.fail() ? "f" : "");
}

std::string StateOf(const CPageStream& stream)
{
    return std::string(stream.IsGood() ? "g" : "") + (stream.IsEof() ? "e" : "") + (stream.IsFail() ? "f" : "");
}

void ExpectSameAsIstream(const Script& script)
{
    std::istringstream is(script.strPage);
    CPageStream stream(script.strPage);
    for (const char* pchOp = script.pszOperations; *pchOp != '\0'; ++pchOp) {
        SCOPED_TRACE(std::string("page '") + script.strPage.substr(0, 40) + "' operation "
            + std::to_string(pchOp - script.pszOperations) + " '" + *pchOp + "'");
        char szExpected[512] = "-";
        char szActual[512] = "-";
        switch (*pchOp) {
        case 'w':
        case 'n':
            is.width(*pchOp == 'w' ? 512 : 4);
            stream.SetWidth(*pchOp == 'w' ? 512 : 4);
            is >> szExpected;
            EXPECT_EQ(stream.ReadWord(szActual), !is.fail());
            // An istream leaves the buffer as it was; ours empties it, never worse.
            if (is.fail())
                szExpected[0] = '\0';
            break;
        case 'c':
            is >> szExpected[0];
            EXPECT_EQ(stream.ReadChar(szActual[0]), !is.fail());
            break;
        case 's':
            is >> std::ws;
            stream.SkipWhitespace();
            break;
        case 'p': EXPECT_EQ(stream.GetPosition(), static_cast<CPageStream::Pos>(is.tellg())); break;
        case 'r':
            is.clear();
            is.seekg(0);
            stream.Clear();
            stream.Seek(0);
            break;
        case 'e':
            is.seekg(static_cast<std::streamoff>(script.strPage.size() + 1));
            stream.Seek(static_cast<CPageStream::Pos>(script.strPage.size() + 1));
            break;
        }
        EXPECT_STREQ(szActual, szExpected);
        EXPECT_EQ(StateOf(stream), StateOf(is));
    }
}

} // namespace

TEST(PageStream, BehavesAsAnIstreamForEveryOperationTheScannerUses)
{
    const std::string strNul("a\0b c", 5);
    const std::vector<Script> scripts = {
        {"", "pwpwrsppcp"},
        {"   ", "swrwrcrp"},
        {"abc", "pwpwrcccpcp"},
        {"abc ", "wpwp"},
        {" a\tb\nc\vd\fe\rf ", "wwwwwwwp"},
        {" a\tb\nc\vd\fe\rf", "ccccccpcp"},
        {"HREF = \"x y\"", "ccccspscpscccscccp"},
        {"abcdefgh ij", "nnnpwpw"},
        {std::string(600, 'x') + " y", "wpwpwpw"},
        {std::string(511, 'x'), "wpwp"},
        {std::string(512, 'x'), "wpwp"},
        {std::string(511, 'x') + "\n", "wpspw"},
        {strNul, "wwpcc"},
        {"\x80\xff \x01", "wwcp"},
        {"ab",
            "ccpre"
            "pcrcp"},
        {"word",
            "wpep"
            "rp"},
    };
    for (const Script& script : scripts)
        ExpectSameAsIstream(script);
}

TEST(PageStream, WordNeverOverrunsItsBuffer)
{
    // Without a width the buffer's own size bounds the word.
    CPageStream stream(std::string(100, 'x'));
    char szWord[8];
    EXPECT_TRUE(stream.ReadWord(szWord));
    EXPECT_STREQ(szWord, "xxxxxxx");
    stream.SetWidth(64);
    EXPECT_TRUE(stream.ReadWord(szWord));
    EXPECT_STREQ(szWord, "xxxxxxx");
    EXPECT_EQ(stream.GetPosition(), 14);
}
