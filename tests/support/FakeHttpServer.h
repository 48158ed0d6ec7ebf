#pragma once
// A tiny HTTP server on 127.0.0.1 for tests: answers each connection with the
// next scripted response (or a default one), and records every raw request
// head as it arrived. Each connection is served on its own thread, so tests
// can also see whether two requests overlapped.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace vexrem::test {

struct FakeResponse {
    std::string statusLine = "HTTP/1.0 200 OK";
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    bool contentLength = true;          // add a Content-Length header
    std::chrono::milliseconds delay{0}; // wait before answering
    bool hang = false;                  // never answer; hold until the server stops
    bool closeWithoutAnswer = false;    // close right after reading the request
    std::string raw;                    // if set, sent verbatim instead of the above

    static FakeResponse Ok(std::string body);
    static FakeResponse Status(int code, const std::string& reason, std::string body = {});
    static FakeResponse Redirect(int code, const std::string& location, std::string body = {});
};

class FakeHttpServer {
public:
    FakeHttpServer();
    ~FakeHttpServer(); // stops
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    std::uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port>"
    std::string BaseUrl() const;

    // Responses are used in order, one per connection; when none is left the
    // default answers (200 with an empty body unless set).
    void Enqueue(FakeResponse response);
    void SetDefault(FakeResponse response);
    // Computes the response from the raw request instead (overrides the script).
    void SetHandler(std::function<FakeResponse(const std::string& request)> handler);

    // Raw request heads (request line and headers up to the empty line), in
    // order of arrival.
    std::vector<std::string> Requests() const;
    std::size_t RequestCount() const;
    // Waits up to timeout for at least n requests to have arrived.
    bool WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const;
    // The most connections served at the same time so far.
    int MaxConcurrent() const;

    // Ends hanging answers, stops accepting and joins every thread.
    void Stop();

private:
    struct State;
    void AcceptLoop();
    void Serve(int fd);
    // Ends this connection's share of MaxConcurrent, once.
    void EndConcurrent(bool& counted);
    // Records the request and takes its answer, in one step.
    FakeResponse Next(const std::string& request);

    std::shared_ptr<State> state_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::thread acceptor_;
};

// A port on 127.0.0.1 on which nobody listens (bound once, then released).
std::uint16_t UnusedPort();

// The error number a refused connection gets from the system (ECONNREFUSED,
// WSAECONNREFUSED on Windows), and the system's text for a number as failure
// texts show it (trailing blanks and full stops removed).
int RefusedConnectionCode();
std::string SystemTextOf(int code);

} // namespace vexrem::test
