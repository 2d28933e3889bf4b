// SPDX-License-Identifier: Apache-2.0
#include "Application.h"

#include <commctrl.h>

#include <exception>

#include "Messages.h"
#include "QuellmarkResources.h"
#include "SysUtils.h"

namespace QuellmarkWin32 {

namespace {

constexpr const char* kApplicationClass = "TApplication";

BOOL CALLBACK CollectEnabledWindow(HWND window, LPARAM context)
{
    auto* windows = reinterpret_cast<std::vector<HWND>*>(context);
    if (::IsWindowVisible(window) && ::IsWindowEnabled(window)) windows->push_back(window);
    return TRUE;
}

}  // namespace

HICON ProgramIcon(HINSTANCE instance)
{
    if (const HICON icon = ::LoadIconA(instance, MAKEINTRESOURCEA(IDI_QUELLMARK))) return icon;
    return ::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
}

TApplication::TApplication(HINSTANCE instance) : instance_(instance)
{
    // Before the first control: the version 6 controls need it on Windows XP.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);

    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = ProgramIcon(instance);
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.lpszClassName = kApplicationClass;
    if (!::RegisterClassA(&windowClass)) throw SysUtils::Exception("Cannot register the application window");

    // A popup of no size in the middle of the screen: it carries the
    // taskbar entry and the title, and owns the other windows, so the boxes
    // come up on its monitor.
    const int x = ::GetSystemMetrics(SM_CXSCREEN) / 2;
    const int y = ::GetSystemMetrics(SM_CYSCREEN) / 2;
    handle_ = ::CreateWindowExA(0, kApplicationClass, Messages::ApplicationTitle().c_str(),
                                WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                                nullptr, nullptr, instance, this);
    if (!handle_) {
        ::UnregisterClassA(kApplicationClass, instance);
        throw SysUtils::Exception("Cannot create the application window");
    }
}

TApplication::~TApplication()
{
    if (handle_) ::DestroyWindow(handle_);
    ::UnregisterClassA(kApplicationClass, instance_);
}

LRESULT CALLBACK TApplication::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<TApplication*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    switch (message) {
    case WM_CLOSE:
        // Closing the taskbar entry closes the main window, which ends the program.
        if (self && self->mainWindow_) ::PostMessageA(self->mainWindow_, WM_CLOSE, 0, 0);
        return 0;
    case WM_ACTIVATE:
        // The entry itself takes no input: hand activation to the main window.
        if (LOWORD(wParam) != WA_INACTIVE && self && self->mainWindow_ && ::IsWindowEnabled(self->mainWindow_) &&
            !::IsIconic(window))
            ::SetActiveWindow(self->mainWindow_);
        return 0;
    default: return ::DefWindowProcA(window, message, wParam, lParam);
    }
}

void TApplication::Dispatch(MSG& message)
{
    // Tab, Enter and Esc move between and press controls in any top-level
    // window that asked for it (WS_EX_CONTROLPARENT).
    HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    if (root && (::GetWindowLongPtrA(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && ::IsDialogMessageA(root, &message))
        return;
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
}

int TApplication::Run(HWND mainWindow, int showCommand)
{
    mainWindow_ = mainWindow;
    switch (showCommand) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
        // A minimised start minimises the taskbar entry; the main window
        // appears when it is restored.
        ::ShowWindow(handle_, SW_SHOWMINNOACTIVE);
        ::ShowWindow(mainWindow, SW_SHOWNORMAL);
        break;
    case SW_SHOWMAXIMIZED:
        ::ShowWindow(handle_, SW_SHOWNORMAL);
        ::ShowWindow(mainWindow, SW_SHOWMAXIMIZED);
        break;
    default:
        ::ShowWindow(handle_, SW_SHOWNORMAL);
        ::ShowWindow(mainWindow, SW_SHOWNORMAL);
        break;
    }
    ::UpdateWindow(mainWindow);

    MSG message{};
    for (;;) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) continue;
        try {
            Dispatch(message);
        } catch (...) {
            AppCore::ReportCurrentException(*presenter_);
        }
    }
    mainWindow_ = nullptr;
    return static_cast<int>(message.wParam);
}

TDisabledWindows::TDisabledWindows(HWND keep)
{
    std::vector<HWND> windows;
    ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&windows));
    for (HWND window : windows) {
        if (window == keep) continue;
        ::EnableWindow(window, FALSE);
        disabled_.push_back(window);
    }
}

TDisabledWindows::~TDisabledWindows()
{
    for (auto it = disabled_.rbegin(); it != disabled_.rend(); ++it)
        if (::IsWindow(*it)) ::EnableWindow(*it, TRUE);
}

}  // namespace QuellmarkWin32
