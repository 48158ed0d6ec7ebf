#pragma once
// The text of a profile (INI) file, read and changed one key at a time the way
// the Windows profile functions do it: section and key names compared without
// regard to case, values trimmed of surrounding blanks, the first matching
// section and key win, and a change touches no line but the one it is about.
// Pure text in, text out; the file handling lives with the platform.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vexrem::profile {

// Longest value a read returns, in bytes (a 2048-byte buffer with its zero).
inline constexpr std::size_t MaxValueLength = 2047;

// The value of key in the first section named section, trimmed and cut to
// MaxValueLength; nothing when the section or the key is missing.
std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key);

// True when the first section named section holds at least one key.
bool SectionHasKeys(std::string_view text, std::string_view section);

// The text with key=value set in section: an existing key keeps its line and
// gets the new value, a new key goes after the last line of its section, a new
// section goes to the end. Every other line stays byte for byte; new lines use
// the text's own line ending (LF for a text that has none). A key whose line
// already reads (FindValue) as value leaves the text unchanged, so writing
// back what was read is a fixed point, and writing a value twice gives the
// same text as writing it once.
std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value);

// A name or value as a C-string API would pass it and a line can hold it: cut
// at the first NUL, CR or LF.
std::string_view SingleLine(std::string_view s);

} // namespace vexrem::profile
