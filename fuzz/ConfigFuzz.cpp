// A settings file of arbitrary bytes against options of every kind: it is
// refused with a message naming the file, or each setting becomes
// arguments of the option its key names, and checking them ends.
#include "cli/ConfigFile.h"

#include <CLI/CLI.hpp>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const char* const NAME = "lintrel.toml";

struct SOptions {
    bool bFlag = false;
    int nCount = 0;
    double dRate = 0;
    std::string strText;
    std::vector<std::string> patterns;
};

void Declare(CLI::App& app, SOptions& options)
{
    app.add_flag("-f,--only-bad", options.bFlag);
    app.add_option("--jobs", options.nCount)->check(CLI::Range(1, 256));
    app.add_option("--rate", options.dRate);
    app.add_option("--format", options.strText)->check(CLI::IsMember({"table", "json"}));
    app.add_option("--exclude", options.patterns)->allow_extra_args(false);
    app.add_option("URL", options.strText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize)
{
    const std::string strText(reinterpret_cast<const char*>(pData), nSize);
    SOptions options;
    CLI::App app;
    Declare(app, options);
    CConfigFile config;
    std::string strError;
    if (!config.Parse(strText, NAME, app, strError)) {
        if (strError.rfind(NAME, 0) != 0)
            __builtin_trap();
        return 0;
    }
    for (const std::string& strArgument : config.MakeArguments(app)) {
        if (strArgument.rfind("--", 0) != 0)
            __builtin_trap();
    }
    const std::optional<std::string> strMessage = config.Check([](const std::vector<std::string>& arguments) {
        SOptions trial;
        CLI::App trialApp;
        Declare(trialApp, trial);
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        try {
            trialApp.parse(reversed);
        } catch (const CLI::ParseError& e) {
            return std::optional<std::string>(e.what());
        }
        return std::optional<std::string>();
    });
    if (strMessage && strMessage->rfind(NAME, 0) != 0)
        __builtin_trap();
    return 0;
}
