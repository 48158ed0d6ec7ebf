#include "platform/Platform.h"
#include "support/TempDir.h"
#include "support/TestGuards.h"

#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include "platform/posix/PosixPlatform.h"

#include <sys/stat.h>
#endif

namespace vexrem {
namespace {

TEST(PathParts, SplitsFolderAndName) {
    EXPECT_EQ(ExtractFilePath("/a/b/c.ini"), "/a/b/");
    EXPECT_EQ(ExtractFileName("/a/b/c.ini"), "c.ini");
    EXPECT_EQ(ExtractFilePath("c.ini"), "");
    EXPECT_EQ(ExtractFileName("c.ini"), "c.ini");
    const std::string withDelim = std::string("/a") + PathDelim;
    EXPECT_EQ(IncludeTrailingPathDelimiter("/a"), withDelim);
    EXPECT_EQ(IncludeTrailingPathDelimiter(withDelim), withDelim);
}

TEST(ExeVersion, IsFourNumbers) {
    const std::string v = ExeVersionText();
    int dots = 0;
    for (char c : v) {
        if (c == '.') {
            ++dots;
        } else {
            EXPECT_TRUE(c >= '0' && c <= '9') << v;
        }
    }
    EXPECT_EQ(dots, 3) << v;
}

} // namespace
} // namespace vexrem

#ifndef _WIN32 // folder modes and the XDG folders of the POSIX platform
namespace vexrem {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;

unsigned FolderMode(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

const char* Env(const std::string& value) {
    return value.empty() ? nullptr : value.c_str();
}

// Folders of a test: private ones (0700), and shared ones any user may write.
class SharedFolders : public testing::Test {
protected:
    std::string Folder(const std::string& name, fs::perms perms) {
        const std::string path = dir / name;
        fs::create_directories(path);
        fs::permissions(path, perms);
        return path;
    }
    std::string Private(const std::string& name) { return Folder(name, fs::perms::owner_all); }
    std::string Shared(const std::string& name) { return Folder(name, fs::perms::all); }

    test::TempDir dir;
    PosixPlatform platform;
    ScopedEnv tmpdir{"TMPDIR", (dir / "tmp").c_str()};
    std::string tmp = Private("tmp");
};

TEST_F(SharedFolders, TempPathIsTheRuntimeFolderWhenItIsPrivate) {
    const std::string runtime = Private("runtime");
    const std::string shared = Shared("shared");
    struct Row {
        std::string runtimeDir; // "": unset
        std::string expected;
    };
    const Row rows[] = {
        {runtime, runtime + "/"},
        {shared, tmp + "/"},
        {"", tmp + "/"},
        {dir / "missing", tmp + "/"},
    };
    for (const Row& r : rows) {
        ScopedEnv env("XDG_RUNTIME_DIR", Env(r.runtimeDir));
        EXPECT_EQ(platform.TempPath(), r.expected) << r.runtimeDir;
    }
}

TEST_F(SharedFolders, InstanceLockWithoutRuntimeFolderIsInTheCacheFolder) {
    constexpr const char* name = "VexremLockTest";
    ScopedEnv home("HOME", (dir / "home").c_str());
    Private("home");
    struct Row {
        std::string runtimeDir; // XDG_RUNTIME_DIR, "": unset
        std::string cacheHome;  // XDG_CACHE_HOME, "": unset
        std::string lockFolder; // where the lock must be
    };
    const std::string shared = Shared("shared");
    const Row rows[] = {
        {"", "", dir / "home/.cache"},
        {"", dir / "xdgcache", dir / "xdgcache"},
        {shared, dir / "cache2", dir / "cache2"}, // runtime folder not ours alone
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.lockFolder);
        ScopedEnv runtime("XDG_RUNTIME_DIR", Env(r.runtimeDir));
        ScopedEnv cache("XDG_CACHE_HOME", Env(r.cacheHome));
        auto first = platform.AcquireInstanceLock(name);
        EXPECT_EQ(first->State(), InstanceState::First);
        EXPECT_EQ(FolderMode(r.lockFolder), 0700u); // made for us, private
        EXPECT_TRUE(fs::is_regular_file(r.lockFolder + "/" + name + ".lock"));
        EXPECT_EQ(platform.AcquireInstanceLock(name)->State(), InstanceState::AlreadyRunning);
        first.reset();
        EXPECT_EQ(platform.AcquireInstanceLock(name)->State(), InstanceState::First);
    }
    EXPECT_FALSE(fs::exists(shared + "/" + std::string(name) + ".lock"));
}

TEST_F(SharedFolders, InstanceLockIsNeverTakenFromAFolderOthersCanWrite) {
    constexpr const char* name = "VexremLockTest";
    ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
    // A cache folder anyone may write: someone could hold the lock for us.
    {
        const std::string shared = Shared("shared");
        ScopedEnv cache("XDG_CACHE_HOME", shared.c_str());
        EXPECT_EQ(platform.AcquireInstanceLock(name)->State(), InstanceState::Unprotected);
        EXPECT_TRUE(fs::is_empty(shared));
    }
    // A link at the lock's name is not followed.
    {
        const std::string cacheDir = Private("cache");
        fs::create_symlink(dir / "target", cacheDir + "/" + name + ".lock");
        ScopedEnv cache("XDG_CACHE_HOME", cacheDir.c_str());
        EXPECT_EQ(platform.AcquireInstanceLock(name)->State(), InstanceState::Unprotected);
        EXPECT_FALSE(fs::exists(dir / "target"));
    }
}

} // namespace
} // namespace vexrem
#endif // !_WIN32
