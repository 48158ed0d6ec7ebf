#include "config/ProxyPassword.h"

#include <random>
#include <vector>

namespace vexrem {

namespace {

constexpr int MinSeed = 1;
constexpr int MaxSeed = 30;

int NextKey(int k) {
    return ((k + k % 10) % 31) + 1;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// XOR with the running key that starts at seed; its own inverse.
std::string Mix(std::string_view bytes, int seed) {
    std::string out(bytes);
    int k = seed;
    for (char& c : out) {
        c = static_cast<char>(static_cast<unsigned char>(c) ^ static_cast<unsigned char>(k));
        k = NextKey(k);
    }
    return out;
}

bool FitsOnOneLine(std::string_view stored) {
    return stored.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
}

} // namespace

std::string ScramblePassword(std::string_view password, int seed) {
    if (password.empty() || seed < MinSeed || seed > MaxSeed) {
        return {};
    }
    std::string stored;
    stored.reserve(password.size() + 2);
    stored.push_back(static_cast<char>('0' + seed / 10));
    stored += Mix(password, seed);
    stored.push_back(static_cast<char>('0' + seed % 10));
    return stored;
}

std::string ScramblePassword(std::string_view password) {
    // Printable passwords fit with every seed; only control characters can
    // turn into a line break or NUL under some of them.
    std::vector<std::string> candidates;
    for (int seed = MinSeed; seed <= MaxSeed; ++seed) {
        std::string stored = ScramblePassword(password, seed);
        if (!stored.empty() && FitsOnOneLine(stored)) {
            candidates.push_back(std::move(stored));
        }
    }
    if (candidates.empty()) {
        return {};
    }
    static thread_local std::mt19937 rng{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, candidates.size() - 1);
    return candidates[pick(rng)];
}

std::string UnscramblePassword(std::string_view stored) {
    if (stored.size() < 3 || !IsDigit(stored.front()) || !IsDigit(stored.back())) {
        return {};
    }
    const int seed = 10 * (stored.front() - '0') + (stored.back() - '0');
    return Mix(stored.substr(1, stored.size() - 2), seed);
}

} // namespace vexrem
