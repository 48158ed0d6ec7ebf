#pragma once
// The user's settings: one tConfig per process, backed by one INI file with a
// section per login name. Settings are plain fields; nothing reaches the file
// before the next SaveToIni. Used from the GUI thread only.

#include "config/IniFile.h"
#include "platform/VMDetection.h"

#include <functional>
#include <memory>
#include <string>

namespace vexrem {

// The default of TrayIconReducedColors: true under WINE, as far as the last
// processor examined tells.
bool ReducedColorsByDefault();

// Every setting, initialised to its default. Names are the INI keys, except
// ToolTipText / ToolTipTextNDran, stored as TooltipText / TooltipTextNDran.
struct ConfigSettings {
    std::string UserName = "pim";
    int Interval = 120;
    bool Active = false;
    bool ShowBalloon = true;
    std::string BalloonCaption = "Vexelfeld";
    std::string BalloonText = "Dran bei %d Spiel(en).";
    int BalloonTimeout = 10;
    bool gotoGameOnBalloonClick = true;
    std::string ToolTipText = "Dran bei %d Spielen.";
    std::string ToolTipTextNDran = "Bei keinem Spiel dran.";
    bool StartupCheck = false;
    int StartupDelay = 5;
    bool ShowPopup = false;
    std::string PopupCaption = "VexelReminder";
    std::string PopupMessage = "Du bist bei %d Spiel(en) dran!";
    std::string HindaText = "Hin da!";
    int PopupDelay1 = 300;
    int PopupDelay2 = 900;
    bool UseProxy = false;
    std::string ProxyServer = "proxy.example.net";
    int ProxyPort = 8080;
    bool ProxyAuth = false;
    std::string ProxyUsername;
    std::string ProxyPassword; // plain in memory, scrambled in the file
    bool UseZavazuzeza = true;
    bool TrayIconModeNormal = true;
    bool TrayIconBlinkOnError = false;
    int TrayIconBlinkSpeed = 1000;
    bool TrayIconReducedColors = ReducedColorsByDefault();
};

class tConfig : public ConfigSettings {
public:
    // Loads the settings and writes them back at once: takes over a settings
    // file of the old layout (next to the executable), loads the user's
    // section of ConfigPath, saves. A failing save is reported through the
    // message sink; the settings in memory are complete either way.
    tConfig();
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

private:
    void Open(const std::string& fileName, const std::string& sectionName);

    std::unique_ptr<TIniFile> ini_;
    std::string sectionName_;
};

// Path of the INI file, chosen by ConfigModuleStartup.
extern std::string ConfigPath;
// The one configuration object; created by the main window, destroyed by
// ConfigModuleShutdown.
extern std::unique_ptr<tConfig> Config;

// Chooses ConfigPath (the per-user file when it exists, otherwise the
// all-users one) and detects the environment. Runs before any window exists.
void ConfigModuleStartup();
// Saves and destroys Config when it exists; clears ConfigPath.
void ConfigModuleShutdown();

// Login name of the current user.
std::string GetWindowsUserName();
// Path of a special folder (Csidl); "" when unknown.
std::string GetSpecialFolderPath(int csidl);

// Where messages for the user go (a message box in the GUI). The default
// writes them to stderr. Returns the sink it replaces; an empty sink restores
// the default.
using ConfigMessageSink = std::function<void(const std::string&)>;
ConfigMessageSink SetConfigMessageSink(ConfigMessageSink sink);

} // namespace vexrem
