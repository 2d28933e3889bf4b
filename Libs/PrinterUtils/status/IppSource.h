// SPDX-License-Identifier: Apache-2.0
// The IPP source of a printer's status (CUPS systems): one
// Get-Printer-Attributes through libcups, straight to the printer, and the
// record filled from its answer. The parsing parts take no network and are
// fuzzed on their own.
#pragma once

#include <cups/ipp.h>

#include <map>
#include <string>
#include <string_view>

#include "PrinterStatus.h"

namespace PrinterUtils {

// Asks the printer at uri ("ipp://HOST[:PORT]/PATH" or "ipps://...") for its
// status and fills status with what it answers, naming IPP as the source of
// each value. A printer that refuses IPP/2.0 is asked again with IPP/1.1.
// Everything, connecting included, is over within timeoutMs. False with a
// text in error ("HOST:PORT: ...") when no usable answer came.
bool ReadIppStatus(const std::string& uri, int timeoutMs, TPrinterStatus& status, std::string& error);

// Fills status from the printer attributes of a Get-Printer-Attributes
// answer. Every text is cleaned (no control characters, bounded length) and
// every list bounded, whatever the answer holds.
void FillFromIppAttributes(ipp_t* response, TPrinterStatus& status);

// The fields of an IEEE 1284 device id ("MFG:Maker;MDL:Model;"), keyed by
// their upper-case names, the long names folded into MFG, MDL, CMD and SN;
// values trimmed and cleaned; the first of a repeated key wins.
std::map<std::string, std::string> ParseDeviceId(std::string_view id);

}  // namespace PrinterUtils
