#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace vexrem::demo {

struct ServerOptions {
    std::uint16_t port = 8047; // 0: let the system pick one
    std::string bindAddress = "127.0.0.1";
    std::filesystem::path dataDir; // empty: keep the games in memory
    std::chrono::milliseconds turnDelay{std::chrono::seconds(20)};
    bool help = false;
};

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads "--port N", "--bind ADDR", "--data DIR", "--turn-delay SECONDS" (a
// fraction such as 0.5 is allowed), each also as "--name=value", and "--help".
ServerOptions parseServerOptions(const std::vector<std::string>& args);

std::string usageText();

} // namespace vexrem::demo
