// SPDX-License-Identifier: Apache-2.0
// The channels through which the program talks to the user, and the
// guard that turns an exception reaching a catch point into an error box.
#pragma once

#include <optional>
#include <string>

#include "SysUtils.h"

namespace AppCore {

class IPresenter {
public:
    virtual ~IPresenter() = default;
    // Shows text in the modal information dialog; returns once it is closed.
    virtual void ShowInformation(const std::string& text) = 0;
    // Shows the modal error box for an exception that reached a catch point.
    virtual void ReportError(const SysUtils::Exception& error) = 0;
    // Asks question in a modal warning box captioned with the application
    // title, with a button that sends the page all the same and Cancel, the
    // default; true when the user chose to send.
    virtual bool AskSendAnyway(const std::string& question) = 0;
};

// The error box's text for an exception: nullopt for EAbort (nothing is
// shown), else the message with the period rule applied.
std::optional<std::string> ErrorBoxText(const SysUtils::Exception& error);

// Hands the exception being handled to presenter.ReportError; exceptions that
// are not SysUtils::Exception are wrapped in one carrying their text.
void ReportCurrentException(IPresenter& presenter);

// A catch point: runs action; an exception leaving it goes to ReportError.
// Returns false when one did.
template <class Action>
bool RunGuarded(IPresenter& presenter, Action&& action)
{
    try {
        action();
        return true;
    } catch (...) {
        ReportCurrentException(presenter);
        return false;
    }
}

}  // namespace AppCore
