#include "config/Config.h"

#include "config/ProxyPassword.h"
#include "platform/Overloaded.h"
#include "platform/Platform.h"

#include <algorithm>
#include <iostream>
#include <utility>

namespace vexrem {

namespace {

const std::string IniFileName = "vexrem.ini";
const std::string IniFolderName = kProgramName;
// Section of a settings file of the old layout, next to the executable.
const std::string OldLayoutSection = "VexelReminder";
const std::string FolderErrorText = "Fehler beim Schreiben der Config-Datei in ";

// Login names are at most 252 characters; that is all the user-name buffer holds.
constexpr std::size_t MaxUserNameLength = 252;

// The INI file below a special folder: <folder>/VexelReminder/vexrem.ini.
std::string IniPathIn(int csidl) {
    return GetSpecialFolderPath(csidl) + PathDelim + IniFolderName + PathDelim + IniFileName;
}

} // namespace

ConfigSettings::ConfigSettings() {
    for (const SettingEntry& e : SettingsTable) {
        std::visit(Overloaded{
                       [&](const TextSetting& t) { this->*t.field = t.def; },
                       [&](const IntegerSetting& i) { this->*i.field = i.def; },
                       [&](const FlagSetting& f) { this->*f.field = f.def(); },
                       [&](const PasswordSetting& p) { (this->*p.field).clear(); },
                   },
                   e.setting);
    }
}

bool ReducedColorsByDefault() {
    return DetectedWine();
}

tConfig::tConfig(const std::string& configPath, ConfigMessageSink messages)
    : messages_(std::move(messages)) {
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

    Open(configPath, GetWindowsUserName());
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

// Reading has no effects besides the value, so the table's order serves
// loading as well as saving.
void tConfig::LoadFromIni() {
    const TIniFile& ini = *ini_;
    const std::string& s = sectionName_;
    for (const SettingEntry& e : SettingsTable) {
        std::visit(
            Overloaded{
                [&](const TextSetting& t) { this->*t.field = ini.ReadString(s, e.key, t.def); },
                [&](const IntegerSetting& i) {
                    this->*i.field = std::clamp(ini.ReadInteger(s, e.key, i.def), i.min, i.max);
                },
                [&](const FlagSetting& f) { this->*f.field = ini.ReadBool(s, e.key, f.def()); },
                // A stored form too short to hold a password reads as none.
                [&](const PasswordSetting& p) {
                    this->*p.field = UnscramblePassword(ini.ReadString(s, e.key, ""));
                },
            },
            e.setting);
    }
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
    for (const SettingEntry& e : SettingsTable) {
        std::visit(Overloaded{
                       [&](const TextSetting& t) { ini.WriteString(s, e.key, this->*t.field); },
                       [&](const IntegerSetting& i) { ini.WriteInteger(s, e.key, this->*i.field); },
                       [&](const FlagSetting& f) { ini.WriteBool(s, e.key, this->*f.field); },
                       // An empty password is written as the empty value.
                       [&](const PasswordSetting& p) {
                           ini.WriteString(s, e.key, ScramblePassword(this->*p.field));
                       },
                   },
                   e.setting);
    }
    ini.Commit();
}

std::string ConfigModuleStartup() {
    const std::string perUser = IniPathIn(CsidlAppData);
    std::string ConfigPath =
        Platform().FileExists(perUser) ? perUser : IniPathIn(CsidlCommonAppData);
    DetectEnvironment();
    return ConfigPath;
}

void ConfigModuleShutdown(std::unique_ptr<tConfig>& config) {
    if (config) {
        try {
            config->SaveToIni();
        } catch (const IniFileError& e) {
            config->ShowMessage(e.what());
        }
        config.reset();
    }
}

std::string GetWindowsUserName() {
    return Platform().UserName().substr(0, MaxUserNameLength);
}

std::string GetSpecialFolderPath(int csidl) {
    return Platform().SpecialFolderPath(csidl);
}

ConfigMessageSink tConfig::SetMessageSink(ConfigMessageSink messages) {
    return std::exchange(messages_, std::move(messages));
}

void tConfig::ShowMessage(const std::string& text) const {
    if (messages_) {
        messages_(text);
    } else {
        std::cerr << text << '\n';
    }
}

} // namespace vexrem
