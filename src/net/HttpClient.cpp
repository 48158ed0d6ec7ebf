// The one translation unit that includes Boost.Beast: it is slow to compile,
// so everything else sees only HttpClient.h.
#include "net/HttpClient.h"

#include "platform/StringUtil.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/address.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http/error.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/string_body.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <optional>
#include <set>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <netdb.h>
#endif

namespace vexrem {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

constexpr int kMaxRedirects = 5;
constexpr std::uint32_t kHeaderLimit = 64 * 1024;
// The most unparsed bytes kept while reading: the parser consumes body bytes
// as they come, so only a header, a chunk-size line with its extensions or
// the trailer has to fit, and each of them ends the reply when it does not.
constexpr std::size_t kReadBufferLimit = kHeaderLimit;

struct Url {
    std::string host; // without brackets for IPv6 literals
    unsigned short port = 80;
    std::string target; // path and query, at least "/"
};

bool IsControl(char c) {
    return static_cast<unsigned char>(c) < 32 || c == 127;
}

bool IsAlnum(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsDigits(std::string_view s) {
    if (s.empty()) {
        return false;
    }
    for (char c : s) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

std::optional<unsigned short> ParsePort(std::string_view s) {
    if (!IsDigits(s) || s.size() > 5) {
        return std::nullopt;
    }
    unsigned long v = std::stoul(std::string(s));
    if (v == 0 || v > 65535) {
        return std::nullopt;
    }
    return static_cast<unsigned short>(v);
}

// For failure texts: control bytes written out, and no endless value.
std::string Quoted(std::string_view s) {
    std::string out = "\"";
    constexpr std::size_t kMaxShown = 200;
    for (char c : s.substr(0, kMaxShown)) {
        if (IsControl(c)) {
            out += "\\x" + HexByte(c);
        } else {
            out += c;
        }
    }
    if (s.size() > kMaxShown) {
        out += "...";
    }
    return out + "\"";
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
    if (s.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) {
            return false;
        }
    }
    return true;
}

// A host name of letters, digits and inner hyphens per label, or a dotted
// IPv4 address. Anything else (blanks, percent signs, non-ASCII) would reach
// the Host line and, through a proxy, the request line as it is.
bool IsValidHost(std::string_view host) {
    if (host.size() > 1 && host.back() == '.') {
        host.remove_suffix(1); // the fully qualified form
    }
    if (host.empty() || host.size() > 253) {
        return false;
    }
    std::string_view last;
    for (std::string_view rest = host;;) {
        const std::size_t dot = rest.find('.');
        const std::string_view label = rest.substr(0, dot);
        if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') {
            return false;
        }
        for (char c : label) {
            if (!IsAlnum(c) && c != '-') {
                return false;
            }
        }
        last = label;
        if (dot == std::string_view::npos) {
            break;
        }
        rest = rest.substr(dot + 1);
    }
    if (IsDigits(last)) {
        // No top-level name is all digits: this must be a whole IPv4
        // address, not a short form like "127.1" that the resolver would
        // read in its own way (the Windows parser takes "127.1" too, so the
        // four parts are counted here).
        if (std::count(host.begin(), host.end(), '.') != 3) {
            return false;
        }
        error_code ec;
        asio::ip::make_address_v4(std::string(host), ec);
        return !ec;
    }
    return true;
}

bool IsValidIpv6(std::string_view host) {
    for (char c : host) {
        // No zone index: "%" has no place in a Host line.
        if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') {
            return false;
        }
    }
    error_code ec;
    asio::ip::make_address_v6(std::string(host), ec);
    return !ec;
}

