// Hostile chunked replies against the real HTTP client: a loopback server
// streams one reply shape without ever completing the line the parser waits
// for, and we report how long the GET takes to fail, how many bytes the
// server got rid of, and the peak RSS of this process during the GET.
// A normal chunked 16 MiB page is the control.
//
//   bench_http_chunked [stream cap in MiB, default 256]
//
// The cap only matters for a client that keeps everything: the server stops
// after that many bytes and closes. Not a Google Benchmark: one GET per shape
// is the measurement, and the peak is per shape (reset through clear_refs).

#include "net/HttpClient.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

namespace {

constexpr const char* kHead = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";

struct Shape {
    const char* name;
    std::string start;                   // after the head
    std::function<std::string()> filler; // repeated until the cap
    std::string end;                     // sent when the cap is reached
};

long PeakRssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::strtol(line.c_str() + 6, nullptr, 10);
        }
    }
    return -1;
}

void ResetPeakRss() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Serves exactly one connection: reads the request head, then streams.
class StreamServer {
public:
    StreamServer(const Shape& shape, std::size_t cap) {
        listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listenFd_, 1);
        getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this, &shape, cap] { Serve(shape, cap); });
    }
    ~StreamServer() {
        thread_.join();
        close(listenFd_);
    }
    unsigned short Port() const { return port_; }
    std::size_t Sent() const { return sent_; }

private:
    void Serve(const Shape& shape, std::size_t cap) {
        const int fd = accept(listenFd_, nullptr, nullptr);
        std::string head;
        char buf[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = recv(fd, buf, sizeof buf, 0);
            if (n <= 0) {
                close(fd);
                return;
            }
            head.append(buf, static_cast<std::size_t>(n));
        }
        std::string block;
        while (shape.filler && block.size() < 64 * 1024) {
            block += shape.filler();
        }
        auto sendAll = [&](const std::string& s) {
            for (std::size_t off = 0; off < s.size();) {
                const ssize_t n = send(fd, s.data() + off, s.size() - off, MSG_NOSIGNAL);
                if (n <= 0) {
                    return false;
                }
                off += static_cast<std::size_t>(n);
                sent_ += static_cast<std::size_t>(n);
            }
            return true;
        };
        if (sendAll(kHead) && sendAll(shape.start)) {
            while (!block.empty() && sent_ < cap && sendAll(block)) {
            }
            if (sent_ >= cap) {
                sendAll(shape.end);
            }
        }
        shutdown(fd, SHUT_WR);
        while (recv(fd, buf, sizeof buf, 0) > 0) {
        }
        close(fd);
    }

    int listenFd_ = -1;
    unsigned short port_ = 0;
    std::atomic<std::size_t> sent_{0};
    std::thread thread_;
};

void RunOne(vexrem::THttpClient& client, const Shape& shape, std::size_t cap) {
    StreamServer server(shape, cap);
    ResetPeakRss();
    const auto start = std::chrono::steady_clock::now();
    std::string result;
    try {
        std::string sink;
        client.Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/", sink);
        result = "ok, " + std::to_string(sink.size()) + " bytes";
    } catch (const vexrem::HttpError& e) {
        result = e.what();
    }
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
    std::printf("%-18s %12zu %10lld %14ld  %s\n", shape.name, server.Sent() >> 10,
                static_cast<long long>(ms), PeakRssKiB(), result.c_str());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    const std::size_t capMiB = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 256;
    const std::size_t cap = capMiB << 20;
    const std::string trailerLine = "X-Trailer: 0123456789abcdef\r\n";
    const Shape shapes[] = {
        {"chunk extension", "1;", [] { return std::string(4096, 'e'); }, "\r\nx\r\n0\r\n\r\n"},
        {"zeros in size", "", [] { return std::string(4096, '0'); }, "\r\n\r\n"},
        {"blanks after size", "1", [] { return std::string(4096, ' '); }, "\r\nx\r\n0\r\n\r\n"},
        {"endless trailer", "0\r\n", [&] { return trailerLine; }, "\r\n"},
    };
    std::printf("%-18s %12s %10s %14s  %s\n", "shape", "sent (KiB)", "time (ms)", "peak RSS (KiB)",
                "result");
    vexrem::THttpClient client;
    for (const Shape& shape : shapes) {
        RunOne(client, shape, cap);
    }
    // Control: a normal chunked page of the largest accepted size in 64 KiB
    // chunks (the server's own copy of it counts in the peak too).
    Shape page{"16 MiB page", {}, {}, {}};
    char size[32];
    std::snprintf(size, sizeof size, "%x\r\n", 65536);
    const std::string chunk = size + std::string(65536, 'v') + "\r\n";
    for (int i = 0; i < 256; ++i) {
        page.start += chunk;
    }
    page.start += "0\r\n\r\n";
    RunOne(client, page, 0);
    return 0;
}
