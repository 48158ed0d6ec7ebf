#include "status/GameLinks.h"

#include "platform/Platform.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"
#include "support/TestGuards.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sys/stat.h>

namespace vexrem {
namespace {

namespace fs = std::filesystem;
using test::FakePlatform;
using test::PathOfFileUrl;
using test::ReadFileBytes;
using test::ScopedEnv;
using test::WriteFileBytes;

constexpr const char* kServer = "http://vexel.test:8080";
constexpr const char* kSite = "http://maker.test";

class GameLinksTest : public ::testing::Test {
protected:
    ScopedEnv server{"VEXREM_GAME_SERVER", kServer};
    ScopedEnv site{"VEXREM_SITE", kSite};
    FakePlatform fake;
    ScopedPlatform scoped{fake};

    // The one frameset file the last call wrote, read back through its URL.
    std::string OpenedFramesetFile() {
        const auto opened = fake.Opened();
        EXPECT_EQ(opened.size(), 1u);
        if (opened.empty() || opened.back().rfind("file:///", 0) != 0) {
            return {};
        }
        return PathOfFileUrl(opened.back());
    }
};

// The frameset file as the browser must get it, byte for byte.
std::string ExpectedFrameset(const std::string& mainSrc) {
    return std::string(R"(<html> <head>  <base href="http://vexel.test:8080">  <title>)") +
           "Vexelfeld - Das Rennen um die beste Linie" +
           R"(</title>  <link rel="shortcut icon" href="/favicon.ico">  )"
           R"(<link rel="alternate" type="application/rss+xml" title="Vexel Zug Feed" )"
           R"(href="/rss.php"> </head> <frameset cols="250,*" border="0" frameborder="0" )"
           R"(framespacing="0">  <frame name="Menu" SRC="/menu.php" noresize>  )"
           R"(<frame name="Main" SRC=")" +
           mainSrc + R"(" noresize> </frameset></html>)";
}

// --- GotoGame: which page --------------------------------------------------------

struct GotoRow {
    int count;
    int gid;
    const char* url;
};

TEST_F(GameLinksTest, GotoGameThroughTheZavazuzeza) {
    const GotoRow rows[] = {
        {1, 4711, "http://vexel.test:8080/index.php?main=showmap.php?GID=4711"},
        {3, 4711, "http://vexel.test:8080/index.php?main=showgames.php?dranbin=1"},
        {0, 0, "http://vexel.test:8080/index.php?main=showgames.php?dranbin=1"},
        {-1, -1, "http://vexel.test:8080/index.php?main=showgames.php?dranbin=1"}, // no count
        {1, -1, "http://vexel.test:8080/index.php?main=showgames.php?dranbin=1"},  // no id
    };
    for (const auto& r : rows) {
        fake.ClearOpened();
        GotoGame(r.count, r.gid, true);
        EXPECT_EQ(fake.Opened(), std::vector<std::string>{r.url}) << r.count << "/" << r.gid;
    }
    // Nothing goes to the temp folder on this road.
    EXPECT_TRUE(fs::is_empty(fake.temp));
}

TEST_F(GameLinksTest, GotoGameWithTheFramesetFile) {
    GotoGame(1, 12, false);
    EXPECT_EQ(ReadFileBytes(OpenedFramesetFile()), ExpectedFrameset("/showmap.php?GID=12"));
    fake.ClearOpened();
    GotoGame(2, 12, false);
    EXPECT_EQ(ReadFileBytes(OpenedFramesetFile()), ExpectedFrameset("showgames.php?dranbin=1"));
}

TEST_F(GameLinksTest, OpenGamePageListForIdsBelowOne) {
    for (const int id : {0, -1, -5}) {
        EXPECT_EQ(ZavazuzezaUrl(id),
                  "http://vexel.test:8080/index.php?main=showgames.php?dranbin=1");
        EXPECT_EQ(FramesetPagePath(id), "showgames.php?dranbin=1");
    }
    EXPECT_EQ(FramesetPagePath(1), "/showmap.php?GID=1");
    EXPECT_EQ(FramesetPagePath(2147483647), "/showmap.php?GID=2147483647");
}

// --- the frameset file -----------------------------------------------------------

TEST_F(GameLinksTest, EachCallMakesANewFileAndEarlierOnesStay) {
    OpenGamePage(false, 12);
    OpenGamePage(false, -1);
    const auto opened = fake.Opened();
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_NE(opened[0], opened[1]);
    const std::string first = PathOfFileUrl(opened[0]);
    const std::string second = PathOfFileUrl(opened[1]);
    EXPECT_EQ(ReadFileBytes(first), ExpectedFrameset("/showmap.php?GID=12"));
    EXPECT_EQ(ReadFileBytes(second), ExpectedFrameset("showgames.php?dranbin=1"));
    // Each reserved empty name stays beside its frameset file.
    for (const auto& name : {first, second}) {
        const fs::path reserved = fs::path(name).replace_extension(".tmp");
        EXPECT_TRUE(fs::exists(reserved)) << reserved;
        EXPECT_EQ(fs::file_size(reserved), 0u);
    }
}

TEST_F(GameLinksTest, FileNameIsVfsInTheTempFolderWithExtensionHtml) {
    const std::string name = MakeFramesetFileName();
    EXPECT_EQ(ExtractFilePath(name), fake.temp + PathDelim);
    const std::string file = ExtractFileName(name);
    EXPECT_EQ(file.substr(0, 3), "vfs");
    EXPECT_EQ(file.substr(file.size() - 5), ".html");
    EXPECT_LE(file.size(), 3u + 4u + 5u);
    EXPECT_NE(file.find_first_not_of("0123456789ABCDEFabcdef", 3), 3u); // wine: lower case
}

TEST_F(GameLinksTest, OnlyTheExtensionChangesWhenTheTempPathSaysTmp) {
    fake.temp = fake.root / "TMP.tmp/Tmp";
    fs::create_directories(fake.temp);
    const std::string name = MakeFramesetFileName();
    EXPECT_EQ(ExtractFilePath(name), fake.temp + PathDelim);
    EXPECT_EQ(name.substr(name.size() - 5), ".html");
}

// A system that hands out its temp names in other letter cases and padding.
class ShoutingPlatform : public FakePlatform {
public:
    std::string TempFileName(const std::string& dir, const std::string&) override {
        return reply.empty() ? std::string() : "  " + dir + reply + " \r\n";
    }
    std::string reply;
};

TEST(GameLinksFileName, ExtensionReplacedInAnyLetterCaseAndNameTrimmed) {
    ShoutingPlatform fake;
    ScopedPlatform scoped(fake);
    for (const char* ext : {"TMP", "tmp", "Tmp"}) {
        fake.reply = std::string("vfs1A.") + ext;
        EXPECT_EQ(MakeFramesetFileName(), fake.temp + PathDelim + "vfs1A.html") << ext;
    }
}

// --- file URL ----------------------------------------------------------------------

TEST(GameLinksFileUrl, Forms) {
    struct Row {
        const char* name;
        const char* url;
    };
    const Row rows[] = {
        {R"(C:\Temp\vfs1A.html)", "file:///C:/Temp/vfs1A.html"},
        {R"(C:\Dokumente und Einstellungen\p\Temp\vfs2.html)",
         "file:///C:/Dokumente und Einstellungen/p/Temp/vfs2.html"},
        {"/tmp/vfs1A.html", "file:///tmp/vfs1A.html"},
        {"/tmp/a#b/c?d/100%/vfs1.html", "file:///tmp/a%23b/c%3Fd/100%25/vfs1.html"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(FramesetFileUrl(r.name), r.url);
    }
}

// --- failures ------------------------------------------------------------------------

void ExpectGameLinkError(const std::string& message) {
    try {
        OpenGamePage(false, 12);
        ADD_FAILURE() << "no error";
    } catch (const GameLinkError& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, message.size()), message);
    }
}

