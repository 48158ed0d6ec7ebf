#include "core/CheckCycle.h"
#include "core/WakeCycle.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

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

TEST(WakeCycle, AWakeChecksAfterTheDelayAndGivesOneEarlyFailureAnotherTry) {
    using std::chrono::seconds;
    enum Kind { Sleeps, Wakes, WakesOff, Fails, FailsForced, Succeeds };
    struct Step {
        Kind kind;
        int at;     // seconds
        int expect; // wake: check delay; result: retry delay; -1: none
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"no wake, no retry", {{Fails, 5, -1}}},
        {"wake: check after the start-up delay", {{Sleeps, 0, -1}, {Wakes, 100, 7}}},
        {"checking off: no check", {{Sleeps, 0, -1}, {WakesOff, 100, -1}}},
        {"early failure: once more, then shown",
         {{Sleeps, 0, -1}, {Wakes, 100, 7}, {Fails, 107, 10}, {Fails, 117, -1}}},
        {"a success in between does not use up the try",
         {{Wakes, 100, 7}, {Succeeds, 107, -1}, {Fails, 150, 10}}},
        {"failure a minute after the wake: shown", {{Wakes, 100, 7}, {Fails, 160, -1}}},
        {"asked for by hand: shown at once", {{Wakes, 100, 7}, {FailsForced, 101, -1}}},
        {"a new wake gives a new try",
         {{Wakes, 100, 7}, {Fails, 107, 10}, {Sleeps, 110, -1}, {Wakes, 500, 7}, {Fails, 507, 10}}},
        {"asleep again: the wake's window closed",
         {{Wakes, 100, 7}, {Sleeps, 101, -1}, {Fails, 102, -1}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        TWakeCycle wake;
        ConfigSettings c;
        c.StartupDelay = 7;
        for (const Step& s : k.steps) {
            const auto now = TWakeCycle::Clock::time_point{} + seconds(1000 + s.at);
            std::optional<seconds> got;
            c.Active = s.kind != WakesOff;
            switch (s.kind) {
            case Sleeps:
                wake.Sleep();
                break;
            case Wakes:
            case WakesOff:
                got = wake.Woke(now, c);
                break;
            default:
                got = wake.RetryAfter(s.kind == Succeeds ? Due(1) : Failure("weg"),
                                      s.kind == FailsForced, now);
            }
            EXPECT_EQ(got ? static_cast<int>(got->count()) : -1, s.expect) << "at " << s.at;
        }
    }
}

TEST(CheckCycle, CountPlaceholders) {
    EXPECT_EQ(SubstituteCount("%d von %d, %D %", 3), "3 von 3, %D %");
    EXPECT_EQ(SubstituteCount("%%d", 12), "%12");
}

} // namespace
} // namespace vexrem
