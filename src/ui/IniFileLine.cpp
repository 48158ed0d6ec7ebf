#include "ui/IniFileLine.h"

#include "platform/Platform.h"
#include "ui/PlainText.h"

#include <QFontMetrics>
#include <QLabel>

namespace vexrem {

std::string EllipsizeFolder(const std::string& folder, int maxWidth,
                            const std::function<int(const std::string&)>& width) {
    const std::string ellipsis = "...";
    std::string p = folder;
    while (!p.empty() && width(p) > maxWidth) {
        // Skip a leading separator and an ellipsis already there, then drop
        // the next folder name.
        std::size_t start = 0;
        const bool rooted = p[0] == PathDelim;
        if (rooted) {
            start = 1;
        }
        const bool hasEllipsis = p.compare(start, ellipsis.size(), ellipsis) == 0 &&
                                 (p.size() == start + 3 || p[start + 3] == PathDelim);
        std::size_t nameStart = hasEllipsis ? start + 4 : start;
        if (nameStart > p.size()) {
            nameStart = p.size();
        }
        const std::size_t nameEnd = p.find(PathDelim, nameStart);
        if (nameEnd == std::string::npos) {
            // Only one name is left after the ellipsis.
            if (rooted) {
                p = ellipsis + PathDelim + p.substr(nameStart); // "/.../c" -> ".../c"
            } else if (hasEllipsis) {
                p = p.substr(nameStart); // ".../c" -> "c"
            } else {
                break; // a bare name cannot get shorter
            }
            continue;
        }
        p = (rooted ? std::string(1, PathDelim) : std::string()) + ellipsis + p.substr(nameEnd);
    }
    return p;
}

IniFileLine MakeIniFileLine(const std::string& path, const std::string& section, int labelWidth,
                            const TextWidth& width) {
    std::string drive;
    std::string rest = path;
#ifdef _WIN32
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 1);
        rest = rest.substr(2);
    }
    const std::string driveText = drive + ":";
#else
    // No drive letters here: the path starts at the root.
    const std::string driveText;
#endif
    const std::string file = ExtractFileName(rest);
    std::string folder = ExtractFilePath(rest);
    if (!folder.empty()) {
        folder.pop_back();
    }
    // The whole line must fit, section included, with a few pixels to spare
    // for glyphs that reach beyond their advance.
    const std::string tail = PathDelim + file + "#" + section;
    const std::string shortFolder = EllipsizeFolder(
        folder, labelWidth - 5, [&](const std::string& f) { return width(driveText + f + tail); });
    IniFileLine line;
    line.caption = driveText + shortFolder + tail;
    line.hint = path + "#" + section;
    return line;
}

void ShowIniFileLine(QLabel& label, const std::string& path, const std::string& section) {
    const QString prefix = QStringLiteral("INI-Datei: ");
    const QFontMetrics fm(label.font());
    const IniFileLine line =
        MakeIniFileLine(path, section, label.width(), [&fm, &prefix](const std::string& s) {
            return fm.horizontalAdvance(prefix + QString::fromLocal8Bit(s));
        });
    label.setText(prefix + QString::fromLocal8Bit(line.caption));
    label.setToolTip(ShownLiterally(QString::fromLocal8Bit(line.hint)));
}

} // namespace vexrem
