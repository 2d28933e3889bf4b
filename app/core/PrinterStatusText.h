// SPDX-License-Identifier: Apache-2.0
// The window's Printer Status action: the printer named in the printer box
// asked without paper, and the text its dialog shows.
#pragma once

#include <string>

namespace AppCore {

struct TPrinterStatusText {
    bool answered = false;  // at least one protocol answered
    std::string text;       // lines separated by "\n"
};

// Asks the printer as quellmark query does without options (the protocols
// its name suggests, each within the library's own bound) and gives the
// record as "Label: value" lines under the printer's name, supplies and
// trays one line each, then why the protocols that did not answer failed.
// When none answered, the text is only why. Never throws; safe to call on a
// worker thread (it touches no window).
TPrinterStatusText AskPrinterStatusText(const std::string& printer);

// What the dialog shows while it asks.
std::string AskingPrinterText(const std::string& printer);

}  // namespace AppCore
