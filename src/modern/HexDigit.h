#pragma once

#include <string>
#include <string_view>

/// The value of one hexadecimal digit of either case; -1 for any other
/// character.
constexpr int HexDigitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

/// strText with every valid %XX escape replaced by the byte it names.
inline std::string PercentDecoded(std::string_view strText)
{
    std::string strOut;
    strOut.reserve(strText.size());
    for (std::size_t i = 0; i < strText.size(); ++i) {
        const int nHigh = i + 2 < strText.size() && strText[i] == '%' ? HexDigitValue(strText[i + 1]) : -1;
        const int nLow = nHigh >= 0 ? HexDigitValue(strText[i + 2]) : -1;
        if (nLow < 0) {
            strOut.push_back(strText[i]);
            continue;
        }
        strOut.push_back(static_cast<char>(nHigh * 16 + nLow));
        i += 2;
    }
    return strOut;
}
