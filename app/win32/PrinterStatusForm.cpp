// SPDX-License-Identifier: Apache-2.0
#include "PrinterStatusForm.h"

#include <memory>
#include <mutex>
#include <thread>

#include "Messages.h"
#include "ModalForm.h"
#include "PrinterStatusText.h"
#include "SysUtils.h"

namespace QuellmarkWin32 {

namespace {

constexpr int kLayoutDpi = 96;
// The client area and its controls in pixels at 96 dpi.
constexpr int kClientWidth = 480, kClientHeight = 360, kMargin = 8;
constexpr int kButtonWidth = 75, kButtonHeight = 23;
constexpr int idStatusText = 100;
// Posted by the worker when the record is in the shared state.
constexpr UINT kRecordReady = WM_APP + 1;

// What the worker and the dialog share: the dialog's window while it is
// open, and the record once asked.
struct SharedRecord {
    std::mutex mutex;
    HWND form = nullptr;
    std::string text;
};

struct FormState {
    TApplication* application = nullptr;
    std::shared_ptr<SharedRecord> record;
    HWND text = nullptr;
    bool closed = false;
};

// UTF-8 to UTF-16 with CR LF line ends, as a multi-line edit control shows them.
std::wstring EditText(const std::string& utf8)
{
    std::string crlf;
    crlf.reserve(utf8.size() + utf8.size() / 16);
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\n' && (i == 0 || utf8[i - 1] != '\r')) crlf += '\r';
        crlf += utf8[i];
    }
    if (crlf.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) ::MultiByteToWideChar(CP_UTF8, 0, crlf.data(), static_cast<int>(crlf.size()), wide.data(), size);
    return wide;
}

void ShowText(HWND edit, const std::string& utf8)
{
    ::SetWindowTextW(edit, EditText(utf8).c_str());
}

LRESULT CALLBACK FormProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* state = reinterpret_cast<FormState*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!state || !state->application) return ::DefWindowProcA(window, message, wParam, lParam);
    return GuardedMessage(*state->application, 0, [&]() -> LRESULT {
        switch (message) {
        case WM_COMMAND:
            // Close is the cancel button: Enter presses it, Esc sends IDCANCEL.
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) state->closed = true;
            return 0;
        case WM_CLOSE: state->closed = true; return 0;
        case DM_GETDEFID: return MAKELRESULT(IDCANCEL, DC_HASDEFID);
        case kRecordReady: {
            std::string text;
            {
                const std::lock_guard<std::mutex> lock(state->record->mutex);
                text = state->record->text;
            }
            ShowText(state->text, text);
            return 0;
        }
        default: return ::DefWindowProcA(window, message, wParam, lParam);
        }
    });
}

// The dialog window and its font, destroyed when this goes; the worker
// learns first that the window is gone.
class FormWindow {
public:
    FormWindow(HWND handle, std::shared_ptr<SharedRecord> record) : handle_(handle), record_(std::move(record))
    {
        if (!handle_) throw SysUtils::Exception("Cannot create the printer status dialog");
        const std::lock_guard<std::mutex> lock(record_->mutex);
        record_->form = handle_;
    }
    ~FormWindow()
    {
        {
            const std::lock_guard<std::mutex> lock(record_->mutex);
            record_->form = nullptr;
        }
        ::DestroyWindow(handle_);
        if (font_) ::DeleteObject(font_);
    }
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    HWND Handle() const noexcept { return handle_; }
    void SetFont(HFONT font) noexcept { font_ = font; }

private:
    HWND handle_;
    std::shared_ptr<SharedRecord> record_;
    HFONT font_ = nullptr;
};

// The system's message font at `dpi`, else the default GUI font (not ours to delete).
HFONT CreateDialogFont(int dpi)
{
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    const HDC screen = ::GetDC(nullptr);
    const int systemDpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : kLayoutDpi;
    if (screen) ::ReleaseDC(nullptr, screen);
    metrics.lfMessageFont.lfHeight = ::MulDiv(metrics.lfMessageFont.lfHeight, dpi, systemDpi > 0 ? systemDpi : dpi);
    return ::CreateFontIndirectA(&metrics.lfMessageFont);
}

// Asks the printer on a thread of its own, which holds only the shared
// state: it posts to the dialog while the dialog is open, else drops the record.
void StartAsking(const std::string& printer, std::shared_ptr<SharedRecord> record)
{
    std::thread([printer, record] {
        const AppCore::TPrinterStatusText answer = AppCore::AskPrinterStatusText(printer);
        const std::lock_guard<std::mutex> lock(record->mutex);
        record->text = answer.text;
        if (record->form) ::PostMessageA(record->form, kRecordReady, 0, 0);
    }).detach();
}

}  // namespace

void ShowPrinterStatusForm(TApplication& application, HWND window, const std::string& printer, int dpi)
{
    RegisterFormClass(application.Instance(), kPrinterStatusFormClass, FormProc, "printer status dialog");
    const auto scale = [dpi](int pixels) { return ::MulDiv(pixels, dpi, kLayoutDpi); };

    RECT frame{0, 0, scale(kClientWidth), scale(kClientHeight)};
    ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    // Centred in the work area of the window's monitor.
    RECT work{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (::GetMonitorInfoA(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    const int left = work.left + (work.right - work.left - width) / 2;
    const int top = work.top + (work.bottom - work.top - height) / 2;

    auto record = std::make_shared<SharedRecord>();
    FormState state{&application, record, nullptr, false};
    FormWindow form(::CreateWindowExA(kFormExStyle, kPrinterStatusFormClass, Messages::ApplicationTitle().c_str(),
                                      kFormStyle, left, top, width, height, application.Handle(), nullptr,
                                      application.Instance(), &state),
                    record);
    const HFONT font = CreateDialogFont(dpi);
    form.SetFont(font);
    const HFONT shown = font ? font : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));

    const int buttonTop = scale(kClientHeight - kMargin - kButtonHeight);
    state.text =
        ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                              ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                          scale(kMargin), scale(kMargin), scale(kClientWidth - 2 * kMargin),
                          buttonTop - 2 * scale(kMargin), form.Handle(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(idStatusText)), application.Instance(), nullptr);
    const HWND close = ::CreateWindowExA(0, "BUTTON", "Close", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                         scale(kClientWidth - kMargin - kButtonWidth), buttonTop, scale(kButtonWidth),
                                         scale(kButtonHeight), form.Handle(), reinterpret_cast<HMENU>(IDCANCEL),
                                         application.Instance(), nullptr);
    if (!state.text || !close) throw SysUtils::Exception("Cannot create the printer status dialog's controls");
    for (HWND control : {state.text, close})
        ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(shown), FALSE);
    ShowText(state.text, AppCore::AskingPrinterText(printer));
    StartAsking(printer, record);

    // The caret stays out of the text until the user tabs into it.
    RunModalForm(application, form.Handle(), close, state.closed);
}

}  // namespace QuellmarkWin32
