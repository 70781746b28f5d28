#pragma once

#include "cli/RunCli.h"

#include <sstream>
#include <string>
#include <vector>

/// What one in-process run of the command line printed and returned.
struct CCliResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

inline CCliResult RunCommand(const std::vector<std::string>& args, bool bProgress = false)
{
    std::vector<const char*> argv = {"lintrel-cli"};
    for (const std::string& strArg : args)
        argv.push_back(strArg.c_str());
    std::ostringstream out;
    std::ostringstream err;
    CCliResult result;
    result.nExit = RunCli(static_cast<int>(argv.size()), argv.data(), out, err, bProgress);
    result.strOut = out.str();
    result.strErr = err.str();
    return result;
}
