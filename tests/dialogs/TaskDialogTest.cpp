#include "dialogs/TaskDialog.h"
#include "support/qt/DialogAnswerer.h"

#include <QRadioButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace vexrem {
namespace {

using test::DialogAnswerer;
using test::ModalDialog;

// A dialog as the program asks its yes/no questions.
struct YesNo {
    explicit YesNo(QWidget* owner) : dlg(owner) {
        dlg.SetTitle(QStringLiteral("Frage"));
        dlg.SetMainInstruction(QStringLiteral("Wirklich?"));
        dlg.SetContent(QStringLiteral("Zeile 1\r\nZeile 2"));
        dlg.SetCommonButtons(0);
        dlg.SetMainIcon(TaskDialogIcon::Warning);
        yes = dlg.AddButton(QStringLiteral("Ja"));
        no = dlg.AddButton(QStringLiteral("Nein"));
    }
    TTaskDialog dlg;
    int yes = 0;
    int no = 0;
};

class TaskDialogTest : public ::testing::Test {
protected:
    QWidget owner;
};

// --- ids ---------------------------------------------------------------------

TEST(TaskDialogIds, CustomButtonsCountFrom200RadioButtonsFrom300) {
    TTaskDialog dlg;
    EXPECT_EQ(dlg.AddButton(QStringLiteral("a")), 200);
    EXPECT_EQ(dlg.AddButton(QStringLiteral("b")), 201);
    EXPECT_EQ(dlg.AddButton(QStringLiteral("c")), 202);
    EXPECT_EQ(dlg.AddRadioButton(QStringLiteral("x")), 300);
    EXPECT_EQ(dlg.AddRadioButton(QStringLiteral("y")), 301);
}

TEST(TaskDialogIds, ClearedRadioListNumbersAfresh) {
    TTaskDialog dlg;
    dlg.AddRadioButton(QStringLiteral("x"));
    dlg.AddRadioButton(QStringLiteral("y"));
    dlg.ClearRadioButtons();
    EXPECT_EQ(dlg.AddRadioButton(QStringLiteral("z")), 300);
}

// --- what it shows -----------------------------------------------------------

TEST_F(TaskDialogTest, ShowsItsElementsModalToTheOwner) {
    YesNo q(&owner);
    DialogAnswerer answerer;
    answerer.Then([this](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Frage");
        EXPECT_EQ(d.Instruction(), "Wirklich?");
        EXPECT_EQ(d.Content(), "Zeile 1\nZeile 2");
        EXPECT_EQ(d.Icon(), "warning");
        EXPECT_EQ(d.Buttons(), QStringList({"Ja", "Nein"}));
        EXPECT_FALSE(d.IsCommandLink("Ja"));
        EXPECT_TRUE(d.Radios().isEmpty());
        EXPECT_EQ(d.Widget()->parentWidget(), &owner);
        EXPECT_TRUE(d.Widget()->isModal());
        d.Click("Nein");
    });
    EXPECT_TRUE(q.dlg.Execute());
    EXPECT_EQ(q.dlg.ModalResult(), q.no);
    EXPECT_EQ(q.dlg.RadioButtonResult(), 0);
    EXPECT_TRUE(answerer.AllAnswered());
}

TEST_F(TaskDialogTest, CommonOkAloneWhenLeftAsCreated) {
    TTaskDialog dlg(&owner);
    dlg.SetMainIcon(TaskDialogIcon::Information);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Buttons(), QStringList({"OK"}));
        EXPECT_EQ(d.Icon(), "information");
        d.Click("OK");
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Ok);
}

TEST_F(TaskDialogTest, CustomButtonsComeBeforeCommonOnes) {
    TTaskDialog dlg(&owner);
    dlg.SetCommonButtons(TaskDialogCommon::Ok | TaskDialogCommon::Cancel);
    dlg.AddButton(QStringLiteral("Eigener"));
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Buttons(), QStringList({"Eigener", "OK", "Abbrechen"}));
        d.Click("OK");
    });
    dlg.Execute();
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Ok);
}

