#pragma once
// A fresh folder below the system's temp folder, removed with everything in it
// when the object goes away.

#include <filesystem>
#include <string>

namespace vexrem::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // The folder as text, without a trailing separator.
    std::string Str() const { return path_.string(); }
    // path below this folder, as text.
    std::string operator/(const std::string& rel) const {
        return (path_ / rel).make_preferred().string(); // native separators throughout
    }

private:
    std::filesystem::path path_;
};

// path with the system's own separators ("/" becomes "\" on Windows).
inline std::string NativePath(const std::string& path) {
    return std::filesystem::path(path).make_preferred().string();
}

// The file a file URL names ("" for any other URL); on Windows the drive
// letter follows the third slash ("file:///C:/x" is C:/x).
inline std::string PathOfFileUrl(const std::string& url) {
    std::string path = url.rfind("file://", 0) == 0 ? url.substr(7) : std::string();
#ifdef _WIN32
    if (path.size() > 2 && path[0] == '/' && path[2] == ':') {
        path.erase(0, 1);
    }
#endif
    return path;
}

// Whole content of a file ("" when it cannot be read).
std::string ReadFileBytes(const std::string& path);
// Writes bytes to a file, replacing it; creates missing parent folders.
void WriteFileBytes(const std::string& path, const std::string& bytes);

} // namespace vexrem::test
