// SPDX-License-Identifier: Apache-2.0
// What the program's own modal dialogs (the information box, the Printer
// Status dialog) are built from: their window style, their window class,
// and the modal loop they run in.
#pragma once

#include <functional>

#include "Application.h"

namespace QuellmarkWin32 {

inline constexpr DWORD kFormStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
// The dialog frame, and no icon in the title bar.
inline constexpr DWORD kFormExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;

// Registers the window class `name` with `proc` once per process; raises
// "Cannot register the <what>" when it cannot.
void RegisterFormClass(HINSTANCE instance, const char* name, WNDPROC proc, const char* what);

// Shows `form` and runs its messages, the program's other windows disabled
// and the arrow cursor shown, with the focus on `focus`, until `closed`
// turns true. `handled`, when given, sees each message first and takes it
// by returning true. Exceptions of a message go to the error box. WM_QUIT
// ends the loop and is posted again once the window that was active is
// active again.
void RunModalForm(TApplication& application, HWND form, HWND focus, const bool& closed,
                  const std::function<bool(const MSG&)>& handled = nullptr);

}  // namespace QuellmarkWin32
