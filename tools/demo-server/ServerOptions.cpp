#include "ServerOptions.h"

#include "HttpText.h"

#include <cmath>
#include <cstdlib>

namespace vexrem::demo {

namespace {

std::chrono::milliseconds parseSeconds(const std::string& text) {
    // strtod would also take "inf", "0x10" or leading blanks; allow plain decimals only.
    const bool plain = !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos;
    char* end = nullptr;
    const double seconds = plain ? std::strtod(text.c_str(), &end) : -1.0;
    if (!plain || end != text.c_str() + text.size() || !(seconds >= 0.0) || seconds > 86400.0) {
        throw UsageError("--turn-delay wants seconds between 0 and 86400, not '" + text + "'");
    }
    return std::chrono::milliseconds(std::llround(seconds * 1000.0));
}

} // namespace

ServerOptions parseServerOptions(const std::vector<std::string>& args) {
    ServerOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (name != "--port" && name != "--bind" && name != "--data" && name != "--turn-delay") {
            throw UsageError("unknown option '" + args[i] + "'");
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                throw UsageError(name + " needs a value");
            }
            value = args[++i];
        }
        if (name == "--port") {
            const auto port = parseNumber(value, 0, 65535);
            if (!port) {
                throw UsageError("--port wants a number from 0 to 65535, not '" + value + "'");
            }
            options.port = static_cast<std::uint16_t>(*port);
        } else if (name == "--bind") {
            if (value.empty()) {
                throw UsageError("--bind needs an address");
            }
            options.bindAddress = value;
        } else if (name == "--data") {
            if (value.empty()) {
                throw UsageError("--data needs a folder");
            }
            options.dataDir = value;
        } else {
            options.turnDelay = parseSeconds(value);
        }
    }
    return options;
}

std::string usageText() {
    return "usage: vexrem-demo-server [--port N] [--bind ADDRESS] [--data DIR] "
           "[--turn-delay SECONDS]\n"
           "  --port N              port to listen on (default 8047, 0 picks a free one)\n"
           "  --bind ADDRESS        address to listen on (default 127.0.0.1)\n"
           "  --data DIR            keep the players' games in DIR/players.txt\n"
           "                        (default: in memory only)\n"
           "  --turn-delay SECONDS  how long the opponents take after a move (default 20)\n";
}

} // namespace vexrem::demo
