// SPDX-License-Identifier: Apache-2.0
// The Win32 front-end in process: the very window, boxes and application
// object of QuellmarkExec, driven through their messages. Modal boxes are
// answered by a thread timer, which their own message loops dispatch.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "Application.h"
#include "InformationDialog.h"
#include "InformationForm.h"
#include "Messages.h"
#include "PrinterUtils.h"
#include "QuellmarkImpl1.h"
#include "Win32Presenter.h"
#include "WindowText.h"

namespace {

using QuellmarkTest::ClassOf;
using QuellmarkTest::TextOf;

// A modal box as the timer found it.
struct SeenBox {
    std::string kind;  // "message box" or "information"
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    bool ownerEnabled = true;
    bool mainEnabled = true;
};

// Answers each modal box of this thread: records it, runs the next scripted
// action for information dialogs (else presses OK), closes message boxes.
class Autopilot {
public:
    explicit Autopilot(HWND mainWindow = nullptr) : main_(mainWindow)
    {
        current_ = this;
        timer_ = ::SetTimer(nullptr, 0, 30, &Autopilot::Tick);
    }
    ~Autopilot()
    {
        ::KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    Autopilot(const Autopilot&) = delete;
    Autopilot& operator=(const Autopilot&) = delete;

    void SetMain(HWND main) { main_ = main; }
    // Forgets what was seen so far (window handles are reused).
    void Clear()
    {
        seen.clear();
        recorded_.clear();
    }
    // Runs on the next information dialog instead of pressing OK; it must close it.
    std::vector<std::function<void(HWND)>> informationActions;
    std::vector<SeenBox> seen;

private:
    static BOOL CALLBACK FindBox(HWND window, LPARAM out)
    {
        const std::string cls = ClassOf(window);
        if (::IsWindowVisible(window) && ::IsWindowEnabled(window) && (cls == "#32770" || cls == "TMessageForm")) {
            *reinterpret_cast<HWND*>(out) = window;
            return FALSE;
        }
        return TRUE;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        Autopilot* self = current_;
        if (!self || self->busy_) return;
        HWND box = nullptr;
        ::EnumThreadWindows(::GetCurrentThreadId(), FindBox, reinterpret_cast<LPARAM>(&box));
        if (!box) return;
        self->busy_ = true;
        SeenBox seen;
        seen.caption = TextOf(box);
        seen.owner = ::GetWindow(box, GW_OWNER);
        seen.ownerEnabled = seen.owner ? ::IsWindowEnabled(seen.owner) != 0 : true;
        seen.mainEnabled = self->main_ ? ::IsWindowEnabled(self->main_) != 0 : true;
        if (ClassOf(box) == "#32770") {
            seen.kind = "message box";
            seen.text = TextOf(::GetDlgItem(box, 0xFFFF));
            self->Record(box, seen);
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
        } else {
            seen.kind = "information";
            for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
                if (ClassOf(child) == "Static") seen.text = TextOf(child);
            self->Record(box, seen);
            if (!self->informationActions.empty()) {
                auto action = std::move(self->informationActions.front());
                self->informationActions.erase(self->informationActions.begin());
                action(box);
            } else {
                ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            }
        }
        self->busy_ = false;
    }

    // Each box once, as first seen; a dialog stays open over several ticks.
    void Record(HWND box, const SeenBox& what)
    {
        if (recorded_.insert(box).second) seen.push_back(what);
    }

    static inline Autopilot* current_ = nullptr;
    std::set<HWND> recorded_;
    UINT_PTR timer_ = 0;
    HWND main_ = nullptr;
    bool busy_ = false;
};

// Holds or releases Ctrl as the thread's keyboard state sees it; a key
// posted meanwhile is read with Ctrl down by the loop that takes it.
void SetControlKey(bool down)
{
    BYTE state[256];
    ::GetKeyboardState(state);
    state[VK_CONTROL] = down ? 0x80 : 0;
    ::SetKeyboardState(state);
}

std::string ClipboardText()
{
    if (!::OpenClipboard(nullptr)) return "<no clipboard>";
    std::string text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) text = bytes;
        ::GlobalUnlock(data);
    }
    ::CloseClipboard();
    return text;
}

