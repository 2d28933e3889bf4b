// SPDX-License-Identifier: Apache-2.0
// Whether a printer takes PostScript, learnt before a page is sent to it.
// A queue is judged by its driver as the spooler describes it (a CUPS
// queue's PPD, a Windows queue's driver); a queue without a driver (raw)
// by the device behind it, and an address by the printer itself, asked over
// IPP and SNMP, and over PJL only when it says it speaks PJL: nothing sent
// can print a sheet. The answer DoesNot comes only with the languages the
// printer takes instead; whatever cannot be told is Unknown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PrinterBounds.h"
#include "PrinterTarget.h"

namespace PrinterUtils {

enum class TPostScriptAnswer : std::uint8_t { Takes, DoesNot, Unknown };

struct TPostScriptCheck {
    TPostScriptAnswer answer = TPostScriptAnswer::Unknown;
    // DoesNot: what the printer takes, readable ("PDF", "PWG Raster").
    std::vector<std::string> languages;
};

// The check for printer, over within timeoutMs; never raises. Safe to call
// from several threads at once for different printers.
TPostScriptCheck CheckPostScript(const TPrinterTarget& printer, int timeoutMs = kPostScriptCheckTimeoutMs);

// The languages as a text line: "PDF, PWG Raster".
std::string LanguageList(const std::vector<std::string>& languages);

}  // namespace PrinterUtils
