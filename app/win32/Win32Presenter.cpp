// SPDX-License-Identifier: Apache-2.0
#include "Win32Presenter.h"

#include "InformationForm.h"
#include "Messages.h"

namespace QuellmarkWin32 {

namespace {

bool OwnedByThisProcess(HWND window)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process == ::GetCurrentProcessId();
}

// Moves the application window to the centre of the active window's monitor
// while it lives, when that is another monitor, so that the box it owns
// comes up where the user is working; moves it back afterwards.
class MoveToActiveMonitor {
public:
    MoveToActiveMonitor(HWND application, HWND active) : application_(application)
    {
        if (!active) return;
        const HMONITOR target = ::MonitorFromWindow(active, MONITOR_DEFAULTTONEAREST);
        if (target == ::MonitorFromWindow(application, MONITOR_DEFAULTTONEAREST)) return;
        MONITORINFO info{};
        info.cbSize = sizeof info;
        if (!::GetMonitorInfoA(target, &info) || !::GetWindowRect(application, &original_)) return;
        const int x = (info.rcMonitor.left + info.rcMonitor.right) / 2;
        const int y = (info.rcMonitor.top + info.rcMonitor.bottom) / 2;
        moved_ = ::SetWindowPos(application, nullptr, x, y, 0, 0, kFlags) != 0;
    }
    ~MoveToActiveMonitor()
    {
        if (moved_) ::SetWindowPos(application_, nullptr, original_.left, original_.top, 0, 0, kFlags);
    }
    MoveToActiveMonitor(const MoveToActiveMonitor&) = delete;
    MoveToActiveMonitor& operator=(const MoveToActiveMonitor&) = delete;

private:
    static constexpr UINT kFlags = SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOSIZE | SWP_NOZORDER;
    HWND application_;
    RECT original_{};
    bool moved_ = false;
};

// A pressed button or a dragged scroll bar lets go before a box comes up.
void CancelMouseCapture()
{
    const HWND capture = ::GetCapture();
    if (capture && OwnedByThisProcess(capture)) ::SendMessageA(capture, WM_CANCELMODE, 0, 0);
}

}  // namespace

void TWin32Presenter::ShowInformation(const std::string& text)
{
    ShowInformationForm(application_, Messages::ApplicationTitle(), text);
}

void TWin32Presenter::ReportError(const SysUtils::Exception& error)
{
    const std::optional<std::string> text = AppCore::ErrorBoxText(error);
    if (!text) {
        CancelMouseCapture();
        return;
    }
    ShowMessageBox(*text, MB_OK | MB_ICONERROR);
}

bool TWin32Presenter::AskSendAnyway(const std::string& question)
{
    return ShowMessageBox(question, MB_OKCANCEL | MB_ICONWARNING | MB_DEFBUTTON2) == IDOK;
}

int TWin32Presenter::ShowMessageBox(const std::string& text, UINT flags)
{
    CancelMouseCapture();
    const HWND active = ::GetActiveWindow();
    const HWND focus = ::GetFocus();
    int answer = 0;
    {
        MoveToActiveMonitor placement(application_.Handle(), active);
        TDisabledWindows disabled(nullptr);
        answer = ::MessageBoxA(application_.Handle(), text.c_str(), Messages::ApplicationTitle().c_str(), flags);
    }
    if (active && ::IsWindow(active)) ::SetActiveWindow(active);
    if (focus && ::IsWindow(focus)) ::SetFocus(focus);
    return answer;
}

}  // namespace QuellmarkWin32
