#pragma once
// The user's settings: one tConfig per process, backed by one INI file with a
// section per login name. Settings are plain fields; nothing reaches the file
// before the next SaveToIni. Used from the GUI thread only.

#include "config/IniFile.h"
#include "platform/Platform.h"
#include "platform/VMDetection.h"

#include <functional>
#include <memory>
#include <string>
#include <variant>

namespace vexrem {

// The default of TrayIconReducedColors: true under WINE, as far as the last
// processor examined tells.
bool ReducedColorsByDefault();

// Every setting. Names are the INI keys, except ToolTipText /
// ToolTipTextNDran, stored as TooltipText / TooltipTextNDran. Construction
// gives every setting its default from SettingsTable.
struct ConfigSettings {
    ConfigSettings();

    std::string UserName;
    int Interval{};
    bool Active{};
    bool ShowBalloon{};
    std::string BalloonCaption;
    std::string BalloonText;
    int BalloonTimeout{};
    bool gotoGameOnBalloonClick{};
    std::string ToolTipText;
    std::string ToolTipTextNDran;
    bool StartupCheck{};
    int StartupDelay{};
    bool ShowPopup{};
    std::string PopupCaption;
    std::string PopupMessage;
    std::string HindaText;
    int PopupDelay1{};
    int PopupDelay2{};
    bool UseProxy{};
    std::string ProxyServer;
    int ProxyPort{};
    bool ProxyAuth{};
    std::string ProxyUsername;
    std::string ProxyPassword; // plain in memory, scrambled in the file
    bool UseZavazuzeza{};
    bool TrayIconModeNormal{};
    bool TrayIconBlinkOnError{};
    int TrayIconBlinkSpeed{};
    bool TrayIconReducedColors{};
};

// How a setting is held in the file, with its default.
// Text as it is; read trimmed, at most 2047 bytes.
struct TextSetting {
    std::string ConfigSettings::*field;
    const char* def;
};
// A number in decimal; read also as 0x hex, put into min..max.
struct IntegerSetting {
    int ConfigSettings::*field;
    int def;
    int min;
    int max;
};
// "0" or "1"; any number other than 0 reads as true. The default is a
// function because one depends on the environment detected at start.
struct FlagSetting {
    bool ConfigSettings::*field;
    bool (*def)();
};
// Text scrambled in the file; empty by default.
struct PasswordSetting {
    std::string ConfigSettings::*field;
};

struct SettingEntry {
    const char* key;
    std::variant<TextSetting, IntegerSetting, FlagSetting, PasswordSetting> setting;
};

constexpr bool FlagOn() {
    return true;
}
constexpr bool FlagOff() {
    return false;
}

// Every setting, once, in the order a save writes them (so a new file lists
// them in this order). Defaults, load (with its bounds) and save all go
// through this table: a new setting is a field above and a line here. Only
// two settings are not plain: ProxyPassword is scrambled in the file, and the
// default of TrayIconReducedColors depends on the environment.
inline constexpr SettingEntry SettingsTable[] = {
    {"UserName", TextSetting{&ConfigSettings::UserName, "pim"}},
    {"Interval", IntegerSetting{&ConfigSettings::Interval, 120, 20, 1800}},
    {"Active", FlagSetting{&ConfigSettings::Active, FlagOff}},
    {"ShowBalloon", FlagSetting{&ConfigSettings::ShowBalloon, FlagOn}},
    {"BalloonCaption", TextSetting{&ConfigSettings::BalloonCaption, "Vexelfeld"}},
    {"BalloonText", TextSetting{&ConfigSettings::BalloonText, "Dran bei %d Spiel(en)."}},
    {"BalloonTimeout", IntegerSetting{&ConfigSettings::BalloonTimeout, 10, 1, 10}},
    {"gotoGameOnBalloonClick", FlagSetting{&ConfigSettings::gotoGameOnBalloonClick, FlagOn}},
    {"TooltipText", TextSetting{&ConfigSettings::ToolTipText, "Dran bei %d Spielen."}},
    {"TooltipTextNDran", TextSetting{&ConfigSettings::ToolTipTextNDran, "Bei keinem Spiel dran."}},
    {"StartupCheck", FlagSetting{&ConfigSettings::StartupCheck, FlagOff}},
    {"StartupDelay", IntegerSetting{&ConfigSettings::StartupDelay, 5, 1, 60}},
    {"ShowPopup", FlagSetting{&ConfigSettings::ShowPopup, FlagOff}},
    {"PopupCaption", TextSetting{&ConfigSettings::PopupCaption, kProgramName}},
    {"PopupMessage", TextSetting{&ConfigSettings::PopupMessage, "Du bist bei %d Spiel(en) dran!"}},
    {"HindaText", TextSetting{&ConfigSettings::HindaText, "Hin da!"}},
    {"UseProxy", FlagSetting{&ConfigSettings::UseProxy, FlagOff}},
    {"ProxyServer", TextSetting{&ConfigSettings::ProxyServer, "proxy.example.net"}},
    {"ProxyPort", IntegerSetting{&ConfigSettings::ProxyPort, 8080, 0, 65535}},
    {"ProxyAuth", FlagSetting{&ConfigSettings::ProxyAuth, FlagOff}},
    {"ProxyUsername", TextSetting{&ConfigSettings::ProxyUsername, ""}},
    {"ProxyPassword", PasswordSetting{&ConfigSettings::ProxyPassword}},
    {"UseZavazuzeza", FlagSetting{&ConfigSettings::UseZavazuzeza, FlagOn}},
    {"PopupDelay1", IntegerSetting{&ConfigSettings::PopupDelay1, 300, 1, 3600}},
    {"PopupDelay2", IntegerSetting{&ConfigSettings::PopupDelay2, 900, 1, 3600}},
    {"TrayIconModeNormal", FlagSetting{&ConfigSettings::TrayIconModeNormal, FlagOn}},
    {"TrayIconBlinkOnError", FlagSetting{&ConfigSettings::TrayIconBlinkOnError, FlagOff}},
    {"TrayIconBlinkSpeed", IntegerSetting{&ConfigSettings::TrayIconBlinkSpeed, 1000, 500, 2000}},
    {"TrayIconReducedColors",
     FlagSetting{&ConfigSettings::TrayIconReducedColors, ReducedColorsByDefault}},
};

// Where a configuration's messages for the user go (a message box in the
// GUI). An empty sink writes them to stderr.
using ConfigMessageSink = std::function<void(const std::string&)>;

class tConfig : public ConfigSettings {
public:
    // Loads the settings and writes them back at once: takes over a settings
    // file of the old layout (next to the executable), loads the user's
    // section of configPath (see ConfigModuleStartup), saves. A failing save
    // is reported through messages; the settings in memory are complete
    // either way.
    explicit tConfig(const std::string& configPath, ConfigMessageSink messages = {});
    tConfig(const tConfig&) = delete;
    tConfig& operator=(const tConfig&) = delete;

