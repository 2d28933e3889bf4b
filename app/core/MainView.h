// SPDX-License-Identifier: Apache-2.0
// What the start-up sequence and the Print action see of the main window.
#pragma once

#include <string>

#include "SysUtils.h"

namespace AppCore {

class IMainView {
public:
    virtual ~IMainView() = default;
    // Replaces the printer box's items; its edit text stays as it is.
    virtual void SetPrinterItems(const SysUtils::TStrings& items) = 0;
    // Makes item index current, which puts its name into the edit text; -1
    // clears the selection and, when nothing was selected, changes nothing.
    virtual void SetPrinterIndex(int index) = 0;
    // The printer box's edit text: the selected name or what the user typed.
    virtual std::string PrinterText() const = 0;
    virtual bool MinimalPageChecked() const = 0;
};

}  // namespace AppCore