// Host and port of url from authority: the reason it is refused, or "" when
// it is fine.
std::string ParseAuthority(std::string_view authority, Url& url) {
    std::string_view portText;
    bool validHost = false;
    if (!authority.empty() && authority[0] == '[') {
        std::size_t close = authority.find(']');
        if (close == std::string_view::npos) {
            return "Rechnername " + Quoted(authority) + " ungültig";
        }
        url.host = std::string(authority.substr(1, close - 1));
        validHost = IsValidIpv6(url.host);
        std::string_view after = authority.substr(close + 1);
        if (!after.empty()) {
            if (after[0] != ':') {
                return "Rechnername " + Quoted(authority) + " ungültig";
            }
            portText = after.substr(1);
        }
    } else {
        std::size_t colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        validHost = IsValidHost(url.host);
        if (colon != std::string_view::npos) {
            portText = authority.substr(colon + 1);
        }
    }
    if (url.host.empty()) {
        return "Rechnername fehlt";
    }
    if (!validHost) {
        return "Rechnername " + Quoted(url.host) + " ungültig";
    }
    if (!portText.empty()) {
        auto port = ParsePort(portText);
        if (!port) {
            return "Port " + Quoted(portText) + " ungültig";
        }
        url.port = *port;
    }
    return {};
}

// why, when given, receives the reason a URL is refused, where there is more
// to say than that it is not an http URL.
std::optional<Url> ParseHttpUrl(std::string_view text, std::string* why = nullptr) {
    auto refuse = [why](std::string reason) -> std::optional<Url> {
        if (why != nullptr) {
            *why = std::move(reason);
        }
        return std::nullopt;
    };
    for (char c : text) {
        if (IsControl(c)) {
            return refuse("Steuerzeichen in der Adresse");
        }
    }
    constexpr std::string_view scheme = "http://";
    if (!StartsWithNoCase(text, scheme)) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(scheme.size());
    if (auto hash = rest.find('#'); hash != std::string_view::npos) {
        rest = rest.substr(0, hash);
    }
    std::size_t authEnd = rest.find_first_of("/?");
    std::string_view authority = rest.substr(0, authEnd);
    Url url;
    url.target = authEnd == std::string_view::npos ? "/" : std::string(rest.substr(authEnd));
    if (url.target[0] == '?') {
        url.target.insert(0, "/");
    }
    if (authority.find('@') != std::string_view::npos) {
        return std::nullopt; // credentials in the address are not supported
    }
    if (std::string reason = ParseAuthority(authority, url); !reason.empty()) {
        return refuse(std::move(reason));
    }
    std::string target;
    for (char c : url.target) {
        // A blank would end the path in the request line.
        if (c == ' ') {
            return refuse("Leerzeichen in der Adresse");
        }
        // The request line is ASCII; servers do send raw UTF-8 in a Location.
        if (static_cast<unsigned char>(c) >= 128) {
            target += '%' + HexByte(c);
        } else {
            target += c;
        }
    }
    url.target = std::move(target);
    return url;
}

std::string HostForHeader(const Url& url) {
    std::string h = url.host.find(':') != std::string::npos ? "[" + url.host + "]" : url.host;
    if (url.port != 80) {
        h += ":" + std::to_string(url.port);
    }
    return h;
}

std::string AbsoluteUrl(const Url& url) {
    return "http://" + HostForHeader(url) + url.target;
}

// Resolves a Location value against the URL that answered with it.
std::optional<Url> ResolveLocation(const Url& base, std::string_view location, std::string* why) {
    if (StartsWithNoCase(location, "http://")) {
        return ParseHttpUrl(location, why);
    }
    if (location.find("://") != std::string_view::npos) {
        return std::nullopt; // another scheme (https, ftp) cannot be followed here
    }
    std::string target;
    if (location.substr(0, 2) == "//") {
        return ParseHttpUrl("http:" + std::string(location), why);
    }
    if (!location.empty() && location[0] == '/') {
        target = std::string(location);
    } else {
        std::string path = base.target.substr(0, base.target.find('?'));
        if (location.empty() || location[0] == '?') {
            target = path + std::string(location);
        } else {
            target = path.substr(0, path.rfind('/') + 1) + std::string(location);
        }
    }
    return ParseHttpUrl("http://" + HostForHeader(base) + target, why);
}

