// The startup entry: its full name in a folder, the desktop entry's text and
// quoting, and how the POSIX platform writes it.
#include "platform/StartupLink.h"
#include "platform/Platform.h"
#ifndef _WIN32
#include "platform/posix/PosixPlatform.h"
#endif
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <thread>

namespace vexrem {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

#ifndef _WIN32 // the XDG tools run through the shell
bool ToolAvailable(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

// Runs a shell command; its exit status and what it printed (both streams).
std::pair<int, std::string> RunShell(const std::string& command) {
    std::string out;
    FILE* p = popen((command + " 2>&1").c_str(), "r");
    if (p == nullptr) {
        return {-1, out};
    }
    char buf[512];
    while (const std::size_t n = fread(buf, 1, sizeof buf, p)) {
        out.append(buf, n);
    }
    const int status = pclose(p);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (const char c : s) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

#endif // !_WIN32

TEST(StartupLinkPath, FolderGetsExactlyOneSeparator) {
    const std::string d(1, PathDelim);
    const std::string folder = d + "home" + d + "a" + d + "autostart";
    EXPECT_EQ(StartupLinkPathIn(folder, StartupLinkName), folder + d + StartupLinkName);
    EXPECT_EQ(StartupLinkPathIn(folder + d, StartupLinkName), folder + d + StartupLinkName);
    EXPECT_EQ(StartupLinkPathIn(d, "x"), d + "x");
}

TEST(StartupLinkPath, UnknownFolderGivesNoPath) {
    EXPECT_EQ(StartupLinkPathIn("", StartupLinkName), "");
}

TEST(StartupLinkName, IsTheDesktopEntryHere) {
#ifdef _WIN32
    EXPECT_STREQ(StartupLinkName, "VexelReminder.lnk");
#else
    EXPECT_STREQ(StartupLinkName, "VexelReminder.desktop");
#endif
}

TEST(DesktopExecQuoting, QuotesAndEscapesEachReservedCharacter) {
    struct Row {
        const char* arg;
        const char* quoted;
    };
    const Row rows[] = {
        {"/usr/bin/vexrem", R"("/usr/bin/vexrem")"},
        {"/opt/Vexel Reminder/vexrem", R"("/opt/Vexel Reminder/vexrem")"},
        {R"(/a"b)", R"("/a\\"b")"},
        {"/a`b", R"("/a\\`b")"},
        {"/a$HOME", R"("/a\\$HOME")"},
        {R"(/a\b)", R"("/a\\\\b")"},
        {"/100%/x", R"("/100%%/x")"},
        {"/a'b;c&d|e*f?g(h)<i>~j#k", R"("/a'b;c&d|e*f?g(h)<i>~j#k")"},
        {"/a\nb", R"("/a\nb")"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(QuoteDesktopExecArgument(r.arg), r.quoted) << r.arg;
    }
}

TEST(DesktopEntry, HasTheKeysAnAutostartEntryNeeds) {
    EXPECT_EQ(DesktopEntryText("/opt/vexel reminder/vexrem", "VexelReminder"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=VexelReminder\n"
              "Comment=Meldet, wenn du bei Vexelfeld dran bist\n"
              "Exec=\"/opt/vexel reminder/vexrem\"\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n"
              "X-LXQt-Need-Tray=true\n");
}

#ifndef _WIN32 // the autostart desktop entry as the POSIX platform writes it
class PosixStartupLinkTest : public ::testing::Test {
protected:
    PosixPlatform platform;
    TempDir dir;
};

TEST_F(PosixStartupLinkTest, WritesTheEntryReadableForEveryoneAndLeavesNoTempFile) {
    const std::string link = dir / "VexelReminder.desktop";
    ASSERT_TRUE(platform.CreateStartupLink(link, "/opt/vexrem", "VexelReminder"));
    EXPECT_EQ(ReadFileBytes(link), DesktopEntryText("/opt/vexrem", "VexelReminder"));
    struct stat st {};
    ASSERT_EQ(stat(link.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(PosixStartupLinkTest, ReplacesAnExistingFileWhole) {
    const std::string link = dir / "VexelReminder.desktop";
    WriteFileBytes(link, std::string(5000, 'x'));
    ASSERT_TRUE(platform.CreateStartupLink(link, "/opt/vexrem", "VexelReminder"));
    EXPECT_EQ(ReadFileBytes(link), DesktopEntryText("/opt/vexrem", "VexelReminder"));
}

TEST_F(PosixStartupLinkTest, FailsQuietlyWhereTheFolderIsUnusable) {
    EXPECT_FALSE(
        platform.CreateStartupLink(dir / "missing/VexelReminder.desktop", "/opt/vexrem", "V"));
    // Root may write anywhere; a plain file where the folder should be stops it too.
    WriteFileBytes(dir / "autostart", "not a folder");
    EXPECT_FALSE(
        platform.CreateStartupLink(dir / "autostart/VexelReminder.desktop", "/opt/vexrem", "V"));
    EXPECT_EQ(ReadFileBytes(dir / "autostart"), "not a folder");
    EXPECT_FALSE(platform.CreateStartupLink("", "/opt/vexrem", "V"));
    EXPECT_FALSE(platform.CreateStartupLink(dir / "VexelReminder.desktop", "", "V"));
    EXPECT_FALSE(fs::exists(dir / "VexelReminder.desktop"));
}

TEST_F(PosixStartupLinkTest, ValidatorAcceptsTheEntry) {
    if (!ToolAvailable("desktop-file-validate")) {
        GTEST_SKIP() << "desktop-file-validate not installed (Debian package desktop-file-utils)";
    }
    for (const std::string& target :
         {std::string("/usr/bin/vexrem"), dir / R"(Vexel "Reminder" $HOME `x` \y 100%/vexrem)"}) {
        const std::string link = dir / "VexelReminder.desktop";
        ASSERT_TRUE(platform.CreateStartupLink(link, target, StartupLinkDescription));
        const auto [status, output] = RunShell("desktop-file-validate " + ShellQuote(link));
        EXPECT_EQ(status, 0) << output;
        EXPECT_EQ(output, "") << target;
    }
}

// A real launcher parses the Exec line back into the very path we wrote.
TEST_F(PosixStartupLinkTest, LauncherStartsTheExecutableAtAnAwkwardPath) {
    if (!ToolAvailable("gio")) {
        GTEST_SKIP() << "gio not installed (Debian package libglib2.0-bin)";
    }
    // GLib checks that the program exists before it expands "%%", so this
    // path leaves out the percent sign; the quoting test covers it.
    const std::string folder = dir / R"(Vexel "Reminder" $HOME `x` \y)";
    fs::create_directories(folder);
    const std::string exe = folder + "/vexrem";
    const std::string marker = dir / "started";
    WriteFileBytes(exe, "#!/bin/sh\nprintf '%s' \"$0\" > " + ShellQuote(marker) + "\n");
    fs::permissions(exe, fs::perms::owner_all);
    const std::string link = dir / "VexelReminder.desktop";
    ASSERT_TRUE(platform.CreateStartupLink(link, exe, StartupLinkDescription));

    const auto [status, output] = RunShell("timeout 10 gio launch " + ShellQuote(link));
    ASSERT_EQ(status, 0) << output;
    for (int i = 0; i < 250 && ReadFileBytes(marker).empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_EQ(ReadFileBytes(marker), exe);
}

#endif // !_WIN32

} // namespace
} // namespace vexrem
