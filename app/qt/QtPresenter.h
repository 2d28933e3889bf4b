// SPDX-License-Identifier: Apache-2.0
// The information dialog, the error box and the question box as Qt shows them.
#pragma once

#include "Presenter.h"

class TQtPresenter final : public AppCore::IPresenter {
public:
    // Modal; the arrow cursor and the other windows disabled while it is up.
    void ShowInformation(const std::string& text) override;
    // A stop-icon box with one OK on the active window's screen, caption
    // ApplicationTitle(); nothing for EAbort. Focus is restored afterwards.
    void ReportError(const SysUtils::Exception& error) override;
    // A warning box, "Send Anyway" and Cancel (the default, and Escape), on
    // the active window's screen, caption ApplicationTitle().
    bool AskSendAnyway(const std::string& question) override;
};

// The box for a failure outside every catch point: "Application Error",
// stop icon, the last-resort text. Returns when it is closed.
void ShowLastResortBox(const char* className, const void* address, const std::string& message);
