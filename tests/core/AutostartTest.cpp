// Which autostart entry is found, and what making a choice does on disk.
#include "core/Autostart.h"

#include "platform/StartupLink.h"
#include "support/FakePlatform.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace vexrem::test {
namespace {

namespace fs = std::filesystem;

// What a place holds: nothing, an entry another version left (never
// rewritten), or the entry this program makes.
enum class Held { Nothing, Old, Ours };

TEST(Autostart, ChoicesPutTheOneEntryInPlaceBeforeTheOtherGoes) {
    struct Case {
        const char* name;
        Held personal;
        Held common;
        bool commonUnusable; // only root may write there; a file stands in its place
        AutostartEntry found;
        AutostartEntry choice;
        Held personalAfter;
        Held commonAfter;
    };
    using E = AutostartEntry;
    const Case cases[] = {
        {"both: personal wins and stays", Held::Old, Held::Old, false, E::Personal, E::Personal,
         Held::Old, Held::Nothing},
        {"only common", Held::Nothing, Held::Old, false, E::Common, E::Common, Held::Nothing,
         Held::Old},
        {"none removes both", Held::Old, Held::Old, false, E::Personal, E::None, Held::Nothing,
         Held::Nothing},
        {"for all: made, then the personal goes", Held::Old, Held::Nothing, false, E::Personal,
         E::Common, Held::Nothing, Held::Ours},
        {"personal: made with its missing folder", Held::Nothing, Held::Nothing, false, E::None,
         E::Personal, Held::Ours, Held::Nothing},
        {"for all fails: the personal one stays", Held::Old, Held::Nothing, true, E::Personal,
         E::Common, Held::Old, Held::Nothing},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        FakePlatform platform;
        ScopedPlatform scoped(platform);
        const AutostartPlaces places = AutostartLinkPaths();
        if (k.personal == Held::Old) {
            WriteFileBytes(places.personal, "old entry");
        }
        if (k.common == Held::Old) {
            WriteFileBytes(places.common, "old entry");
        } else if (k.commonUnusable) {
            WriteFileBytes(platform.commonStartup, "not a folder");
        } else if (k.choice == E::Common) {
            fs::create_directories(platform.commonStartup);
        }
        EXPECT_EQ(FindAutostartEntry(places), k.found);
        ApplyAutostartChoice(k.choice, places);
        for (const auto& [path, held] :
             {std::pair{places.personal, k.personalAfter}, {places.common, k.commonAfter}}) {
            if (held == Held::Nothing) {
                EXPECT_FALSE(fs::exists(path)) << path;
            } else if (held == Held::Old) {
                EXPECT_EQ(ReadFileBytes(path), "old entry") << path;
            } else {
                EXPECT_EQ(StartupEntryAt(path), StartupEntryFor(platform.exePath)) << path;
            }
        }
    }
}

TEST(Autostart, AFolderPathWithTrailingSeparatorGetsNoSecondOne) {
    FakePlatform platform;
    ScopedPlatform scoped(platform);
    platform.startup += PathDelim;
    ApplyAutostartChoice(AutostartEntry::Personal, AutostartLinkPaths());
    EXPECT_EQ(platform.StartupLinksCreated(),
              std::vector<std::string>({platform.startup + StartupLinkName}));
    EXPECT_EQ(FindAutostartEntry(AutostartLinkPaths()), AutostartEntry::Personal);
}

} // namespace
} // namespace vexrem::test
