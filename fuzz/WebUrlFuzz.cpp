// A base URL and a reference of arbitrary bytes: every web link that comes
// out is http or https, no longer than the bound, printable ASCII, and its
// own normal form; its parts agree with its text. Against a local file's
// URL, every file link is its own normal form and names a path.
#include "modern/FileLinkChecker.h"
#include "net/WebUrl.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void Check(const CWebUrl& url)
{
    if (!url.IsWebLink()) {
        if (!url.GetText().empty())
            __builtin_trap();
        return;
    }
    const std::string& strText = url.GetText();
    if (strText.size() > CWebUrl::MAX_LENGTH || (url.GetScheme() != "http" && url.GetScheme() != "https")
        || strText.rfind(url.GetScheme() + "://", 0) != 0 || url.GetPath().empty() || url.GetPath()[0] != '/'
        || url.GetPort() < 0 || url.GetPort() > 65535 || strText.find('#') != std::string::npos)
        __builtin_trap();
    for (char ch : url.GetPath() + url.GetQuery())
        if (static_cast<unsigned char>(ch) <= 0x20 || static_cast<unsigned char>(ch) >= 0x7F)
            __builtin_trap();
    const CWebUrl again = CWebUrl::Parse(strText);
    if (again.GetText() != strText || again.GetHost() != url.GetHost() || again.GetPort() != url.GetPort())
        __builtin_trap();
}

void CheckFile(const CWebUrl& url)
{
    if (!url.IsFileLink())
        return Check(url);
    const std::string& strText = url.GetText();
    if (strText.size() > CWebUrl::MAX_LENGTH || strText.rfind("file:///", 0) != 0
        || strText.find('#') != std::string::npos || CWebUrl::ParseFile(strText).GetText() != strText
        || CFileLinkChecker::GetLocalPath(strText).find('\0') != std::string::npos)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    FuzzedDataProvider provider(pData, nSize);
    const std::string strBase = provider.ConsumeRandomLengthString(256);
    const std::string strReference = provider.ConsumeRemainingBytesAsString();
    const CWebUrl base = CWebUrl::Parse(strBase);
    Check(base);
    Check(CWebUrl::Parse(strReference));
    Check(base.Resolve(strReference));
    Check(CWebUrl::Parse("http://h/d/p?q").Resolve(strReference));
    CheckFile(CWebUrl::ParseFile(strBase).Resolve(strReference));
    CheckFile(CWebUrl::ParseFile("file:///site/d/p.html").Resolve(strReference));
    return 0;
}