RECT ChildRect(HWND parent, HWND child)
{
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The system's dpi; with QUELLMARK_TEST_DPI set, the test first checks that
// the session was really switched to that dpi.
int SystemDpi()
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    ::ReleaseDC(nullptr, screen);
    return dpi;
}

class FrontEnd : public ::testing::Test {
protected:
    FrontEnd() : application_(::GetModuleHandleA(nullptr)), presenter_(application_)
    {
        application_.SetPresenter(presenter_);
    }
    ~FrontEnd() override
    {
        // A main window that went posted WM_QUIT; take it, so that the next
        // test's boxes do not end at once.
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    QuellmarkWin32::TApplication application_;
    QuellmarkWin32::TWin32Presenter presenter_;
};

}  // namespace

TEST_F(FrontEnd, StartUpWithoutDefaultPrinterReportsAndStillBuildsTheWindow)
{
    // No print server in the Wine session: no printers and no default, so
    // the printer list's error comes up before the window is shown.
    try {
        const std::string name = PrinterUtils::GetDefaultPrinterName();
        GTEST_SKIP() << "this system has a default printer: " << name;
    } catch (const SysUtils::EOSError&) {
    }
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    ASSERT_EQ(pilot.seen.size(), 1u);
    const SeenBox& box = pilot.seen[0];
    EXPECT_EQ(box.kind, "message box");
    EXPECT_EQ(box.caption, Messages::ApplicationTitle());
    EXPECT_EQ(box.owner, application_.Handle());
    EXPECT_EQ(box.text.rfind("System Error.  Code: ", 0), 0u) << box.text;
    EXPECT_EQ(box.text.back(), '.');
    EXPECT_FALSE(::IsWindowVisible(form.Handle()));
    EXPECT_EQ(TextOf(form.PrinterBox()), "cboPrinters");
}

