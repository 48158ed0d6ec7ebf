#pragma once
// Child processes for the end-to-end tests: started with an explicit
// environment, waited for with a deadline, killed when a test leaves them.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace vexrem::e2e {

using Environment = std::map<std::string, std::string>;

// This process's environment as a map, to be changed and handed to children.
Environment CurrentEnvironment();

class Process {
public:
    // Starts argv[0] (looked up in env's PATH when it has no slash). With
    // captureStdout, the child's standard output can be read line by line;
    // otherwise it goes to /dev/null like its standard input. Standard error
    // stays this process's, so a failing child explains itself in the log.
    Process(std::vector<std::string> argv, const Environment& env, bool captureStdout = false);
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return pid_ > 0; }
    pid_t Pid() const { return pid_; }
    // True while the child has not ended.
    bool Running();
    // The next line of standard output, or nothing when none comes in time.
    std::optional<std::string> ReadLine(std::chrono::milliseconds timeout);
    // Waits for the end; the exit code, 128 + signal when killed, or nothing
    // when it is still running at the deadline.
    std::optional<int> WaitExit(std::chrono::milliseconds timeout);
    // Sends a signal (if still running).
    void Signal(int sig);

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
    std::string buffered_;
    std::optional<int> exit_;
};

struct RunResult {
    int exitCode = -1; // -1 when it had to be killed at the deadline
    std::string out;
};

// Runs a short command to its end (killed at the deadline), capturing its output.
RunResult Run(std::vector<std::string> argv, const Environment& env,
              std::chrono::milliseconds timeout = std::chrono::seconds(20));

// Whether an executable of that name is found in PATH.
bool InPath(const std::string& name);

} // namespace vexrem::e2e