std::string DurationText(std::chrono::milliseconds d) {
    if (d.count() % 1000 == 0) {
        return std::to_string(d.count() / 1000) + " s";
    }
    return std::to_string(d.count()) + " ms";
}

// The error number to append, when the failure came from the OS.
std::string ErrnoSuffix(const error_code& ec) {
    if (ec.category() == boost::system::system_category() && ec.value() > 0) {
        return " " + std::to_string(ec.value());
    }
    return {};
}

// getaddrinfo's failure as an error code, the way Asio's resolver reports it,
// so that only failures the OS numbered get a number in the message.
error_code LookupError(int rc, int sysErrno) {
    switch (rc) {
    case 0:
        return {};
    case EAI_AGAIN:
        return asio::error::host_not_found_try_again;
    case EAI_BADFLAGS:
        return asio::error::invalid_argument;
    case EAI_FAIL:
        return asio::error::no_recovery;
    case EAI_FAMILY:
        return asio::error::address_family_not_supported;
    case EAI_MEMORY:
        return asio::error::no_memory;
    case EAI_NONAME:
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
#endif
#if defined(EAI_NODATA) && EAI_NODATA != EAI_NONAME
    case EAI_NODATA:
#endif
        return asio::error::host_not_found;
    case EAI_SERVICE:
        return asio::error::service_not_found;
    case EAI_SOCKTYPE:
        return asio::error::socket_type_not_supported;
    default: // EAI_SYSTEM: errno says what
        return {sysErrno, boost::system::system_category()};
    }
}

// One name lookup on a thread of its own. getaddrinfo cannot be interrupted,
// and may never return; the request must not wait for it beyond its limits,
// so it can walk away: it marks the lookup abandoned, and the thread, when
// it ends at all, touches nothing but this state (which it shares, so the
// last of the two frees it).
// The hosts whose lookup thread has not ended yet, shared by a client and the
// threads it started. A lookup that hangs keeps its host here, and a later
// request for that host fails at once instead of starting one more thread
// that would hang as well: a resolver that never answers costs one thread
// per host, not one per check.
struct PendingLookups {
    std::mutex mutex;
    std::set<std::string> hosts;

    bool Claim(const std::string& host) {
        std::lock_guard lock(mutex);
        return hosts.insert(host).second;
    }
    void Release(const std::string& host) {
        std::lock_guard lock(mutex);
        hosts.erase(host);
    }
};

struct Lookup {
    std::mutex mutex;
    bool abandoned = false;          // set by the request when it gives up
    asio::io_context* ioc = nullptr; // valid while not abandoned
    int rc = EAI_AGAIN;              // the lookup's outcome, under mutex
    int sysErrno = 0;
    std::vector<tcp::endpoint> endpoints;
    bool delivered = false; // only on the request's thread: the outcome is in

    static void Run(const std::shared_ptr<Lookup>& self,
                    const std::shared_ptr<PendingLookups>& pending, const std::string& host,
                    const std::string& service) {
        int rc = EAI_MEMORY;
        int sysErrno = 0;
        std::vector<tcp::endpoint> endpoints;
        try {
            // What Asio's resolver asks for (no flags).
            addrinfo hints{};
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_STREAM;
            hints.ai_protocol = IPPROTO_TCP;
            addrinfo* found = nullptr;
            errno = 0;
            rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
            sysErrno = errno;
            if (rc == 0) {
                const std::unique_ptr<addrinfo, void (*)(addrinfo*)> list(found, freeaddrinfo);
                for (const addrinfo* ai = list.get(); ai != nullptr; ai = ai->ai_next) {
                    if ((ai->ai_family == AF_INET || ai->ai_family == AF_INET6) &&
                        ai->ai_addrlen <= sizeof(sockaddr_storage)) {
                        tcp::endpoint ep;
                        ep.resize(ai->ai_addrlen);
                        std::memcpy(ep.data(), ai->ai_addr, ai->ai_addrlen);
                        endpoints.push_back(ep);
                    }
                }
            }
        } catch (const std::exception&) {
            rc = EAI_MEMORY;
            endpoints.clear();
        }
        pending->Release(host);
        std::lock_guard lock(self->mutex);
        if (self->abandoned) {
            return;
        }
        self->rc = rc;
        self->sysErrno = sysErrno;
        self->endpoints = std::move(endpoints);
        asio::post(*self->ioc, [self] { self->delivered = true; });
    }
};

