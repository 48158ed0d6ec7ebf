#include "Pages.h"

#include "HttpText.h"

namespace vexrem::demo::pages {

namespace {

constexpr std::string_view kSlogan = "Rasen mit Verstand";

std::string head(std::string_view title, std::string_view extra = {}) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>";
    page += htmlEscape(title);
    page += "</title>\n";
    page += "<style>body{font-family:sans-serif;margin:1em 2em}"
            "table{border-collapse:collapse}td,th{border:1px solid #999;padding:2px 8px}"
            "th{background:#dde}.dran{color:#070;font-weight:bold}</style>\n";
    page += extra;
    page += "</head>\n<body>\n";
    return page;
}

constexpr std::string_view kFoot = "</body>\n</html>\n";

std::string opponentList(const Game& game) {
    std::string text;
    for (const auto& name : game.opponents) {
        text += (text.empty() ? "" : ", ") + htmlEscape(name);
    }
    return text;
}

std::string gameTitle(const Game& game) {
    return "Spiel " + std::to_string(game.gid) + " &ndash; " + htmlEscape(game.track);
}

} // namespace

std::string status(std::string_view login, const std::vector<Game>& dueGames, int totalGames) {
    std::string page = head("Vexelfeld - Dransei",
                            "<script type=\"text/javascript\">\n"
                            "function fenster(gid) {\n"
                            "  window.open('index.php?main=showmap.php?GID=' + gid, 'Vexelfeld');\n"
                            "}\n</script>\n");
    page += "<h1>Dransei</h1>\n<p>Spieler: <b>" + displayHtml(login) + "</b>, " +
            std::to_string(totalGames) + " laufende Spiele.</p>\n";
    if (dueGames.empty()) {
        page += "<p>Du bist in keinem Spiel dran.</p>\n";
    } else {
        page += "<table>\n<tr><th>Spiel</th><th>Strecke</th><th>Runde</th><th>Gegner</th></tr>\n";
        for (const Game& game : dueGames) {
            const std::string gid = std::to_string(game.gid);
            page += "<tr><td><a href=\"javascript:fenster(" + gid + ")\">" + gid + "</a></td><td>" +
                    htmlEscape(game.track) + "</td><td>" + std::to_string(game.round) +
                    "</td><td>" + opponentList(game) + "</td></tr>\n";
        }
        page += "</table>\n";
    }
    // The count goes last on purpose: a reader takes the last "Vexel - <n>" on
    // the page, and the player's name above may contain anything.
    page += "<p class=\"dran\">Vexel - " + std::to_string(dueGames.size()) + "</p>\n";
    page += kFoot;
    return page;
}

std::string statusWithoutPlayer() {
    std::string page = head("Vexelfeld - Dransei");
    page += "<h1>Dransei</h1>\n<p>Kein Spieler angegeben. Bitte mit ?login=NAME aufrufen.</p>\n";
    page += kFoot;
    return page;
}

std::string frameset(std::string_view mainSrc) {
    std::string page = "<!DOCTYPE html>\n<html lang=\"de\">\n<head>\n<meta charset=\"utf-8\">\n";
    page += "<title>Vexelfeld - ";
    page += kSlogan;
    page += "</title>\n</head>\n";
    page += "<frameset cols=\"250,*\" border=\"0\" frameborder=\"0\" framespacing=\"0\">\n";
    page += "<frame name=\"Menu\" src=\"/menu.php\" noresize>\n";
    page += "<frame name=\"Main\" src=\"" + htmlEscape(mainSrc) + "\" noresize>\n";
    page += "</frameset>\n</html>\n";
    return page;
}

std::string menu() {
    std::string page = head("Vexelfeld - Menü", "<base target=\"Main\">\n");
    page += "<h2>Vexelfeld</h2>\n<p><i>";
    page += kSlogan;
    page += "</i></p>\n<ul>\n"
            "<li><a href=\"/showgames.php?dranbin=1\">Dransei</a></li>\n"
            "<li><a href=\"/showgames.php\">Alle Spiele</a></li>\n"
            "<li><a href=\"/admin\">Demo-Verwaltung</a></li>\n"
            "<li><a href=\"/vexremind\" target=\"_top\">VexelReminder</a></li>\n"
            "</ul>\n";
    page += kFoot;
    return page;
}

std::string game(const OwnedGame& owned, long long secondsLeft) {
    const Game& game = owned.game;
    const bool waiting = !game.due && game.backAt.has_value();
    std::string page =
        head("Vexelfeld - Spiel " + std::to_string(game.gid),
             waiting ? "<meta http-equiv=\"refresh\" content=\"5\">\n" : std::string_view{});
    page += "<h1>" + gameTitle(game) + "</h1>\n";
    page += "<table>\n<tr><th>Runde</th><td>" + std::to_string(game.round) + "</td></tr>\n";
    page += "<tr><th>Spieler</th><td>" + displayHtml(owned.owner) + "</td></tr>\n";
    page += "<tr><th>Gegner</th><td>" + opponentList(game) + "</td></tr>\n</table>\n";
    if (game.due) {
        page += "<p class=\"dran\">Du bist dran!</p>\n"
                "<form method=\"post\" action=\"/move.php\">\n"
                "<input type=\"hidden\" name=\"GID\" value=\"" +
                std::to_string(game.gid) +
                "\">\n<button type=\"submit\">Zug machen</button>\n</form>\n";
    } else if (waiting) {
        page += "<p>Die Gegner ziehen gerade. Du bist in etwa " + std::to_string(secondsLeft) +
                " s wieder dran.</p>\n";
    } else {
        page += "<p>Die Gegner lassen sich Zeit. Du bist hier nicht dran.</p>\n";
    }
    page += "<p><a href=\"/showgames.php?dranbin=1\">Zur Dransei</a></p>\n";
    page += kFoot;
    return page;
}

