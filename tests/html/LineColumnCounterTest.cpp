#include "html/LineColumnCounter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PositionCase {
    std::string strText;
    std::size_t nOffset;
    int nLine;
    int nColumn;
};

TEST(LineColumnCounter, LineBreaksAndCharacters)
{
    const std::vector<PositionCase> cases = {
        {"abc", 0, 1, 1}, {"abc", 2, 1, 3}, {"a\nb", 2, 2, 1}, {"a\r\nb", 3, 2, 1}, // CR LF ends one line
        {"a\rb", 2, 2, 1}, // a lone CR ends a line
        {"\n\r\r\n\rx", 5, 5, 1}, // LF, CR, CR LF, CR
        {"\tx", 1, 1, 2}, // a tab is one character
        {"\xc3\xa9x", 2, 1, 2}, // two bytes, one character
        {"\xe2\x82\xac\xf0\x9f\x98\x80x", 7, 1, 3}, {"\x80\xffx", 2, 1, 3}, // stray bytes count one each
        {"\xc3x", 1, 1, 2}, // a sequence cut short is one byte
        {"\xe0\x80\x80x", 3, 1, 4}, // an overlong form is three bytes
        {"\xed\xa0\x80x", 3, 1, 4}, // so is a surrogate
        {"ab", 99, 1, 3}, // past the end: the end
    };
    for (const PositionCase& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.strText) + " at " + std::to_string(c.nOffset));
        CLineColumnCounter counter(c.strText);
        counter.AdvanceTo(c.nOffset);
        EXPECT_EQ(counter.GetLine(), c.nLine);
        EXPECT_EQ(counter.GetColumn(), c.nColumn);
    }
}

TEST(LineColumnCounter, CountsOnFromWhereItStopped)
{
    const std::string strText = "ab\ncd\r\nef";
    CLineColumnCounter counter(strText);
    counter.AdvanceTo(4);
    EXPECT_EQ(counter.GetLine(), 2);
    EXPECT_EQ(counter.GetColumn(), 2);
    counter.AdvanceTo(8);
    EXPECT_EQ(counter.GetLine(), 3);
    EXPECT_EQ(counter.GetColumn(), 2);
}

} // namespace
