#include "support/FakeHttpServer.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include "platform/Platform.h"

#include <boost/asio/error.hpp>

#include <cerrno>
#include <stdexcept>

namespace vexrem::test {

namespace {

constexpr int kPollMs = 20;

// The few socket calls that differ between Winsock and POSIX. Sockets are
// kept in an int: Winsock's handles are kernel handles, which fit.
#ifdef _WIN32
struct Winsock {
    Winsock() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

int NewSocket() {
    static const Winsock winsock;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    return s == INVALID_SOCKET ? -1 : static_cast<int>(s);
}

void SetNonBlocking(int fd) {
    u_long on = 1;
    ioctlsocket(static_cast<SOCKET>(fd), FIONBIO, &on);
}

void CloseSocket(int fd) {
    closesocket(static_cast<SOCKET>(fd));
}

bool WaitFor(int fd, short events) {
    WSAPOLLFD p{static_cast<SOCKET>(fd), events, 0};
    return WSAPoll(&p, 1, kPollMs) > 0;
}

int AcceptSocket(int listenFd) {
    const SOCKET s = accept(static_cast<SOCKET>(listenFd), nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        return -1;
    }
    SetNonBlocking(static_cast<int>(s));
    return static_cast<int>(s);
}

// Bytes sent; 0 when the socket is busy for now, -1 when the peer is gone.
long long SendSome(int fd, const char* data, std::size_t size) {
    const int n = send(static_cast<SOCKET>(fd), data, static_cast<int>(size), 0);
    if (n == SOCKET_ERROR) {
        return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
    }
    return n;
}

long long ReceiveSome(int fd, char* buf, std::size_t size) {
    return recv(static_cast<SOCKET>(fd), buf, static_cast<int>(size), 0);
}

constexpr int kShutWrite = SD_SEND;
#else
int NewSocket() {
    return socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
}

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

void CloseSocket(int fd) {
    close(fd);
}

bool WaitFor(int fd, short events) {
    pollfd p{fd, events, 0};
    return poll(&p, 1, kPollMs) > 0;
}

int AcceptSocket(int listenFd) {
    return accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

long long SendSome(int fd, const char* data, std::size_t size) {
    const ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0) {
        return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    }
    return n;
}

long long ReceiveSome(int fd, char* buf, std::size_t size) {
    return recv(fd, buf, size, 0);
}

constexpr int kShutWrite = SHUT_WR;
#endif

} // namespace

FakeResponse FakeResponse::Ok(std::string body) {
    FakeResponse r;
    r.body = std::move(body);
    return r;
}

FakeResponse FakeResponse::Status(int code, const std::string& reason, std::string body) {
    FakeResponse r;
    r.statusLine = "HTTP/1.0 " + std::to_string(code) + " " + reason;
    r.body = std::move(body);
    return r;
}

FakeResponse FakeResponse::Redirect(int code, const std::string& location, std::string body) {
    FakeResponse r = Status(code, "Moved", std::move(body));
    r.headers.emplace_back("Location", location);
    return r;
}

struct FakeHttpServer::State {
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    bool stopped = false;
    std::deque<FakeResponse> script;
    FakeResponse fallback;
    std::function<FakeResponse(const std::string&)> handler;
    std::vector<std::string> requests;
    int concurrent = 0;
    int maxConcurrent = 0;
    std::list<std::thread> connections;
};

FakeHttpServer::FakeHttpServer() : state_(std::make_shared<State>()) {
    listenFd_ = NewSocket();
    if (listenFd_ < 0) {
        throw std::runtime_error("socket failed");
    }
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(listenFd_, 16) != 0 ||
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        CloseSocket(listenFd_);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    port_ = ntohs(addr.sin_port);
    SetNonBlocking(listenFd_);
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

FakeHttpServer::~FakeHttpServer() {
    Stop();
}

std::string FakeHttpServer::BaseUrl() const {
    return "http://127.0.0.1:" + std::to_string(port_);
}

void FakeHttpServer::Enqueue(FakeResponse response) {
    std::lock_guard lock(state_->mutex);
    state_->script.push_back(std::move(response));
}

void FakeHttpServer::SetDefault(FakeResponse response) {
    std::lock_guard lock(state_->mutex);
    state_->fallback = std::move(response);
}

void FakeHttpServer::SetHandler(std::function<FakeResponse(const std::string&)> handler) {
    std::lock_guard lock(state_->mutex);
    state_->handler = std::move(handler);
}

std::vector<std::string> FakeHttpServer::Requests() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests;
}

std::size_t FakeHttpServer::RequestCount() const {
    std::lock_guard lock(state_->mutex);
    return state_->requests.size();
}

bool FakeHttpServer::WaitForRequests(std::size_t n, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(state_->mutex);
    return state_->changed.wait_for(lock, timeout, [&] { return state_->requests.size() >= n; });
}

int FakeHttpServer::MaxConcurrent() const {
    std::lock_guard lock(state_->mutex);
    return state_->maxConcurrent;
}

void FakeHttpServer::Stop() {
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopped) {
            return;
        }
        state_->stopped = true;
    }
    state_->changed.notify_all();
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    // No new connection threads after the acceptor has ended.
    for (auto& t : state_->connections) {
        t.join();
    }
    CloseSocket(listenFd_);
}

