// Profile files on disk: created private, replaced whole, never torn, and
// whatever is in them never crashes a read or a write.
#include "platform/posix/PosixPlatform.h"
#include "support/TempDir.h"
#include "support/TestGuards.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace vexrem {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

unsigned ModeOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ProfileFileOnDisk : public testing::Test {
protected:
    PosixPlatform platform;
    TempDir dir;
    std::string ini = dir / "vexrem.ini";
};

TEST_F(ProfileFileOnDisk, MissingFileGivesDefault) {
    EXPECT_EQ(platform.ReadProfileString(ini, "s", "k", "def"), "def");
    EXPECT_FALSE(platform.ProfileSectionHasKeys(ini, "s"));
    EXPECT_FALSE(std::filesystem::exists(ini)); // reading creates nothing
}

TEST_F(ProfileFileOnDisk, WriteCreatesPrivateFile) {
    platform.WriteProfileValue(ini, "tester", "UserName", "pim");
    EXPECT_EQ(ReadFileBytes(ini), "[tester]\nUserName=pim\n");
    EXPECT_EQ(ModeOf(ini), 0600u);
    EXPECT_EQ(platform.ReadProfileString(ini, "TESTER", "username", "x"), "pim");
    EXPECT_TRUE(platform.ProfileSectionHasKeys(ini, "tester"));
}

TEST_F(ProfileFileOnDisk, WriteKeepsModeOfExistingFile) {
    WriteFileBytes(ini, "[s]\nk=1\n");
    ASSERT_EQ(chmod(ini.c_str(), 0644), 0);
    platform.WriteProfileValue(ini, "s", "k", "2");
    EXPECT_EQ(ModeOf(ini), 0644u);
    EXPECT_EQ(ReadFileBytes(ini), "[s]\nk=2\n");
}

TEST_F(ProfileFileOnDisk, WriteLeavesOtherLinesAndSectionsAlone) {
    const std::string before = "; kept\r\n[other]\r\nUserName=someone\r\nX = y \r\n\r\n"
                               "[tester]\r\nInterval=60\r\nActive=1\r\n";
    WriteFileBytes(ini, before);
    platform.WriteProfileValue(ini, "tester", "interval", "120");
    platform.WriteProfileValue(ini, "tester", "ShowBalloon", "0");
    EXPECT_EQ(ReadFileBytes(ini), "; kept\r\n[other]\r\nUserName=someone\r\nX = y \r\n\r\n"
                                  "[tester]\r\nInterval=120\r\nActive=1\r\nShowBalloon=0\r\n");
}

TEST_F(ProfileFileOnDisk, EveryWriteIsOnDiskAtOnceAndLeavesNoTempFile) {
    for (int i = 0; i < 20; ++i) {
        platform.WriteProfileValue(ini, "s", "k" + std::to_string(i), std::to_string(i));
        EXPECT_EQ(platform.ReadProfileString(ini, "s", "k" + std::to_string(i), ""),
                  std::to_string(i));
    }
    EXPECT_EQ(FolderEntries(dir.Str()), std::vector<std::string>{"vexrem.ini"});
}

