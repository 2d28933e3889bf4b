// SPDX-License-Identifier: Apache-2.0
// The boxes of the Win32 front-end: the information dialog, and the
// system's message box as the error box and the question box.
#pragma once

#include "Application.h"
#include "Presenter.h"

namespace QuellmarkWin32 {

class TWin32Presenter final : public AppCore::IPresenter {
public:
    explicit TWin32Presenter(TApplication& application) noexcept : application_(application) {}

    // A new information dialog, modal, centred on the screen; returns when closed.
    void ShowInformation(const std::string& text) override;
    // The error box, owned by the application window, on the active window's monitor.
    void ReportError(const SysUtils::Exception& error) override;
    // The system's message box with OK (send all the same) and Cancel, the
    // default, placed as the error box is.
    bool AskSendAnyway(const std::string& question) override;

private:
    // A system message box owned by the application window; its answer.
    int ShowMessageBox(const std::string& text, UINT flags);

    TApplication& application_;
};

}  // namespace QuellmarkWin32