struct Settings {
    std::string agent = kHttpUserAgentFormat;
    HttpProxy proxy;
    HttpLimits limits;
};

struct Response {
    int status = 0;
    std::string reason;
    std::string location;
    bool hasLocation = false;
    std::string body;
};

// Everything one GET needs, on a private io_context that only the requesting
// thread runs. Other threads reach it only through Abort(), which posts.
class Exchange {
public:
    enum class Stop { None, ConnectTimeout, RequestTimeout, Closed, Cancelled };

    Exchange(const Settings& s, std::shared_ptr<PendingLookups> lookups)
        : settings_(s), lookups_(std::move(lookups)) {}

    void Abort(Stop why) {
        asio::post(ioc_, [this, why] { Halt(why); });
    }

    Response Run(const std::string& requestText, const std::string& peerHost,
                 unsigned short peerPort) {
        peer_ = (peerHost.find(':') != std::string::npos ? "[" + peerHost + "]" : peerHost) + ":" +
                std::to_string(peerPort);
        Connect(peerHost, peerPort);
        Send(requestText);
        Response r = Receive();
        error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_both, ignored);
        socket_.close(ignored);
        return r;
    }

    void StartDeadline() {
        if (settings_.limits.requestTimeout.count() > 0) {
            requestDeadline_ = Clock::now() + settings_.limits.requestTimeout;
        }
    }

    void CheckStopped() const {
        if (stop_ != Stop::None) {
            Fail(error_code{});
        }
    }