TEST_F(ProfileFileOnDisk, WriteOfTheValueAlreadyThereLeavesTheFileAlone) {
    platform.WriteProfileValue(ini, "s", "k", "v");
    struct stat before {};
    ASSERT_EQ(stat(ini.c_str(), &before), 0);
    platform.WriteProfileValue(ini, "S", "K", "v");
    struct stat after {};
    ASSERT_EQ(stat(ini.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino); // not replaced
    platform.WriteProfileValue(ini, "s", "k", "w");
    ASSERT_EQ(stat(ini.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
}

TEST_F(ProfileFileOnDisk, WriteFailsWhenFolderIsAFile) {
    // Holds for root as well: nothing can be created below a regular file.
    WriteFileBytes(dir / "plain", "x");
    const std::string bad = dir / "plain/vexrem.ini";
    EXPECT_THROW(platform.WriteProfileValue(bad, "s", "k", "v"), PlatformError);
    EXPECT_EQ(platform.ReadProfileString(bad, "s", "k", "def"), "def");
}

TEST_F(ProfileFileOnDisk, WriteFailsWhenFolderIsMissing) {
    EXPECT_THROW(platform.WriteProfileValue(dir / "none/vexrem.ini", "s", "k", "v"), PlatformError);
}

TEST_F(ProfileFileOnDisk, PathThatIsNoRegularFileReadsLikeAnUnreadableOne) {
    namespace fs = std::filesystem;
    struct Row {
        const char* kind;
        void (*make)(const std::string&);
        bool (*stillThere)(const fs::path&);
    };
    const Row rows[] = {
        {"folder", [](const std::string& p) { fs::create_directory(p); },
         [](const fs::path& p) {
             return fs::is_directory(p);
         }},
        // Opening a pipe for reading would wait for a writer forever.
        {"pipe", [](const std::string& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); },
         [](const fs::path& p) {
             return fs::is_fifo(p);
         }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.kind);
        fs::remove(ini);
        r.make(ini);
        test::HangGuard guard;
        EXPECT_EQ(platform.ReadProfileString(ini, "s", "k", "def"), "def");
        EXPECT_FALSE(platform.ProfileSectionHasKeys(ini, "s"));
        EXPECT_THROW(platform.WriteProfileValue(ini, "s", "k", "v"), PlatformError);
        EXPECT_TRUE(r.stillThere(ini));
    }
}

TEST_F(ProfileFileOnDisk, BatchGivesTheTextOfItsWritesOneByOne) {
    const std::string before = "[other]\nk=1\n\n[s]\nB=old\n";
    const std::vector<ProfileEntry> batch = {
        {"s", "A", "1"}, {"s", "b", "2"}, {"new", "C", " 3"}, {"s", "D", ""}, {"s", "A", "4"}};
    const std::string single = dir / "single.ini";
    WriteFileBytes(ini, before);
    WriteFileBytes(single, before);
    platform.WriteProfileValues(ini, batch);
    for (const ProfileEntry& e : batch) {
        platform.WriteProfileValue(single, e.section, e.key, e.value);
    }
    EXPECT_EQ(ReadFileBytes(ini), ReadFileBytes(single));
    EXPECT_EQ(ReadFileBytes(ini), "[other]\nk=1\n\n[s]\nB=2\nA=4\nD=\n\n[new]\nC= 3\n");
}

TEST_F(ProfileFileOnDisk, SaveAndStartRemoveOnlyOurOwnStaleTempFiles) {
    namespace fs = std::filesystem;
    struct Row {
        const char* name;
        bool old;
        bool removed;
    };
    const Row rows[] = {
        {".vexrem.ini.aB3xYz", true, true},   {".vexrem.ini.Q1w2E3", true, true},
        {".vexrem.ini.aB3xY0", false, false}, // a save running right now may own it
        {".vexrem.ini.aB3xY", true, false},   {".vexrem.ini.aB3xYz9", true, false},
        {".vexrem.ini.aB-xYz", true, false},  {"vexrem.ini.aB3xYz", true, false},
        {".other.ini.aB3xYz", true, false},   {".vexrem.ini~", true, false},
    };
    const auto age = [](const std::string& path) {
        const timespec times[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
    };
    const bool root = geteuid() == 0;
    struct Sweep {
        const char* name;
        void (*run)(PosixPlatform&, const std::string& ini);
    };
    const Sweep sweeps[] = {
        {"save that changes nothing",
         [](PosixPlatform& p, const std::string& ini) {
             p.WriteProfileValue(ini, "s", "k", "1");
         }},
        {"start",
         [](PosixPlatform& p, const std::string& ini) {
             p.RemoveStaleProfileTempFiles(ini);
         }},
    };
    for (const Sweep& sweep : sweeps) {
        SCOPED_TRACE(sweep.name);
        const TempDir folder;
        const std::string file = folder / "vexrem.ini";
        WriteFileBytes(file, "[s]\nk=1\n");
        for (const Row& r : rows) {
            WriteFileBytes(folder / r.name, "partial");
            if (r.old) {
                age(folder / r.name);
            }
        }
        // Only regular files of ours: not a link, not a folder, not another user's.
        fs::create_symlink(file, folder / ".vexrem.ini.Link01");
        fs::create_directory(folder / ".vexrem.ini.Fold01");
        WriteFileBytes(folder / ".vexrem.ini.Othr01", "theirs");
        if (root) {
            ASSERT_EQ(chown((folder / ".vexrem.ini.Othr01").c_str(), 65534, 65534), 0);
        }
        for (const char* kept :
             {".vexrem.ini.Link01", ".vexrem.ini.Fold01", ".vexrem.ini.Othr01"}) {
            age(folder / kept);
        }

        sweep.run(platform, file);
        for (const Row& r : rows) {
            EXPECT_EQ(fs::exists(fs::symlink_status(folder / r.name)), !r.removed) << r.name;
        }
        EXPECT_TRUE(fs::is_symlink(folder / ".vexrem.ini.Link01"));
        EXPECT_TRUE(fs::is_directory(folder / ".vexrem.ini.Fold01"));
        EXPECT_EQ(fs::exists(folder / ".vexrem.ini.Othr01"), root);
        EXPECT_EQ(ReadFileBytes(file), "[s]\nk=1\n");
    }
}

TEST_F(ProfileFileOnDisk, WriteThroughSymbolicLinkKeepsTheLink) {
    const std::string real = dir / "real.ini";
    WriteFileBytes(real, "[s]\nk=1\n");
    std::filesystem::create_symlink(real, ini);
    platform.WriteProfileValue(ini, "s", "k", "2");
    EXPECT_TRUE(std::filesystem::is_symlink(ini));
    EXPECT_EQ(ReadFileBytes(real), "[s]\nk=2\n");
}

TEST_F(ProfileFileOnDisk, CorruptFileNeverCrashes) {
    std::string garbage;
    for (int b = 0; b < 256; ++b) {
        garbage.push_back(static_cast<char>(b));
    }
    const std::string longLine(100 * 1024, 'L');
    const std::string before = garbage + "\n" + longLine + "\n[tester]\nno equals here\n" +
                               "Interval=30\nInterval=40\n" + garbage + "\n[TESTER]\n" +
                               "Interval=50\nActive=" + longLine; // no final line break
    WriteFileBytes(ini, before);

    EXPECT_EQ(platform.ReadProfileString(ini, "tester", "Interval", "def"), "30");
    EXPECT_EQ(platform.ReadProfileString(ini, "tester", "Active", "def"), "def");
    EXPECT_EQ(platform.ReadProfileString(ini, "tester", "no equals here", "def"), "def");
    EXPECT_TRUE(platform.ProfileSectionHasKeys(ini, "tester"));

    platform.WriteProfileValue(ini, "tester", "Interval", "99");
    platform.WriteProfileValue(ini, "tester", "Active", "1");
    EXPECT_EQ(platform.ReadProfileString(ini, "tester", "Interval", "def"), "99");
    EXPECT_EQ(platform.ReadProfileString(ini, "tester", "Active", "def"), "1");

    std::string expected = before;
    expected.replace(expected.find("Interval=30"), 11, "Interval=99");
    const std::size_t firstSectionEnd = expected.find("\n[TESTER]");
    expected.insert(firstSectionEnd + 1, "Active=1\n");
    EXPECT_EQ(ReadFileBytes(ini), expected);
}

} // namespace
} // namespace vexrem