std::string gamesList(std::string_view login, const std::vector<Game>& games, bool onlyDue) {
    std::string page = head(onlyDue ? "Vexelfeld - Dransei" : "Vexelfeld - Spiele");
    page += onlyDue ? "<h1>Spiele, in denen du dran bist</h1>\n" : "<h1>Deine Spiele</h1>\n";
    page += "<p>Spieler: <b>" + displayHtml(login) + "</b></p>\n";
    std::string rows;
    for (const Game& game : games) {
        if (onlyDue && !game.due) {
            continue;
        }
        const std::string gid = std::to_string(game.gid);
        rows += "<tr><td><a href=\"/showmap.php?GID=" + gid + "\">" + gid + "</a></td><td>" +
                htmlEscape(game.track) + "</td><td>" + std::to_string(game.round) + "</td><td>" +
                (game.due ? "<span class=\"dran\">dran</span>" : "wartet") + "</td></tr>\n";
    }
    if (rows.empty()) {
        page += onlyDue ? "<p>Du bist zurzeit in keinem Spiel dran.</p>\n"
                        : "<p>Keine laufenden Spiele.</p>\n";
    } else {
        page += "<table>\n<tr><th>Spiel</th><th>Strecke</th><th>Runde</th><th>Stand</th></tr>\n" +
                rows + "</table>\n";
    }
    page += kFoot;
    return page;
}

std::string start() {
    std::string page = head("Vexelfeld - Demo-Server");
    page += "<h1>Vexelfeld Demo-Server</h1>\n"
            "<p>Ein kleiner Spielserver zum Ausprobieren des VexelReminders.</p>\n<ul>\n"
            "<li><a href=\"/index.php?main=showgames.php?dranbin=1\">Zum Spiel</a></li>\n"
            "<li><a href=\"/dran.php?login=Gast\">Statusseite für den Spieler Gast</a></li>\n"
            "<li><a href=\"/admin\">Demo-Verwaltung</a></li>\n"
            "<li><a href=\"/vexremind\">VexelReminder</a></li>\n</ul>\n";
    page += kFoot;
    return page;
}

std::string home() {
    std::string page = head("VexelReminder");
    page += "<h1>VexelReminder</h1>\n"
            "<p>Der VexelReminder sitzt im Infobereich und sagt dir Bescheid, sobald du in "
            "einem Vexelfeld-Spiel dran bist.</p>\n"
            "<p>Neueste Version: 9.0.0.0. Die Neuerungen stehen in der "
            "<a href=\"/vexrem/verinfo.php\">Versionsliste</a>.</p>\n";
    page += kFoot;
    return page;
}

std::string admin(std::string_view suggestedLogin) {
    std::string page = head("Vexelfeld - Demo-Verwaltung");
    page += "<h1>Demo-Verwaltung</h1>\n"
            "<p>Legt fest, in wie vielen Spielen ein Spieler dran ist. 0 heißt: in keinem.</p>\n"
            "<form method=\"get\" action=\"/admin/set\">\n"
            "<p><label>Spieler <input name=\"login\" value=\"" +
            displayHtml(suggestedLogin) +
            "\"></label></p>\n"
            "<p><label>Dran in <input name=\"due\" type=\"number\" min=\"0\" max=\"" +
            std::to_string(GameState::kMaxGamesPerPlayer) +
            "\" value=\"1\"> Spielen</label></p>\n"
            "<p><button type=\"submit\">Setzen</button></p>\n</form>\n"
            "<p>Dasselbe ohne Formular: <code>/admin/set?login=NAME&amp;due=N</code> "
            "antwortet mit <code>ok</code>.</p>\n";
    page += kFoot;
    return page;
}

std::string message(std::string_view title, std::string_view text) {
    std::string page = head(title);
    page += "<h1>" + htmlEscape(title) + "</h1>\n<p>" + htmlEscape(text) + "</p>\n";
    page += kFoot;
    return page;
}

std::string versionList() {
    // Laid out with line feeds and tabs only: the reminder drops both before it
    // parses, so no stray blanks end up in the texts. No byte order mark.
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
           "<versioninfos>\n"
           "\t<versioninfo>\n"
           "\t\t<date>2025-03-14</date>\n"
           "\t\t<version>9.0.0.0</version>\n"
           "\t\t<newslist>\n"
           "\t\t\t<news>Neues Symbolset für dunkle Leisten</news>\n"
           "\t\t\t<news>Das Popup merkt sich seine Position</news>\n"
           "\t\t\t<news>Abfrage über Proxy &amp; Anmeldung schneller</news>\n"
           "\t\t</newslist>\n"
           "\t</versioninfo>\n"
           "\t<versioninfo>\n"
           "\t\t<date>2024-11-02</date>\n"
           "\t\t<version>8.5.0.0</version>\n"
           "\t\t<newslist>\n"
           "\t\t\t<news>Der Zavazuzeza läuft mit weiteren Browsern</news>\n"
           "\t\t</newslist>\n"
           "\t</versioninfo>\n"
           "</versioninfos>\n";
}

} // namespace vexrem::demo::pages
