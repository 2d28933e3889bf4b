// SPDX-License-Identifier: Apache-2.0
// The Win32 window's Printer Status dialog in process, asking the virtual
// AppSocket printer that socket-test.sh starts, through Winsock.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Application.h"
#include "Messages.h"
#include "PrinterStatusForm.h"
#include "PrinterStatusText.h"
#include "QuellmarkImpl1.h"
#include "Win32Presenter.h"
#include "WindowText.h"

namespace {

using QuellmarkTest::ClassOf;
using QuellmarkTest::TextOf;

// The Printer Status dialog as a thread timer sees it from the dialog's own
// loop: its first text and the one it shows once the record came; then it
// presses Close (or gives up after 30 seconds).
struct StatusWatch {
    static inline HWND main = nullptr;
    static inline std::string caption, first, last;
    static inline bool mainEnabled = true;
    static inline DWORD started = 0;

    static BOOL CALLBACK FindMessageBox(HWND window, LPARAM out)
    {
        if (!::IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    static BOOL CALLBACK FindForm(HWND window, LPARAM out)
    {
        if (!::IsWindowVisible(window) || ClassOf(window) != QuellmarkWin32::kPrinterStatusFormClass) return TRUE;
        *reinterpret_cast<HWND*>(out) = window;
        return FALSE;
    }
    static std::string EditText(HWND edit)
    {
        std::wstring wide(static_cast<std::size_t>(::GetWindowTextLengthW(edit)) + 1, L'\0');
        wide.resize(static_cast<std::size_t>(::GetWindowTextW(edit, wide.data(), static_cast<int>(wide.size()))));
        std::string text(wide.size() * 3, '\0');
        text.resize(static_cast<std::size_t>(::WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                                                   static_cast<int>(wide.size()), text.data(),
                                                                   static_cast<int>(text.size()), nullptr, nullptr)));
        return text;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        // The start-up box (no printers in the session) is answered first.
        HWND form = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&form));
        if (form) {
            ::PostMessageA(form, WM_COMMAND, IDOK, 0);
            return;
        }
        ::EnumThreadWindows(::GetCurrentThreadId(), FindForm, reinterpret_cast<LPARAM>(&form));
        if (!form) return;
        const HWND edit = ::FindWindowExA(form, nullptr, "Edit", nullptr);
        last = edit ? EditText(edit) : "<no text field>";
        if (first.empty()) {
            first = last;
            caption = TextOf(form);
            mainEnabled = ::IsWindowEnabled(main) != 0;
            started = ::GetTickCount();
        }
        if (last.find("Product:") != std::string::npos || ::GetTickCount() - started > 30000)
            ::PostMessageA(form, WM_COMMAND, IDCANCEL, 0);
    }
};

}  // namespace

TEST(PrinterStatusWin32, FollowsMinimalPageAndShowsTheBoxsPrinter)
{
    const char* printer = std::getenv("QUELLMARK_TEST_SOCKET_GS");
    ASSERT_NE(printer, nullptr) << "socket-test.sh gives the virtual printer's address";
    QuellmarkWin32::TApplication application(::GetModuleHandleA(nullptr));
    QuellmarkWin32::TWin32Presenter presenter(application);
    application.SetPresenter(presenter);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 50, &StatusWatch::Tick);
    QuellmarkWin32::TQuellmarkX form(application);
    ::ShowWindow(form.Handle(), SW_SHOWNORMAL);
    const HMENU options = ::GetSubMenu(::GetMenu(form.Handle()), 0);
    ASSERT_EQ(::GetMenuItemCount(options), 2);
    EXPECT_EQ(::GetMenuItemID(options, 0), static_cast<UINT>(QuellmarkWin32::idMinimalPage));
    EXPECT_EQ(::GetMenuItemID(options, 1), static_cast<UINT>(QuellmarkWin32::idPrinterStatus));
    char item[64] = {};
    ::GetMenuStringA(options, 1, item, sizeof item, MF_BYPOSITION);
    EXPECT_STREQ(item, "Printer &Status...");

    ::SetWindowTextA(form.PrinterBox(), printer);
    StatusWatch::main = form.Handle();
    ::SendMessageA(form.Handle(), WM_COMMAND, QuellmarkWin32::idPrinterStatus, 0);
    ::KillTimer(nullptr, timer);

    EXPECT_EQ(StatusWatch::caption, Messages::ApplicationTitle());
    EXPECT_EQ(StatusWatch::first, AppCore::AskingPrinterText(printer));
    EXPECT_FALSE(StatusWatch::mainEnabled);
    EXPECT_NE(StatusWatch::last.find("Product: GPL Ghostscript\r\n"), std::string::npos) << StatusWatch::last;
    EXPECT_TRUE(::IsWindowEnabled(form.Handle()));
}
