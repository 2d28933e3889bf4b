// SPDX-License-Identifier: Apache-2.0
// The PostScript check and its question in the Win32 front-end, under Wine
// against the private print server that spooler-test.sh starts: Wine's
// driver is its PostScript driver, so Print asks nothing and sends the page.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Application.h"
#include "Messages.h"
#include "PostScriptCheck.h"
#include "QuellmarkImpl1.h"
#include "Resources.h"
#include "Win32Presenter.h"

namespace {

// Every box of this thread as a thread timer finds it: the message box
// (its text and its default button) answered with `answer`, the
// information dialog with OK.
struct BoxWatch {
    static inline std::vector<std::string> seen;
    static inline int answer = IDCANCEL;
    static inline int defaultButton = 0;

    static BOOL CALLBACK Answer(HWND box, LPARAM)
    {
        char cls[64] = {}, text[1024] = {};
        ::GetClassNameA(box, cls, sizeof cls);
        if (!::IsWindowVisible(box) || !::IsWindowEnabled(box)) return TRUE;
        const bool message = std::string(cls) == "#32770";
        if (!message && std::string(cls) != "TMessageForm") return TRUE;
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
            ::GetClassNameA(child, cls, sizeof cls);
            if (std::string(cls) == "Static" && ::GetWindowTextA(child, text, sizeof text) > 0) break;
        }
        // The default button is the one drawn as such (Wine's DM_GETDEFID names IDOK whatever the style).
        for (const int id : {IDOK, IDCANCEL})
            if (message && (::GetWindowLongA(::GetDlgItem(box, id), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                defaultButton = id;
        seen.push_back((message ? "message box: " : "information: ") + std::string(text));
        ::PostMessageA(box, WM_COMMAND, message ? answer : IDOK, 0);
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) { ::EnumThreadWindows(::GetCurrentThreadId(), Answer, 0); }
};

TEST(SpoolerPostScript, TheQuestionBoxDefaultsToCancel)
{
    QuellmarkWin32::TApplication application(::GetModuleHandleA(nullptr));
    QuellmarkWin32::TWin32Presenter presenter(application);
    application.SetPresenter(presenter);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &BoxWatch::Tick);
    BoxWatch::seen.clear();
    BoxWatch::answer = IDCANCEL;
    EXPECT_FALSE(presenter.AskSendAnyway("Send anyway?"));
    EXPECT_EQ(BoxWatch::defaultButton, IDCANCEL);
    BoxWatch::answer = IDOK;
    EXPECT_TRUE(presenter.AskSendAnyway("Send anyway?"));
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(BoxWatch::seen, (std::vector<std::string>(2, "message box: Send anyway?")));
}

TEST(SpoolerPostScript, WinesPostScriptDriverTakesThePageWithoutAQuestion)
{
    const std::string queue = std::getenv("QUELLMARK_TEST_CAPTURE");
    const std::string jobs = std::getenv("QUELLMARK_TEST_JOBS");
    EXPECT_EQ(PrinterUtils::CheckPostScript(PrinterUtils::ParsePrinterTarget(queue)).answer,
              PrinterUtils::TPostScriptAnswer::Takes);

    QuellmarkWin32::TApplication application(::GetModuleHandleA(nullptr));
    QuellmarkWin32::TWin32Presenter presenter(application);
    application.SetPresenter(presenter);
    QuellmarkWin32::TQuellmarkX form(application);
    ::ShowWindow(form.Handle(), SW_SHOWNORMAL);
    ::SetWindowTextA(form.PrinterBox(), queue.c_str());
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &BoxWatch::Tick);
    BoxWatch::seen.clear();
    BoxWatch::answer = IDCANCEL;
    ::SendMessageA(form.Handle(), WM_COMMAND, QuellmarkWin32::idPrint, 0);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(BoxWatch::seen, (std::vector<std::string>{std::string("information: ") + Messages::kStatusPageSent}));

    // The page's bytes reach the capture folder, among the other tests' jobs.
    const std::string page(Resources::TResourceStream("STATUS", "MYSTATUS").Bytes());
    bool arrived = false;
    for (int tries = 0; tries < 300 && !arrived; ++tries, ::Sleep(arrived ? 0 : 100)) {
        WIN32_FIND_DATAA found;
        const HANDLE search = ::FindFirstFileA((jobs + "\\*.data").c_str(), &found);
        for (bool more = search != INVALID_HANDLE_VALUE; more && !arrived; more = ::FindNextFileA(search, &found)) {
            std::ifstream in(jobs + "\\" + found.cFileName, std::ios::binary);
            arrived = std::string(std::istreambuf_iterator<char>(in), {}) == page;
        }
        if (search != INVALID_HANDLE_VALUE) ::FindClose(search);
    }
    EXPECT_TRUE(arrived) << "no job with the page's bytes in " << jobs;
}

}  // namespace
