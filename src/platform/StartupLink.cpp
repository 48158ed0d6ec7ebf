#include "platform/StartupLink.h"

#include "platform/Platform.h"

namespace vexrem {

std::string StartupLinkPathIn(const std::string& folder, const std::string& linkName) {
    if (folder.empty()) {
        return {};
    }
    return IncludeTrailingPathDelimiter(folder) + linkName;
}

std::string StartupLinkPath(int csidl, const std::string& linkName) {
    return StartupLinkPathIn(Platform().SpecialFolderPath(csidl), linkName);
}

std::string EscapeDesktopString(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string QuoteDesktopExecArgument(const std::string& arg) {
    // Inside double quotes a launcher still gives these four a meaning;
    // a backslash makes them literal.
    std::string quoted = "\"";
    for (const char c : arg) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    quoted += '"';
    // The string escapes are undone before the quotes are parsed, so every
    // backslash of the quoting is doubled once more; "%" would start a field code.
    std::string out;
    for (const char c : EscapeDesktopString(quoted)) {
        if (c == '%') {
            out += '%';
        }
        out += c;
    }
    return out;
}

std::string DesktopEntryText(const std::string& target, const std::string& description) {
    // Validators flag a Comment that merely repeats the Name, so the comment
    // says what the program does.
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=" +
           EscapeDesktopString(description) +
           "\n"
           "Comment=Meldet, wenn du bei Vexelfeld dran bist\n"
           "Exec=" +
           QuoteDesktopExecArgument(target) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n"
           // The program lives in the tray: panels that honour this start it
           // once their tray is up, so the icon is not lost at login.
           "X-LXQt-Need-Tray=true\n";
}

} // namespace vexrem
