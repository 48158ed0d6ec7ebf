#include "platform/ProfileFile.h"

#include "platform/StringUtil.h"

#include <vector>

namespace vexrem::profile {

namespace {

// One line of the text: [begin, contentEnd) is its content, [contentEnd, end)
// its line break ("\n", "\r\n", or nothing for a last line without one).
struct Line {
    std::size_t begin;
    std::size_t contentEnd;
    std::size_t end;
};

constexpr std::string_view Utf8Bom = "\xEF\xBB\xBF";

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    // A byte-order mark belongs to no line; it stays in the text untouched.
    std::size_t pos = text.starts_with(Utf8Bom) ? Utf8Bom.size() : 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string_view::npos) {
            lines.push_back({pos, text.size(), text.size()});
            break;
        }
        const std::size_t contentEnd = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
        lines.push_back({pos, contentEnd, nl + 1});
        pos = nl + 1;
    }
    return lines;
}

std::string_view Content(std::string_view text, const Line& line) {
    return text.substr(line.begin, line.contentEnd - line.begin);
}

// The name of a section header line ("[name]"), nothing for any other line.
std::optional<std::string_view> HeaderName(std::string_view content) {
    const std::string_view t = TrimBlanks(content);
    if (t.empty() || t.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = t.rfind(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return TrimBlanks(t.substr(1, close - 1));
}

// Position of the "=" of a key line within its content, nothing for headers,
// comments, lines without "=" and lines with an empty key.
std::optional<std::size_t> KeyEquals(std::string_view content) {
    const std::string_view t = TrimBlanks(content);
    if (t.empty() || t.front() == '[' || t.front() == ';') {
        return std::nullopt;
    }
    const std::size_t eq = content.find('=');
    if (eq == std::string_view::npos || TrimBlanks(content.substr(0, eq)).empty()) {
        return std::nullopt;
    }
    return eq;
}

// The value of a key line as a read returns it: from the first "=" to a NUL,
// trimmed, cut to MaxValueLength.
std::string_view ValueOf(std::string_view content, std::size_t eq) {
    std::string_view value = content.substr(eq + 1);
    value = TrimBlanks(value.substr(0, value.find('\0')));
    return value.substr(0, MaxValueLength);
}

bool IsKeyLine(std::string_view content, std::string_view key, std::size_t& eq) {
    const std::optional<std::size_t> pos = KeyEquals(content);
    if (!pos || !EqualsNoCase(TrimBlanks(content.substr(0, *pos)), key)) {
        return false;
    }
    eq = *pos;
    return true;
}

// Lines [header, end) of the first section named name: the header line and
// everything up to the next header.
struct SectionRange {
    std::size_t header;
    std::size_t end;
};

std::optional<SectionRange> FindSection(std::string_view text, const std::vector<Line>& lines,
                                        std::string_view name) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::optional<std::string_view> h = HeaderName(Content(text, lines[i]));
        if (!h || !EqualsNoCase(*h, name)) {
            continue;
        }
        std::size_t end = i + 1;
        while (end < lines.size() && !HeaderName(Content(text, lines[end]))) {
            ++end;
        }
        return SectionRange{i, end};
    }
    return std::nullopt;
}

std::string_view LineBreakOf(std::string_view text) {
    const std::size_t nl = text.find('\n');
    return (nl != std::string_view::npos && nl > 0 && text[nl - 1] == '\r') ? "\r\n" : "\n";
}

} // namespace

std::string_view SingleLine(std::string_view s) {
    return s.substr(0, s.find_first_of(std::string_view("\0\r\n", 3)));
}

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
    section = SingleLine(section);
    key = SingleLine(key);
    const std::vector<Line> lines = SplitLines(text);
    const std::optional<SectionRange> range = FindSection(text, lines, section);
    if (!range) {
        return std::nullopt;
    }
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        const std::string_view content = Content(text, lines[i]);
        std::size_t eq = 0;
        if (IsKeyLine(content, key, eq)) {
            return std::string(ValueOf(content, eq));
        }
    }
    return std::nullopt;
}

bool SectionHasKeys(std::string_view text, std::string_view section) {
    section = SingleLine(section);
    const std::vector<Line> lines = SplitLines(text);
    const std::optional<SectionRange> range = FindSection(text, lines, section);
    if (!range) {
        return false;
    }
    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        if (KeyEquals(Content(text, lines[i]))) {
            return true;
        }
    }
    return false;
}

std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value) {
    section = SingleLine(section);
    key = SingleLine(key);
    // A value is cut at a CR so it cannot start a line of its own; a line
    // that already reads as the whole value (a lone CR inside it, from an
    // edited file) is left alone instead, as rewriting it would only cut it.
    const std::string_view given = value;
    value = SingleLine(value);
    const std::string_view eol = LineBreakOf(text);
    const std::vector<Line> lines = SplitLines(text);
    std::string out;
    out.reserve(text.size() + section.size() + key.size() + value.size() + 8);

    const std::optional<SectionRange> range = FindSection(text, lines, section);
    if (!range) {
        out.append(text);
        if (!out.empty() && out.back() != '\n') {
            out.append(eol);
        }
        // A blank line between the last section and the new one, for the eye.
        if (!lines.empty() && !TrimBlanks(Content(text, lines.back())).empty()) {
            out.append(eol);
        }
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(value).append(eol);
        return out;
    }

    for (std::size_t i = range->header + 1; i < range->end; ++i) {
        std::size_t eq = 0;
        const std::string_view content = Content(text, lines[i]);
        if (IsKeyLine(content, key, eq)) {
            // A line that already reads as the value stays as it is, so reading
            // a file and writing back what was read changes no byte.
            const std::string_view current = ValueOf(content, eq);
            if (current == given || current == value) {
                return std::string(text);
            }
            // The key's own spelling and spacing stay; only the value changes.
            // Blanks after the "=" are kept unless the value brings blanks of
            // its own: reads trim them, so keeping both would let a value with
            // leading blanks gain another set at every rewrite.
            std::size_t valueStart = lines[i].begin + eq + 1;
            while (valueStart < lines[i].contentEnd && IsBlank(text[valueStart]) &&
                   (value.empty() || !IsBlank(value.front()))) {
                ++valueStart;
            }
            out.append(text.substr(0, valueStart));
            out.append(value);
            out.append(text.substr(lines[i].contentEnd));
            return out;
        }
    }

    // A new key goes after the section's last non-blank line, so the blank
    // lines that part it from the next section stay where they are.
    std::size_t last = range->end - 1;
    while (last > range->header && TrimBlanks(Content(text, lines[last])).empty()) {
        --last;
    }
    const Line& after = lines[last];
    out.append(text.substr(0, after.end));
    if (after.end == after.contentEnd) {
        out.append(eol); // the file ended without a line break
    }
    out.append(key).append("=").append(value).append(eol);
    out.append(text.substr(after.end));
    return out;
}

} // namespace vexrem::profile
