// SPDX-License-Identifier: Apache-2.0
// The main window: the printer box, the Print button and the Options menu,
// laid out by QuellmarkImpl1.ui.
#pragma once

#include <QMainWindow>
#include <memory>
#include <vector>

#include "MainView.h"
#include "Presenter.h"
#include "PrinterUtils.h"

namespace Ui {
class QuellmarkX;
}

class TQuellmarkX : public QMainWindow, public AppCore::IMainView {
    Q_OBJECT

public:
    // Loads the stored layout, then runs ActiveFormCreate once; an error
    // there is reported through presenter and the window is built anyway.
    explicit TQuellmarkX(AppCore::IPresenter& presenter, QWidget* parent = nullptr);
    ~TQuellmarkX() override;

    void SetPrinterItems(const SysUtils::TStrings& items) override;
    void SetPrinterIndex(int index) override;
    std::string PrinterText() const override;
    bool MinimalPageChecked() const override;

public slots:
    // Bound by name in QuellmarkImpl1.ui.
    void btnPrintClick();
    void MinimalPageClick();
    void PrinterStatusClick();

private:
    void ActiveFormCreate();
    void ApplyStoredLayout();
    // Appends the printers found on the network after the listed ones; the
    // selection and the edit text stay as they are.
    void AddNetworkPrinters(const std::vector<PrinterUtils::TNetworkPrinter>& found);

    std::unique_ptr<Ui::QuellmarkX> ui_;
    AppCore::IPresenter& presenter_;
    // Last, so it goes first: no call from the browse can reach a window
    // being torn down.
    PrinterUtils::TDiscoveryWatch discoveryWatch_;
};