TEST(TaskDialogText, LineBreaksOfEveryKindBecomeOne) {
    struct Row {
        const char* in;
        const char* out;
    };
    const Row rows[] = {
        {"a\r\nb", "a\nb"},       {"a\nb", "a\nb"},
        {"a\rb", "a\nb"},         {"a\n\r\n\rb", "a\n\nb"}, // LF CR LF CR: one empty line
        {"a\r\n\r\nb", "a\n\nb"}, {"a\n\nb", "a\n\nb"},
        {"\r\n", "\n"},           {"", ""},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(NormalizeLineBreaks(QString::fromLatin1(r.in)), QString::fromLatin1(r.out))
            << r.in;
    }
}

TEST_F(TaskDialogTest, ExpandButtonOnlyWithExpandedInformation) {
    TTaskDialog dlg(&owner);
    dlg.SetCollapsedControlText(QStringLiteral("Zeige Ordner"));
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Buttons(), QStringList({"OK"}));
        d.Click("OK");
    });
    dlg.Execute();

    TTaskDialog more(&owner);
    more.SetCollapsedControlText(QStringLiteral("Zeige Ordner"));
    more.SetExpandedInformation(QStringLiteral("/home"));
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Buttons(), QStringList({"Zeige Ordner", "OK"}));
        EXPECT_FALSE(d.Labels().contains("/home"));
        d.Click("Zeige Ordner");
        EXPECT_TRUE(d.IsOpen());
        EXPECT_TRUE(d.Labels().contains("/home"));
        d.Click("OK");
    });
    more.Execute();
    EXPECT_EQ(more.ModalResult(), TaskDialogId::Ok);
}

// --- ending the dialog ---------------------------------------------------------

enum class Gesture { Escape, CloseBox };

class TaskDialogCancelTest : public TaskDialogTest, public ::testing::WithParamInterface<Gesture> {
protected:
    static void Do(ModalDialog& d) {
        if (GetParam() == Gesture::Escape) {
            d.PressEscape();
        } else {
            d.CloseBox();
        }
    }
};

TEST_P(TaskDialogCancelTest, WithoutCancelButtonTheDialogStaysOpen) {
    YesNo q(&owner);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        Do(d);
        EXPECT_TRUE(d.IsOpen());
        d.Click("Ja");
    });
    EXPECT_TRUE(q.dlg.Execute());
    EXPECT_EQ(q.dlg.ModalResult(), q.yes);
}

TEST_P(TaskDialogCancelTest, WithCancelButtonItEndsWithCancel) {
    YesNo q(&owner);
    q.dlg.SetCommonButtons(TaskDialogCommon::Cancel);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) { Do(d); });
    EXPECT_FALSE(q.dlg.Execute());
    EXPECT_EQ(q.dlg.ModalResult(), TaskDialogId::Cancel);
}

TEST_P(TaskDialogCancelTest, AllowedCancellationEndsWithCancel) {
    YesNo q(&owner);
    q.dlg.SetFlags(TaskDialogFlag::AllowDialogCancellation);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) { Do(d); });
    EXPECT_FALSE(q.dlg.Execute());
    EXPECT_EQ(q.dlg.ModalResult(), TaskDialogId::Cancel);
}

INSTANTIATE_TEST_SUITE_P(Gestures, TaskDialogCancelTest,
                         ::testing::Values(Gesture::Escape, Gesture::CloseBox),
                         [](const auto& info) {
                             return info.param == Gesture::Escape ? "Escape" : "CloseBox";
                         });

TEST_F(TaskDialogTest, CancelButtonClickedMakesExecuteFalse) {
    TTaskDialog dlg(&owner);
    dlg.SetCommonButtons(TaskDialogCommon::Ok | TaskDialogCommon::Cancel);
    DialogAnswerer answerer;
    answerer.ThenClick("Abbrechen");
    EXPECT_FALSE(dlg.Execute());
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Cancel);
}

