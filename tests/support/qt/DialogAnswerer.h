#pragma once
// Answers the real modal dialogs that the code under test opens: task dialogs,
// QMessageBoxes and any other QDialog (popups with named buttons included).
//
// Create the answerer and queue one step per expected dialog BEFORE running
// the code that opens them. While that code sits in the dialog's event loop,
// the answerer polls for the dialog, hands it to the step, and the step looks
// at it and answers it:
//
//     DialogAnswerer answerer;
//     answerer.Then([](ModalDialog& d) {
//         EXPECT_EQ(d.Title(), "Zavazuzeza - Info");
//         EXPECT_EQ(d.Buttons(), QStringList({"Ja", "Nein"}));
//         EXPECT_EQ(d.Icon(), "warning");
//         d.Click("Ja");
//     });
//     const auto change = ShowZavazuzezaHelp(&window, false);   // blocks until answered
//     EXPECT_TRUE(answerer.AllAnswered());
//
// Rules:
// - Each step gets the modal dialog that is active when its turn comes. A step
//   that leaves the dialog open (a keep-open button) may be followed by
//   another step for the same dialog. A click that opens a further dialog
//   returns only when that one is answered by the next step.
// - Waits are bounded: a step whose dialog does not appear within the timeout
//   fails the test and the remaining steps are dropped; a dialog still open
//   after all steps (or after a failed Click) fails the test and is closed,
//   so a test never hangs in a dialog.
// - Once an answerer has been made, task dialogs show as Qt dialogs (also
//   where the system has its own, which Qt cannot drive).
// - For dialogs opened later from the event loop (timers, worker results),
//   call WaitAllAnswered() to spin the loop until every step has run.

#include <QDialog>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class QAbstractButton;

namespace vexrem::test {

// A modal dialog as a test sees it: what it shows, and the user's actions.
class ModalDialog {
public:
    explicit ModalDialog(QWidget* widget) : widget_(widget) {}

    QWidget* Widget() const { return widget_; }
    bool IsOpen() const; // still visible

    QString Title() const;
    // Task dialog: main instruction; QMessageBox: its text.
    QString Instruction() const;
    // Task dialog: content (line breaks as "\n"); QMessageBox: informative text.
    QString Content() const;
    // "warning", "information", "critical", "question" or "" (none).
    QString Icon() const;
    // Captions of the visible push buttons and command links, in order of
    // creation (ampersands as given).
    QStringList Buttons() const;
    bool ButtonEnabled(const QString& caption) const;
    // True when the caption belongs to a command link.
    bool IsCommandLink(const QString& caption) const;
    // Captions of the visible radio buttons, in order; the checked one ("" if none).
    QStringList Radios() const;
    QString CheckedRadio() const;
    // The texts of all visible labels, in order of creation.
    QStringList Labels() const;

    // Clicks the button (push button, command link, check box) with this
    // caption; the caption may be given with or without its '&'. A missing or
    // disabled button fails the test and closes the dialog.
    void Click(const QString& caption);
    // Selects the radio button with this caption.
    void ClickRadio(const QString& caption);
    void PressEscape();
    // The close box of the title bar (also Alt+F4).
    void CloseBox();

private:
    QAbstractButton* FindButton(const QString& caption, bool radio) const;

    QPointer<QWidget> widget_;
};

class DialogAnswerer : public QObject {
    Q_OBJECT
public:
    using Step = std::function<void(ModalDialog&)>;

    explicit DialogAnswerer(int timeoutMs = 10000);
    ~DialogAnswerer() override; // fails the test for steps that never ran

    // Queues the answer to the next dialog.
    DialogAnswerer& Then(Step step);
    // Queues a plain click on the button with this caption.
    DialogAnswerer& ThenClick(const QString& caption);

    bool AllAnswered() const { return steps_.empty(); }
    int Answered() const { return answered_; }
    // Runs the event loop until every step has run or the timeout passed.
    bool WaitAllAnswered();

    // The modal dialog now active (nullptr when none): an active modal widget, or
    // else a visible modal QDialog.
    static QWidget* ActiveDialog();
    // The visible top-level window with this title, modal or not (for
    // modeless popups: wrap it in a ModalDialog to look at it and click).
    static QWidget* FindWindow(const QString& title);
    // Runs the event loop until pred holds or timeoutMs passed.
    static bool WaitUntil(const std::function<bool()>& pred, int timeoutMs);

private:
    void Poll();

    int timeoutMs_;
    std::deque<Step> steps_;
    QTimer timer_;
    QElapsedTimer sinceProgress_;
    int answered_ = 0;
    bool stepPending_ = false;
};

// Closes whatever modal dialog is left open (end of a failed test).
void CloseLeftoverDialogs();

} // namespace vexrem::test
