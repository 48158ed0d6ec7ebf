// The system's own task dialog, through the real API: it shows our texts on
// its controls and ends with the button a user clicks. The clicks come from a
// thread timer, which the dialog's own message loop runs. The test program
// carries the program's manifest: only version 6 of the common controls has
// the task dialog.
#include "dialogs/TaskDialog.h"
#include "support/TestGuards.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vexrem {
namespace {

std::wstring TextOf(HWND w) {
    wchar_t text[512] = {};
    GetWindowTextW(w, text, 512);
    return text;
}

// A user at the dialog titled title: clicks the buttons with these captions,
// one per timer tick, and notes what the dialog showed.
struct Clicker {
    std::wstring title;
    std::vector<std::wstring> clicks;
    std::vector<std::wstring> buttons; // push buttons, as first seen
    std::vector<std::wstring> texts;   // every visible control's text, as first seen
};
Clicker* clicker = nullptr; // a thread timer has no context of its own

HWND FindDialog(const std::wstring& title) {
    struct Search {
        const std::wstring& title;
        HWND found;
    } search{title, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            if (IsWindowVisible(w) && TextOf(w) == s->title) {
                s->found = w;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool IsPushButton(HWND w) {
    wchar_t cls[32] = {};
    GetClassNameW(w, cls, 32);
    const LONG type = GetWindowLongW(w, GWL_STYLE) & BS_TYPEMASK;
    return _wcsicmp(cls, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
}

void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD) {
    Clicker& c = *clicker;
    const HWND dlg = FindDialog(c.title);
    if (dlg == nullptr || c.clicks.empty()) {
        return;
    }
    std::vector<HWND> children;
    EnumChildWindows(
        dlg,
        [](HWND w, LPARAM p) -> BOOL {
            if (IsWindowVisible(w)) {
                reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&children));
    const bool first = c.texts.empty();
    HWND target = nullptr;
    for (const HWND w : children) {
        const std::wstring text = TextOf(w);
        if (first && !text.empty()) {
            c.texts.push_back(text);
            if (IsPushButton(w)) {
                c.buttons.push_back(text);
            }
        }
        if (target == nullptr && IsPushButton(w) && text == c.clicks.front()) {
            target = w;
        }
    }
    if (target != nullptr) {
        c.clicks.erase(c.clicks.begin());
        SendMessageW(target, BM_CLICK, 0, 0); // returns once the click is handled
    }
}

TEST(Win32SystemTaskDialog, ShowsItsTextsAndEndsWithTheClickedButton) {
    test::HangGuard guard(60); // a dialog nobody can answer would wait for good
    TTaskDialog::SetSystemDialogAllowed(true);
    TTaskDialog dlg;
    dlg.SetTitle(QStringLiteral("Frage"));
    dlg.SetMainInstruction(QStringLiteral("Wirklich löschen?"));
    dlg.SetContent(QStringLiteral("Zeile 1\r\nZeile 2"));
    dlg.SetCommonButtons(0);
    const int yes = dlg.AddButton(QStringLiteral("Ja"));
    const int no = dlg.AddButton(QStringLiteral("Nein"));
    dlg.AddRadioButton(QStringLiteral("Eins"));
    const int radioB = dlg.AddRadioButton(QStringLiteral("Zwei"), true);
    int yesClicks = 0;
    dlg.SetButtonClick(yes, [&](bool& keepOpen) {
        ++yesClicks;
        keepOpen = true;
    });

    Clicker c{L"Frage", {L"Ja", L"Nein"}, {}, {}};
    clicker = &c;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, &OnTick);
    ASSERT_NE(timer, 0u);
    const bool answered = dlg.Execute();
    KillTimer(nullptr, timer);
    clicker = nullptr;
    TTaskDialog::SetSystemDialogAllowed(false); // as the answerers of the other tests leave it

    ASSERT_FALSE(c.texts.empty()) << "the system did not show the dialog (no display for wine?)";
    EXPECT_TRUE(answered);
    EXPECT_EQ(c.buttons, (std::vector<std::wstring>{L"Ja", L"Nein"}));
    EXPECT_NE(std::find(c.texts.begin(), c.texts.end(), L"Wirklich löschen?"), c.texts.end());
    EXPECT_EQ(yesClicks, 1); // its handler kept the dialog open
    EXPECT_EQ(dlg.ModalResult(), no);
    EXPECT_EQ(dlg.RadioButtonResult(), radioB); // the marked one, selected at opening
    EXPECT_TRUE(c.clicks.empty());
}

} // namespace
} // namespace vexrem
