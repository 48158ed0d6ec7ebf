#include "DemoClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vexrem::demo::test {

Reply parseReply(std::string raw) {
    Reply reply;
    reply.raw = std::move(raw);
    const auto lineEnd = reply.raw.find("\r\n");
    const auto headEnd = reply.raw.find("\r\n\r\n");
    if (lineEnd == std::string::npos || headEnd == std::string::npos) {
        return reply;
    }
    reply.statusLine = reply.raw.substr(0, lineEnd);
    if (reply.statusLine.size() >= 12 && reply.statusLine.rfind("HTTP/1.", 0) == 0) {
        reply.status = std::atoi(reply.statusLine.c_str() + 9);
    }
    reply.headers = reply.raw.substr(lineEnd + 2, headEnd - lineEnd - 2);
    reply.body = reply.raw.substr(headEnd + 4);
    return reply;
}

RawConnection::RawConnection(std::uint16_t port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd_ < 0) {
        return;
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RawConnection::~RawConnection() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool RawConnection::send(std::string_view bytes) {
    while (fd_ >= 0 && !bytes.empty()) {
        const auto sent = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return fd_ >= 0;
}

std::string RawConnection::readAll(std::chrono::milliseconds timeout) {
    std::string data;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    char buffer[4096];
    while (fd_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd entry{fd_, POLLIN, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            break;
        }
        const auto got = ::recv(fd_, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        data.append(buffer, static_cast<std::size_t>(got));
    }
    return data;
}

void RawConnection::abort() {
    if (fd_ < 0) {
        return;
    }
    const linger hard{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    ::close(fd_);
    fd_ = -1;
}

Reply sendRaw(std::uint16_t port, std::string_view request) {
    RawConnection connection(port);
    if (!connection.send(request)) {
        return {};
    }
    return parseReply(connection.readAll());
}

Reply get(std::uint16_t port, std::string_view target) {
    std::string request = "GET ";
    request += target;
    request += " HTTP/1.0\r\nAccept: */*\r\nHost: 127.0.0.1\r\nPragma: no-cache\r\n\r\n";
    return sendRaw(port, request);
}

Reply post(std::uint16_t port, std::string_view target, std::string_view formBody) {
    std::string request = "POST ";
    request += target;
    request += " HTTP/1.1\r\nHost: 127.0.0.1\r\n"
               "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: ";
    request += std::to_string(formBody.size());
    request += "\r\n\r\n";
    request += formBody;
    return sendRaw(port, request);
}

namespace {

// Digits directly after the last `marker` that is followed by one, optionally
// requiring `closing` right after the digits.
long long lastNumberAfter(std::string_view page, std::string_view marker,
                          std::string_view closing) {
    auto at = page.rfind(marker);
    while (at != std::string_view::npos) {
        const auto first = at + marker.size();
        auto end = first;
        while (end < page.size() && page[end] >= '0' && page[end] <= '9') {
            ++end;
        }
        if (end > first && page.substr(end, closing.size()) == closing) {
            return std::stoll(std::string(page.substr(first, end - first)));
        }
        if (at == 0) {
            break;
        }
        at = page.rfind(marker, at - 1);
    }
    return -1;
}

} // namespace

long long dueCount(std::string_view page) {
    return lastNumberAfter(page, "Vexel - ", "");
}

long long dueGid(std::string_view page) {
    return lastNumberAfter(page, "fenster(", ")");
}

RunningServer::RunningServer(std::chrono::milliseconds turnDelay, ServerLimits limits) {
    GameState::Settings settings;
    settings.turnDelay = turnDelay;
    state_ = std::make_unique<GameState>(settings);
    router_ = std::make_unique<Router>(*state_);
    server_ = std::make_unique<HttpServer>(
        "127.0.0.1", 0, [router = router_.get()](const Request& r) { return router->handle(r); },
        limits);
    thread_ = std::thread([server = server_.get()] { server->run(); });
}

RunningServer::~RunningServer() {
    server_->stop();
    thread_.join();
}

} // namespace vexrem::demo::test
