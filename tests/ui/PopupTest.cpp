// The turn popup: its texts, its fixed layout, and how each way of closing it
// is reported to the caller.
#include "ui/Popup.h"
#include "ui/QtPlatformSetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace vexrem {
namespace {

TEST(FormatDelay, MinutesAndSecondsAsTheWaitButtonsShowThem) {
    const struct {
        int seconds;
        const char* text;
    } cases[] = {
        {300, "5 min"},
        {900, "15 min"},
        {90, "1 min, 30 sek"},
        {45, "45 sek"},
        {3600, "60 min"},
        {0, ""},
        {-5, ""},
        {-90, ""},
        {60, "1 min"},
        {61, "1 min, 1 sek"},
        {59, "59 sek"},
        {3599, "59 min, 59 sek"},
        {1, "1 sek"},
        {7200, "120 min"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatDelay(c.seconds), c.text) << c.seconds;
    }
}

// Where the popup can be above the other windows: X11 (XWayland) on a
// Wayland desktop, unless the user chose a platform.
TEST(PreferredQtPlatform, XWaylandOnAWaylandDesktopUnlessChosen) {
    const struct {
        const char* chosen;
        const char* wayland;
        const char* x11;
        const char* platform;
    } cases[] = {
        {"", "wayland-0", ":0", "xcb;wayland"},
        {"", "/run/user/1000/wayland-0", ":1", "xcb;wayland"},
        {"wayland", "wayland-0", ":0", ""},
        {"xcb", "wayland-0", ":0", ""},
        {"offscreen", "wayland-0", ":0", ""},
        {"", "wayland-0", "", ""}, // no XWayland
        {"", "", ":0", ""},        // an X11 session
        {"", "", "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PreferredQtPlatform(c.chosen, c.wayland, c.x11), c.platform)
            << "'" << c.chosen << "' '" << c.wayland << "' '" << c.x11 << "'";
    }
}

// Runs `answer` on the popup once it is the active modal window, while
// the popup's exec() waits. Bounded: after 5 s the popup is closed
// with -1 so a broken test cannot hang.
class PopupAnswer {
public:
    explicit PopupAnswer(std::function<void(TfrmPopup&)> answer) : answer_(std::move(answer)) {
        clock_.start();
        poll();
    }
    bool answered() const { return answered_; }

private:
    void poll() {
        auto* popup = qobject_cast<TfrmPopup*>(QApplication::activeModalWidget());
        if (popup != nullptr && popup->isVisible()) {
            answered_ = true;
            answer_(*popup);
            if (popup->isVisible()) {
                // The answer left it open: give up after the time limit.
                QPointer<TfrmPopup> guard(popup);
                QTimer::singleShot(5000, [guard] {
                    if (guard && guard->isVisible()) {
                        guard->done(-1);
                    }
                });
            }
            return;
        }
        if (clock_.elapsed() > 5000) {
            return;
        }
        QTimer::singleShot(10, [this] { poll(); });
    }

    std::function<void(TfrmPopup&)> answer_;
    QElapsedTimer clock_;
    bool answered_ = false;
};

void pressKey(QWidget* target, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

int runPopup(const std::function<void(TfrmPopup&)>& answer) {
    PopupAnswer answerer(answer);
    TfrmPopup popup;
    popup.SetPopupTexts("VexelReminder", "Du bist bei 2 Spiel(en) dran!", "Hin da!", 300, 900);
    const int result = popup.exec();
    EXPECT_TRUE(answerer.answered());
    return result;
}

TEST(PopupTexts, CaptionMessageAndButtonsInTheirPlaces) {
    TfrmPopup popup;
    popup.SetPopupTexts("Dran!", "Du bist bei 3 Spiel(en) dran!", "Hin da!", 90, 3600);
    EXPECT_EQ(popup.windowTitle(), "Dran!");
    EXPECT_EQ(popup.labMessage->text(), "Du bist bei 3 Spiel(en) dran!");
    EXPECT_EQ(popup.btnWait1->text(), "1 min, 30 sek");
    EXPECT_EQ(popup.btnWait2->text(), "60 min");
    EXPECT_EQ(popup.btnHinda->text(), "Hin da!");

    // Texts in the system's code page: UTF-8 on Linux, Windows-1252 there.
    const QByteArray title = QStringLiteral("Ä").toLocal8Bit();
    const QByteArray message = QStringLiteral("Über").toLocal8Bit();
    popup.SetPopupTexts(title.toStdString(), message.toStdString(), "Los", 300, 900);
    EXPECT_EQ(popup.windowTitle(), QStringLiteral("Ä"));
    EXPECT_EQ(popup.labMessage->text(), QStringLiteral("Über"));
    EXPECT_EQ(popup.btnWait1->text(), "5 min");
    EXPECT_EQ(popup.btnWait2->text(), "15 min");
}

TEST(PopupLayout, FixedClientAreaWithTheDesignedGeometry) {
    TfrmPopup popup;
    EXPECT_EQ(popup.minimumSize(), QSize(318, 80));
    EXPECT_EQ(popup.maximumSize(), QSize(318, 80));
    const struct {
        QWidget* widget;
        QRect rect;
    } cases[] = {{popup.labMessage, {8, 8, 305, 33}},
                 {popup.Bevel1, {8, 40, 305, 9}},
                 {popup.btnWait1, {8, 52, 89, 25}},
                 {popup.btnWait2, {104, 52, 89, 25}},
                 {popup.btnHinda, {216, 52, 97, 25}}};
    for (const auto& c : cases) {
        EXPECT_EQ(c.widget->geometry(), c.rect) << c.widget->objectName().toStdString();
    }
    EXPECT_TRUE(popup.labMessage->wordWrap());
    EXPECT_EQ(popup.labMessage->alignment(), Qt::AlignCenter);
    EXPECT_TRUE(popup.btnHinda->isDefault());
    EXPECT_FALSE(popup.btnWait1->isDefault());
    EXPECT_EQ(popup.btnWait1->nextInFocusChain(), popup.btnWait2);
    EXPECT_EQ(popup.btnWait2->nextInFocusChain(), popup.btnHinda);

    const Qt::WindowFlags flags = popup.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
}

TEST(PopupResult, EachButtonClosesWithItsOwnResult) {
    const struct {
        QPushButton* TfrmPopup::*button;
        int result;
    } cases[] = {
        {&TfrmPopup::btnWait1, 101}, {&TfrmPopup::btnWait2, 102}, {&TfrmPopup::btnHinda, 110}};
    for (const auto& c : cases) {
        const int result = runPopup([&c](TfrmPopup& p) { (p.*c.button)->click(); });
        EXPECT_EQ(result, c.result);
    }
    EXPECT_EQ(TfrmPopup::mrWait1, 101);
    EXPECT_EQ(TfrmPopup::mrWait2, 102);
    EXPECT_EQ(TfrmPopup::mrHinda, 110);
}

TEST(PopupResult, GoButtonHasTheFocusAndEnterChoosesIt) {
    std::string focused;
    const int result = runPopup([&focused](TfrmPopup& p) {
        QWidget* target = p.focusWidget();
        focused = target != nullptr ? target->objectName().toStdString() : std::string();
        pressKey(target != nullptr ? target : &p, Qt::Key_Return);
    });
    EXPECT_EQ(focused, "btnHinda");
    EXPECT_EQ(result, TfrmPopup::mrHinda);
}

TEST(PopupResult, EnterOnTheDialogItselfChoosesTheDefaultButton) {
    const int result = runPopup([](TfrmPopup& p) { pressKey(&p, Qt::Key_Enter); });
    EXPECT_EQ(result, TfrmPopup::mrHinda);
}

TEST(PopupResult, EscapeDoesNotCloseIt) {
    bool openAfterEscape = false;
    const int result = runPopup([&openAfterEscape](TfrmPopup& p) {
        pressKey(p.focusWidget() != nullptr ? p.focusWidget() : &p, Qt::Key_Escape);
        pressKey(&p, Qt::Key_Escape);
        QApplication::processEvents();
        openAfterEscape = p.isVisible();
        p.btnWait2->click();
    });
    EXPECT_TRUE(openAfterEscape);
    EXPECT_EQ(result, TfrmPopup::mrWait2);
}

TEST(PopupResult, CloseBoxGivesCancel) {
    const int result = runPopup([](TfrmPopup& p) { p.close(); });
    EXPECT_EQ(result, TfrmPopup::mrCancel);
    EXPECT_EQ(result, 2);
}

TEST(PopupResult, ShownCentredOnItsScreen) {
    QPoint offset;
    runPopup([&offset](TfrmPopup& p) {
        offset = p.frameGeometry().center() - p.screen()->availableGeometry().center();
        p.btnWait1->click();
    });
    EXPECT_LE(offset.manhattanLength(), 2);
}

} // namespace
} // namespace vexrem
