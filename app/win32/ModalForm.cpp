// SPDX-License-Identifier: Apache-2.0
#include "ModalForm.h"

#include <string>

#include "SysUtils.h"

namespace QuellmarkWin32 {

namespace {

// The previous screen cursor, restored when this goes.
class ArrowCursor {
public:
    ArrowCursor() : previous_(::SetCursor(::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)))) {}
    ~ArrowCursor() { ::SetCursor(previous_); }
    ArrowCursor(const ArrowCursor&) = delete;
    ArrowCursor& operator=(const ArrowCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace

void RegisterFormClass(HINSTANCE instance, const char* name, WNDPROC proc, const char* what)
{
    WNDCLASSA existing{};
    if (::GetClassInfoA(instance, name, &existing)) return;
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = proc;
    windowClass.hInstance = instance;
    windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = name;
    if (!::RegisterClassA(&windowClass)) throw SysUtils::Exception(std::string("Cannot register the ") + what);
}

void RunModalForm(TApplication& application, HWND form, HWND focus, const bool& closed,
                  const std::function<bool(const MSG&)>& handled)
{
    const HWND active = ::GetActiveWindow();
    ::ReleaseCapture();
    bool quit = false;
    WPARAM quitCode = 0;
    {
        ArrowCursor cursor;
        TDisabledWindows disabled(form);
        ::ShowWindow(form, SW_SHOWNORMAL);
        ::SetForegroundWindow(form);
        ::SetFocus(focus);

        MSG msg{};
        while (!closed) {
            const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
            if (got == 0) {
                // The program is ending: close as cancelled, let the outer loop see it.
                quit = true;
                quitCode = msg.wParam;
                break;
            }
            if (got == -1) continue;
            if (handled && handled(msg)) continue;
            try {
                TApplication::Dispatch(msg);
            } catch (...) {
                AppCore::ReportCurrentException(application.Presenter());
            }
        }
        // Enabled again before the dialog goes, so that activation returns
        // to the program's own window.
    }
    if (active && ::IsWindow(active)) ::SetActiveWindow(active);
    if (quit) ::PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace QuellmarkWin32
