#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

struct TProcessResult {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

// Builds an environment from the current one, less QUILLMONT_PASSWORD, plus extra.
inline std::vector<std::string> TestEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e)
        if (std::string(*e).rfind("QUILLMONT_PASSWORD=", 0) != 0)
            env.emplace_back(*e);
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

inline std::vector<char*> CStrings(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Starts program with args; returns the pid, its stdin writer and its stdout
// and stderr readers.
inline pid_t StartProcess(const std::string& program, std::vector<std::string> args, std::vector<std::string> env,
                          int& in, int& out, int& err)
{
    args.insert(args.begin(), program);
    std::vector<char*> argv = CStrings(args);
    std::vector<char*> envp = CStrings(env);
    int inPipe[2], outPipe[2], errPipe[2];
    if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0)
        return -1;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(inPipe[0], 0);
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::execve(program.c_str(), argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(inPipe[0]);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    in = inPipe[1];
    out = outPipe[0];
    err = errPipe[0];
    return pid;
}

// Gives a started process its standard input and waits for its end (at most
// 60 s), collecting what it wrote.
inline TProcessResult FinishProcess(pid_t pid, int in, int out, int err, const std::string& input = "")
{
    TProcessResult result;
    if (pid < 0)
        return result;
    signal(SIGPIPE, SIG_IGN);
    (void)!::write(in, input.data(), input.size());
    ::close(in);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
    int open = 2;
    while (open > 0 && std::chrono::steady_clock::now() < giveUp) {
        if (::poll(fds, 2, 1000) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP)))
                continue;
            char chunk[4096];
            const ssize_t n = ::read(fds[i].fd, chunk, sizeof chunk);
            if (n <= 0) {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                (i == 0 ? result.Out : result.Err).append(chunk, static_cast<std::size_t>(n));
            }
        }
    }
    if (open > 0)
        ::kill(pid, SIGKILL);
    for (auto& f : fds)
        if (f.fd >= 0)
            ::close(f.fd);
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

// Runs program to its end (at most 60 s) with the given standard input.
inline TProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                                 const std::vector<std::string>& env, const std::string& input = "")
{
    int in = -1, out = -1, err = -1;
    const pid_t pid = StartProcess(program, args, env, in, out, err);
    return FinishProcess(pid, in, out, err, input);
}
