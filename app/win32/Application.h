// SPDX-License-Identifier: Apache-2.0
// The application object of the Win32 front-end: the hidden top-level window
// that owns the taskbar entry and every box, and the message loop.
#pragma once

#include <windows.h>

#include <vector>

#include "Presenter.h"

namespace QuellmarkWin32 {

// The program's icon from its resources; the system's application icon when
// the module has none.
HICON ProgramIcon(HINSTANCE instance);

class TApplication {
public:
    // Loads the common controls (visual styles where the manifest asks for
    // them) and creates the hidden window, titled ApplicationTitle().
    explicit TApplication(HINSTANCE instance);
    ~TApplication();
    TApplication(const TApplication&) = delete;
    TApplication& operator=(const TApplication&) = delete;

    HINSTANCE Instance() const noexcept { return instance_; }
    HWND Handle() const noexcept { return handle_; }

    // The presenter that every catch point reports to; set before any window
    // of the program handles a message.
    void SetPresenter(AppCore::IPresenter& presenter) noexcept { presenter_ = &presenter; }
    AppCore::IPresenter& Presenter() const noexcept { return *presenter_; }

    // Shows mainWindow as the system asked the program to start (normal,
    // maximised, or with the application minimised), then dispatches
    // messages until WM_QUIT; an exception escaping one message goes to
    // ReportError and the loop goes on. Returns WM_QUIT's exit code.
    int Run(HWND mainWindow, int showCommand);

    // Dispatches one message, with keyboard navigation for dialog-like windows.
    static void Dispatch(MSG& message);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND handle_ = nullptr;
    HWND mainWindow_ = nullptr;
    AppCore::IPresenter* presenter_ = nullptr;
};

// Disables every enabled, visible top-level window of this thread except
// `keep` while it lives, and enables them again when it goes.
class TDisabledWindows {
public:
    explicit TDisabledWindows(HWND keep);
    ~TDisabledWindows();
    TDisabledWindows(const TDisabledWindows&) = delete;
    TDisabledWindows& operator=(const TDisabledWindows&) = delete;

private:
    std::vector<HWND> disabled_;
};

// Runs a window's message handler as a catch point: an exception leaving it
// goes to the application's ReportError and the message yields `fallback`.
template <class Handler>
LRESULT GuardedMessage(TApplication& application, LRESULT fallback, Handler&& handler)
{
    LRESULT result = fallback;
    AppCore::RunGuarded(application.Presenter(), [&] { result = handler(); });
    return result;
}

}  // namespace QuellmarkWin32
