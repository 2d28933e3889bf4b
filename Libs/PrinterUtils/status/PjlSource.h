// SPDX-License-Identifier: Apache-2.0
// Asking a printer over PJL: one AppSocket connection that sends only
// @PJL INFO requests inside the Universal Exit Language (nothing that
// prints), and reads the printer's answers into a status record.
#pragma once

#include <string>
#include <string_view>

#include "PrinterStatus.h"

namespace PrinterUtils {

// Asks host:port for INFO ID, CONFIG, MEMORY, PAGECOUNT, STATUS and FILESYS
// on one connection, within timeoutMs from the connect to the last byte
// read, keeping at most kBackChannelMaxBytes of the answer. True when at
// least one category was answered (status then holds what was read, each
// value's source named as PJL); false with a reason in error otherwise.
bool ReadPjlStatus(const std::string& host, int port, int timeoutMs, TPrinterStatus& status, std::string& error);

// Fills status from a printer's answers to @PJL INFO requests: for each, the
// echoed request line, its values and a form feed. Categories answered "?"
// or unknown here are skipped; every text kept is cleaned (no control
// characters, UTF-8, bounded in length). Never throws on any input.
void ParsePjlAnswer(std::string_view answer, TPrinterStatus& status);

}  // namespace PrinterUtils
