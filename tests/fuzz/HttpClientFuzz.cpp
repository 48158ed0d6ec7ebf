// The HTTP client against a server that answers every connection with the
// input's bytes: each GET ends in a body within the limit or in an HttpError,
// quickly, and never in a crash or another exception. Whatever the answers
// redirect to, every request that reaches the server is well formed: a
// request line and Host header without stray blanks or control bytes, naming
// a valid host and port.
//
// The first input byte picks the set-up (direct or through a proxy, with or
// without proxy credentials, the body limit); the rest is the answer.

#include "FuzzCheck.h"

#include "net/HttpClient.h"

#include <arpa/inet.h>
#include <dlfcn.h>
#include <netdb.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace {
std::atomic<std::uint16_t> serverPort{0};
} // namespace

// Every name lookup answers the test server's loopback address and port, so a
// redirection to any host and port reaches that server, and nothing else on
// the machine or beyond it is ever contacted.
extern "C" int getaddrinfo(const char* /*node*/, const char* service, const addrinfo* hints,
                           addrinfo** result) {
    using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
    static const auto real = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
    addrinfo numeric{};
    if (hints != nullptr)
        numeric = *hints;
    numeric.ai_family = AF_INET;
    numeric.ai_flags = (numeric.ai_flags & ~AI_ADDRCONFIG) | AI_NUMERICHOST | AI_NUMERICSERV;
    const std::string port = std::to_string(serverPort.load());
    return real("127.0.0.1", serverPort != 0 ? port.c_str() : service, &numeric, result);
}

namespace {

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 32 || c == 127;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsAlnum(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// A host name (letters, digits, inner hyphens per label, an optional final
// dot), a whole dotted IPv4 address, or an IPv6 address in brackets.
bool ValidHost(std::string_view host) {
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        const std::string inner(host.substr(1, host.size() - 2));
        in6_addr v6{};
        return inner.find('%') == std::string::npos && inet_pton(AF_INET6, inner.c_str(), &v6) == 1;
    }
    if (host.size() > 1 && host.back() == '.')
        host.remove_suffix(1);
    if (host.empty() || host.size() > 253)
        return false;
    std::string_view label;
    for (std::string_view rest = host;;) {
        const std::size_t dot = rest.find('.');
        label = rest.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
            return false;
        for (char c : label)
            if (!IsAlnum(c) && c != '-')
                return false;
        if (dot == std::string_view::npos)
            break;
        rest.remove_prefix(dot + 1);
    }
    if (std::all_of(label.begin(), label.end(), IsDigit)) {
        const std::string address(host);
        in_addr v4{};
        return inet_pton(AF_INET, address.c_str(), &v4) == 1;
    }
    return true;
}

// "host" or "host:port", as the Host header and an absolute request target
// carry it.
bool ValidAuthority(std::string_view authority) {
    const std::size_t colon = authority.rfind(':');
    if (colon == std::string_view::npos || authority.find(']', colon) != std::string_view::npos)
        return ValidHost(authority);
    const std::string_view port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5 || !std::all_of(port.begin(), port.end(), IsDigit))
        return false;
    const long value = std::stol(std::string(port));
    return value >= 1 && value <= 65535 && ValidHost(authority.substr(0, colon));
}

