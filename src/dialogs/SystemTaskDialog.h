#pragma once
// The platform split of TTaskDialog: where the system offers a task dialog it
// is used, otherwise the equivalent Qt dialog. The Windows side lives in
// SystemTaskDialogWin32.cpp and is compiled only there.

#include <optional>

namespace vexrem {

class TTaskDialog;

namespace detail {

struct TaskDialogOutcome {
    bool shown = false; // false: the system could not show it
    int button = 0;
    int radio = 0;
};

#ifdef _WIN32
// Shows dlg with TaskDialogIndirect; nullopt when the system has none
// (before Vista), so the caller falls back to the equivalent dialog.
std::optional<TaskDialogOutcome> ExecuteSystemTaskDialog(const TTaskDialog& dlg);
#else
inline std::optional<TaskDialogOutcome> ExecuteSystemTaskDialog(const TTaskDialog&) {
    return std::nullopt;
}
#endif

} // namespace detail
} // namespace vexrem
