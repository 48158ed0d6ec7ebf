// The startup entry on Windows: a shell link to the executable, written
// through the shell-link object and its file persistence.
#ifdef _WIN32

#include "platform/StartupLink.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <windows.h>

#include <string>

namespace vexrem {

namespace {

// Releases a COM interface when it goes out of scope.
template <typename T> class ComRef {
public:
    ComRef() = default;
    ~ComRef() {
        if (p_ != nullptr) {
            p_->Release();
        }
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;

    T* operator->() const { return p_; }
    void** Put() { return reinterpret_cast<void**>(&p_); }

private:
    T* p_ = nullptr;
};

// COM on this thread for the duration of one call. The GUI thread normally has
// it already (Qt sets it up); a successful initialisation is balanced here.
class ComScope {
public:
    ComScope() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) {
            CoUninitialize();
        }
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

    // Already initialised in another mode is as good for an in-process object.
    bool Usable() const { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

std::wstring Wide(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int len = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), len, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) {
        MultiByteToWideChar(CP_ACP, 0, text.data(), len, wide.data(), n);
    }
    return wide;
}

} // namespace

bool CreateShellLink(const std::string& linkPath, const std::string& target,
                     const std::string& description) {
    if (linkPath.empty() || target.empty()) {
        return false;
    }
    const ComScope com;
    if (!com.Usable()) {
        return false;
    }
    ComRef<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                link.Put()))) {
        return false;
    }
    // No arguments, working folder, icon or hotkey: the defaults are what we want.
    link->SetPath(Wide(target).c_str());
    link->SetDescription(Wide(description).c_str());
    ComRef<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.Put()))) {
        return false;
    }
    // TRUE: the saved file becomes the object's current file.
    return SUCCEEDED(file->Save(Wide(linkPath).c_str(), TRUE));
}

} // namespace vexrem

#endif // _WIN32
