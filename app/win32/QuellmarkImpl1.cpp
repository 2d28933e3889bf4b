// SPDX-License-Identifier: Apache-2.0
#include "QuellmarkImpl1.h"

#include "MainForm.h"
#include "PrinterStatusForm.h"
#include "SysUtils.h"

namespace QuellmarkWin32 {

namespace {

constexpr const char* kFormClass = "TQuellmarkX";
constexpr const char* kCaption = "QuellmarkX";
// Single border, not resizable, system menu and close only.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_CONTROLPARENT;

// The stored layout, in pixels at 96 dpi; the window scales it to its dpi.
constexpr int kLayoutDpi = 96;
constexpr int kLeft = 303, kTop = 203, kClientWidth = 462, kClientHeight = 73;
constexpr RECT kPrintersBounds{8, 9, 8 + 329, 9 + 21};
constexpr int kPrinterItemHeight = 13;  // for sizing the drop-down list
constexpr int kPrinterDropDownItems = 8;
constexpr RECT kPrintBounds{362, 7, 362 + 75, 7 + 25};
constexpr const char* kInitialPrinterText = "cboPrinters";

// Sent to a per-monitor aware window that moved to a monitor of another dpi.
constexpr UINT kDpiChangedMessage = 0x02E0;

LRESULT ComboMessage(HWND combo, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    return ::SendMessageA(combo, message, wParam, lParam);
}

// The system's dpi: what the window starts with before it knows its monitor.
int SystemDpi()
{
    const HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : kLayoutDpi;
}

// The dpi of the window's monitor where the system tells it (Windows 10
// 1607 and later, looked up at run time), else the system's.
int WindowDpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    const int dpi = getDpiForWindow ? static_cast<int>(getDpiForWindow(window)) : 0;
    return dpi > 0 ? dpi : SystemDpi();
}

}  // namespace

TQuellmarkX::TQuellmarkX(TApplication& application) : application_(application)
{
    WNDCLASSA existing{};
    if (!::GetClassInfoA(application.Instance(), kFormClass, &existing)) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = application.Instance();
        windowClass.hIcon = ProgramIcon(application.Instance());
        windowClass.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kFormClass;
        if (!::RegisterClassA(&windowClass)) throw SysUtils::Exception("Cannot register the main window");
    }

    // The Options menu, stored as checked (a check on a menu-bar item shows
    // nothing), with Minimal Page under it, not checked, then Printer Status.
    MainMenu1_ = ::CreateMenu();
    Options_ = ::CreatePopupMenu();
    if (!MainMenu1_ || !Options_) throw SysUtils::Exception("Cannot create the main menu");
    ::AppendMenuA(Options_, MF_STRING | MF_UNCHECKED, idMinimalPage, "&Minimal Page");
    ::AppendMenuA(Options_, MF_STRING, idPrinterStatus, "Printer &Status...");
    ::AppendMenuA(MainMenu1_, MF_POPUP | MF_STRING | MF_CHECKED, reinterpret_cast<UINT_PTR>(Options_), "&Options");

    dpi_ = SystemDpi();
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    ::AdjustWindowRectEx(&frame, kFormStyle, TRUE, kFormExStyle);
    handle_ = ::CreateWindowExA(kFormExStyle, kFormClass, kCaption, kFormStyle, Scale(kLeft), Scale(kTop),
                                frame.right - frame.left, frame.bottom - frame.top, application.Handle(), MainMenu1_,
                                application.Instance(), this);
    if (!handle_) {
        ::DestroyMenu(MainMenu1_);
        throw SysUtils::Exception("Cannot create the main window");
    }
    try {
        CreateControls();
        // Placed on a monitor of another dpi than the system's: fit it.
        if (const int dpi = WindowDpi(handle_); dpi != dpi_) {
            dpi_ = dpi;
            RECT client{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
            ::AdjustWindowRectEx(&client, kFormStyle, TRUE, kFormExStyle);
            ::SetWindowPos(handle_, nullptr, 0, 0, client.right - client.left, client.bottom - client.top,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            LayOutControls();
        }
    } catch (...) {
        Release();
        throw;
    }
    // FillPrinterBox reports its own exceptions; the window is then
    // completed and shown all the same.
    AppCore::FillPrinterBox(*this, application_.Presenter());
}

TQuellmarkX::~TQuellmarkX()
{
    Release();
}

void TQuellmarkX::Release() noexcept
{
    // The window owns its menu and controls and goes first; the font is ours.
    if (handle_ && ::IsWindow(handle_)) ::DestroyWindow(handle_);
    handle_ = nullptr;
    if (font_) ::DeleteObject(font_);
    font_ = nullptr;
}

int TQuellmarkX::Scale(int pixelsAt96Dpi) const noexcept
{
    return ::MulDiv(pixelsAt96Dpi, dpi_, kLayoutDpi);
}

void TQuellmarkX::CreateControls()
{
    const HINSTANCE instance = application_.Instance();
    // Created in tab order: the printer box first, then the button; placed
    // by LayOutControls.
    cboPrinters_ =
        ::CreateWindowExA(0, "COMBOBOX", "",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL, 0, 0, 0, 0,
                          handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(idPrinters)), instance, nullptr);
    btnPrint_ = ::CreateWindowExA(0, "BUTTON", "Print", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 0, 0,
                                  handle_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(idPrint)), instance, nullptr);
    if (!cboPrinters_ || !btnPrint_) throw SysUtils::Exception("Cannot create the main window's controls");
    LayOutControls();
    ::SetWindowTextA(cboPrinters_, kInitialPrinterText);

    // Typing completes the name from the list: watch the box's edit field.
    if (const HWND edit = ::GetWindow(cboPrinters_, GW_CHILD)) {
        ::SetWindowLongPtrA(edit, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        editProc_ = reinterpret_cast<WNDPROC>(
            ::SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PrinterEditProc)));
    }
}

