#include "Router.h"

#include "HttpText.h"
#include "Pages.h"

#include <algorithm>

namespace vexrem::demo {

namespace {

std::string_view reasonPhrase(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 303:
        return "See Other";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 409:
        return "Conflict";
    case 413:
        return "Payload Too Large";
    case 431:
        return "Request Header Fields Too Large";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Error";
    }
}

Response page(std::string body) {
    Response response;
    response.body = std::move(body);
    return response;
}

Response plainText(int status, std::string text) {
    Response response;
    response.status = status;
    response.contentType = "text/plain; charset=utf-8";
    response.body = std::move(text);
    return response;
}

Response redirect(std::string location) {
    Response response;
    response.status = 303;
    response.body = pages::message("Weiter", "Weiter zu " + location);
    response.headers.emplace_back("Location", std::move(location));
    return response;
}

// Only our own relative pages may go into the frameset, never a foreign site or a
// javascript: URL.
bool isSafeFramePath(std::string_view path) {
    if (path.empty() || path.size() > 200 || path.substr(0, 2) == "//") {
        return false;
    }
    return std::all_of(path.begin(), path.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '/' || c == '?' || c == '=' || c == '&' || c == '_' || c == '-';
    });
}

// Accepts the absolute form "http://host:port/path" a proxy would see as well.
std::optional<std::string_view> originForm(std::string_view target) {
    constexpr std::string_view scheme = "http://";
    if (target.substr(0, scheme.size()) == scheme) {
        const auto slash = target.find('/', scheme.size());
        target = slash == std::string_view::npos ? std::string_view{"/"} : target.substr(slash);
    }
    if (target.empty() || target.front() != '/') {
        return std::nullopt;
    }
    return target;
}

std::optional<int> gidOf(const QueryItems& items) {
    const auto text = queryValue(items, "GID");
    if (!text) {
        return std::nullopt;
    }
    const auto gid = parseNumber(*text, 1, 2147483647);
    if (!gid) {
        return std::nullopt;
    }
    return static_cast<int>(*gid);
}

} // namespace

Response errorResponse(int status) {
    Response response;
    response.status = status;
    const std::string title = std::to_string(status) + " " + std::string(reasonPhrase(status));
    response.body = pages::message(title, "Diese Anfrage kann der Server nicht beantworten.");
    return response;
}

Response Router::handle(const Request& request) const {
    const auto target = originForm(request.target);
    if (!target) {
        return errorResponse(400);
    }
    const auto mark = target->find('?');
    const std::string_view path = target->substr(0, mark);
    const auto query =
        parseQuery(mark == std::string_view::npos ? std::string_view{} : target->substr(mark + 1));
    if (!query) {
        return errorResponse(400);
    }

    const bool isGet = request.method == "GET" || request.method == "HEAD";
    const bool isPost = request.method == "POST";
    const bool takesPost = path == "/move.php" || path == "/admin/set";
    if (!isGet && !(isPost && takesPost)) {
        Response response = errorResponse(405);
        response.headers.emplace_back("Allow", takesPost ? "GET, HEAD, POST" : "GET, HEAD");
        return response;
    }

    // Form fields of a POST count like query items.
    QueryItems params = *query;
    if (isPost) {
        const auto form = parseQuery(request.body);
        if (!form) {
            return errorResponse(400);
        }
        params.insert(params.end(), form->begin(), form->end());
    }

    try {
        if (path == "/dran.php") {
            return status(params);
        }
        if (path == "/index.php") {
            return index(params);
        }
        if (path == "/showmap.php") {
            return showGame(params);
        }
        if (path == "/move.php") {
            return move(params);
        }
        if (path == "/showgames.php") {
            return showGames(params);
        }
        if (path == "/menu.php") {
            return page(pages::menu());
        }
        if (path == "/" || path == "/index.html") {
            return page(pages::start());
        }
        if (path == "/vexrem/verinfo.php") {
            Response response = page(pages::versionList());
            response.contentType = "text/xml; charset=utf-8";
            return response;
        }
        if (path == "/vexremind" || path == "/vexremind/") {
            return page(pages::home());
        }
        if (path == "/admin" || path == "/admin/") {
            return page(pages::admin(state_.lastPlayer()));
        }
        if (path == "/admin/set") {
            return adminSet(params);
        }
    } catch (const PlayerLimitReached&) {
        return errorResponse(503);
    }
    return errorResponse(404);
}

