// Power broadcasts reach top-level windows only (a message-only window never
// sees them), so the watcher keeps a hidden top-level window of its own. The
// message loop of the thread that made it delivers them.
#include "platform/win32/Win32Platform.h"

#include <windows.h>

namespace vexrem {
namespace {

class Win32SleepWatcher : public SleepWatcher {
public:
    explicit Win32SleepWatcher(PowerHandler handler) : handler_(std::move(handler)) {}
    ~Win32SleepWatcher() override {
        if (window_ != nullptr) {
            DestroyWindow(window_);
        }
    }
    Win32SleepWatcher(const Win32SleepWatcher&) = delete;
    Win32SleepWatcher& operator=(const Win32SleepWatcher&) = delete;

    bool Create() {
        const HINSTANCE instance = GetModuleHandleA(nullptr);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kSleepWatcherWindowClass;
        // A second watcher finds the class registered already.
        if (RegisterClassA(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
            return false;
        }
        // Never shown: WS_POPUP without WS_VISIBLE, and no taskbar button.
        window_ =
            CreateWindowExA(WS_EX_TOOLWINDOW, kSleepWatcherWindowClass, kSleepWatcherWindowClass,
                            WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
        if (window_ == nullptr) {
            return false;
        }
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return true;
    }

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<Win32SleepWatcher*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (msg != WM_POWERBROADCAST || self == nullptr) {
            return DefWindowProcA(hwnd, msg, wp, lp);
        }
        // Every resume brings PBT_APMRESUMEAUTOMATIC; PBT_APMRESUMESUSPEND
        // follows it when a user is at the machine. Only the first is a wake.
        if (wp == PBT_APMSUSPEND) {
            self->handler_(PowerEvent::Sleep);
        } else if (wp == PBT_APMRESUMEAUTOMATIC) {
            self->handler_(PowerEvent::Wake);
        }
        return TRUE;
    }

    PowerHandler handler_;
    HWND window_ = nullptr;
};

} // namespace

std::unique_ptr<SleepWatcher> WatchSleepWin32(PowerHandler handler) {
    auto watcher = std::make_unique<Win32SleepWatcher>(std::move(handler));
    if (!watcher->Create()) {
        return nullptr;
    }
    return watcher;
}

} // namespace vexrem
