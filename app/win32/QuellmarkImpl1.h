// SPDX-License-Identifier: Apache-2.0
// TQuellmarkX, the main window of the Win32 front-end: the printer box, the
// Print button and the Options menu with Minimal Page and Printer Status, laid out in pixels at
// 96 dpi and scaled to the dpi of its monitor.
#pragma once

#include <string>

#include "Application.h"
#include "MainView.h"

namespace QuellmarkWin32 {

// Control and menu identifiers.
enum : int { idPrinters = 100, idPrint = 101, idMinimalPage = 200, idPrinterStatus = 201 };

class TQuellmarkX final : public AppCore::IMainView {
public:
    // Builds the window and its controls (not shown yet), then fills the
    // printer box; an exception from that has been reported when this returns.
    explicit TQuellmarkX(TApplication& application);
    ~TQuellmarkX() override;
    TQuellmarkX(const TQuellmarkX&) = delete;
    TQuellmarkX& operator=(const TQuellmarkX&) = delete;

    HWND Handle() const noexcept { return handle_; }
    HWND PrinterBox() const noexcept { return cboPrinters_; }
    HWND PrintButton() const noexcept { return btnPrint_; }

    void SetPrinterItems(const SysUtils::TStrings& items) override;
    void SetPrinterIndex(int index) override;
    std::string PrinterText() const override;
    bool MinimalPageChecked() const override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PrinterEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void LayOutControls();
    int Scale(int pixelsAt96Dpi) const noexcept;
    void Release() noexcept;
    void FitPrinterBoxHeight();
    void CompletePrinterName();
    void MinimalPageClick();
    void PrinterStatusClick();
    void btnPrintClick();

    TApplication& application_;
    HWND handle_ = nullptr;
    HWND cboPrinters_ = nullptr;
    HWND btnPrint_ = nullptr;
    HMENU MainMenu1_ = nullptr;
    HMENU Options_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = 96;
    WNDPROC editProc_ = nullptr;
};

}  // namespace QuellmarkWin32
