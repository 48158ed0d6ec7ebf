// The system's task dialog (Windows Vista and later). Compiled to nothing
// elsewhere; the header gives other platforms a stub that always falls back
// to the equivalent dialog.
#ifdef _WIN32

#if !defined(_WIN32_WINNT) || _WIN32_WINNT < 0x0600
#undef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif

#include "dialogs/SystemTaskDialog.h"

#include "dialogs/TaskDialog.h"

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace vexrem::detail {

namespace {

using TaskDialogIndirectFn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);

// Looked up at run time: only version 6 of the common controls has it, and the
// program has to start where it is missing.
TaskDialogIndirectFn SystemTaskDialogIndirect() {
    static const TaskDialogIndirectFn fn = [] {
        HMODULE lib = GetModuleHandleW(L"comctl32.dll");
        if (lib == nullptr) {
            lib = LoadLibraryW(L"comctl32.dll");
        }
        if (lib == nullptr) {
            return TaskDialogIndirectFn{};
        }
        return reinterpret_cast<TaskDialogIndirectFn>(
            reinterpret_cast<void*>(GetProcAddress(lib, "TaskDialogIndirect")));
    }();
    return fn;
}

HRESULT CALLBACK OnNotify(HWND hwnd, UINT msg, WPARAM wParam, LPARAM, LONG_PTR refData) {
    const auto* dlg = reinterpret_cast<const TTaskDialog*>(refData);
    switch (msg) {
    case TDN_CREATED:
        for (const auto& b : dlg->Buttons()) {
            if (!b.enabled) {
                SendMessageW(hwnd, TDM_ENABLE_BUTTON, static_cast<WPARAM>(b.id), FALSE);
            }
        }
        for (const auto& r : dlg->RadioButtons()) {
            if (!r.enabled) {
                SendMessageW(hwnd, TDM_ENABLE_RADIO_BUTTON, static_cast<WPARAM>(r.id), FALSE);
            }
            // The marked radio button is selected even where the flags ask
            // for no default selection.
            if (r.isDefault) {
                SendMessageW(hwnd, TDM_CLICK_RADIO_BUTTON, static_cast<WPARAM>(r.id), 0);
            }
        }
        break;
    case TDN_BUTTON_CLICKED:
        if (dlg->RunClickHandler(static_cast<int>(wParam))) {
            return S_FALSE; // keep the dialog open
        }
        break;
    default:
        break;
    }
    return S_OK;
}

const wchar_t* TextOrNull(const std::wstring& s) {
    return s.empty() ? nullptr : s.c_str();
}

} // namespace

std::optional<TaskDialogOutcome> ExecuteSystemTaskDialog(const TTaskDialog& dlg) {
    const TaskDialogIndirectFn taskDialogIndirect = SystemTaskDialogIndirect();
    if (taskDialogIndirect == nullptr) {
        return std::nullopt;
    }

    const std::wstring title = dlg.Title().toStdWString();
    const std::wstring instruction = dlg.MainInstruction().toStdWString();
    const std::wstring content = dlg.Content().toStdWString();
    const std::wstring collapsed = dlg.CollapsedControlText().toStdWString();
    const std::wstring expanded = dlg.ExpandedInformation().toStdWString();

    // The texts first, then the arrays pointing into them (no reallocation after).
    std::vector<std::wstring> buttonTexts;
    std::vector<std::wstring> radioTexts;
    for (const auto& b : dlg.Buttons()) {
        buttonTexts.push_back(b.caption.toStdWString());
    }
    for (const auto& r : dlg.RadioButtons()) {
        radioTexts.push_back(r.caption.toStdWString());
    }
    std::vector<TASKDIALOG_BUTTON> buttons;
    std::vector<TASKDIALOG_BUTTON> radios;
    int defaultRadio = 0;
    for (std::size_t i = 0; i < dlg.Buttons().size(); ++i) {
        buttons.push_back({dlg.Buttons()[i].id, buttonTexts[i].c_str()});
    }
    for (std::size_t i = 0; i < dlg.RadioButtons().size(); ++i) {
        radios.push_back({dlg.RadioButtons()[i].id, radioTexts[i].c_str()});
        if (dlg.RadioButtons()[i].isDefault) {
            defaultRadio = dlg.RadioButtons()[i].id;
        }
    }

    TASKDIALOGCONFIG config{};
    config.cbSize = sizeof config;
    if (QWidget* owner = dlg.Owner()) {
        config.hwndParent = reinterpret_cast<HWND>(owner->window()->winId());
    }
    config.dwFlags = static_cast<TASKDIALOG_FLAGS>(dlg.Flags());
    config.dwCommonButtons = static_cast<TASKDIALOG_COMMON_BUTTON_FLAGS>(dlg.CommonButtons());
    config.pszWindowTitle = TextOrNull(title);
    switch (dlg.MainIcon()) {
    case TaskDialogIcon::Warning:
        config.pszMainIcon = TD_WARNING_ICON;
        break;
    case TaskDialogIcon::Information:
        config.pszMainIcon = TD_INFORMATION_ICON;
        break;
    case TaskDialogIcon::None:
        break;
    }
    config.pszMainInstruction = TextOrNull(instruction);
    config.pszContent = TextOrNull(content);
    config.cButtons = static_cast<UINT>(buttons.size());
    config.pButtons = buttons.empty() ? nullptr : buttons.data();
    config.cRadioButtons = static_cast<UINT>(radios.size());
    config.pRadioButtons = radios.empty() ? nullptr : radios.data();
    config.nDefaultRadioButton = defaultRadio;
    config.pszCollapsedControlText = TextOrNull(collapsed);
    config.pszExpandedInformation = TextOrNull(expanded);
    config.pfCallback = &OnNotify;
    config.lpCallbackData = reinterpret_cast<LONG_PTR>(&dlg);

    int button = 0;
    int radio = 0;
    // Some implementations report a dialog they could not create as a success
    // with no valid button (-1): not shown either.
    if (FAILED(taskDialogIndirect(&config, &button, &radio, nullptr)) || button <= 0) {
        return TaskDialogOutcome{};
    }
    return TaskDialogOutcome{true, button, radio};
}

} // namespace vexrem::detail

#endif // _WIN32
