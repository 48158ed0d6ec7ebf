#include "core/CheckCycle.h"

#include <gtest/gtest.h>

namespace vexrem {
namespace {

rDranbinInfo Due(int count, int gid = 0) {
    return rDranbinInfo{false, "page", count, gid};
}
rDranbinInfo Failure(const std::string& text) {
    return rDranbinInfo{true, text, 0, 0};
}

TEST(TrayState, LightAndTipFollowTheCount) {
    struct Case {
        int n;
        bool blink;
        TrayLight before;
        TrayLight light;
        const char* tip;
        bool fromServer;
    };
    ConfigSettings c;
    c.ToolTipText = "Dran bei %d Spielen, %d!";
    for (const Case k :
         {Case{-1, false, TrayLight::Dark, TrayLight::Red, "Fehler (kaputt)", true},
          // While it blinks, the blinking owns the light.
          Case{-1, true, TrayLight::Green, TrayLight::Green, "Fehler (kaputt)", true},
          Case{0, true, TrayLight::Red, TrayLight::Yellow, "Bei keinem Spiel dran.", false},
          Case{1, false, TrayLight::Dark, TrayLight::Green, "Dran bei 1 Spielen, 1!", false},
          Case{7, true, TrayLight::Dark, TrayLight::Green, "Dran bei 7 Spielen, 7!", false}}) {
        TTrayState tray;
        tray.SetLight(k.before);
        c.TrayIconBlinkOnError = k.blink;
        tray.SetTrayState(k.n, "kaputt", c);
        EXPECT_EQ(tray.Light(), k.light) << k.n << " blink " << k.blink;
        EXPECT_EQ(tray.Tip(), k.tip);
        EXPECT_EQ(tray.TipFromServer(), k.fromServer);
    }
}

TEST(TrayState, FailureBlinksTheLitLampWithDarkUntilASuccessOrItIsSwitchedOff) {
    ConfigSettings c;
    c.TrayIconBlinkOnError = true;
    TTrayState tray;
    tray.SetErrorState(true, c);
    EXPECT_TRUE(tray.Blinking());
    EXPECT_EQ(tray.BlinkTick(true), TrayLight::Red);
    EXPECT_EQ(tray.BlinkTick(true), TrayLight::Dark);
    EXPECT_EQ(tray.BlinkTick(false), TrayLight::Yellow); // inverse mode
    tray.SetErrorState(false, c);
    EXPECT_FALSE(tray.Blinking());
    EXPECT_FALSE(tray.LastCheckFailed());

    // Switched off after a failure: the steady failure light, not a phase.
    tray.SetErrorState(true, c);
    tray.BlinkTick(true);
    tray.BlinkTick(true);
    c.TrayIconBlinkOnError = false;
    tray.ApplySettings(0, c);
    EXPECT_FALSE(tray.Blinking());
    EXPECT_EQ(tray.Light(), TrayLight::Red);
    EXPECT_EQ(tray.Tip(), c.ToolTipTextNDran);
}

TEST(CheckCycle, WhatEachResultShows) {
    struct Case {
        const char* name;
        int before;
        rDranbinInfo info;
        bool forced;
        bool snoozing;
        bool balloon;
        bool popup;
        bool errorBox;
        const char* lastResult; // nullptr: unchanged
    };
    const Case cases[] = {
        {"newly due", 0, Due(2), false, false, true, true, false, "Dran bei 2 Spielen."},
        {"still due: no balloon", 2, Due(2), false, false, false, true, false,
         "Dran bei 2 Spielen."},
        {"snoozed: no popup", 1, Due(2), false, true, true, false, false, "Dran bei 2 Spielen."},
        {"one game names its GID", 0, Due(1, 4711), false, false, true, true, false,
         "Dran bei einem Spiel. (GID=4711)"},
        {"nothing due", 2, Due(0), false, false, false, false, false, "Bei keinem Spiel dran."},
        {"asked for: both even when nothing is due", 0, Due(0), true, true, true, true, false,
         "Bei keinem Spiel dran."},
        {"failure", 2, Failure("weg"), false, false, false, false, false, "Fehler: weg"},
        {"asked-for failure: a box", 2, Failure("weg"), true, false, false, false, true,
         "Fehler: weg"},
        {"failure without a text keeps the line", 2, Failure(""), false, false, false, false, false,
         nullptr},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        ConfigSettings c;
        TTrayState tray;
        TCheckCycle cycle;
        // -2: a failure of a check that found 2 before it.
        if (k.before == -2) {
            cycle.Handle(Due(2), false, false, c, tray);
        }
        cycle.Handle(k.before == -2 ? Failure("weg") : Due(k.before), false, false, c, tray);
        const CheckOutcome out = cycle.Handle(k.info, k.forced, k.snoozing, c, tray);
        EXPECT_EQ(out.balloon, k.balloon);
        EXPECT_EQ(out.popup, k.popup);
        EXPECT_EQ(out.errorBox, k.errorBox);
        EXPECT_EQ(out.lastResult.has_value(), k.lastResult != nullptr);
        if (k.lastResult != nullptr && out.lastResult) {
            EXPECT_EQ(*out.lastResult, k.lastResult);
        }
        EXPECT_EQ(cycle.CallErrors(), (k.info.Error ? 1 : 0) + (k.before == -2 ? 1 : 0));
        EXPECT_EQ(cycle.LastResult(), k.info);
        EXPECT_EQ(tray.LastCheckFailed(), k.info.Error);
        EXPECT_EQ(tray.Light(), k.info.Error || k.info.Count < 0 ? TrayLight::Red
                                : k.info.Count == 0              ? TrayLight::Yellow
                                                                 : TrayLight::Green);
    }
}

TEST(CheckCycle, CountPlaceholders) {
    EXPECT_EQ(SubstituteCount("%d von %d, %D %", 3), "3 von 3, %D %");
    EXPECT_EQ(SubstituteCount("%%d", 12), "%12");
}

} // namespace
} // namespace vexrem
