#pragma once

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

/// A program run in a child process, its stdout and stderr going to files,
/// so a test can run several at once or kill one midway.
class CChildProgram {
public:
    CChildProgram(const std::string& strProgram, const std::vector<std::string>& args,
        const std::filesystem::path& outPath, const std::filesystem::path& errPath);
    CChildProgram(const CChildProgram&) = delete;
    CChildProgram& operator=(const CChildProgram&) = delete;
    /// Kills and reaps a child still running.
    ~CChildProgram();

    /// Ends the child at once, as SIGKILL does.
    void Kill();
    /// Waits for the child to end: its exit code, or 128 plus the signal
    /// that ended it.
    int Wait();

private:
    pid_t m_nPid = -1;
    int m_nStatus = -1;
};
