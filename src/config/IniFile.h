#pragma once
// The settings file accessor: one INI file, read and written key by key
// through the platform's profile functions, with nothing cached; TIniBatch
// writes many keys as one change of the file.

#include "platform/Platform.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vexrem {

// A value could not be written; the message names the file.
class IniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TIniFile {
public:
    explicit TIniFile(std::string fileName);

    const std::string& FileName() const { return fileName_; }

    // The value (trimmed, at most 2047 bytes), def when the key is missing.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // def also when the value is no number.
    int ReadInteger(const std::string& section, const std::string& key, int def) const;
    // A number, true when not zero; def when missing or no number.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;
    bool SectionHasKeys(const std::string& section) const;

    // Each write reaches the file at once. Throws IniFileError when it cannot.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

private:
    std::string fileName_;
};

// Writes to one TIniFile collected in memory and put into the file as one
// change by Commit: the file then holds all of them, or none when Commit
// throws. Nothing reaches the file before Commit.
class TIniBatch {
public:
    explicit TIniBatch(TIniFile& ini) : ini_(ini) {}

    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, int value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Throws IniFileError when the file cannot be written.
    void Commit();

private:
    TIniFile& ini_;
    std::vector<ProfileEntry> entries_;
};

// An integer as the file holds it: decimal with an optional sign, or
// hexadecimal after "0x"/"0X" (up to 32 bits, taken as a signed value).
// Nothing for anything else, including numbers beyond the 32-bit range.
std::optional<int> ParseIniInteger(std::string_view text);

} // namespace vexrem
