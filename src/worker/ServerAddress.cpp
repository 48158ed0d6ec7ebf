#include "worker/ServerAddress.h"

#include <cstdlib>

namespace vexrem {

namespace {

std::string BaseFromEnv(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    std::string base = value != nullptr && *value != '\0' ? value : fallback;
    // Paths are appended with their own leading slash.
    while (!base.empty() && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

} // namespace

std::string GameServerBase() {
    return BaseFromEnv(kGameServerEnv, kDefaultGameServer);
}

std::string SiteBase() {
    return BaseFromEnv(kSiteEnv, kDefaultSite);
}

} // namespace vexrem
