#include "Process.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vexrem::e2e {

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string FindInPath(const std::string& name, const Environment& env) {
    if (name.find('/') != std::string::npos) {
        return name;
    }
    const auto it = env.find("PATH");
    const std::string path = it != env.end() ? it->second : "/usr/bin:/bin";
    std::size_t begin = 0;
    while (begin <= path.size()) {
        std::size_t end = path.find(':', begin);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string dir = path.substr(begin, end - begin);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) {
            struct stat st {};
            if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
                return candidate;
            }
        }
        begin = end + 1;
    }
    return {};
}

int DecodeStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

// Forks and execs; the child's stdout goes to outFd (or /dev/null when -1).
pid_t Spawn(const std::vector<std::string>& argv, const Environment& env, int outFd) {
    const std::string exe = FindInPath(argv.at(0), env);
    if (exe.empty()) {
        return -1;
    }
    std::vector<std::string> envStrings;
    for (const auto& [key, value] : env) {
        envStrings.push_back(key + "=" + value);
    }
    std::vector<char*> args;
    for (const auto& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (auto& e : envStrings) {
        envp.push_back(e.data());
    }
    envp.push_back(nullptr);

    const pid_t pid = ::fork();
    if (pid == 0) {
        // Its own process group, so a signal meant for the test run's group
        // (Ctrl+C) does not reach it twice and nothing it starts outlives it
        // unnoticed.
        ::setpgid(0, 0);
        const int devNull = ::open("/dev/null", O_RDWR);
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(outFd >= 0 ? outFd : devNull, STDOUT_FILENO);
        ::execve(exe.c_str(), args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

} // namespace

Environment CurrentEnvironment() {
    Environment env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::size_t eq = entry.find('=');
        if (eq != std::string::npos) {
            env[entry.substr(0, eq)] = entry.substr(eq + 1);
        }
    }
    return env;
}

bool InPath(const std::string& name) {
    return !FindInPath(name, CurrentEnvironment()).empty();
}

Process::Process(std::vector<std::string> argv, const Environment& env, bool captureStdout) {
    int out[2] = {-1, -1};
    if (captureStdout && ::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    pid_ = Spawn(argv, env, out[1]);
    if (captureStdout) {
        ::close(out[1]);
        stdout_ = out[0];
    }
}

Process::~Process() {
    if (Running()) {
        ::kill(pid_, SIGKILL);
        WaitExit(5s);
    }
    if (stdout_ >= 0) {
        ::close(stdout_);
    }
}

bool Process::Running() {
    return pid_ > 0 && !WaitExit(0ms).has_value();
}

std::optional<std::string> Process::ReadLine(std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (buffered_.find('\n') == std::string::npos) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (stdout_ < 0 || left <= 0ms) {
            return std::nullopt;
        }
        pollfd entry{stdout_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buf[256];
        const ssize_t n = ::read(stdout_, buf, sizeof buf);
        if (n <= 0) {
            return std::nullopt;
        }
        buffered_.append(buf, static_cast<std::size_t>(n));
    }
    const std::size_t nl = buffered_.find('\n');
    std::string line = buffered_.substr(0, nl);
    buffered_.erase(0, nl + 1);
    return line;
}

std::optional<int> Process::WaitExit(std::chrono::milliseconds timeout) {
    if (exit_ || pid_ <= 0) {
        return exit_;
    }
    const auto deadline = Clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            exit_ = DecodeStatus(status);
            return exit_;
        }
        if (r < 0 && errno != EINTR) {
            exit_ = -1;
            return exit_;
        }
        if (Clock::now() >= deadline) {
            return std::nullopt;
        }
        std::this_thread::sleep_for(20ms);
    }
}

void Process::Signal(int sig) {
    if (Running()) {
        ::kill(pid_, sig);
    }
}

RunResult Run(std::vector<std::string> argv, const Environment& env,
              std::chrono::milliseconds timeout) {
    RunResult result;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return result;
    }
    const pid_t pid = Spawn(argv, env, out[1]);
    ::close(out[1]);
    if (pid < 0) {
        ::close(out[0]);
        return result;
    }
    const auto deadline = Clock::now() + timeout;
    bool killed = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left <= 0ms) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        pollfd entry{out[0], POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buf[65536];
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        result.out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) {
            break;
        }
        if (!killed && Clock::now() >= deadline) {
            ::kill(pid, SIGKILL);
            killed = true;
        }
        std::this_thread::sleep_for(10ms);
    }
    result.exitCode = killed ? -1 : DecodeStatus(status);
    return result;
}

} // namespace vexrem::e2e