Response Router::status(const QueryItems& query) const {
    const auto login = queryValue(query, "login");
    if (!login || login->size() > kMaxLoginBytes) {
        return errorResponse(400);
    }
    if (login->empty()) {
        return page(pages::statusWithoutPlayer());
    }
    const auto games = state_.gamesOf(*login);
    std::vector<Game> due;
    std::copy_if(games.begin(), games.end(), std::back_inserter(due),
                 [](const Game& game) { return game.due; });
    return page(pages::status(*login, due, static_cast<int>(games.size())));
}

Response Router::index(const QueryItems& query) const {
    std::string main = queryValue(query, "main").value_or("");
    if (!isSafeFramePath(main)) {
        main = "showgames.php?dranbin=1";
    }
    if (main.front() != '/') {
        main.insert(main.begin(), '/');
    }
    return page(pages::frameset(main));
}

Response Router::showGame(const QueryItems& query) const {
    const auto gid = gidOf(query);
    if (!gid) {
        return errorResponse(400);
    }
    const auto owned = state_.game(*gid);
    if (!owned) {
        Response response =
            page(pages::message("Spiel nicht gefunden", "Ein Spiel " + std::to_string(*gid) +
                                                            " gibt es auf diesem Server nicht."));
        response.status = 404;
        return response;
    }
    long long secondsLeft = 0;
    if (owned->game.backAt) {
        const auto left = *owned->game.backAt - state_.now();
        secondsLeft = std::chrono::ceil<std::chrono::seconds>(left).count();
    }
    return page(pages::game(*owned, std::max(secondsLeft, 0LL)));
}

Response Router::move(const QueryItems& params) const {
    const auto gid = gidOf(params);
    if (!gid) {
        return errorResponse(400);
    }
    switch (state_.move(*gid)) {
    case MoveResult::Moved:
        return redirect("/showmap.php?GID=" + std::to_string(*gid));
    case MoveResult::NotYourTurn: {
        Response response = page(pages::message("Nicht dran", "Im Spiel " + std::to_string(*gid) +
                                                                  " bist du gerade nicht dran."));
        response.status = 409;
        return response;
    }
    case MoveResult::UnknownGame:
        break;
    }
    return errorResponse(404);
}

Response Router::showGames(const QueryItems& query) const {
    std::string login = queryValue(query, "login").value_or(state_.lastPlayer());
    if (login.size() > kMaxLoginBytes) {
        return errorResponse(400);
    }
    if (login.empty()) {
        return page(pages::message("Keine Spiele",
                                   "Noch hat sich kein Spieler gemeldet. Starte den "
                                   "VexelReminder oder rufe /dran.php?login=NAME auf."));
    }
    const bool onlyDue = queryValue(query, "dranbin").value_or("") == "1";
    return page(pages::gamesList(login, state_.gamesOf(login), onlyDue));
}

Response Router::adminSet(const QueryItems& params) const {
    const auto login = queryValue(params, "login");
    const auto dueText = queryValue(params, "due");
    const auto due =
        dueText ? parseNumber(*dueText, 0, GameState::kMaxGamesPerPlayer) : std::nullopt;
    if (!login || login->empty() || login->size() > kMaxLoginBytes || !due) {
        return plainText(400, "bad request: need login=NAME and due=0.." +
                                  std::to_string(GameState::kMaxGamesPerPlayer) + "\n");
    }
    state_.setDue(*login, static_cast<int>(*due));
    return plainText(200, "ok");
}

} // namespace vexrem::demo