// --- click handlers --------------------------------------------------------------

TEST_F(TaskDialogTest, KeepOpenHandlerLeavesTheDialogOpen) {
    TTaskDialog dlg(&owner);
    const int open = dlg.AddButton(QStringLiteral("Ordner \u00f6ffnen"));
    int clicks = 0;
    dlg.SetButtonClick(open, [&clicks](bool& keepOpen) {
        ++clicks;
        keepOpen = true;
    });
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        d.Click(QStringLiteral("Ordner \u00f6ffnen"));
        d.Click(QStringLiteral("Ordner \u00f6ffnen"));
        EXPECT_TRUE(d.IsOpen());
    });
    answerer.ThenClick("OK"); // a later step still finds the same dialog
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Ok);
    EXPECT_EQ(answerer.Answered(), 2);
}

TEST_F(TaskDialogTest, HandlerThatDoesNotKeepOpenEndsWithItsButton) {
    TTaskDialog dlg(&owner);
    const int id = dlg.AddButton(QStringLiteral("Los"));
    bool ran = false;
    dlg.SetButtonClick(id, [&ran](bool&) { ran = true; });
    DialogAnswerer answerer;
    answerer.ThenClick("Los");
    dlg.Execute();
    EXPECT_TRUE(ran);
    EXPECT_EQ(dlg.ModalResult(), id);
}

TEST_F(TaskDialogTest, HandlerMayAskAnotherQuestion) {
    TTaskDialog dlg(&owner);
    const int ask = dlg.AddButton(QStringLiteral("Nachfragen"));
    int inner = -1;
    dlg.SetButtonClick(ask, [&](bool& keepOpen) {
        YesNo q(&owner);
        q.dlg.Execute();
        inner = q.dlg.ModalResult();
        keepOpen = true;
    });
    DialogAnswerer answerer;
    answerer.ThenClick("Nachfragen");
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Frage");
        d.Click("Ja");
    });
    answerer.ThenClick("OK");
    dlg.Execute();
    EXPECT_EQ(inner, 200);
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Ok);
}

TEST_F(TaskDialogTest, DisabledItemsShowDisabled) {
    TTaskDialog dlg(&owner);
    const int b = dlg.AddButton(QStringLiteral("Aus"));
    dlg.SetButtonEnabled(b, false);
    dlg.SetRadioButtonEnabled(dlg.AddRadioButton(QStringLiteral("Grau")), false);
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_FALSE(d.ButtonEnabled("Aus"));
        EXPECT_TRUE(d.ButtonEnabled("OK"));
        const auto* radio = d.Widget()->findChild<QRadioButton*>();
        ASSERT_NE(radio, nullptr);
        EXPECT_FALSE(radio->isEnabled());
        d.Click("OK");
    });
    dlg.Execute();
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Ok);
}

// --- command links and radio buttons ---------------------------------------------

