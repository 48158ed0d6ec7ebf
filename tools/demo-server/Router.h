#pragma once

#include "GameState.h"
#include "HttpText.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexrem::demo {

struct Request {
    std::string method; // as sent, e.g. "GET"
    std::string target; // origin form "/path?query" or absolute form "http://host/path"
    std::string contentType;
    std::string body;
};

struct Response {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers; // extra fields
};

// A short HTML page for an error status, with the usual reason phrase.
Response errorResponse(int status);

// Maps a request to its answer. No I/O; safe to call from several threads.
class Router {
public:
    // Logins longer than this are refused rather than stored.
    static constexpr std::size_t kMaxLoginBytes = 200;

    explicit Router(GameState& state) : state_(state) {}

    Response handle(const Request& request) const;

private:
    Response status(const QueryItems& query) const;
    Response index(const QueryItems& query) const;
    Response showGame(const QueryItems& query) const;
    Response move(const QueryItems& params) const;
    Response showGames(const QueryItems& query) const;
    Response adminSet(const QueryItems& params) const;

    GameState& state_;
};

} // namespace vexrem::demo
