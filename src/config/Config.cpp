#include "config/Config.h"

#include "config/ProxyPassword.h"
#include "platform/Platform.h"

#include <algorithm>
#include <iostream>
#include <utility>

namespace vexrem {

std::string ConfigPath;
std::unique_ptr<tConfig> Config;

namespace {

const std::string IniFileName = "vexrem.ini";
const std::string IniFolderName = "VexelReminder";
// Section of a settings file of the old layout, next to the executable.
const std::string OldLayoutSection = "VexelReminder";
const std::string FolderErrorText = "Fehler beim Schreiben der Config-Datei in ";

// Login names are at most 252 characters; that is all the user-name buffer holds.
constexpr std::size_t MaxUserNameLength = 252;

ConfigMessageSink& MessageSink() {
    static ConfigMessageSink sink;
    return sink;
}

void ShowMessage(const std::string& text) {
    if (MessageSink()) {
        MessageSink()(text);
    } else {
        std::cerr << text << '\n';
    }
}

// The INI file below a special folder: <folder>/VexelReminder/vexrem.ini.
std::string IniPathIn(int csidl) {
    return GetSpecialFolderPath(csidl) + PathDelim + IniFolderName + PathDelim + IniFileName;
}

} // namespace

bool ReducedColorsByDefault() {
    return NotNativeEnvironment && DetectedEnvironment == EnvironmentKind::WINE;
}

tConfig::tConfig() {
    SetDefaults();
    FirstRun = true;

    const std::string exePath = Platform().ExePath();
    const std::string oldFile = ExtractFilePath(exePath) + IniFileName;
    if (!exePath.empty() && Platform().FileExists(oldFile)) {
        Open(oldFile, OldLayoutSection);
        LoadFromIni();
        FirstRun = false;
        Platform().RemoveFile(oldFile);
    }

    Open(ConfigPath, GetWindowsUserName());
    if (ini_->SectionHasKeys(sectionName_)) {
        LoadFromIni();
        FirstRun = false;
    }

    try {
        SaveToIni();
    } catch (const IniFileError& e) {
        ShowMessage(e.what());
    }
}

void tConfig::Open(const std::string& fileName, const std::string& sectionName) {
    ini_ = std::make_unique<TIniFile>(fileName);
    sectionName_ = sectionName;
}

void tConfig::SetDefaults() {
    static_cast<ConfigSettings&>(*this) = ConfigSettings{};
}

void tConfig::LoadFromIni() {
    const ConfigSettings d;
    const TIniFile& ini = *ini_;
    const std::string& s = sectionName_;
    const auto readInt = [&](const char* key, int def, int lo, int hi) {
        return std::clamp(ini.ReadInteger(s, key, def), lo, hi);
    };

    UserName = ini.ReadString(s, "UserName", d.UserName);
    Interval = readInt("Interval", d.Interval, 20, 1800);
    Active = ini.ReadBool(s, "Active", d.Active);
    ShowBalloon = ini.ReadBool(s, "ShowBalloon", d.ShowBalloon);
    BalloonCaption = ini.ReadString(s, "BalloonCaption", d.BalloonCaption);
    BalloonText = ini.ReadString(s, "BalloonText", d.BalloonText);
    BalloonTimeout = readInt("BalloonTimeout", d.BalloonTimeout, 1, 10);
    gotoGameOnBalloonClick = ini.ReadBool(s, "gotoGameOnBalloonClick", d.gotoGameOnBalloonClick);
    ToolTipText = ini.ReadString(s, "TooltipText", d.ToolTipText);
    ToolTipTextNDran = ini.ReadString(s, "TooltipTextNDran", d.ToolTipTextNDran);
    StartupCheck = ini.ReadBool(s, "StartupCheck", d.StartupCheck);
    StartupDelay = readInt("StartupDelay", d.StartupDelay, 1, 60);
    ShowPopup = ini.ReadBool(s, "ShowPopup", d.ShowPopup);
    PopupCaption = ini.ReadString(s, "PopupCaption", d.PopupCaption);
    PopupMessage = ini.ReadString(s, "PopupMessage", d.PopupMessage);
    HindaText = ini.ReadString(s, "HindaText", d.HindaText);
    PopupDelay1 = readInt("PopupDelay1", d.PopupDelay1, 1, 3600);
    PopupDelay2 = readInt("PopupDelay2", d.PopupDelay2, 1, 3600);
    UseProxy = ini.ReadBool(s, "UseProxy", d.UseProxy);
    ProxyServer = ini.ReadString(s, "ProxyServer", d.ProxyServer);
    ProxyPort = readInt("ProxyPort", d.ProxyPort, 0, 65535);
    ProxyAuth = ini.ReadBool(s, "ProxyAuth", d.ProxyAuth);
    ProxyUsername = ini.ReadString(s, "ProxyUsername", d.ProxyUsername);
    ProxyPassword = UnscramblePassword(ini.ReadString(s, "ProxyPassword", ""));
    UseZavazuzeza = ini.ReadBool(s, "UseZavazuzeza", d.UseZavazuzeza);
    TrayIconModeNormal = ini.ReadBool(s, "TrayIconModeNormal", d.TrayIconModeNormal);
    TrayIconBlinkOnError = ini.ReadBool(s, "TrayIconBlinkOnError", d.TrayIconBlinkOnError);
    TrayIconBlinkSpeed = readInt("TrayIconBlinkSpeed", d.TrayIconBlinkSpeed, 500, 2000);
    TrayIconReducedColors = ini.ReadBool(s, "TrayIconReducedColors", d.TrayIconReducedColors);
}

namespace {
// Creates folder and whichever of its parents are missing. A fresh Linux
// account may not have the data folder the settings folder lives in yet;
// stopping at the first missing level would lose the settings. The path may
// end in either separator on Windows ("/" is one there too): each is removed,
// or the parent found would be the folder itself.
bool CreateFolderPath(std::string folder) {
    while (folder.size() > 1 && (folder.back() == PathDelim || folder.back() == '/')) {
        folder.pop_back();
    }
    if (folder.empty() || Platform().DirectoryExists(folder)) {
        return true;
    }
    const std::string parent = ExtractFilePath(folder);
    if (!parent.empty() && parent != folder && !CreateFolderPath(parent)) {
        return false;
    }
    return Platform().MakeDirectory(folder);
}
} // namespace

void tConfig::SaveToIni() {
    const std::string folder = ExtractFilePath(Filename());
    if (!folder.empty() && !Platform().DirectoryExists(folder) && !CreateFolderPath(folder)) {
        ShowMessage(FolderErrorText + Filename());
    }

    // One save is one change of the file: a save that is killed or fails
    // leaves the settings of the last save whole, never half old, half new.
    TIniBatch ini(*ini_);
    const std::string& s = sectionName_;
    ini.WriteString(s, "UserName", UserName);
    ini.WriteInteger(s, "Interval", Interval);
    ini.WriteBool(s, "Active", Active);
    ini.WriteBool(s, "ShowBalloon", ShowBalloon);
    ini.WriteString(s, "BalloonCaption", BalloonCaption);
    ini.WriteString(s, "BalloonText", BalloonText);
    ini.WriteInteger(s, "BalloonTimeout", BalloonTimeout);
    ini.WriteBool(s, "gotoGameOnBalloonClick", gotoGameOnBalloonClick);
    ini.WriteString(s, "TooltipText", ToolTipText);
    ini.WriteString(s, "TooltipTextNDran", ToolTipTextNDran);
    ini.WriteBool(s, "StartupCheck", StartupCheck);
    ini.WriteInteger(s, "StartupDelay", StartupDelay);
    ini.WriteBool(s, "ShowPopup", ShowPopup);
    ini.WriteString(s, "PopupCaption", PopupCaption);
    ini.WriteString(s, "PopupMessage", PopupMessage);
    ini.WriteString(s, "HindaText", HindaText);
    ini.WriteBool(s, "UseProxy", UseProxy);
    ini.WriteString(s, "ProxyServer", ProxyServer);
    ini.WriteInteger(s, "ProxyPort", ProxyPort);
    ini.WriteBool(s, "ProxyAuth", ProxyAuth);
    ini.WriteString(s, "ProxyUsername", ProxyUsername);
    ini.WriteString(s, "ProxyPassword", ScramblePassword(ProxyPassword));
    ini.WriteBool(s, "UseZavazuzeza", UseZavazuzeza);
    ini.WriteInteger(s, "PopupDelay1", PopupDelay1);
    ini.WriteInteger(s, "PopupDelay2", PopupDelay2);
    ini.WriteBool(s, "TrayIconModeNormal", TrayIconModeNormal);
    ini.WriteBool(s, "TrayIconBlinkOnError", TrayIconBlinkOnError);
    ini.WriteInteger(s, "TrayIconBlinkSpeed", TrayIconBlinkSpeed);
    ini.WriteBool(s, "TrayIconReducedColors", TrayIconReducedColors);
    ini.Commit();
}

void ConfigModuleStartup() {
    const std::string perUser = IniPathIn(CsidlAppData);
    ConfigPath = Platform().FileExists(perUser) ? perUser : IniPathIn(CsidlCommonAppData);
    DetectEnvironment();
}

void ConfigModuleShutdown() {
    if (Config) {
        try {
            Config->SaveToIni();
        } catch (const IniFileError& e) {
            ShowMessage(e.what());
        }
        Config.reset();
    }
    ConfigPath.clear();
}

std::string GetWindowsUserName() {
    return Platform().UserName().substr(0, MaxUserNameLength);
}

std::string GetSpecialFolderPath(int csidl) {
    return Platform().SpecialFolderPath(csidl);
}

ConfigMessageSink SetConfigMessageSink(ConfigMessageSink sink) {
    return std::exchange(MessageSink(), std::move(sink));
}

} // namespace vexrem