// The request head as it came off the wire: "GET target HTTP/1.x", a Host
// header naming the same host and port as an absolute target does, no
// control byte but the CRLF line ends, no blank in the target or host.
void CheckRequest(std::string_view head) {
    head = head.substr(0, head.find("\r\n\r\n") + 2);
    std::string_view requestLine;
    std::optional<std::string_view> host;
    for (bool first = true; !head.empty(); first = false) {
        const std::size_t end = head.find("\r\n");
        FUZZ_CHECK(end != std::string_view::npos);
        const std::string_view line = head.substr(0, end);
        head.remove_prefix(end + 2);
        FUZZ_CHECK(std::none_of(line.begin(), line.end(), IsControl));
        if (first) {
            requestLine = line;
        } else if (line.size() >= 5 && strncasecmp(line.data(), "Host:", 5) == 0) {
            FUZZ_CHECK(!host); // exactly one
            host = line.substr(5);
            if (host->starts_with(' '))
                host->remove_prefix(1);
        }
    }
    FUZZ_CHECK(requestLine.starts_with("GET "));
    requestLine.remove_prefix(4);
    const std::size_t blank = requestLine.find(' ');
    FUZZ_CHECK(blank != std::string_view::npos);
    std::string_view target = requestLine.substr(0, blank);
    const std::string_view version = requestLine.substr(blank + 1);
    FUZZ_CHECK(version == "HTTP/1.0" || version == "HTTP/1.1");
    FUZZ_CHECK(host && host->find(' ') == std::string_view::npos && ValidAuthority(*host));
    if (target.starts_with("http://")) { // through a proxy: the whole URL
        target.remove_prefix(7);
        const std::size_t slash = target.find('/');
        FUZZ_CHECK(slash != std::string_view::npos && target.substr(0, slash) == *host);
        target.remove_prefix(slash);
    }
    FUZZ_CHECK(target.starts_with('/'));
    for (char c : target)
        FUZZ_CHECK(static_cast<unsigned char>(c) < 128); // ASCII only: the rest is %-encoded
}

// Answers each connection, one after another, with the current reply: reads
// the request head first (closing with unread bytes would reset the
// connection and lose the reply), sends the reply, then closes.
class ReplyServer {
public:
    ReplyServer() {
        listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        FUZZ_CHECK(listenFd_ >= 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        FUZZ_CHECK(bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), len) == 0);
        FUZZ_CHECK(listen(listenFd_, 16) == 0);
        FUZZ_CHECK(getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0);
        serverPort = ntohs(addr.sin_port);
        std::thread([this] { Loop(); }).detach();
    }

    void SetReply(std::string_view reply) {
        std::lock_guard lock(mutex_);
        reply_ = reply;
    }

private:
    void Loop() {
        for (;;) {
            const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            Serve(fd);
            close(fd);
        }
    }

    void Serve(int fd) {
        const timeval limit{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
            const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0)
                return;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        if (head.find("\r\n\r\n") == std::string::npos)
            return; // the client gave up mid-request, before it was complete
        CheckRequest(head);
        std::string reply;
        {
            std::lock_guard lock(mutex_);
            reply = reply_;
        }
        for (std::size_t sent = 0; sent < reply.size();) {
            const ssize_t n = send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return; // the client gave up reading: fine
            sent += static_cast<std::size_t>(n);
        }
        shutdown(fd, SHUT_WR);
    }

    int listenFd_ = -1;
    std::mutex mutex_;
    std::string reply_;
};

// Lives for the whole process: the fuzzer never ends it in an orderly way.
ReplyServer& Server() {
    static ReplyServer* server = new ReplyServer;
    return *server;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::uint8_t setup = data[0];
    ReplyServer& server = Server();
    server.SetReply(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

    static constexpr std::size_t kBodyLimits[] = {0, 16, 1024, 65536};
    const std::size_t bodyLimit = kBodyLimits[(setup >> 2) & 3];

    vexrem::HttpLimits limits;
    limits.connectTimeout = std::chrono::milliseconds(1000);
    limits.requestTimeout = std::chrono::milliseconds(2000);
    limits.maxBodySize = bodyLimit;
    vexrem::THttpClient client(limits);
    std::string url = "http://spiel.example:8080/status.php?n=1";
    if (setup & 1) {
        vexrem::HttpProxy proxy;
        proxy.host = "proxy.example";
        proxy.port = "3128";
        if (setup & 2) {
            proxy.username = "nutzer";
            proxy.password = "geheim";
        }
        client.SetProxy(proxy);
        url = "http://spiel.example/status.php?n=1";
    }

    std::string body;
    try {
        client.Get(url, body);
    } catch (const vexrem::HttpError& e) {
        FUZZ_CHECK(e.what()[0] != '\0');
        return 0;
    }
    FUZZ_CHECK(body.size() <= bodyLimit);
    return 0;
}
