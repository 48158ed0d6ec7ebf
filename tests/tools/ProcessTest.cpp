// The real executable as a child process: start-up line, persistence, signals.
#include "DemoClient.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

namespace vexrem::demo::test {
namespace {

using namespace std::chrono_literals;

// The demo server started with the given options; killed if a test leaves it running.
class ServerProcess {
public:
    explicit ServerProcess(std::vector<std::string> options) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) {
            return;
        }
        options.insert(options.begin(), VEXREM_DEMO_SERVER_EXE);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            std::vector<char*> argv;
            for (auto& option : options) {
                argv.push_back(option.data());
            }
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        stdout_ = out[0];
    }

    ~ServerProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (stdout_ >= 0) {
            ::close(stdout_);
        }
    }

    // The first line of standard output, or "" if none comes within the time.
    std::string firstLine(std::chrono::milliseconds timeout = 5s) {
        std::string line;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            pollfd entry{stdout_, POLLIN, 0};
            if (::poll(&entry, 1, 100) <= 0) {
                continue;
            }
            char c = 0;
            if (::read(stdout_, &c, 1) != 1) {
                break;
            }
            line += c;
        }
        return line.substr(0, line.find('\n'));
    }

    std::uint16_t port() {
        const std::string line = firstLine();
        const std::string prefix = "listening on 127.0.0.1:";
        if (line.rfind(prefix, 0) != 0) {
            ADD_FAILURE() << "unexpected first line: " << line;
            return 0;
        }
        return static_cast<std::uint16_t>(std::stoi(line.substr(prefix.size())));
    }

    // Sends the signal and waits (bounded) for the exit; the exit status or -1.
    int stopWith(int signal) {
        ::kill(pid_, signal);
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (std::chrono::steady_clock::now() < deadline) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            std::this_thread::sleep_for(20ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int stdout_ = -1;
};

TEST(Executable, AnnouncesTheChosenPortAndEndsCleanlyOnSigterm) {
    ServerProcess server({"--port", "0"});
    const auto port = server.port();
    ASSERT_NE(port, 0);
    EXPECT_EQ(dueCount(get(port, "/dran.php?login=Proc").body), 1);
    EXPECT_EQ(server.stopWith(SIGTERM), 0);
}

TEST(Executable, EndsCleanlyOnSigint) {
    ServerProcess server({"--port=0"});
    ASSERT_NE(server.port(), 0);
    EXPECT_EQ(server.stopWith(SIGINT), 0);
}

TEST(Executable, KeepsThePlayersGamesInTheDataFolder) {
    const vexrem::test::TempDir dir;
    const std::string data = dir / "state";
    {
        ServerProcess server({"--port", "0", "--data", data});
        const auto port = server.port();
        ASSERT_EQ(get(port, "/admin/set?login=Keeper&due=4").body, "ok");
        EXPECT_EQ(server.stopWith(SIGTERM), 0);
    }
    ServerProcess server({"--port", "0", "--data", data});
    EXPECT_EQ(dueCount(get(server.port(), "/dran.php?login=Keeper").body), 4);
}

TEST(Executable, RefusesBadOptionsWithUsage) {
    ServerProcess server({"--port", "70000"});
    EXPECT_EQ(server.firstLine(2s), "");
    EXPECT_EQ(server.stopWith(0), 2);
}

} // namespace
} // namespace vexrem::demo::test
