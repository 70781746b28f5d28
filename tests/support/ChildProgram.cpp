#include "support/ChildProgram.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

CChildProgram::CChildProgram(const std::string& strProgram, const std::vector<std::string>& args,
    const std::filesystem::path& outPath, const std::filesystem::path& errPath)
{
    std::vector<char*> argv = {const_cast<char*>(strProgram.c_str())};
    for (const std::string& strArg : args)
        argv.push_back(const_cast<char*>(strArg.c_str()));
    argv.push_back(nullptr);
    m_nPid = ::fork();
    if (m_nPid == 0) {
        ::dup2(::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDOUT_FILENO);
        ::dup2(::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
        ::execv(strProgram.c_str(), argv.data());
        ::_exit(127);
    }
}

CChildProgram::~CChildProgram()
{
    if (m_nPid > 0 && m_nStatus == -1) {
        Kill();
        Wait();
    }
}

void CChildProgram::Kill()
{
    if (m_nPid > 0 && m_nStatus == -1)
        ::kill(m_nPid, SIGKILL);
}

int CChildProgram::Wait()
{
    if (m_nPid > 0 && m_nStatus == -1 && ::waitpid(m_nPid, &m_nStatus, 0) != m_nPid)
        m_nStatus = -1;
    if (WIFEXITED(m_nStatus))
        return WEXITSTATUS(m_nStatus);
    return WIFSIGNALED(m_nStatus) ? 128 + WTERMSIG(m_nStatus) : -1;
}