void FakeHttpServer::AcceptLoop() {
    for (;;) {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->stopped) {
                return;
            }
        }
        if (!WaitFor(listenFd_, POLLIN)) {
            continue;
        }
        const int fd = AcceptSocket(listenFd_);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(state_->mutex);
        state_->connections.emplace_back([this, fd] { Serve(fd); });
    }
}

FakeResponse FakeHttpServer::Next(const std::string& request) {
    std::lock_guard lock(state_->mutex);
    // Under the same lock as the answer is taken: a test that has seen the
    // request may queue the next answer at once, and a later connection must
    // not take this one's answer first.
    state_->requests.push_back(request);
    if (state_->handler) {
        return state_->handler(request);
    }
    if (state_->script.empty()) {
        return state_->fallback;
    }
    FakeResponse r = std::move(state_->script.front());
    state_->script.pop_front();
    return r;
}

void FakeHttpServer::Serve(int fd) {
    auto stopped = [this] {
        std::lock_guard lock(state_->mutex);
        return state_->stopped;
    };
    {
        std::lock_guard lock(state_->mutex);
        state_->maxConcurrent = std::max(state_->maxConcurrent, ++state_->concurrent);
    }
    bool counted = true;

    std::string head;
    bool complete = false;
    while (!complete && !stopped()) {
        if (!WaitFor(fd, POLLIN)) {
            continue;
        }
        char buf[4096];
        const long long n = ReceiveSome(fd, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        head.append(buf, static_cast<std::size_t>(n));
        if (auto end = head.find("\r\n\r\n"); end != std::string::npos) {
            head.resize(end + 4);
            complete = true;
        }
    }

    if (complete) {
        const FakeResponse r = Next(head);
        state_->changed.notify_all();
        {
            std::unique_lock lock(state_->mutex);
            if (r.hang) {
                state_->changed.wait(lock, [&] { return state_->stopped; });
            } else if (r.delay.count() > 0) {
                state_->changed.wait_for(lock, r.delay, [&] { return state_->stopped; });
            }
        }
        // The exchange no longer counts as running once its answer goes out:
        // the client may start its next request as soon as the answer is in,
        // before this thread gets to close the socket.
        EndConcurrent(counted);
        if (!r.hang && !r.closeWithoutAnswer) {
            std::string out = r.raw;
            if (out.empty()) {
                out = r.statusLine + "\r\n";
                for (const auto& [name, value] : r.headers) {
                    out += name + ": " + value + "\r\n";
                }
                if (r.contentLength) {
                    out += "Content-Length: " + std::to_string(r.body.size()) + "\r\n";
                }
                out += "\r\n" + r.body;
            }
            std::size_t sent = 0;
            while (sent < out.size() && !stopped()) {
                if (!WaitFor(fd, POLLOUT)) {
                    continue;
                }
                const long long n = SendSome(fd, out.data() + sent, out.size() - sent);
                if (n < 0) {
                    break; // the client gave up
                }
                sent += static_cast<std::size_t>(n);
            }
            shutdown(fd, kShutWrite);
        }
    }
    CloseSocket(fd);
    EndConcurrent(counted);
}

void FakeHttpServer::EndConcurrent(bool& counted) {
    if (counted) {
        counted = false;
        std::lock_guard lock(state_->mutex);
        --state_->concurrent;
    }
}

std::uint16_t UnusedPort() {
    const int fd = NewSocket();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    CloseSocket(fd);
    return ntohs(addr.sin_port);
}

int RefusedConnectionCode() {
    return boost::asio::error::connection_refused;
}

std::string SystemTextOf(int code) {
    std::string text = Platform().ErrorText(code);
    while (!text.empty() &&
           (static_cast<unsigned char>(text.back()) <= ' ' || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

} // namespace vexrem::test
