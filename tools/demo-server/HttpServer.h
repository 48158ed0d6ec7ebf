#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vexrem::demo {

struct Request;
struct Response;

using RequestHandler = std::function<Response(const Request&)>;

struct ServerLimits {
    // Each read and each write of a connection must finish within this time.
    std::chrono::milliseconds ioTimeout{std::chrono::seconds(10)};
    std::size_t headerLimit = 8 * 1024; // request line and header fields together
    std::size_t bodyLimit = 64 * 1024;
    std::size_t maxConnections = 256; // further connections are closed at once
};

// A small HTTP/1.x server: one connection, one request, one answer, then the
// connection is closed. Runs on one thread; the handler is called on it.
class HttpServer {
public:
    // Binds and listens at once (port 0: the system picks one); throws on failure.
    HttpServer(const std::string& address, std::uint16_t port, RequestHandler handler,
               ServerLimits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    std::uint16_t port() const;
    std::string address() const;

    // From now on SIGINT and SIGTERM end run() instead of the process. Call it
    // before telling anybody the server is up, so an early signal is not lost.
    void stopOnSignals();

    // Serves until stop() is called (or a signal arrives, see above). Returns at
    // once when stop() came first.
    void run();

    // Safe from any thread and from a signal-free context.
    void stop();

    struct Impl; // opaque; public only so that the connection code can name it

private:
    std::unique_ptr<Impl> impl_;
};

} // namespace vexrem::demo