void TQuellmarkX::LayOutControls()
{
    // "MS Sans Serif", 8 points: 11 pixels high at 96 dpi.
    const HFONT font =
        ::CreateFontA(Scale(-11), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
    for (HWND control : {cboPrinters_, btnPrint_})
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    // The controls use the new font now; the old one can go.
    if (font_) ::DeleteObject(font_);
    font_ = font;
    const auto place = [this](HWND control, const RECT& bounds, int extraHeight) {
        ::SetWindowPos(control, nullptr, Scale(bounds.left), Scale(bounds.top),
                       Scale(bounds.right) - Scale(bounds.left), Scale(bounds.bottom) - Scale(bounds.top) + extraHeight,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    };
    // The printer box's height includes its drop-down list.
    place(cboPrinters_, kPrintersBounds, kPrinterDropDownItems * Scale(kPrinterItemHeight) + 2);
    place(btnPrint_, kPrintBounds, 0);
    FitPrinterBoxHeight();
}

void TQuellmarkX::FitPrinterBoxHeight()
{
    // The closed box is 21 pixels high. Its height follows the selection
    // field's height by a frame that differs between systems (and some
    // report the field with its frame), so set, measure and correct. The
    // list's items take the font's height: only owner-drawn lists can be
    // given another.
    const int wanted = Scale(kPrintersBounds.bottom) - Scale(kPrintersBounds.top);
    LRESULT field = ComboMessage(cboPrinters_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1));
    for (int attempt = 0; attempt < 3 && field != CB_ERR; ++attempt) {
        RECT closed{};
        ::GetWindowRect(cboPrinters_, &closed);
        const int error = wanted - (closed.bottom - closed.top);
        if (error == 0) break;
        field += error;
        ComboMessage(cboPrinters_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    }
}

LRESULT CALLBACK TQuellmarkX::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        static_cast<TQuellmarkX*>(create->lpCreateParams)->handle_ = window;
    }
    auto* self = reinterpret_cast<TQuellmarkX*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return ::DefWindowProcA(window, message, wParam, lParam);
    return GuardedMessage(self->application_, 0, [&] { return self->HandleMessage(message, wParam, lParam); });
}

