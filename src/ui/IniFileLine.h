#pragma once
// The "INI-Datei: " line of the settings window: where the settings live,
// with the folder shortened by an ellipsis to fit the label.

#include <functional>
#include <string>

class QLabel;

namespace vexrem {

struct IniFileLine {
    std::string caption; // what follows "INI-Datei: "
    std::string hint;    // full path + "#" + section
};

// Width in pixels of "INI-Datei: " followed by the given text.
using TextWidth = std::function<int(const std::string&)>;

// Shortens folder (the directory part, without drive and final separator)
// until width(it) fits maxWidth: its first folder name gives way to "...",
// one at a time ("/a/b/c" -> "/.../b/c" -> "/.../c" -> ".../c" -> "c").
std::string EllipsizeFolder(const std::string& folder, int maxWidth,
                            const std::function<int(const std::string&)>& width);

// The whole line for path and section in a label labelWidth pixels wide.
IniFileLine MakeIniFileLine(const std::string& path, const std::string& section, int labelWidth,
                            const TextWidth& width);

// Shows the line for path and section in label, its hint the whole path.
void ShowIniFileLine(QLabel& label, const std::string& path, const std::string& section);

} // namespace vexrem