TEST_F(GameLinksTest, NoTempFolder) {
    fake.temp.clear();
    ExpectGameLinkError("error getting temp path");
    EXPECT_THROW(MakeFramesetFileName(), GameLinkError);
    EXPECT_TRUE(fake.Opened().empty());
}

TEST_F(GameLinksTest, NoTempName) {
    fake.temp = fake.root / "gone";
    try {
        MakeFramesetFileName();
        ADD_FAILURE() << "no error";
    } catch (const GameLinkError& e) {
        EXPECT_STREQ(e.what(), "error getting temp filename");
    }
    ExpectGameLinkError("error getting temp filename");
    EXPECT_TRUE(fake.Opened().empty());
}

TEST(GameLinksFailure, UnwritableFramesetFileOpensNothing) {
    ShoutingPlatform fake;
    ScopedPlatform scoped(fake);
    fake.reply = "missing/vfs1.TMP";
    ExpectGameLinkError("error writing frameset file " + fake.temp + PathDelim +
                        "missing/vfs1.html");
    EXPECT_TRUE(fake.Opened().empty());
}

TEST(GameLinksFailure, EveryNameTakenOpensNothing) {
    ShoutingPlatform fake;
    ScopedPlatform scoped(fake);
    fake.reply = "vfs1A.TMP";
    WriteFileBytes(fake.temp + "/vfs1A.html", "theirs");
    ExpectGameLinkError("error getting temp filename");
    EXPECT_EQ(ReadFileBytes(fake.temp + "/vfs1A.html"), "theirs");
    EXPECT_TRUE(fake.Opened().empty());
}

