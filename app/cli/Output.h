// SPDX-License-Identifier: Apache-2.0
// Text as the command line writes it: UTF-8 from the 8-bit texts of
// printers and spoolers, JSON strings, and lines safe on a terminal.
#pragma once

#include <string>
#include <string_view>

namespace Cli {

// The text as UTF-8: kept when it already is valid UTF-8, else read as
// Latin-1 (printers' and spoolers' 8-bit texts).
std::string ToUtf8(std::string_view text);

// A JSON string literal (quotes included) of the text, converted by ToUtf8.
std::string JsonString(std::string_view text);

// The text for a terminal or a log line: ToUtf8, and every control
// character (C0, DEL, C1) as '?', so a printer's answer cannot drive the
// terminal or split a line.
std::string PlainText(std::string_view text);

}  // namespace Cli
