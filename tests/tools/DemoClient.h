#pragma once
// A deliberately tiny HTTP client on raw POSIX sockets, so the tests see exactly
// the bytes the demo server sends and can send it any bytes they like.

#include "GameState.h"
#include "HttpServer.h"
#include "Router.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace vexrem::demo::test {

struct Reply {
    std::string raw;
    std::string statusLine;
    int status = 0; // 0: no parsable answer
    std::string headers;
    std::string body;
};

Reply parseReply(std::string raw);

// A connected socket to 127.0.0.1:port, closed on destruction.
class RawConnection {
public:
    explicit RawConnection(std::uint16_t port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool send(std::string_view bytes);
    // Reads until the server closes or the time is up.
    std::string readAll(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Closes with a reset instead of an orderly shutdown.
    void abort();

private:
    int fd_ = -1;
};

// Sends the bytes as they are and collects the answer.
Reply sendRaw(std::uint16_t port, std::string_view request);

// A plain "GET target HTTP/1.0" like the reminder sends it.
Reply get(std::uint16_t port, std::string_view target);

Reply post(std::uint16_t port, std::string_view target, std::string_view formBody);

// The count and game id as the reminder reads a status page: the number after the
// last "Vexel - " that is directly followed by a digit, and the number in the
// last "fenster(<digits>)". -1 when there is none.
long long dueCount(std::string_view page);
long long dueGid(std::string_view page);

// The whole server (state, routing, sockets) on a free port in a thread of its own.
class RunningServer {
public:
    explicit RunningServer(std::chrono::milliseconds turnDelay = std::chrono::seconds(20),
                           ServerLimits limits = {});
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    std::uint16_t port() const { return server_->port(); }
    GameState& state() { return *state_; }

private:
    std::unique_ptr<GameState> state_;
    std::unique_ptr<Router> router_;
    std::unique_ptr<HttpServer> server_;
    std::thread thread_;
};

} // namespace vexrem::demo::test