private:
    using Clock = std::chrono::steady_clock;

    void Halt(Stop why) {
        if (stop_ == Stop::None || why == Stop::Cancelled) {
            stop_ = why;
        }
        // Stopped: what is left is to collect the aborted operation.
        requestDeadline_ = connectDeadline_ = Clock::time_point::max();
        error_code ignored;
        socket_.close(ignored);
    }

    // The time limits are kept here rather than in Asio timers: on Windows
    // every io_context with a timer runs a thread of its own to wake it, and
    // a request should start no thread it does not need. Waiting with a
    // limit is enough, as only this thread runs the context.
    Clock::time_point NextDeadline() const {
        return connecting_ ? std::min(connectDeadline_, requestDeadline_) : requestDeadline_;
    }

    void HaltIfLate() {
        const auto now = Clock::now();
        if (connecting_ && now >= connectDeadline_) {
            Halt(Stop::ConnectTimeout);
        } else if (now >= requestDeadline_) {
            Halt(Stop::RequestTimeout);
        }
    }

    // Runs one handler, or none if the next time limit comes first (and then
    // stops the exchange). False when the context has nothing left to do.
    bool RunOne() {
        const std::size_t ran = ioc_.run_one_until(NextDeadline());
        if (ran == 0 && ioc_.stopped()) {
            return false;
        }
        HaltIfLate();
        return true;
    }

    // Runs the io_context until the operation that set done has completed.
    void Wait(const bool& done) {
        ioc_.restart();
        while (!done) {
            if (!RunOne()) {
                // Cannot happen while an operation is pending; never report success then.
                throw HttpError("Anfrage an " + peer_ + " ohne Ergebnis beendet");
            }
        }
    }

    [[noreturn]] void Fail(const error_code& ec, const std::string& what = {}) const {
        switch (stop_) {
        case Stop::ConnectTimeout:
            throw HttpError("Zeitlimit des Verbindungsaufbaus zu " + peer_ + " (" +
                            DurationText(settings_.limits.connectTimeout) + ") erreicht");
        case Stop::RequestTimeout:
            throw HttpError("Zeitlimit der Anfrage an " + peer_ + " (" +
                            DurationText(settings_.limits.requestTimeout) + ") erreicht");
        case Stop::Closed:
            throw HttpError("Verbindung zu " + peer_ + " wurde geschlossen");
        case Stop::Cancelled:
            throw HttpError("Anfrage abgebrochen");
        case Stop::None:
            break;
        }
        throw HttpError(what + ErrnoSuffix(ec));
    }

    // Waits for the lookup until it is done or the request is stopped.
    std::vector<tcp::endpoint> Resolve(const std::string& host, unsigned short port) {
        error_code notAddress;
        const auto address = asio::ip::make_address(host, notAddress);
        if (!notAddress) {
            return {tcp::endpoint(address, port)}; // nothing to look up
        }
        const std::string notFound = "Rechner " + Quoted(host) + " nicht gefunden";
        if (!lookups_->Claim(host)) {
            throw HttpError(notFound + ": die vorige Namensauflösung ist noch nicht beendet");
        }
        auto lookup = std::make_shared<Lookup>();
        lookup->ioc = &ioc_;
        try {
            std::thread(Lookup::Run, lookup, lookups_, host, std::to_string(port)).detach();
        } catch (const std::system_error& e) {
            lookups_->Release(host);
            Fail({e.code().value(), boost::system::system_category()}, notFound);
        }
        {
            // The context must wait even when only the thread has work left.
            const auto work = asio::make_work_guard(ioc_);
            ioc_.restart();
            while (!lookup->delivered && stop_ == Stop::None) {
                RunOne();
            }
        }
        int rc = 0;
        int sysErrno = 0;
        std::vector<tcp::endpoint> endpoints;
        {
            // From here on the thread leaves the context alone.
            std::lock_guard lock(lookup->mutex);
            lookup->abandoned = true;
            rc = lookup->rc;
            sysErrno = lookup->sysErrno;
            endpoints = std::move(lookup->endpoints);
        }
        if (stop_ != Stop::None) {
            Fail(error_code{});
        }
        if (const error_code ec = LookupError(rc, sysErrno)) {
            Fail(ec, notFound);
        }
        return endpoints;
    }

    void Connect(const std::string& host, unsigned short port) {
        CheckStopped();
        // The time limit of the connection covers finding the host too.
        connecting_ = true;
        connectDeadline_ = settings_.limits.connectTimeout.count() > 0
                               ? Clock::now() + settings_.limits.connectTimeout
                               : Clock::time_point::max();
        const std::vector<tcp::endpoint> endpoints = Resolve(host, port);
        bool done = false;
        error_code result;
        asio::async_connect(socket_, endpoints, [&](const error_code& ec, const tcp::endpoint&) {
            result = ec;
            done = true;
        });
        Wait(done);
        connecting_ = false;
        if (result || stop_ != Stop::None) {
            Fail(result, "Verbindung zu " + peer_ + " fehlgeschlagen");
        }
    }

    void Send(const std::string& text) {
        bool done = false;
        error_code result;
        asio::async_write(socket_, asio::buffer(text), [&](const error_code& ec, std::size_t) {
            result = ec;
            done = true;
        });
        Wait(done);
        if (result || stop_ != Stop::None) {
            Fail(result, "Senden an " + peer_ + " fehlgeschlagen");
        }
    }

    Response Receive() {
        http::response_parser<http::string_body> parser;
        parser.header_limit(kHeaderLimit);
        parser.body_limit(settings_.limits.maxBodySize);
        beast::flat_buffer buffer(kReadBufferLimit);
        bool done = false;
        error_code result;
        // Header first: with eager parsing (as async_read does it) this Beast
        // loses the body_limit error for a declared Content-Length and reads
        // the whole oversized body.
        http::async_read_header(socket_, buffer, parser, [&](const error_code& ec, std::size_t) {
            result = ec;
            done = true;
        });
        Wait(done);
        if (!result && stop_ == Stop::None) {
            if (auto length = parser.content_length();
                length && *length > settings_.limits.maxBodySize) {
                result = http::error::body_limit;
            } else if (!parser.is_done()) {
                done = false;
                http::async_read(socket_, buffer, parser, [&](const error_code& ec, std::size_t) {
                    result = ec;
                    done = true;
                });
                Wait(done);
            }
        }
        if (stop_ != Stop::None) {
            Fail(result);
        }
        if (result) {
            if (result == http::error::body_limit) {
                throw HttpError("Antwort von " + peer_ + " zu lang (Grenze " +
                                std::to_string(settings_.limits.maxBodySize) + " Bytes)");
            }
            if (result == http::error::buffer_overflow || result == http::error::header_limit) {
                throw HttpError("Antwort von " + peer_ + " zu lang (Grenze " +
                                std::to_string(kReadBufferLimit) +
                                " Bytes für Kopf- und Chunk-Zeilen)");
            }
            if (result == http::error::end_of_stream) {
                throw HttpError("Verbindung von " + peer_ + " ohne Antwort beendet");
            }
            if (result == http::error::partial_message) {
                throw HttpError("Verbindung von " + peer_ + " vor Ende der Antwort beendet");
            }
            if (result.category() == boost::system::system_category()) {
                Fail(result, "Empfang von " + peer_ + " fehlgeschlagen");
            }
            throw HttpError("Antwort von " + peer_ + " ist kein HTTP");
        }
        auto& msg = parser.get();
        Response r;
        r.status = static_cast<int>(msg.result_int());
        // Beast fills in the standard phrase when the server sent none; for
        // a code it does not know it has only a placeholder.
        r.reason = std::string(msg.reason());
        if (r.reason == "<unknown-status>") {
            r.reason.clear();
        }
        if (auto it = msg.find(http::field::location); it != msg.end()) {
            r.hasLocation = true;
            r.location = std::string(it->value());
        }
        r.body = std::move(msg.body());
        return r;
    }

    const Settings& settings_;
    std::shared_ptr<PendingLookups> lookups_;
    asio::io_context ioc_{1};
    tcp::socket socket_{ioc_};
    Clock::time_point requestDeadline_ = Clock::time_point::max();
    Clock::time_point connectDeadline_ = Clock::time_point::max();
    bool connecting_ = false;
    Stop stop_ = Stop::None;
    std::string peer_;
};

