// SPDX-License-Identifier: Apache-2.0
// The Printer Status dialog: a printer's record asked without paper, shown
// in a read-only text field with a Close button.
#pragma once

#include <string>

#include "Application.h"

namespace QuellmarkWin32 {

// The dialog's window class, for finding it.
inline constexpr const char* kPrinterStatusFormClass = "TPrinterStatusForm";

// Shows the asking text, asks `printer` on a worker thread and shows its
// record when it comes; runs modally (other windows disabled) until Close
// or Esc, on the monitor of `window` and laid out at `dpi`. A record that comes after the dialog closed is
// dropped. WM_QUIT while it is open closes it and is passed on.
void ShowPrinterStatusForm(TApplication& application, HWND window, const std::string& printer, int dpi);

}  // namespace QuellmarkWin32
