// Arbitrary markup read by the modern mode's reader and by gumbo's: the two
// (value, line, column) lists and bases must agree, but for the cases where
// gumbo departs from the standard (CReaderDifference::IsGumboError).
#include "html/CharsetDecoder.h"
#include "html/ReaderDifference.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// gumbo itself loses a few bytes on some broken pages: its leaks are not
// what this target looks for.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libgumbo.so\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strText
        = CCharsetDecoder::RepairUtf8(std::string_view(reinterpret_cast<const char*>(pData), nSize));
    if (CReaderDifference::IsGumboError(strText))
        return 0;
    const std::string strDifference = CReaderDifference::Find(strText);
    if (!strDifference.empty()) {
        std::fprintf(stderr, "the readers differ: %s\n", strDifference.c_str());
        __builtin_trap();
    }
    return 0;
}
