#include "status/GameLinks.h"

#include "platform/Platform.h"
#include "platform/StringUtil.h"
#include "worker/ServerAddress.h"

namespace vexrem {

namespace {

// Replaces the extension of the file name part only; a dot in a folder name
// is left alone.
std::string ChangeFileExt(const std::string& name, const std::string& ext) {
    for (std::size_t i = name.size(); i > 0; --i) {
        const char c = name[i - 1];
        if (c == '.') {
            return name.substr(0, i - 1) + ext;
        }
        if (IsPathDelimiter(c)) {
            break;
        }
    }
    return name + ext;
}

// Tries of a fresh name when the one reserved is taken in its html form.
constexpr int FramesetNameTries = 32;

// The name the system reserved and the frameset file name made from it.
struct FramesetNames {
    std::string reserved;
    std::string frameset;
};

FramesetNames ReserveFramesetNames() {
    const std::string dir = Platform().TempPath();
    if (dir.empty()) {
        throw GameLinkError("error getting temp path");
    }
    const std::string reserved(TrimBlanks(Platform().TempFileName(dir, "vfs")));
    if (reserved.empty()) {
        throw GameLinkError("error getting temp filename");
    }
    return {reserved, ChangeFileExt(reserved, ".html")};
}

// Writes text into a new frameset file and returns its name. Only the .tmp
// name is reserved by the system; the .html name may have been taken by
// someone else in a shared temp folder (a link to one of the user's files, a
// pipe), so the file is created only when the name is free, and otherwise a
// new name is tried.
std::string WriteFramesetFile(const std::string& text) {
    for (int i = 0; i < FramesetNameTries; ++i) {
        const FramesetNames names = ReserveFramesetNames();
        try {
            if (Platform().WriteNewFile(names.frameset, text)) {
                return names.frameset;
            }
        } catch (const PlatformError& e) {
            std::string message = "error writing frameset file " + names.frameset;
            if (*e.what() != '\0') {
                message += std::string(" (") + e.what() + ")";
            }
            throw GameLinkError(message);
        }
        Platform().RemoveFile(names.reserved); // ours, and of no use now
    }
    throw GameLinkError("error getting temp filename");
}

} // namespace

std::string ZavazuzezaUrl(int gameId) {
    if (gameId > 0) {
        return GameServerBase() + "/index.php?main=showmap.php?GID=" + std::to_string(gameId);
    }
    return GameServerBase() + "/index.php?main=showgames.php?dranbin=1";
}

std::string FramesetPagePath(int gameId) {
    if (gameId > 0) {
        return "/showmap.php?GID=" + std::to_string(gameId);
    }
    return "showgames.php?dranbin=1";
}

std::string FramesetText(const std::string& pagePath) {
    std::string text = "<html> <head>  <base href=\"";
    text += GameServerBase();
    text += "\">  <title>";
    text += std::string(kFramesetSiteName) + " - " + kFramesetSlogan;
    text += "</title>  <link rel=\"shortcut icon\" href=\"/favicon.ico\">  <link "
            "rel=\"alternate\" type=\"application/rss+xml\" title=\"Vexel Zug Feed\" "
            "href=\"/rss.php\"> </head> <frameset cols=\"250,*\" border=\"0\" "
            "frameborder=\"0\" framespacing=\"0\">  <frame name=\"Menu\" SRC=\"/menu.php\" "
            "noresize>  <frame name=\"Main\" SRC=\"";
    text += pagePath;
    text += "\"";
    text += " noresize>";
    text += " </frameset>";
    text += "</html>";
    return text;
}

std::string FramesetFileUrl(const std::string& fileName) {
    std::string path;
    path.reserve(fileName.size());
    for (const char c : fileName) {
        switch (c) {
        case '\\':
            path += '/';
            break;
        // These would end the path part of the URL and open another file.
        case '%':
            path += "%25";
            break;
        case '#':
            path += "%23";
            break;
        case '?':
            path += "%3F";
            break;
        default:
            path += c;
        }
    }
    // A POSIX name brings its own leading slash; "file:////tmp" is no file URL.
    if (!fileName.empty() && fileName.front() == '/') {
        path.erase(0, 1);
    }
    return "file:///" + path;
}

std::string MakeFramesetFileName() {
    return ReserveFramesetNames().frameset;
}

void OpenGamePage(bool useZavazuzeza, int gameId) {
    if (useZavazuzeza) {
        Platform().ShellOpen(ZavazuzezaUrl(gameId));
        return;
    }
    const std::string text = FramesetText(FramesetPagePath(gameId));
    const std::string fileName = WriteFramesetFile(text);
    Platform().ShellOpen(FramesetFileUrl(fileName));
}

void GotoGame(int count, int gid, bool useZavazuzeza) {
    OpenGamePage(useZavazuzeza, count == 1 ? gid : -1);
}

std::string HomePageUrl() {
    return SiteBase() + "/vexremind";
}

void OpenHomePage() {
    Platform().ShellOpen(HomePageUrl());
}

std::string AboutLinkCaption(AboutLink link) {
    switch (link) {
    case AboutLink::Vexelfeld:
        return "Vexelfeld";
    case AboutLink::VexelReminder:
        return kProgramName;
    case AboutLink::EclipsePlugin:
        return "Eclipse Plugin";
    case AboutLink::Pim:
        return kContactAddress;
    }
    return {};
}

std::string AboutLinkTarget(AboutLink link) {
    switch (link) {
    case AboutLink::Vexelfeld:
        return GameServerBase();
    case AboutLink::VexelReminder:
        return HomePageUrl();
    case AboutLink::EclipsePlugin:
        return SiteBase() + "/vexeclipse/update/";
    case AboutLink::Pim:
        return std::string("mailto:") + kContactAddress + "?subject=" + kProgramName;
    }
    return {};
}

std::string AboutLinkHint(AboutLink link) {
    if (link == AboutLink::Pim) {
        return kContactAddress;
    }
    std::string target = AboutLinkTarget(link);
    const std::size_t scheme = target.find("://");
    if (scheme != std::string::npos) {
        target.erase(0, scheme + 3);
    }
    return target;
}

void OpenAboutLink(AboutLink link) {
    Platform().ShellOpen(AboutLinkTarget(link));
}

} // namespace vexrem