    // Every setting to its default.
    void SetDefaults();
    // Every setting from SectionName of Filename; a missing or unreadable
    // value gives its default, a number out of range its nearest bound.
    void LoadFromIni();
    // Every setting to SectionName of Filename, creating the file's folder
    // when needed, as one change of the file (all keys or none). Throws
    // IniFileError when the file cannot be written.
    void SaveToIni();

    // The INI file and the section in use.
    const std::string& Filename() const { return ini_->FileName(); }
    const std::string& SectionName() const { return sectionName_; }

    // True when no stored settings were found at creation.
    bool FirstRun = true;

    // Where later messages go; returns the sink it replaces.
    ConfigMessageSink SetMessageSink(ConfigMessageSink messages);
    // Tells the user text through the sink.
    void ShowMessage(const std::string& text) const;

private:
    void Open(const std::string& fileName, const std::string& sectionName);

    std::unique_ptr<TIniFile> ini_;
    std::string sectionName_;
    ConfigMessageSink messages_;
};

// Chooses the INI file's path, ConfigPath (the per-user file when it exists,
// otherwise the all-users one), and detects the environment. Runs before any
// window exists.
std::string ConfigModuleStartup();
// Saves and destroys the configuration when it exists.
void ConfigModuleShutdown(std::unique_ptr<tConfig>& config);

// Login name of the current user.
std::string GetWindowsUserName();
// Path of a special folder (Csidl); "" when unknown.
std::string GetSpecialFolderPath(int csidl);

} // namespace vexrem
