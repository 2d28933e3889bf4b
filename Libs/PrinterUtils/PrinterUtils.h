// SPDX-License-Identifier: Apache-2.0
// PrinterUtils: the printers a user can print to, the user's default printer,
// and sending files unchanged to a printer as one raw spooler job.
#pragma once

#include <cstdint>
#include <string>

#include "SysUtils.h"

namespace PrinterUtils {

// One part of a printer list; a TPrinterListParts is a set of these bits.
enum TPrinterListPart : std::uint8_t {
    plpLocal = 1,    // printers on this machine
    plpNetwork = 2,  // connections to printers on other machines
    plpShared = 4,   // admits local printers that are shared; alone selects nothing
};
using TPrinterListParts = std::uint8_t;

// Inserts at position 0 of items the name of every printer selected by parts,
// so the names end up in the reverse of the spooler's order, before the
// names items already held. Raises EAssertionFailed for the empty set,
// {plpShared} and {plpNetwork, plpShared}; spooler failures add nothing.
void ListPrinters(SysUtils::TStrings& items, TPrinterListParts parts);

// The current user's default printer; raises EOSError when there is none.
std::string GetDefaultPrinterName();

// Sends the files named one per line in fileNames, in order, as one raw job.
void PrintFiles(const std::string& printerName, const std::string& fileNames, const std::string& documentName);

// Sends the files as one raw job named documentName; raises EOSError naming
// the step that failed.
void PrintFileList(const std::string& printerName, const SysUtils::TStrings& fileNames,
                   const std::string& documentName);

}  // namespace PrinterUtils
