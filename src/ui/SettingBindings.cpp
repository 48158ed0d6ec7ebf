#include "ui/SettingBindings.h"

#include "platform/Overloaded.h"

#include <algorithm>
#include <variant>

namespace vexrem {

namespace {

// A line edit with a text; trimmed ones are taken without surrounding blanks.
struct LineBinding {
    QLineEdit* TMainWinUi::*control;
    std::string ConfigSettings::*field;
    bool trimmed;
};
// A spin edit with a number; reset puts the setting into min..max first.
struct SpinBinding {
    QSpinBox* TMainWinUi::*control;
    int ConfigSettings::*field;
    int resetMin = 0;
    int resetMax = 0; // 0: the control's own range
};
struct SliderBinding {
    QSlider* TMainWinUi::*control;
    int ConfigSettings::*field;
};
// A line edit with a port number.
struct PortBinding {
    QLineEdit* TMainWinUi::*control;
    int ConfigSettings::*field;
};
// wired: its change is reported here (not by a handler of its own).
struct CheckBinding {
    QCheckBox* TMainWinUi::*control;
    bool ConfigSettings::*field;
    bool wired = true;
};
// Two radio buttons: on stands for true, off for false.
struct RadioBinding {
    QRadioButton* TMainWinUi::*on;
    QRadioButton* TMainWinUi::*off;
    bool ConfigSettings::*field;
};
using Binding =
    std::variant<LineBinding, SpinBinding, SliderBinding, PortBinding, CheckBinding, RadioBinding>;

using U = TMainWinUi;
using S = ConfigSettings;
const Binding kBindings[] = {
    SpinBinding{&U::seStartupDelay, &S::StartupDelay, 1, 10},
    LineBinding{&U::leUserName, &S::UserName, true},
    SpinBinding{&U::seIntervall, &S::Interval},
    CheckBinding{&U::cbActive, &S::Active},
    CheckBinding{&U::cbShowBalloon, &S::ShowBalloon},
    LineBinding{&U::leBalloonCaption, &S::BalloonCaption, true},
    LineBinding{&U::leBalloontext, &S::BalloonText, true},
    SpinBinding{&U::seBalloonTimeout, &S::BalloonTimeout},
    CheckBinding{&U::cbGotoGameOnBalloonClick, &S::gotoGameOnBalloonClick},
    LineBinding{&U::leTooltipText, &S::ToolTipText, true},
    LineBinding{&U::leToolTipTextNichtDran, &S::ToolTipTextNDran, true},
    CheckBinding{&U::cbStartupCheck, &S::StartupCheck},
    CheckBinding{&U::cbPopup, &S::ShowPopup},
    LineBinding{&U::lePopupCaption, &S::PopupCaption, false},
    LineBinding{&U::lePopupMessage, &S::PopupMessage, false},
    SpinBinding{&U::sePopupDelay1, &S::PopupDelay1},
    SpinBinding{&U::sePopupDelay2, &S::PopupDelay2},
    LineBinding{&U::editPopupHinda, &S::HindaText, false},
    CheckBinding{&U::cbUseProxy, &S::UseProxy},
    LineBinding{&U::leProxyServer, &S::ProxyServer, true},
    PortBinding{&U::leProxyPort, &S::ProxyPort},
    CheckBinding{&U::cbProxyAuth, &S::ProxyAuth},
    LineBinding{&U::leProxyUsername, &S::ProxyUsername, true},
    LineBinding{&U::leProxyPassword, &S::ProxyPassword, false},
    CheckBinding{&U::cbZavazuzeza, &S::UseZavazuzeza},
    RadioBinding{&U::rbIconModeNormal, &U::rbIconModeKing, &S::TrayIconModeNormal},
    CheckBinding{&U::cbBlinkOnError, &S::TrayIconBlinkOnError, false},
    SliderBinding{&U::tbBlinkSpeed, &S::TrayIconBlinkSpeed},
    RadioBinding{&U::rbTrayIcon16Cols, &U::rbTrayIconStandard, &S::TrayIconReducedColors},
};

std::string TextOf(const QLineEdit* e, bool trimmed) {
    const QString text = trimmed ? e->text().trimmed() : e->text();
    return text.toLocal8Bit().toStdString();
}

// The port as typed; 8080 when it is not a number.
int PortOf(const QLineEdit* e) {
    bool ok = false;
    const int port = e->text().trimmed().toInt(&ok);
    return ok ? port : 8080;
}

} // namespace

int SpinValue(const QSpinBox* s) {
    bool ok = false;
    const QString text = s->cleanText();
    const qlonglong v = text.toLongLong(&ok);
    if (!ok) {
        return text.isEmpty() || !text.front().isDigit() ? s->minimum() : s->maximum();
    }
    return static_cast<int>(std::min<qlonglong>(v, s->maximum()));
}

void SettingsToControls(const ConfigSettings& c, TMainWinUi& ui) {
    for (const Binding& binding : kBindings) {
        std::visit(Overloaded{
                       [&](const LineBinding& b) {
                           (ui.*b.control)->setText(QString::fromLocal8Bit(c.*b.field));
                       },
                       [&](const SpinBinding& b) {
                           const int v = c.*b.field;
                           (ui.*b.control)
                               ->setValue(b.resetMax != 0 ? std::clamp(v, b.resetMin, b.resetMax)
                                                          : v);
                       },
                       [&](const SliderBinding& b) { (ui.*b.control)->setValue(c.*b.field); },
                       [&](const PortBinding& b) {
                           (ui.*b.control)->setText(QString::number(c.*b.field));
                       },
                       [&](const CheckBinding& b) { (ui.*b.control)->setChecked(c.*b.field); },
                       [&](const RadioBinding& b) {
                           (ui.*b.on)->setChecked(c.*b.field);
                           (ui.*b.off)->setChecked(!(c.*b.field));
                       },
                   },
                   binding);
    }
}

bool ControlsDiffer(const TMainWinUi& ui, const ConfigSettings& c) {
    ConfigSettings shown = c;
    ControlsToSettings(ui, shown);
    return std::any_of(std::begin(kBindings), std::end(kBindings), [&](const Binding& binding) {
        return std::visit([&](const auto& b) { return shown.*b.field != c.*b.field; }, binding);
    });
}

void ControlsToSettings(const TMainWinUi& ui, ConfigSettings& c) {
    for (const Binding& binding : kBindings) {
        std::visit(Overloaded{
                       [&](const LineBinding& b) { c.*b.field = TextOf(ui.*b.control, b.trimmed); },
                       [&](const SpinBinding& b) { c.*b.field = SpinValue(ui.*b.control); },
                       [&](const SliderBinding& b) { c.*b.field = (ui.*b.control)->value(); },
                       [&](const PortBinding& b) { c.*b.field = PortOf(ui.*b.control); },
                       [&](const CheckBinding& b) { c.*b.field = (ui.*b.control)->isChecked(); },
                       [&](const RadioBinding& b) { c.*b.field = (ui.*b.on)->isChecked(); },
                   },
                   binding);
    }
}

void ConnectBoundControls(TMainWinUi& ui, QObject* receiver,
                          const std::function<void(QObject*)>& changed) {
    const auto report = [&changed](QObject* control) {
        return [changed, control] {
            changed(control);
        };
    };
    for (const Binding& binding : kBindings) {
        std::visit(Overloaded{
                       [&](const LineBinding& b) {
                           QLineEdit* e = ui.*b.control;
                           QObject::connect(e, &QLineEdit::textChanged, receiver, report(e));
                           QObject::connect(e, &QLineEdit::editingFinished, receiver, report(e));
                       },
                       [&](const SpinBinding& b) {
                           QSpinBox* s = ui.*b.control;
                           QObject::connect(s, &QSpinBox::valueChanged, receiver, report(s));
                           QObject::connect(s, &QSpinBox::editingFinished, receiver, report(s));
                           // Typing counts at once, also a text the box does not take
                           // as a value yet (the comparison reads what is typed); the
                           // box itself tells only of accepted values. The start-up
                           // delay reacts to its arrows and to leaving it only.
                           if (s == ui.seStartupDelay) {
                               s->setKeyboardTracking(false);
                           } else if (auto* edit = s->findChild<QLineEdit*>()) {
                               QObject::connect(edit, &QLineEdit::textChanged, receiver, report(s));
                           }
                       },
                       [&](const SliderBinding&) {}, // its handler reports it
                       [&](const PortBinding& b) {
                           QLineEdit* e = ui.*b.control;
                           QObject::connect(e, &QLineEdit::textChanged, receiver, report(e));
                           QObject::connect(e, &QLineEdit::editingFinished, receiver, report(e));
                       },
                       [&](const CheckBinding& b) {
                           if (b.wired) {
                               QCheckBox* box = ui.*b.control;
                               QObject::connect(box, &QCheckBox::toggled, receiver, report(box));
                           }
                       },
                       [&](const RadioBinding& b) {
                           for (QRadioButton* r : {ui.*b.on, ui.*b.off}) {
                               QObject::connect(r, &QRadioButton::toggled, receiver, report(r));
                           }
                       },
                   },
                   binding);
    }
}

} // namespace vexrem
