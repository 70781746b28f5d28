#pragma once

#include <string>
#include <string_view>

/// Turns a fetched page's bytes into UTF-8 as a browser would: the encoding
/// named by a byte order mark, else by the Content-Type's charset, else by
/// a <meta> declaration in the first 1024 bytes, else UTF-8. Labels follow
/// the Encoding Standard (ISO-8859-1 and US-ASCII mean windows-1252); an
/// unknown label is passed over for the next source.
class CCharsetDecoder {
public:
    /// The page as UTF-8, every invalid byte sequence replaced by U+FFFD;
    /// never longer than three bytes per byte of the page. A page that is
    /// valid UTF-8 already comes back as it went in, without a copy when
    /// it was moved in.
    static std::string ToUtf8(std::string strBytes, std::string_view strContentType);
    /// The canonical name of the encoding ToUtf8 would decode with
    /// ("UTF-8", "windows-1252", "Shift_JIS", ...).
    static std::string ChooseEncoding(std::string_view bytes, std::string_view strContentType);
    /// The canonical name for a label (trimmed, any case); empty when unknown.
    static std::string EncodingForLabel(std::string_view strLabel);
    /// bytes as UTF-8 with every invalid sequence replaced by U+FFFD.
    static std::string RepairUtf8(std::string_view bytes);
    /// True when bytes are valid UTF-8 throughout.
    static bool IsValidUtf8(std::string_view bytes);
};