TEST_F(FrontEnd, MainWindowHasTheStoredLayout)
{
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    const HWND window = form.Handle();
    EXPECT_EQ(TextOf(window), "QuellmarkX");
    EXPECT_EQ(TextOf(application_.Handle()), Messages::ApplicationTitle());
    EXPECT_EQ(::GetWindow(window, GW_OWNER), application_.Handle());

    // The layout is stored at 96 dpi and scaled to the system's.
    const int dpi = SystemDpi();
    if (const char* wanted = std::getenv("QUELLMARK_TEST_DPI")) {
        ASSERT_EQ(dpi, std::atoi(wanted));
    }
    const auto scaled = [dpi](int pixels) { return ::MulDiv(pixels, dpi, 96); };
    RECT outer{}, client{};
    ::GetWindowRect(window, &outer);
    ::GetClientRect(window, &client);
    EXPECT_EQ(outer.left, scaled(303));
    EXPECT_EQ(outer.top, scaled(203));
    EXPECT_EQ(client.right, scaled(462));
    EXPECT_EQ(client.bottom, scaled(73));
    const LONG_PTR style = ::GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));

    const auto expectBounds = [&](HWND control, RECT stored) {
        const RECT r = ChildRect(window, control);
        EXPECT_EQ(r.left, scaled(stored.left));
        EXPECT_EQ(r.top, scaled(stored.top));
        EXPECT_EQ(r.right, scaled(stored.right));
        EXPECT_EQ(r.bottom, scaled(stored.bottom));
    };
    expectBounds(form.PrinterBox(), {8, 9, 8 + 329, 9 + 21});
    expectBounds(form.PrintButton(), {362, 7, 362 + 75, 7 + 25});
    LOGFONTA font{};
    ::GetObjectA(reinterpret_cast<HFONT>(::SendMessageA(form.PrintButton(), WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, scaled(-11));
    EXPECT_EQ(TextOf(form.PrintButton()), "Print");
    // Tab order: the printer box, then the button.
    EXPECT_EQ(::GetWindow(form.PrinterBox(), GW_HWNDNEXT), form.PrintButton());

    const HMENU menu = ::GetMenu(window);
    ASSERT_EQ(::GetMenuItemCount(menu), 1);
    char caption[64] = {};
    ::GetMenuStringA(menu, 0, caption, sizeof caption, MF_BYPOSITION);
    EXPECT_STREQ(caption, "&Options");
    EXPECT_TRUE(::GetMenuState(menu, 0, MF_BYPOSITION) & MF_CHECKED);
    const HMENU options = ::GetSubMenu(menu, 0);
    ::GetMenuStringA(options, QuellmarkWin32::idMinimalPage, caption, sizeof caption, MF_BYCOMMAND);
    EXPECT_STREQ(caption, "&Minimal Page");
    EXPECT_FALSE(form.MinimalPageChecked());
}

TEST_F(FrontEnd, ExecutableCarriesItsIconVersionAndManifest)
{
    const HMODULE self = ::GetModuleHandleA(nullptr);
    const HICON icon = ::LoadIconA(self, MAKEINTRESOURCEA(1));
    ASSERT_NE(icon, nullptr);
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    for (const HWND window : {form.Handle(), application_.Handle()})
        EXPECT_EQ(reinterpret_cast<HICON>(::GetClassLongPtrA(window, GCLP_HICON)), icon);

    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(self, path, sizeof path);
    std::vector<char> info(::GetFileVersionInfoSizeA(path, nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(::GetFileVersionInfoA(path, 0, static_cast<DWORD>(info.size()), info.data()));
    char* version = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueA(info.data(), "\\StringFileInfo\\040904E4\\ProductVersion",
                                 reinterpret_cast<void**>(&version), &length));
    EXPECT_STREQ(version, QUELLMARK_EXPECTED_VERSION);

    // The manifest: the system leaves scaling to the program, and the
    // controls come from the side-by-side version 6 common controls.
    EXPECT_TRUE(::IsProcessDPIAware());
    char controls[MAX_PATH] = {};
    ASSERT_NE(::GetModuleFileNameA(::GetModuleHandleA("comctl32.dll"), controls, sizeof controls), 0u);
    std::string lower(controls);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(lower.find("\\winsxs\\amd64_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::string::npos)
        << controls;
}

TEST_F(FrontEnd, MinimalPageTogglesAndTypingCompletesFromTheList)
{
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    for (bool expected : {true, false}) {
        ::SendMessageA(form.Handle(), WM_COMMAND, QuellmarkWin32::idMinimalPage, 0);
        EXPECT_EQ(form.MinimalPageChecked(), expected);
    }

    SysUtils::TStringList items;
    items.Add("Charlie");
    items.Add("Bravo");
    items.Add("Alpha");
    form.SetPrinterItems(items);
    EXPECT_EQ(form.PrinterText(), "cboPrinters");  // the list's reset keeps the text
    form.SetPrinterIndex(-1);
    EXPECT_EQ(form.PrinterText(), "cboPrinters");  // nothing selected: no change
    form.SetPrinterIndex(1);
    EXPECT_EQ(form.PrinterText(), "Bravo");

    const HWND edit = ::GetWindow(form.PrinterBox(), GW_CHILD);
    ASSERT_NE(edit, nullptr);
    ::SetWindowTextA(form.PrinterBox(), "");
    for (char c : std::string("br")) ::SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(c), 0);
    EXPECT_EQ(form.PrinterText(), "bravo");
    DWORD start = 0, end = 0;
    ::SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 5u);
    // Backspace leaves what is there without completing again.
    ::SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    EXPECT_EQ(form.PrinterText(), "br");
    // Text that no item starts with stays as typed.
    ::SendMessageA(edit, WM_CHAR, 'x', 0);
    EXPECT_EQ(form.PrinterText(), "brx");
}

TEST_F(FrontEnd, ErrorBoxAppliesThePeriodRuleAndDisablesTheWindowsMeanwhile)
{
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    ::ShowWindow(form.Handle(), SW_SHOWNORMAL);
    pilot.SetMain(form.Handle());
    pilot.Clear();

    presenter_.ReportError(SysUtils::Exception("Is it?"));
    presenter_.ReportError(SysUtils::EAbort("silent"));
    presenter_.ReportError(SysUtils::EAssertionFailed("Invalid platform! (PrinterUtils, line 292)"));
    ASSERT_EQ(pilot.seen.size(), 2u);
    EXPECT_EQ(pilot.seen[0].text, "Is it?.");
    EXPECT_EQ(pilot.seen[1].text, "Invalid platform! (PrinterUtils, line 292)");
    for (const SeenBox& box : pilot.seen) {
        EXPECT_EQ(box.kind, "message box");
        EXPECT_EQ(box.owner, application_.Handle());
        EXPECT_FALSE(box.mainEnabled);
    }
    EXPECT_TRUE(::IsWindowEnabled(form.Handle()));
}

TEST_F(FrontEnd, InformationDialogCopiesItsTextAndClosesWithEscape)
{
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    ::ShowWindow(form.Handle(), SW_SHOWNORMAL);
    pilot.SetMain(form.Handle());
    pilot.Clear();

    HWND seenButton = nullptr;
    LONG_PTR buttonStyle = 0, formStyle = 0;
    RECT formClient{}, buttonRect{};
    pilot.informationActions.push_back([&](HWND box) {
        formStyle = ::GetWindowLongPtrA(box, GWL_STYLE);
        ::GetClientRect(box, &formClient);
        for (HWND child = ::GetWindow(box, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT))
            if (ClassOf(child) == "Button") seenButton = child;
        if (!seenButton) return;
        buttonStyle = ::GetWindowLongPtrA(seenButton, GWL_STYLE);
        buttonRect = ChildRect(box, seenButton);
        // Ctrl+C on the focused button; on the next tick, Esc.
        SetControlKey(true);
        ::PostMessageA(seenButton, WM_KEYDOWN, 'C', 0);
    });
    pilot.informationActions.push_back([&](HWND box) {
        SetControlKey(false);
        ::PostMessageA(seenButton ? seenButton : box, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    presenter_.ShowInformation(Messages::kMinimalPageNotice);

    ASSERT_EQ(pilot.seen.size(), 1u);
    EXPECT_EQ(pilot.seen[0].kind, "information");
    EXPECT_EQ(pilot.seen[0].caption, Messages::ApplicationTitle());
    EXPECT_EQ(pilot.seen[0].text, Messages::kMinimalPageNotice);
    EXPECT_FALSE(pilot.seen[0].mainEnabled);
    ASSERT_NE(seenButton, nullptr);
    EXPECT_EQ(buttonStyle & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_FALSE(formStyle & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // The button row is centred below the text.
    EXPECT_LE(std::abs((buttonRect.left + buttonRect.right) - formClient.right), 1);
    EXPECT_GT(buttonRect.top, 0);
    EXPECT_EQ(ClipboardText(),
              AppCore::InformationCopyText(Messages::ApplicationTitle(), Messages::kMinimalPageNotice, {"OK"}));
    EXPECT_TRUE(::IsWindowEnabled(form.Handle()));
}

TEST_F(FrontEnd, ClipboardFailureShowsTheErrorAboveTheOpenDialog)
{
    Autopilot pilot;
    QuellmarkWin32::TQuellmarkX form(application_);
    pilot.Clear();
    pilot.informationActions.push_back([&](HWND box) {
        // Another window holds the clipboard: Ctrl+C fails and reports.
        ASSERT_TRUE(::OpenClipboard(form.Handle()));
        SetControlKey(true);
        ::PostMessageA(box, WM_KEYDOWN, 'C', 0);
    });
    pilot.informationActions.push_back([&](HWND box) {
        SetControlKey(false);
        ::CloseClipboard();
        ::PostMessageA(box, WM_CLOSE, 0, 0);
    });
    presenter_.ShowInformation("Status Page successfully sent");
    ASSERT_EQ(pilot.seen.size(), 2u);
    EXPECT_EQ(pilot.seen[0].kind, "information");
    EXPECT_EQ(pilot.seen[1].kind, "message box");
    EXPECT_EQ(pilot.seen[1].text, "Cannot open clipboard.");
}
