#include "support/FakeHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace vexrem::test {

namespace {

constexpr int kPollMs = 20;

void SetNonBlocking(int fd) {
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

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
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
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
        close(listenFd_);
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
    close(listenFd_);
}

void FakeHttpServer::AcceptLoop() {
    for (;;) {
        {
            std::lock_guard lock(state_->mutex);
            if (state_->stopped) {
                return;
            }
        }
        pollfd p{listenFd_, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) {
            continue;
        }
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(state_->mutex);
        state_->connections.emplace_back([this, fd] { Serve(fd); });
    }
}

FakeResponse FakeHttpServer::Next(const std::string& request) {
    std::lock_guard lock(state_->mutex);
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

    std::string head;
    bool complete = false;
    while (!complete && !stopped()) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) {
            continue;
        }
        char buf[4096];
        const ssize_t n = recv(fd, buf, sizeof buf, 0);
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
        {
            std::lock_guard lock(state_->mutex);
            state_->requests.push_back(head);
        }
        state_->changed.notify_all();
        const FakeResponse r = Next(head);
        {
            std::unique_lock lock(state_->mutex);
            if (r.hang) {
                state_->changed.wait(lock, [&] { return state_->stopped; });
            } else if (r.delay.count() > 0) {
                state_->changed.wait_for(lock, r.delay, [&] { return state_->stopped; });
            }
        }
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
                pollfd p{fd, POLLOUT, 0};
                if (poll(&p, 1, kPollMs) <= 0) {
                    continue;
                }
                const ssize_t n = send(fd, out.data() + sent, out.size() - sent, MSG_NOSIGNAL);
                if (n < 0) {
                    if (errno == EAGAIN || errno == EINTR) {
                        continue;
                    }
                    break; // the client gave up
                }
                sent += static_cast<std::size_t>(n);
            }
            shutdown(fd, SHUT_WR);
        }
    }
    close(fd);
    std::lock_guard lock(state_->mutex);
    --state_->concurrent;
}

std::uint16_t UnusedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    close(fd);
    return ntohs(addr.sin_port);
}

} // namespace vexrem::test
