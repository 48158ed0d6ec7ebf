#include "support/qt/DialogAnswerer.h"
#include "ui/LinkDialogs.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <thread>

namespace vexrem {
namespace {

using test::DialogAnswerer;
using test::ModalDialog;

TEST(ZavazuzezaHelp, AsksWithItsTextsAndTwoButtons) {
    QWidget owner;
    DialogAnswerer answerer;
    answerer.Then([&owner](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Zavazuzeza - Info");
        EXPECT_EQ(d.Instruction(), "Frameset direkt aufrufen?");
        EXPECT_EQ(d.Content(),
                  QStringLiteral(
                      "Wenn der Zavazuzeza aktiviert ist, wird beim Aufruf von Seiten auf "
                      "Vexelfeld eine URL verwendet, die den Browser zum Frameset mit dem "
                      "aktuellen Spiel bzw der Dransei-Seite weiterleitet. Dies funktioniert "
                      "m\u00f6glicherweise nicht mit allen Browsern. Am besten, du l\u00e4sst "
                      "den Zavazuzeza aktiviert, solange es keine Probleme gibt, und "
                      "deaktivierst ihn im Bedarfsfall.\n\nSoll der Zavazuzeza aktiviert sein?"));
        EXPECT_EQ(d.Icon(), "warning");
        EXPECT_EQ(d.Buttons(), QStringList({"Ja", "Nein"}));
        EXPECT_EQ(d.Widget()->parentWidget(), &owner);
        // Only an answer ends it.
        d.PressEscape();
        d.CloseBox();
        EXPECT_TRUE(d.IsOpen());
        d.Click("Nein");
    });
    ShowZavazuzezaHelp(&owner, true);
    EXPECT_TRUE(answerer.AllAnswered());
}

struct Row {
    bool checked;
    const char* answer;
    std::optional<bool> result;
};

class ZavazuzezaAnswer : public ::testing::TestWithParam<Row> {};

TEST_P(ZavazuzezaAnswer, SetsTheBoxOnlyWhenItChanges) {
    QWidget owner;
    DialogAnswerer answerer;
    answerer.ThenClick(QString::fromLatin1(GetParam().answer));
    EXPECT_EQ(ShowZavazuzezaHelp(&owner, GetParam().checked), GetParam().result);
}

INSTANTIATE_TEST_SUITE_P(Answers, ZavazuzezaAnswer,
                         ::testing::Values(Row{false, "Ja", true}, Row{true, "Nein", false},
                                           Row{true, "Ja", std::nullopt},
                                           Row{false, "Nein", std::nullopt}));

TEST(ZavazuzezaHelp, NoAnswerNoChange) {
    std::optional<bool> result = true;
    std::thread worker([&] { result = ShowZavazuzezaHelp(nullptr, false); });
    worker.join();
    EXPECT_EQ(result, std::nullopt);
}

} // namespace
} // namespace vexrem
