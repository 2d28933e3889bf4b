// SPDX-License-Identifier: Apache-2.0
// The main window as the Print action reads it in the benchmarks: one fixed
// printer name, the full page, nothing to display.
#pragma once

#include <string>
#include <utility>

#include "MainView.h"

class TFixedPrinterView final : public AppCore::IMainView {
public:
    explicit TFixedPrinterView(std::string printer) : printer_(std::move(printer)) {}
    void SetPrinterItems(const SysUtils::TStrings&) override {}
    void SetPrinterIndex(int) override {}
    std::string PrinterText() const override { return printer_; }
    bool MinimalPageChecked() const override { return false; }

private:
    std::string printer_;
};
