// SPDX-License-Identifier: Apache-2.0
// What the Win32 tests read of a window: its class name and its text.
#pragma once

#include <windows.h>

#include <string>

namespace QuellmarkTest {

inline std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

inline std::string TextOf(HWND window)
{
    char text[1024] = {};
    ::GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace QuellmarkTest
