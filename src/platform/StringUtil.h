#pragma once
// Byte-string helpers that every layer shares. They look at ASCII only, so
// the rest of the bytes may be in any code page.

#include <string>
#include <string_view>

namespace vexrem {

// Space, tab, CR, LF, VT or FF.
bool IsBlank(char c);
// s without blanks at either end.
std::string_view TrimBlanks(std::string_view s);

// True when a and b are equal, ASCII letters compared without case.
bool EqualsNoCase(std::string_view a, std::string_view b);

// The byte as two upper-case hex digits.
std::string HexByte(char c);

} // namespace vexrem
