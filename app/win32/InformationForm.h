// SPDX-License-Identifier: Apache-2.0
// The information dialog: the message, one OK button (default and cancel),
// no icon, the system's message font, Ctrl+C copies its text.
#pragma once

#include <string>

#include "Application.h"

namespace QuellmarkWin32 {

// Builds the dialog, runs it modally (other windows disabled, mouse capture
// released, arrow cursor) and destroys it once closed. WM_QUIT while it is
// open closes it as cancelled and is passed on to the outer loop.
void ShowInformationForm(TApplication& application, const std::string& caption, const std::string& message);

}  // namespace QuellmarkWin32
