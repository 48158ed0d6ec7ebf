#include "worker/FailureText.h"

#include "platform/Platform.h"

#include <limits>

namespace vexrem {

namespace {

void TrimRightBlanks(std::string& s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) {
        s.pop_back();
    }
}

// Optional sign, then decimal digits only. Returns the value, clamped to
// one above the int range when it is larger (no OS code is that large).
bool ParseCode(const std::string& word, long long& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < word.size() && (word[i] == '+' || word[i] == '-')) {
        negative = word[i] == '-';
        ++i;
    }
    if (i == word.size()) {
        return false;
    }
    value = 0;
    for (; i < word.size(); ++i) {
        if (word[i] < '0' || word[i] > '9') {
            return false;
        }
        if (value <= std::numeric_limits<int>::max()) {
            value = value * 10 + (word[i] - '0');
        }
    }
    if (negative) {
        value = -value;
    }
    return true;
}

std::string SystemText(long long code) {
    if (code > std::numeric_limits<int>::max()) {
        return {};
    }
    std::string text = Platform().ErrorText(static_cast<int>(code));
    if (text.size() > 255) {
        text.resize(255);
    }
    while (!text.empty() && (static_cast<unsigned char>(text.back()) <= 32 || text.back() == '.')) {
        text.pop_back();
    }
    return text;
}

} // namespace

std::string FailureText(const std::string& message) {
    std::string m = message;
    TrimRightBlanks(m);
    const std::size_t space = m.rfind(' ');
    const std::string last = space == std::string::npos ? m : m.substr(space + 1);
    long long code = 0;
    if (ParseCode(last, code) && code > 0) {
        return m + " (" + SystemText(code) + ")";
    }
    return m;
}

} // namespace vexrem
