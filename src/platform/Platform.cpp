#include "platform/Platform.h"

namespace vexrem {

namespace {
IPlatform* g_override = nullptr;

IPlatform& NativePlatform() {
    static const std::unique_ptr<IPlatform> native = MakeNativePlatform();
    return *native;
}
} // namespace

IPlatform& Platform() {
    return g_override != nullptr ? *g_override : NativePlatform();
}

ScopedPlatform::ScopedPlatform(IPlatform& p) : previous_(g_override) {
    g_override = &p;
}

ScopedPlatform::~ScopedPlatform() {
    g_override = previous_;
}

bool IsPathDelimiter(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == PathDelim;
#endif
}

std::string ExtractFilePath(const std::string& path) {
    for (std::size_t i = path.size(); i > 0; --i) {
        if (IsPathDelimiter(path[i - 1])) {
            return path.substr(0, i);
        }
    }
    return {};
}

std::string ExtractFileName(const std::string& path) {
    return path.substr(ExtractFilePath(path).size());
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
    if (!path.empty() && path.back() == PathDelim) {
        return path;
    }
    return path + PathDelim;
}

} // namespace vexrem
