// SPDX-License-Identifier: Apache-2.0
// Printers' and spoolers' 8-bit texts as the program shows them: UTF-8,
// with no control character that could drive a terminal or split a line.
#pragma once

#include <string>
#include <string_view>

namespace AppCore {

// The text as UTF-8: kept when it already is valid UTF-8, else read as
// Latin-1 (printers' and spoolers' 8-bit texts).
std::string ToUtf8(std::string_view text);

// The text for a terminal, a log line or a text view: ToUtf8, and every
// control character (C0, DEL, C1) as '?', so a printer's answer cannot
// drive the terminal or split a line.
std::string PlainText(std::string_view text);

}  // namespace AppCore
