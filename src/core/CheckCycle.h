#pragma once
// What the results of status checks do: the counters, the last result, the
// tray's light and tooltip with its error blinking, and whether a balloon or
// the popup is due. Decides only; the view shows it.

#include "config/Config.h"
#include "status/DranbinInfo.h"

#include <chrono>
#include <optional>
#include <string>

namespace vexrem {

// The tray icon's motifs, in the order of the image sets.
enum class TrayLight : int { Dark = 0, Green = 1, Yellow = 2, Red = 3 };

// Every "%d" (case-sensitive) replaced by the decimal count.
std::string SubstituteCount(const std::string& text, int count);

// What one result changes besides the tray.
struct CheckOutcome {
    bool errorBox = false; // a forced check failed: its text in a box
    bool balloon = false;
    bool popup = false;
    std::optional<std::string> lastResult; // the result line, when it changes
    // Held back unseen, the check to be tried again after this long (then
    // nothing else is set).
    std::optional<std::chrono::seconds> retryAfter;
};

// The lights the blink preview and the failure blinking alternate between.
class TBlinkPhases {
public:
    TrayLight Tick(bool modeNormal);

private:
    bool phase_ = false;
};

// The tray icon's state: light, tooltip and error blinking.
class TTrayState {
public:
    TrayLight Light() const { return light_; }
    const std::string& Tip() const { return tip_; }
    // The tip carries a text of the server (a failure): shown literally.
    bool TipFromServer() const { return tipFromServer_; }
    // Whether the failure blinking runs.
    bool Blinking() const { return blinking_; }
    bool LastCheckFailed() const { return lastCheckFailed_; }

    void SetLight(TrayLight light) { light_ = light; }
    void SetTip(std::string tip, bool fromServer = false);
    // The light and tooltip for a result: n games due, 0, or -1 for a failure
    // with errorText.
    void SetTrayState(int n, const std::string& errorText, const ConfigSettings& c);
    void SetErrorState(bool failed, const ConfigSettings& c);
    // Settings applied: the tip follows the last count; blinking switched off
    // after a failure leaves the steady failure light.
    void ApplySettings(int lastCount, const ConfigSettings& c);
    // One tick of the blinking: the next phase's light.
    TrayLight BlinkTick(bool modeNormal);

private:
    TrayLight light_ = TrayLight::Dark;
    std::string tip_;
    bool tipFromServer_ = false;
    bool blinking_ = false;
    TBlinkPhases blink_;
    bool lastCheckFailed_ = false;
};

class TCheckCycle {
public:
    // A result arrived. popupSnoozing: a snooze of the popup is running.
    CheckOutcome Handle(const rDranbinInfo& info, bool forced, bool popupSnoozing,
                        const ConfigSettings& c, TTrayState& tray);

    const rDranbinInfo& LastResult() const { return lastResult_; }
    int Calls() const { return calls_; }
    int CallErrors() const { return callErrors_; }

private:
    rDranbinInfo lastResult_;
    int calls_ = 0;
    int callErrors_ = 0;
};

} // namespace vexrem
