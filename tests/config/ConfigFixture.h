#pragma once
// A fake platform in a temp folder, ConfigPath on its all-users file, the
// environment natively detected, and every message for the user collected.

#include "config/Config.h"
#include "support/FakePlatform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vexrem::test {

class ConfigTest : public testing::Test {
protected:
    ConfigTest() : scoped_(platform) {
        NotNativeEnvironment = false;
        DetectedEnvironment = EnvironmentKind::Native;
    }

    ~ConfigTest() override {
        NotNativeEnvironment = previousNotNative_;
        DetectedEnvironment = previousDetected_;
    }

    // Collects a configuration's messages in messages.
    ConfigMessageSink Collect() {
        return [this](const std::string& m) {
            messages.push_back(m);
        };
    }

    // DefaultSection with key's line holding stored, or without it (nullptr).
    static std::string DefaultSectionWith(const std::string& key, const char* stored);

    std::string CommonIni() const {
        return NativePath(platform.commonAppData + "/VexelReminder/vexrem.ini");
    }
    std::string UserIni() const {
        return NativePath(platform.appData + "/VexelReminder/vexrem.ini");
    }
    // The all-users file as text. The system's profile functions on Windows
    // end the lines they write with CRLF; the settings are the same.
    std::string CommonIniText() const {
        std::string text = ReadFileBytes(CommonIni());
#ifdef _WIN32
        for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) {
            text.erase(at, 1);
        }
#endif
        return text;
    }
    std::string OldLayoutIni() const {
        return ExtractFilePath(platform.exePath) + "vexrem.ini";
    }

    FakePlatform platform;
    std::vector<std::string> messages;
    std::string ConfigPath = CommonIni();

private:
    ScopedPlatform scoped_;
    bool previousNotNative_ = NotNativeEnvironment;
    EnvironmentKind previousDetected_ = DetectedEnvironment;
};

// The section a fresh start writes for user "tester" with every default.
inline const std::string DefaultSection = "[tester]\n"
                                          "UserName=pim\n"
                                          "Interval=120\n"
                                          "Active=0\n"
                                          "ShowBalloon=1\n"
                                          "BalloonCaption=Vexelfeld\n"
                                          "BalloonText=Dran bei %d Spiel(en).\n"
                                          "BalloonTimeout=10\n"
                                          "gotoGameOnBalloonClick=1\n"
                                          "TooltipText=Dran bei %d Spielen.\n"
                                          "TooltipTextNDran=Bei keinem Spiel dran.\n"
                                          "StartupCheck=0\n"
                                          "StartupDelay=5\n"
                                          "ShowPopup=0\n"
                                          "PopupCaption=VexelReminder\n"
                                          "PopupMessage=Du bist bei %d Spiel(en) dran!\n"
                                          "HindaText=Hin da!\n"
                                          "UseProxy=0\n"
                                          "ProxyServer=proxy.example.net\n"
                                          "ProxyPort=8080\n"
                                          "ProxyAuth=0\n"
                                          "ProxyUsername=\n"
                                          "ProxyPassword=\n"
                                          "UseZavazuzeza=1\n"
                                          "PopupDelay1=300\n"
                                          "PopupDelay2=900\n"
                                          "TrayIconModeNormal=1\n"
                                          "TrayIconBlinkOnError=0\n"
                                          "TrayIconBlinkSpeed=1000\n"
                                          "TrayIconReducedColors=0\n";

inline std::string ConfigTest::DefaultSectionWith(const std::string& key, const char* stored) {
    std::string text = DefaultSection;
    const std::size_t begin = text.find("\n" + key + "=") + 1;
    const std::size_t end = text.find('\n', begin) + 1;
    text.replace(begin, end - begin, stored != nullptr ? key + "=" + stored + "\n" : "");
    return text;
}

} // namespace vexrem::test
