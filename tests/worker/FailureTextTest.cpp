#include "worker/FailureText.h"

#include "support/FakePlatform.h"

#include "support/FakeHttpServer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace vexrem {
namespace {

// System texts as a Windows-like system would return them: with a full stop
// and a line break at the end.
class ErrorTextPlatform : public test::FakePlatform {
public:
    std::string ErrorText(int code) override {
        ++asked;
        lastCode = code;
        switch (code) {
        case 10061:
            return "Es konnte keine Verbindung hergestellt werden.\r\n";
        case 7:
            return std::string(300, 'L') + ". \r\n";
        case 8:
            return "Ende...  ";
        default:
            return {};
        }
    }
    int asked = 0;
    int lastCode = 0;
};

struct TextCase {
    const char* message;
    const char* text;
};

class FailureTextTable : public ::testing::TestWithParam<TextCase> {
protected:
    ErrorTextPlatform platform;
    ScopedPlatform scoped{platform};
};

TEST_P(FailureTextTable, AppendsTheSystemTextForATrailingCode) {
    EXPECT_EQ(FailureText(GetParam().message), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FailureTextTable,
    ::testing::Values(
        TextCase{"Socket-Fehler # 10061",
                 "Socket-Fehler # 10061 (Es konnte keine Verbindung hergestellt werden)"},
        TextCase{"Fehler 10061 \t\r\n",
                 "Fehler 10061 (Es konnte keine Verbindung hergestellt werden)"},
        TextCase{"10061", "10061 (Es konnte keine Verbindung hergestellt werden)"},
        TextCase{"Fehler +10061", "Fehler +10061 (Es konnte keine Verbindung hergestellt werden)"},
        TextCase{"Fehler 0010061",
                 "Fehler 0010061 (Es konnte keine Verbindung hergestellt werden)"},
        TextCase{"Fehler 8", "Fehler 8 (Ende)"}, TextCase{"Fehler 424242", "Fehler 424242 ()"},
        TextCase{"Fehler 99999999999999999999", "Fehler 99999999999999999999 ()"},
        TextCase{"Socket-Fehler #10061", "Socket-Fehler #10061"}, TextCase{"Fehler 0", "Fehler 0"},
        TextCase{"Fehler -5", "Fehler -5"}, TextCase{"Fehler +", "Fehler +"},
        TextCase{"Fehler 12a", "Fehler 12a"}, TextCase{"Not Found", "Not Found"},
        TextCase{"Not Found   ", "Not Found"}, TextCase{"", ""}, TextCase{"   ", ""},
        // Only a space separates words; a tab does not.
        TextCase{"Fehler\t5", "Fehler\t5"}));

TEST_F(FailureTextTable, SystemTextIsCutTo255CharactersBeforeTrimming) {
    EXPECT_EQ(FailureText("Fehler 7"), "Fehler 7 (" + std::string(255, 'L') + ")");
}

TEST_F(FailureTextTable, SystemIsAskedOnlyForPositiveCodes) {
    FailureText("Not Found");
    FailureText("Fehler -3");
    EXPECT_EQ(platform.asked, 0);
    FailureText("Fehler +42");
    EXPECT_EQ(platform.lastCode, 42);
}

TEST(FailureTextNative, RefusedConnectionGetsTheSystemsWords) {
    const std::string message =
        "Verbindung zu 127.0.0.1:1 fehlgeschlagen " + std::to_string(test::RefusedConnectionCode());
    EXPECT_EQ(FailureText(message),
              message + " (" + test::SystemTextOf(test::RefusedConnectionCode()) + ")");
}

} // namespace
} // namespace vexrem