TEST_F(TaskDialogTest, CommandLinksWithRadioDefault) {
    TTaskDialog dlg(&owner);
    dlg.SetTitle(QStringLiteral("Autostart"));
    dlg.SetFlags(TaskDialogFlag::UseCommandLinks);
    dlg.SetCollapsedControlText(QStringLiteral("Zeige Ordner"));
    const int none = dlg.AddRadioButton(QStringLiteral("Kein Eintrag"));
    const int personal = dlg.AddRadioButton(QStringLiteral("Pers\u00f6nlich"), true);
    const int all = dlg.AddRadioButton(QStringLiteral("F\u00fcr alle"));
    const int link = dlg.AddButton(QStringLiteral("Pers\u00f6nlichen Autostart \u00f6ffnen"));
    dlg.SetButtonClick(link, [](bool& keepOpen) { keepOpen = true; });
    (void)none;
    (void)personal;
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Radios(), QStringList({"Kein Eintrag", QStringLiteral("Pers\u00f6nlich"),
                                           QStringLiteral("F\u00fcr alle")}));
        EXPECT_EQ(d.CheckedRadio(), QStringLiteral("Pers\u00f6nlich"));
        EXPECT_TRUE(d.IsCommandLink(QStringLiteral("Pers\u00f6nlichen Autostart \u00f6ffnen")));
        EXPECT_EQ(d.Buttons(),
                  QStringList({QStringLiteral("Pers\u00f6nlichen Autostart \u00f6ffnen"), "OK"}));
        d.ClickRadio(QStringLiteral("F\u00fcr alle"));
        d.Click(QStringLiteral("Pers\u00f6nlichen Autostart \u00f6ffnen"));
        EXPECT_TRUE(d.IsOpen());
        d.Click("OK");
    });
    EXPECT_TRUE(dlg.Execute());
    EXPECT_EQ(dlg.ModalResult(), TaskDialogId::Ok);
    EXPECT_EQ(dlg.RadioButtonResult(), all);
}

TEST_F(TaskDialogTest, CommandLinkCaptionLineBreakStartsItsNote) {
    TTaskDialog dlg(&owner);
    dlg.SetFlags(TaskDialogFlag::UseCommandLinks);
    const int id = dlg.AddButton(QStringLiteral("Weiter\nmit einer Erkl\u00e4rung"));
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_TRUE(d.IsCommandLink("Weiter"));
        d.Click("Weiter");
    });
    dlg.Execute();
    EXPECT_EQ(dlg.ModalResult(), id);
}

TEST_F(TaskDialogTest, NoRadioSelectedWithTheInitialFlags) {
    TTaskDialog dlg(&owner);
    dlg.AddRadioButton(QStringLiteral("a"));
    dlg.AddRadioButton(QStringLiteral("b"));
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.CheckedRadio(), "");
        d.Click("OK");
    });
    dlg.Execute();
    EXPECT_EQ(dlg.RadioButtonResult(), 0);
}

TEST_F(TaskDialogTest, FirstRadioSelectedWhenFlagsAllowADefault) {
    TTaskDialog dlg(&owner);
    dlg.SetFlags(TaskDialogFlag::UseCommandLinks);
    const int a = dlg.AddRadioButton(QStringLiteral("a"));
    dlg.AddRadioButton(QStringLiteral("b"));
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.CheckedRadio(), "a");
        d.Click("OK");
    });
    dlg.Execute();
    EXPECT_EQ(dlg.RadioButtonResult(), a);
}

// --- a dialog that cannot be shown -----------------------------------------------

TEST(TaskDialogNotShown, OffTheGuiThreadBothIdsStayZero) {
    TTaskDialog dlg;
    dlg.AddButton(QStringLiteral("Ja"));
    dlg.AddRadioButton(QStringLiteral("a"), true);
    bool executed = true;
    std::thread worker([&] { executed = dlg.Execute(); });
    worker.join();
    EXPECT_FALSE(executed);
    EXPECT_EQ(dlg.ModalResult(), 0);
    EXPECT_EQ(dlg.RadioButtonResult(), 0);
}

TEST(TaskDialogNotShown, OwnerGoneWhileOpenLeavesIdsZero) {
    auto owner = std::make_unique<QWidget>();
    YesNo q(owner.get());
    q.dlg.AddRadioButton(QStringLiteral("a"), true);
    DialogAnswerer answerer;
    answerer.Then([&owner](ModalDialog&) { owner.reset(); });
    EXPECT_FALSE(q.dlg.Execute());
    EXPECT_EQ(q.dlg.ModalResult(), 0);
    EXPECT_EQ(q.dlg.RadioButtonResult(), 0);
}

} // namespace
} // namespace vexrem
