// SPDX-License-Identifier: Apache-2.0
#include "InformationForm.h"

#include <cstring>
#include <vector>

#include "InformationDialog.h"
#include "ModalForm.h"
#include "SysUtils.h"

namespace QuellmarkWin32 {

namespace {

constexpr const char* kFormClass = "TMessageForm";
constexpr UINT kMessageTextFlags = DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// The font of the dialog: the system's message-box font, else the default
// GUI font. Owns what it created.
class DialogFont {
public:
    DialogFont()
    {
        NONCLIENTMETRICSA metrics{};
        metrics.cbSize = sizeof metrics;
        if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            created_ = ::CreateFontIndirectA(&metrics.lfMessageFont);
        font_ = created_ ? created_ : static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
    }
    ~DialogFont()
    {
        if (created_) ::DeleteObject(created_);
    }
    DialogFont(const DialogFont&) = delete;
    DialogFont& operator=(const DialogFont&) = delete;
    HFONT Handle() const noexcept { return font_; }

private:
    HFONT created_ = nullptr;
    HFONT font_ = nullptr;
};

// A screen DC with the font selected, for measuring; restores and releases.
class MeasuringDC {
public:
    explicit MeasuringDC(HFONT font) : dc_(::GetDC(nullptr)), old_(::SelectObject(dc_, font)) {}
    ~MeasuringDC()
    {
        ::SelectObject(dc_, old_);
        ::ReleaseDC(nullptr, dc_);
    }
    MeasuringDC(const MeasuringDC&) = delete;
    MeasuringDC& operator=(const MeasuringDC&) = delete;
    HDC Handle() const noexcept { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_;
};

int TextWidth(HDC dc, std::string_view text)
{
    SIZE size{};
    ::GetTextExtentPoint32A(dc, text.data(), static_cast<int>(text.size()), &size);
    return size.cx;
}

struct FormState {
    TApplication* application = nullptr;
    std::string caption;
    std::string message;
    bool closed = false;
};

// Ctrl+C with no other modifier, whichever control has the focus.
bool IsCopyKey(const MSG& message)
{
    return message.message == WM_KEYDOWN && message.wParam == 'C' && (::GetKeyState(VK_CONTROL) & 0x8000) &&
           !(::GetKeyState(VK_SHIFT) & 0x8000) && !(::GetKeyState(VK_MENU) & 0x8000);
}

// The clipboard, open while this lives.
class OpenClipboard {
public:
    explicit OpenClipboard(HWND owner)
    {
        if (!::OpenClipboard(owner)) throw SysUtils::Exception("Cannot open clipboard");
    }
    ~OpenClipboard() { ::CloseClipboard(); }
    OpenClipboard(const OpenClipboard&) = delete;
    OpenClipboard& operator=(const OpenClipboard&) = delete;
};

void CopyToClipboard(HWND form, const FormState& state)
{
    ::MessageBeep(0);
    const std::string text =
        AppCore::InformationCopyText(state.caption, state.message, {AppCore::kInformationButtonCaption});
    OpenClipboard clipboard(form);
    ::EmptyClipboard();
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    if (!memory) throw SysUtils::Exception("Out of memory");
    if (void* bytes = ::GlobalLock(memory)) {
        std::memcpy(bytes, text.c_str(), text.size() + 1);
        ::GlobalUnlock(memory);
    }
    // The clipboard owns the block once it takes it.
    if (!::SetClipboardData(CF_TEXT, memory)) ::GlobalFree(memory);
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
            // The one button is both OK (Enter) and cancel (Esc).
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) state->closed = true;
            return 0;
        case WM_CLOSE: state->closed = true; return 0;
        case DM_GETDEFID: return MAKELRESULT(IDOK, DC_HASDEFID);
        default: return ::DefWindowProcA(window, message, wParam, lParam);
        }
    });
}

// The dialog window, destroyed when this goes.
class FormWindow {
public:
    explicit FormWindow(HWND handle) : handle_(handle)
    {
        if (!handle_) throw SysUtils::Exception("Cannot create the information dialog");
    }
    ~FormWindow() { ::DestroyWindow(handle_); }
    FormWindow(const FormWindow&) = delete;
    FormWindow& operator=(const FormWindow&) = delete;
    HWND Handle() const noexcept { return handle_; }

private:
    HWND handle_;
};

}  // namespace

void ShowInformationForm(TApplication& application, const std::string& caption, const std::string& message)
{
    RegisterFormClass(application.Instance(), kFormClass, FormProc, "information dialog");
    DialogFont font;

    // Measure in the dialog's font: w from the 52 letters, h the line height,
    // the message as a block wrapped at half the screen's width.
    AppCore::TDialogUnits units;
    AppCore::TSize textBlock;
    int captionWidth = 0;
    {
        MeasuringDC dc(font.Handle());
        TEXTMETRICA metrics{};
        ::GetTextMetricsA(dc.Handle(), &metrics);
        units =
            AppCore::DialogUnitsFromMetrics(TextWidth(dc.Handle(), AppCore::kAverageWidthLetters), metrics.tmHeight);
        RECT block{0, 0, AppCore::MessageWrapWidth(::GetSystemMetrics(SM_CXSCREEN)), 0};
        ::DrawTextA(dc.Handle(), message.c_str(), static_cast<int>(message.size()), &block,
                    kMessageTextFlags | DT_CALCRECT);
        textBlock = {block.right - block.left, block.bottom - block.top};
        captionWidth = TextWidth(dc.Handle(), AppCore::kInformationButtonCaption);
    }
    const AppCore::TInformationDialogLayout layout = AppCore::LayoutInformationDialog(units, textBlock, {captionWidth});

    RECT frame{0, 0, layout.client.width, layout.client.height};
    ::AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const AppCore::TSize size{frame.right - frame.left, frame.bottom - frame.top};
    const AppCore::TRect screen{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    const AppCore::TRect place = AppCore::CentreIn(screen, size);

    FormState state{&application, caption, message, false};
    FormWindow form(::CreateWindowExA(kFormExStyle, kFormClass, caption.c_str(), kFormStyle, place.left, place.top,
                                      size.width, size.height, application.Handle(), nullptr, application.Instance(),
                                      &state));
    ::SendMessageA(form.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);

    const HWND text = ::CreateWindowExA(0, "STATIC", message.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX,
                                        layout.text.left, layout.text.top, layout.text.width, layout.text.height,
                                        form.Handle(), nullptr, application.Instance(), nullptr);
    const AppCore::TRect& b = layout.buttons.front();
    const HWND ok =
        ::CreateWindowExA(0, "BUTTON", AppCore::kInformationButtonCaption,
                          WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, b.left, b.top, b.width, b.height,
                          form.Handle(), reinterpret_cast<HMENU>(IDOK), application.Instance(), nullptr);
    for (HWND control : {text, ok})
        if (control) ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Handle()), FALSE);

    RunModalForm(application, form.Handle(), ok, state.closed, [&](const MSG& msg) {
        const bool forForm = msg.hwnd && (msg.hwnd == form.Handle() || ::IsChild(form.Handle(), msg.hwnd));
        if (!forForm || !IsCopyKey(msg)) return false;
        AppCore::RunGuarded(application.Presenter(), [&] { CopyToClipboard(form.Handle(), state); });
        return true;
    });
}

}  // namespace QuellmarkWin32
