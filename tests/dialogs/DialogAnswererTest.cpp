#include "support/qt/DialogAnswerer.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

namespace vexrem::test {
namespace {

// A dialog as other parts build them: a message and named buttons.
class NamedButtonsDialog : public QDialog {
public:
    NamedButtonsDialog() {
        setWindowTitle(QStringLiteral("Popup"));
        auto* row = new QHBoxLayout(this);
        row->addWidget(new QLabel(QStringLiteral("Du bist dran"), this));
        for (int i = 0; i < 3; ++i) {
            const QString caption = QStringList{"&Los", "Sp\u00e4ter", "Morgen"}[i];
            auto* b = new QPushButton(caption, this);
            connect(b, &QPushButton::clicked, this, [this, i] { done(100 + i); });
            row->addWidget(b);
        }
    }
};

TEST(DialogAnswerer, AnswersAMessageBox) {
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Title(), "Fehler");
        EXPECT_EQ(d.Instruction(), "Es ging nicht.");
        EXPECT_EQ(d.Content(), "Mehr dazu");
        EXPECT_EQ(d.Icon(), "critical");
        d.Click("No"); // "&No" on the button
    });
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Fehler"),
                    QStringLiteral("Es ging nicht."), QMessageBox::Yes | QMessageBox::No);
    box.setInformativeText(QStringLiteral("Mehr dazu"));
    EXPECT_EQ(box.exec(), QMessageBox::No);
}

TEST(DialogAnswerer, AnswersAPlainDialogByCaption) {
    DialogAnswerer answerer;
    answerer.Then([](ModalDialog& d) {
        EXPECT_EQ(d.Labels(), QStringList{"Du bist dran"});
        EXPECT_EQ(d.Buttons(), QStringList({"&Los", QStringLiteral("Sp\u00e4ter"), "Morgen"}));
        d.Click(QStringLiteral("Sp\u00e4ter"));
    });
    NamedButtonsDialog dlg;
    EXPECT_EQ(dlg.exec(), 101);
}

TEST(DialogAnswerer, FindsAModelessWindowByTitle) {
    NamedButtonsDialog dlg;
    dlg.show();
    QWidget* w = DialogAnswerer::FindWindow(QStringLiteral("Popup"));
    ASSERT_EQ(w, &dlg);
    ModalDialog(w).Click("Los");
    EXPECT_EQ(dlg.result(), 100);
    EXPECT_FALSE(dlg.isVisible());
}

TEST(DialogAnswerer, WaitsForADialogOpenedLaterFromTheEventLoop) {
    DialogAnswerer answerer;
    answerer.ThenClick("OK");
    int answer = 0;
    QTimer::singleShot(50, [&answer] {
        answer = QMessageBox::information(nullptr, QStringLiteral("Info"), QStringLiteral("Hallo"));
    });
    EXPECT_TRUE(answerer.WaitAllAnswered());
    EXPECT_EQ(answer, QMessageBox::Ok);
}

// --- bounded waits: these must fail the test, never hang it ------------------

void DialogNeverAppears() {
    DialogAnswerer answerer(100);
    answerer.ThenClick("OK");
    answerer.WaitAllAnswered();
}

void DialogLeftOpen() {
    DialogAnswerer answerer(100);
    QDialog dlg;
    dlg.exec();
}

void UnknownCaption() {
    DialogAnswerer answerer(100);
    answerer.ThenClick("Gibt es nicht");
    QMessageBox box(QMessageBox::Information, QStringLiteral("Info"), QStringLiteral("x"));
    box.exec();
}

TEST(DialogAnswererLimits, MissingDialogFailsAfterTheTimeout) {
    EXPECT_NONFATAL_FAILURE(DialogNeverAppears(), "did not appear within 100 ms");
}

TEST(DialogAnswererLimits, UnansweredDialogIsClosedWithAFailure) {
    EXPECT_NONFATAL_FAILURE(DialogLeftOpen(), "left open");
}

TEST(DialogAnswererLimits, UnknownCaptionFailsAndClosesTheDialog) {
    EXPECT_NONFATAL_FAILURE(UnknownCaption(), "no enabled button \"Gibt es nicht\"");
}

} // namespace
} // namespace vexrem::test
