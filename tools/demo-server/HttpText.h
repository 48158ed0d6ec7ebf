#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vexrem::demo {

using QueryItems = std::vector<std::pair<std::string, std::string>>;

// Decodes %XX escapes (either letter case) and, as in form data, '+' as a space.
// A '%' that is not followed by two hex digits makes the whole text invalid.
std::optional<std::string> percentDecode(std::string_view text);

// Encodes the way the reminder encodes a login: '.', digits and ASCII letters
// stay, every other byte becomes %XX with upper-case hex digits.
std::string percentEncode(std::string_view bytes);

// Splits "a=1&b=2" into decoded pairs; empty pieces are skipped, a piece without
// '=' gets an empty value. Everything after the first '=' is the value, so
// "main=showmap.php?GID=5" keeps its inner '?' and '='. nullopt on a bad escape.
std::optional<QueryItems> parseQuery(std::string_view query);

// The value of the first item named `key`.
std::optional<std::string> queryValue(const QueryItems& items, std::string_view key);

// Escapes the five characters that matter in HTML text and attribute values.
std::string htmlEscape(std::string_view text);

// Makes arbitrary bytes (a login in whatever code page the client uses) safe to
// put into a UTF-8 page: valid UTF-8 stays, other bytes are read as Latin-1,
// control characters become '?'. The result is HTML-escaped.
std::string displayHtml(std::string_view bytes);

// A decimal number within [min, max] with nothing around it.
std::optional<long long> parseNumber(std::string_view text, long long min, long long max);

} // namespace vexrem::demo