bool IsRedirect(int status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string Reason(const std::string& why) {
    return why.empty() ? std::string() : " (" + why + ")";
}

std::string BuildRequest(const Settings& s, const Url& url, bool viaProxy, bool withAuth) {
    std::string r = "GET " + (viaProxy ? AbsoluteUrl(url) : url.target) + " HTTP/1.0\r\n";
    r += std::string("Accept: ") + kHttpAccept + "\r\n";
    r += "User-Agent: " + s.agent + "\r\n";
    r += "Host: " + HostForHeader(url) + "\r\n";
    r += std::string("Pragma: ") + kHttpPragma + "\r\n";
    if (withAuth) {
        r += "Proxy-Authorization: Basic " +
             Base64Encode(s.proxy.username + ":" + s.proxy.password) + "\r\n";
    }
    r += "\r\n";
    return r;
}

} // namespace

std::string Base64Encode(const std::string& bytes) {
    static constexpr char alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 |
                     static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += alphabet[v & 63];
    }
    if (i + 1 == bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += "==";
    } else if (i + 2 == bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += alphabet[v >> 18 & 63];
        out += alphabet[v >> 12 & 63];
        out += alphabet[v >> 6 & 63];
        out += '=';
    }
    return out;
}

struct THttpClient::Impl {
    mutable std::mutex mutex;
    Settings settings;
    Exchange* current = nullptr; // the GET in progress, guarded by mutex
    std::shared_ptr<PendingLookups> lookups = std::make_shared<PendingLookups>();
    std::atomic<bool> cancelled{false};
};

