#include "config/IniFile.h"

#include "platform/Platform.h"

#include <charconv>
#include <cstdint>

namespace vexrem {

namespace {

std::string WriteErrorText(const std::string& fileName) {
    return "In " + fileName + " kann nicht geschrieben werden";
}

} // namespace

std::optional<int> ParseIniInteger(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        std::uint32_t value = 0;
        const char* first = text.data() + 2;
        const char* last = text.data() + text.size();
        const auto [end, ec] = std::from_chars(first, last, value, 16);
        if (ec != std::errc() || end != last) {
            return std::nullopt;
        }
        return static_cast<int>(value); // "0xFFFFFFFF" is -1, as a 32-bit register sees it
    }
    if (!text.empty() && text[0] == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text[0] == '-') {
            return std::nullopt;
        }
    }
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    return Platform().ReadProfileString(fileName_, section, key, def);
}

int TIniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
    return ParseIniInteger(ReadString(section, key, "")).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::SectionHasKeys(const std::string& section) const {
    return Platform().ProfileSectionHasKeys(fileName_, section);
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    try {
        Platform().WriteProfileValue(fileName_, section, key, value);
    } catch (const PlatformError&) {
        throw IniFileError(WriteErrorText(fileName_));
    }
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniBatch::WriteString(const std::string& section, const std::string& key,
                            const std::string& value) {
    entries_.push_back({section, key, value});
}

void TIniBatch::WriteInteger(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TIniBatch::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniBatch::Commit() {
    try {
        Platform().WriteProfileValues(ini_.FileName(), entries_);
    } catch (const PlatformError&) {
        throw IniFileError(WriteErrorText(ini_.FileName()));
    }
    entries_.clear();
}

} // namespace vexrem
