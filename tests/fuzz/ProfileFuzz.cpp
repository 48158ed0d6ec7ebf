// The profile (INI) text: for every section and key the input names, a write
// reads back as the value written, leaves every other key as it was, and
// writing the same value a second time gives the same text; writing back the
// value just read changes no byte.

#include "FuzzCheck.h"

#include "platform/ProfileFile.h"
#include "platform/StringUtil.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace profile = vexrem::profile;

namespace {

constexpr std::size_t kMaxNames = 16; // each check is linear in the text

// Usable as a name: what a write would put on the line reads back as itself.
bool UsableName(std::string_view name) {
    return name == vexrem::TrimBlanks(name) &&
           name.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

struct Name {
    std::string section;
    std::string key;
};

// The sections and keys the text holds, as a reader sees them; a key before
// the first header has no section and is left out.
std::vector<Name> NamesIn(std::string_view text) {
    std::vector<Name> names;
    std::optional<std::string> section;
    std::size_t pos = 0;
    while (pos < text.size() && names.size() < kMaxNames) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = vexrem::TrimBlanks(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.starts_with('[')) {
            const std::size_t close = line.rfind(']');
            if (close != std::string_view::npos && close > 0)
                section = std::string(vexrem::TrimBlanks(line.substr(1, close - 1)));
            continue;
        }
        const std::size_t eq = line.find('=');
        if (!section || line.starts_with(';') || eq == std::string_view::npos)
            continue;
        const std::string_view key = vexrem::TrimBlanks(line.substr(0, eq));
        if (!key.empty() && UsableName(key) && UsableName(*section))
            names.push_back({*section, std::string(key)});
    }
    return names;
}

std::string Expected(std::string_view value) {
    return std::string(
        vexrem::TrimBlanks(profile::SingleLine(value)).substr(0, profile::MaxValueLength));
}

// Names are compared without regard to case: the same name with its letters
// swapped between upper and lower case finds the same key.
std::string OtherCase(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

// Writing back the value just read changes no byte, whatever the line holds
// around it (blanks, a NUL, a lone CR, more than a read returns).
void CheckWriteBack(std::string_view text, const Name& name) {
    const std::optional<std::string> value = profile::FindValue(text, name.section, name.key);
    if (!value)
        return; // a key line of a later section of the same name
    FUZZ_CHECK(profile::FindValue(text, OtherCase(name.section), OtherCase(name.key)) == value);
    FUZZ_CHECK(profile::SetValue(text, name.section, name.key, *value) == text);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    const auto fold = [](char c) {
        return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
    };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [&](char x, char y) { return fold(x) == fold(y); });
}

void CheckWrite(std::string_view text, const std::vector<Name>& names, const Name& target,
                std::string_view value, bool checkOthers) {
    const std::string written = profile::SetValue(text, target.section, target.key, value);
    FUZZ_CHECK(profile::FindValue(written, target.section, target.key) == Expected(value));
    FUZZ_CHECK(profile::SectionHasKeys(written, target.section));
    // The same value again: the same text, so blanks do not pile up.
    FUZZ_CHECK(profile::SetValue(written, target.section, target.key, value) == written);
    if (!checkOthers)
        return;
    for (std::size_t i = 0; i < std::min<std::size_t>(names.size(), 8); ++i) {
        const Name& other = names[i];
        if (EqualNoCase(other.section, target.section) && EqualNoCase(other.key, target.key))
            continue;
        FUZZ_CHECK(profile::FindValue(text, other.section, other.key) ==
                   profile::FindValue(written, other.section, other.key));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<Name> names = NamesIn(text);
    for (const Name& name : names)
        CheckWriteBack(text, name);

    // New values: for the keys the text has, and for a new key and section.
    // The value is the input's last line, which covers blanks, NUL and CR in
    // it, once as it is and once behind leading blanks.
    const std::size_t lastLine = text.rfind('\n');
    const std::string_view value =
        text.substr(lastLine == std::string_view::npos ? 0 : lastLine + 1).substr(0, 300);
    const std::string indented = " \t " + std::string(value);
    std::vector<Name> targets = names;
    targets.resize(std::min<std::size_t>(targets.size(), 2));
    targets.push_back({names.empty() ? "Neu" : names.front().section, "NeuerSchluessel"});
    targets.push_back({"NeuerAbschnitt", "Schluessel"});
    for (const Name& target : targets) {
        CheckWrite(text, names, target, value, true);
        CheckWrite(text, names, target, indented, false);
        CheckWrite(text, names, target, "", false);
        CheckWrite(text, names, target, std::string(profile::MaxValueLength + 5, 'x'), false);
    }
    return 0;
}
