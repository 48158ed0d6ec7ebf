#include "HttpText.h"

#include <charconv>

namespace vexrem::demo {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

// Length of the valid UTF-8 sequence starting at text[i], 0 if there is none.
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) {
        return static_cast<unsigned char>(text[k]);
    };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned minimum = 0;
    unsigned code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) {
            return 0;
        }
        code = (code << 6) | (byte(i + k) & 0x3Fu);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 0;
    }
    return length;
}

} // namespace

std::optional<std::string> percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%') {
            if (i + 2 >= text.size()) {
                return std::nullopt;
            }
            const int high = hexValue(text[i + 1]);
            const int low = hexValue(text[i + 2]);
            if (high < 0 || low < 0) {
                return std::nullopt;
            }
            out += static_cast<char>(high * 16 + low);
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string percentEncode(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const bool plain =
            c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (plain) {
            out += c;
        } else {
            const auto b = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0x0Fu];
        }
    }
    return out;
}

std::optional<QueryItems> parseQuery(std::string_view query) {
    QueryItems items;
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view piece = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (piece.empty()) {
            continue;
        }
        const auto eq = piece.find('=');
        auto key = percentDecode(piece.substr(0, eq));
        auto value =
            percentDecode(eq == std::string_view::npos ? std::string_view{} : piece.substr(eq + 1));
        if (!key || !value) {
            return std::nullopt;
        }
        items.emplace_back(std::move(*key), std::move(*value));
    }
    return items;
}

std::optional<std::string> queryValue(const QueryItems& items, std::string_view key) {
    for (const auto& [name, value] : items) {
        if (name == key) {
            return value;
        }
    }
    return std::nullopt;
}

std::string htmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string displayHtml(std::string_view bytes) {
    std::string utf8;
    utf8.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x20 || b == 0x7F) {
            utf8 += '?';
            ++i;
        } else if (b < 0x80) {
            utf8 += static_cast<char>(b);
            ++i;
        } else if (const std::size_t n = utf8SequenceLength(bytes, i); n > 0) {
            utf8.append(bytes.substr(i, n));
            i += n;
        } else if (b < 0xA0) {
            utf8 += '?'; // C1 controls have no business on a page either
            ++i;
        } else {
            utf8 += static_cast<char>(0xC0u | (b >> 6));
            utf8 += static_cast<char>(0x80u | (b & 0x3Fu));
            ++i;
        }
    }
    return htmlEscape(utf8);
}

std::optional<long long> parseNumber(std::string_view text, long long min, long long max) {
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (text.empty() || error != std::errc{} || end != last || value < min || value > max) {
        return std::nullopt;
    }
    return value;
}

} // namespace vexrem::demo