#ifndef _WIN32 // links and pipes planted by another user are a POSIX shared-folder threat
// A shared temp folder in which another user laid out the html names of the
// next reservations: a link to one of the player's files, a pipe, a link to
// where a file would be made.
class PlantedTempFolder : public FakePlatform {
public:
    std::string TempFileName(const std::string& dir, const std::string& prefix) override {
        const std::string name = dir + prefix + std::to_string(next++) + ".tmp";
        WriteFileBytes(name, "");
        return name;
    }
    int next = 1;
};

TEST(GameLinksSharedFolder, TakenNamesAreNeitherFollowedNorWaitedOn) {
    ScopedEnv server{"VEXREM_GAME_SERVER", kServer};
    PlantedTempFolder fake;
    ScopedPlatform scoped(fake);
    const std::string victim = fake.root / "home/.bashrc";
    WriteFileBytes(victim, "mine\n");
    fs::create_symlink(victim, fake.temp + "/vfs1.html");
    ASSERT_EQ(mkfifo((fake.temp + "/vfs2.html").c_str(), 0666), 0);
    fs::create_symlink(fake.root / "made", fake.temp + "/vfs3.html");
    {
        test::HangGuard guard;
        OpenGamePage(false, 12);
    }
    EXPECT_EQ(ReadFileBytes(victim), "mine\n");
    EXPECT_TRUE(fs::is_fifo(fake.temp + "/vfs2.html"));
    EXPECT_FALSE(fs::exists(fake.root / "made"));
    const std::string written = fake.temp + "/vfs4.html";
    EXPECT_EQ(fake.Opened(), std::vector<std::string>{"file://" + written});
    EXPECT_EQ(ReadFileBytes(written), ExpectedFrameset("/showmap.php?GID=12"));
    EXPECT_EQ(fs::status(written).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    // Reservations given up are removed; the one in use stays.
    for (const char* gone : {"/vfs1.tmp", "/vfs2.tmp", "/vfs3.tmp"}) {
        EXPECT_FALSE(fs::exists(fake.temp + gone)) << gone;
    }
    EXPECT_TRUE(fs::exists(fake.temp + "/vfs4.tmp"));
}

#endif // !_WIN32

TEST_F(GameLinksTest, ZavazuzezaNeedsNoTempFolder) {
    fake.temp.clear();
    OpenGamePage(true, 7);
    EXPECT_EQ(fake.Opened(),
              std::vector<std::string>{"http://vexel.test:8080/index.php?main=showmap.php?GID=7"});
}

// --- home page and About links ---------------------------------------------------

TEST_F(GameLinksTest, HomePage) {
    OpenHomePage();
    EXPECT_EQ(fake.Opened(), std::vector<std::string>{"http://maker.test/vexremind"});
}

TEST_F(GameLinksTest, AboutLinks) {
    struct Row {
        AboutLink link;
        const char* caption;
        const char* target;
        const char* hint;
    };
    const Row rows[] = {
        {AboutLink::Vexelfeld, "Vexelfeld", "http://vexel.test:8080", "vexel.test:8080"},
        {AboutLink::VexelReminder, "VexelReminder", "http://maker.test/vexremind",
         "maker.test/vexremind"},
        {AboutLink::EclipsePlugin, "Eclipse Plugin", "http://maker.test/vexeclipse/update/",
         "maker.test/vexeclipse/update/"},
        {AboutLink::Pim, "pim@vexreminder.example",
         "mailto:pim@vexreminder.example?subject=VexelReminder", "pim@vexreminder.example"},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(AboutLinkCaption(r.link), r.caption);
        EXPECT_EQ(AboutLinkTarget(r.link), r.target);
        EXPECT_EQ(AboutLinkHint(r.link), r.hint);
        fake.ClearOpened();
        OpenAboutLink(r.link);
        EXPECT_EQ(fake.Opened(), std::vector<std::string>{r.target});
    }
}

} // namespace
} // namespace vexrem
