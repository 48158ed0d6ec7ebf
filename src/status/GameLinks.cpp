#include "status/GameLinks.h"

#include "platform/Platform.h"
#include "status/ServerAddress.h"

#include <cerrno>
#include <cstdio>
#include <memory>

namespace vexrem {

namespace {

bool IsPathDelimiter(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == PathDelim;
#endif
}

// Blanks and control characters off both ends.
std::string Trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= ' ') {
        ++begin;
    }
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= ' ') {
        --end;
    }
    return s.substr(begin, end - begin);
}

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

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

[[noreturn]] void ThrowWriteError(const std::string& fileName, int err) {
    std::string message = "error writing frameset file " + fileName;
    const std::string reason = Platform().ErrorText(err);
    if (!reason.empty()) {
        message += " (" + reason + ")";
    }
    throw GameLinkError(message);
}

void WriteFile(const std::string& fileName, const std::string& text) {
    std::unique_ptr<std::FILE, FileCloser> f(std::fopen(fileName.c_str(), "wb"));
    if (!f) {
        ThrowWriteError(fileName, errno);
    }
    if (std::fwrite(text.data(), 1, text.size(), f.get()) != text.size()) {
        ThrowWriteError(fileName, errno);
    }
    // A full disk may show only when the buffer goes out.
    if (std::fclose(f.release()) != 0) {
        ThrowWriteError(fileName, errno);
    }
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
    const std::string dir = Platform().TempPath();
    if (dir.empty()) {
        throw GameLinkError("error getting temp path");
    }
    const std::string reserved = Platform().TempFileName(dir, "vfs");
    if (reserved.empty()) {
        throw GameLinkError("error getting temp filename");
    }
    return ChangeFileExt(Trim(reserved), ".html");
}

void OpenGamePage(bool useZavazuzeza, int gameId) {
    if (useZavazuzeza) {
        Platform().ShellOpen(ZavazuzezaUrl(gameId));
        return;
    }
    const std::string text = FramesetText(FramesetPagePath(gameId));
    const std::string fileName = MakeFramesetFileName();
    WriteFile(fileName, text);
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