LRESULT TQuellmarkX::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == idPrint && HIWORD(wParam) == BN_CLICKED) {
            btnPrintClick();
            return 0;
        }
        if (LOWORD(wParam) == idMinimalPage && HIWORD(wParam) == 0) {
            MinimalPageClick();
            return 0;
        }
        if (LOWORD(wParam) == idPrinterStatus && HIWORD(wParam) == 0) {
            PrinterStatusClick();
            return 0;
        }
        break;
    case kDpiChangedMessage: {
        // Moved to a monitor of another dpi: the suggested frame, then the
        // controls and font at the new scale.
        dpi_ = HIWORD(wParam);
        const auto* suggested = reinterpret_cast<const RECT*>(lParam);
        ::SetWindowPos(handle_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                       suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        LayOutControls();
        return 0;
    }
    case WM_CLOSE: ::DestroyWindow(handle_); return 0;
    case WM_DESTROY: ::PostQuitMessage(0); return 0;
    case WM_NCDESTROY: handle_ = nullptr; break;
    default: break;
    }
    return ::DefWindowProcA(handle_, message, wParam, lParam);
}

LRESULT CALLBACK TQuellmarkX::PrinterEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<TQuellmarkX*>(::GetWindowLongPtrA(edit, GWLP_USERDATA));
    if (!self || !self->editProc_) return ::DefWindowProcA(edit, message, wParam, lParam);
    return GuardedMessage(self->application_, 0, [&] {
        const LRESULT result = ::CallWindowProcA(self->editProc_, edit, message, wParam, lParam);
        // After a printable character, complete from the list; deleting
        // characters (Backspace, Delete) leaves the text as typed.
        if (message == WM_CHAR && static_cast<unsigned char>(wParam) >= 0x20 && wParam != 0x7F)
            self->CompletePrinterName();
        return result;
    });
}

void TQuellmarkX::CompletePrinterName()
{
    const std::string typed = PrinterText();
    if (typed.empty()) return;
    // A case-insensitive prefix search from the first item.
    const LRESULT found =
        ComboMessage(cboPrinters_, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(typed.c_str()));
    if (found == CB_ERR) return;
    const LRESULT length = ComboMessage(cboPrinters_, CB_GETLBTEXTLEN, static_cast<WPARAM>(found));
    if (length == CB_ERR || static_cast<std::size_t>(length) <= typed.size()) return;
    std::string item(static_cast<std::size_t>(length) + 1, '\0');
    ComboMessage(cboPrinters_, CB_GETLBTEXT, static_cast<WPARAM>(found), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(length));
    // What the user typed stays; the completion is selected, so typing on replaces it.
    ::SetWindowTextA(cboPrinters_, (typed + item.substr(typed.size())).c_str());
    ComboMessage(cboPrinters_, CB_SETEDITSEL, 0, MAKELPARAM(typed.size(), -1));
}

void TQuellmarkX::SetPrinterItems(const SysUtils::TStrings& items)
{
    // Resetting the list clears the edit text too; keep it.
    const std::string text = PrinterText();
    ComboMessage(cboPrinters_, CB_RESETCONTENT);
    for (const std::string& item : items.Lines())
        ComboMessage(cboPrinters_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    ::SetWindowTextA(cboPrinters_, text.c_str());
}

void TQuellmarkX::SetPrinterIndex(int index)
{
    // Deselecting clears the edit text; with nothing selected it changes nothing.
    if (index < 0 && ComboMessage(cboPrinters_, CB_GETCURSEL) == CB_ERR) return;
    ComboMessage(cboPrinters_, CB_SETCURSEL, static_cast<WPARAM>(index));
}

std::string TQuellmarkX::PrinterText() const
{
    const int length = ::GetWindowTextLengthA(cboPrinters_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = ::GetWindowTextA(cboPrinters_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

bool TQuellmarkX::MinimalPageChecked() const
{
    return (::GetMenuState(Options_, idMinimalPage, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

void TQuellmarkX::MinimalPageClick()
{
    ::CheckMenuItem(Options_, idMinimalPage, MF_BYCOMMAND | (MinimalPageChecked() ? MF_UNCHECKED : MF_CHECKED));
}

void TQuellmarkX::PrinterStatusClick()
{
    // The printer in the box, asked without paper in a modal dialog.
    ShowPrinterStatusForm(application_, handle_, PrinterText(), dpi_);
}

void TQuellmarkX::btnPrintClick()
{
    AppCore::PrintStatusPage(*this, application_.Presenter());
}

}  // namespace QuellmarkWin32
