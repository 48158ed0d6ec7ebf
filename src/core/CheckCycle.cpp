#include "core/CheckCycle.h"

namespace vexrem {

std::string SubstituteCount(const std::string& text, int count) {
    const std::string n = std::to_string(count);
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'd') {
            out += n;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void TTrayState::SetTip(std::string tip, bool fromServer) {
    tip_ = std::move(tip);
    tipFromServer_ = fromServer;
}

void TTrayState::SetTrayState(int n, const std::string& errorText, const ConfigSettings& c) {
    if (n == -1) {
        // While it blinks, the blinking owns the light.
        if (!c.TrayIconBlinkOnError) {
            light_ = TrayLight::Red;
        }
        SetTip("Fehler (" + errorText + ")", true);
    } else if (n == 0) {
        light_ = TrayLight::Yellow;
        SetTip(c.ToolTipTextNDran);
    } else {
        light_ = TrayLight::Green;
        SetTip(SubstituteCount(c.ToolTipText, n));
    }
}

void TTrayState::SetErrorState(bool failed, const ConfigSettings& c) {
    lastCheckFailed_ = failed;
    if (failed) {
        blinking_ = blinking_ || c.TrayIconBlinkOnError;
    } else {
        blinking_ = false;
    }
}

void TTrayState::ApplySettings(int lastCount, const ConfigSettings& c) {
    SetTip(lastCount > 0 ? SubstituteCount(c.ToolTipText, lastCount) : c.ToolTipTextNDran);
    const bool wasBlinking = blinking_;
    SetErrorState(lastCheckFailed_, c);
    if (lastCheckFailed_ && !c.TrayIconBlinkOnError && wasBlinking) {
        // Not whichever phase was last shown.
        blinking_ = false;
        light_ = TrayLight::Red;
    }
}

TrayLight TTrayState::BlinkTick(bool modeNormal) {
    light_ = blink_.Tick(modeNormal);
    return light_;
}

TrayLight TBlinkPhases::Tick(bool modeNormal) {
    TrayLight light = TrayLight::Dark;
    if (!phase_) {
        light = modeNormal ? TrayLight::Red : TrayLight::Yellow;
    }
    phase_ = !phase_;
    return light;
}

CheckOutcome TCheckCycle::Handle(const rDranbinInfo& info, bool forced, bool popupSnoozing,
                                 const ConfigSettings& c, TTrayState& tray) {
    CheckOutcome out;
    const bool countChanged = info.Count != lastResult_.Count;
    ++calls_;
    lastResult_ = info;
    if (info.Error) {
        ++callErrors_;
        if (!info.Text.empty()) {
            out.lastResult = "Fehler: " + info.Text;
        }
        tray.SetErrorState(true, c);
        tray.SetTrayState(-1, info.Text, c);
        out.errorBox = forced;
        return out;
    }
    const int n = info.Count;
    tray.SetErrorState(false, c);
    tray.SetTrayState(n, info.Text, c);
    out.balloon = (n > 0 && countChanged) || (forced && n >= 0);
    out.popup = (n > 0 && !popupSnoozing) || (forced && n >= 0);
    if (n < 1) {
        out.lastResult = "Bei keinem Spiel dran.";
    } else if (n == 1) {
        out.lastResult = "Dran bei einem Spiel. (GID=" + std::to_string(info.GID) + ")";
    } else {
        out.lastResult = "Dran bei " + std::to_string(n) + " Spielen.";
    }
    return out;
}

} // namespace vexrem