THttpClient::THttpClient(const HttpLimits& limits) : impl_(std::make_unique<Impl>()) {
    impl_->settings.limits = limits;
}
THttpClient::~THttpClient() = default;

void THttpClient::SetUserAgent(const std::string& agent) {
    std::lock_guard lock(impl_->mutex);
    impl_->settings.agent = agent;
}

void THttpClient::SetProxy(const HttpProxy& proxy) {
    std::lock_guard lock(impl_->mutex);
    impl_->settings.proxy = proxy;
}

HttpProxy THttpClient::Proxy() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->settings.proxy;
}

void THttpClient::Close() {
    std::lock_guard lock(impl_->mutex);
    if (impl_->current != nullptr) {
        impl_->current->Abort(Exchange::Stop::Closed);
    }
}

void THttpClient::Cancel() {
    std::lock_guard lock(impl_->mutex);
    impl_->cancelled = true;
    if (impl_->current != nullptr) {
        impl_->current->Abort(Exchange::Stop::Cancelled);
    }
}

bool THttpClient::Cancelled() const {
    return impl_->cancelled;
}

void THttpClient::Get(const std::string& urlText, std::string& sink) {
    Settings settings;
    {
        std::lock_guard lock(impl_->mutex);
        settings = impl_->settings;
    }
    std::string why;
    auto url = ParseHttpUrl(urlText, &why);
    if (!url) {
        throw HttpError("Adresse " + Quoted(urlText) + " nicht verwendbar" + Reason(why));
    }
    const bool viaProxy = !settings.proxy.host.empty();
    unsigned short proxyPort = 80;
    if (viaProxy) {
        auto port = settings.proxy.port.empty() ? std::optional<unsigned short>(80)
                                                : ParsePort(settings.proxy.port);
        if (!port) {
            throw HttpError("Proxy-Port " + Quoted(settings.proxy.port) + " nicht verwendbar");
        }
        proxyPort = *port;
    }

    Exchange exchange(settings, impl_->lookups);
    {
        std::lock_guard lock(impl_->mutex);
        if (impl_->cancelled) {
            throw HttpError("Anfrage abgebrochen");
        }
        impl_->current = &exchange;
    }
    struct Detach {
        Impl& impl;
        ~Detach() {
            std::lock_guard lock(impl.mutex);
            impl.current = nullptr;
        }
    } detach{*impl_};

    exchange.StartDeadline();
    int redirects = 0;
    bool authSent = false;
    for (;;) {
        const std::string request = BuildRequest(settings, *url, viaProxy, authSent);
        Response r = viaProxy ? exchange.Run(request, settings.proxy.host, proxyPort)
                              : exchange.Run(request, url->host, url->port);
        if (r.status == 407 && viaProxy && !authSent) {
            authSent = true; // the proxy asked: once more with the credentials
            continue;
        }
        if (IsRedirect(r.status) && r.hasLocation && redirects < kMaxRedirects) {
            why.clear();
            auto next = ResolveLocation(*url, r.location, &why);
            if (!next) {
                throw HttpError("Umleitung auf " + Quoted(r.location) + " nicht verwendbar" +
                                Reason(why));
            }
            ++redirects;
            url = next;
            continue;
        }
        if (r.status >= 400 && r.status != 401 && r.status != 407) {
            // An empty phrase would leave the user without any hint.
            throw HttpError(r.reason.empty()
                                ? "Fehlerstatus " + std::to_string(r.status) + " vom Server"
                                : r.reason);
        }
        sink.append(r.body);
        return;
    }
}

} // namespace vexrem
