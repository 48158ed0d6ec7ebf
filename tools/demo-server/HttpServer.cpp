// The only file of the demo server that includes Boost.Beast.
#include "HttpServer.h"

#include "Router.h"

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/signal_set.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <csignal>
#include <iostream>
#include <optional>
#include <stdexcept>

namespace vexrem::demo {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;

struct HttpServer::Impl {
    Impl(RequestHandler h, ServerLimits l) : handler(std::move(h)), limits(l) {}

    void accept();

    // Declared before the io_context: sessions still count themselves down
    // while the io_context destroys their pending handlers.
    RequestHandler handler;
    ServerLimits limits;
    std::size_t openSessions = 0; // touched on the server thread only

    net::io_context ioc{1};
    tcp::acceptor acceptor{ioc};
    net::steady_timer retryTimer{ioc};
    std::optional<net::signal_set> signals;
};

namespace {

class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, HttpServer::Impl& server)
        : stream_(std::move(socket)), server_(server) {
        ++server_.openSessions;
    }
    ~Session() { --server_.openSessions; }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start() {
        parser_.emplace();
        parser_->header_limit(static_cast<std::uint32_t>(server_.limits.headerLimit));
        parser_->body_limit(server_.limits.bodyLimit);
        stream_.expires_after(server_.limits.ioTimeout);
        http::async_read(stream_, buffer_, *parser_,
                         beast::bind_front_handler(&Session::onRead, shared_from_this()));
    }

private:
    void onRead(beast::error_code ec, std::size_t /*bytes*/) {
        if (ec == http::error::end_of_stream || ec == beast::error::timeout ||
            ec == net::error::operation_aborted || ec == net::error::connection_reset ||
            ec == net::error::eof) {
            return; // the peer went away or said nothing in time: just close
        }
        if (ec) {
            const int status = ec == http::error::header_limit ? 431
                               : ec == http::error::body_limit ? 413
                                                               : 400;
            reply(errorResponse(status), 11, false);
            return;
        }
        auto& message = parser_->get();
        if (message.version() != 10 && message.version() != 11) {
            reply(errorResponse(400), 11, false);
            return;
        }
        Request request;
        request.method = std::string(message.method_string());
        request.target = std::string(message.target());
        request.contentType = std::string(message[http::field::content_type]);
        request.body = std::move(message.body());
        Response response;
        try {
            response = server_.handler(request);
        } catch (const std::exception& error) {
            std::cerr << "vexrem-demo-server: " << error.what() << '\n';
            response = errorResponse(500);
        }
        reply(response, message.version(), message.method() == http::verb::head);
    }

    void reply(const Response& answer, unsigned version, bool headOnly) {
        response_.version(version == 10 ? 10 : 11);
        response_.result(static_cast<unsigned>(answer.status));
        response_.set(http::field::server, "vexrem-demo-server");
        response_.set(http::field::content_type, answer.contentType);
        response_.set(http::field::cache_control, "no-store");
        for (const auto& [name, value] : answer.headers) {
            response_.set(name, value);
        }
        // One request per connection keeps the server simple; HTTP/1.0 clients
        // expect that anyway.
        response_.keep_alive(false);
        response_.set(http::field::connection, "close");
        if (!headOnly) {
            response_.body() = answer.body;
        }
        response_.content_length(answer.body.size());
        stream_.expires_after(server_.limits.ioTimeout);
        http::async_write(stream_, response_,
                          beast::bind_front_handler(&Session::onWrite, shared_from_this()));
    }

    void onWrite(beast::error_code ec, std::size_t /*bytes*/) {
        if (ec) {
            return;
        }
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        // Read what the client may still be sending before closing; closing with
        // unread input would reset the connection and could swallow the answer.
        stream_.expires_after(std::chrono::seconds(1));
        drain();
    }

    void drain() {
        stream_.async_read_some(net::buffer(scratch_),
                                [self = shared_from_this()](beast::error_code ec, std::size_t n) {
                                    self->drained_ += n;
                                    if (!ec && self->drained_ < 1024 * 1024) {
                                        self->drain();
                                    }
                                });
    }

    beast::tcp_stream stream_;
    HttpServer::Impl& server_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    std::array<char, 4096> scratch_{};
    std::size_t drained_ = 0;
};

} // namespace

void HttpServer::Impl::accept() {
    acceptor.async_accept(ioc, [this](beast::error_code ec, tcp::socket socket) {
        if (ec == net::error::operation_aborted || !acceptor.is_open()) {
            return;
        }
        if (ec) {
            // Typically out of file descriptors: wait a little instead of spinning.
            retryTimer.expires_after(std::chrono::milliseconds(100));
            retryTimer.async_wait([this](beast::error_code timerError) {
                if (!timerError) {
                    accept();
                }
            });
            return;
        }
        if (openSessions < limits.maxConnections) {
            std::make_shared<Session>(std::move(socket), *this)->start();
        }
        // else: the socket goes out of scope and the connection is closed.
        accept();
    });
}

HttpServer::HttpServer(const std::string& address, std::uint16_t port, RequestHandler handler,
                       ServerLimits limits)
    : impl_(std::make_unique<Impl>(std::move(handler), limits)) {
    try {
        const tcp::endpoint endpoint(net::ip::make_address(address), port);
        impl_->acceptor.open(endpoint.protocol());
        impl_->acceptor.set_option(net::socket_base::reuse_address(true));
        impl_->acceptor.bind(endpoint);
        impl_->acceptor.listen(net::socket_base::max_listen_connections);
    } catch (const boost::system::system_error& error) {
        throw std::runtime_error("cannot listen on " + address + ":" + std::to_string(port) + ": " +
                                 error.code().message());
    }
}

HttpServer::~HttpServer() = default;

std::uint16_t HttpServer::port() const {
    return impl_->acceptor.local_endpoint().port();
}

std::string HttpServer::address() const {
    return impl_->acceptor.local_endpoint().address().to_string();
}

void HttpServer::stopOnSignals() {
    impl_->signals.emplace(impl_->ioc, SIGINT, SIGTERM);
    impl_->signals->async_wait([this](beast::error_code ec, int /*signal*/) {
        if (!ec) {
            stop();
        }
    });
}

void HttpServer::run() {
    impl_->accept();
    impl_->ioc.run();
}

void HttpServer::stop() {
    impl_->ioc.stop();
}

} // namespace vexrem::demo
