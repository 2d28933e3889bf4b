// SPDX-License-Identifier: Apache-2.0
// Text as the command line writes it: UTF-8 from the 8-bit texts of
// printers and spoolers, JSON through nlohmann-json, and lines safe on a
// terminal.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "PlainText.h"

namespace Cli {

// Objects keep their members in the order they were added.
using TJson = nlohmann::ordered_json;

// UTF-8 and terminal-safe text, shared with the window (PlainText.h).
using AppCore::PlainText;
using AppCore::ToUtf8;

// A JSON string of the text, converted by ToUtf8. Every text from outside
// (names, messages, keys and values from printers) enters JSON through it.
TJson JsonText(std::string_view text);

// The value on one line: ": " after each key, ", " between members and
// elements, strings escaped by nlohmann-json.
std::string JsonLine(const TJson& value);

// Writes text; a failure to write the standard output is remembered.
void Write(std::FILE* stream, std::string_view text);
// The errno of the first failed write to the standard output; 0 when none.
int OutputError() noexcept;

// A JSON array on stdout, written as its elements arrive: "[", each element
// on a line of its own indented by two, "]" on the last line ("[]" when
// there is none). The elements are flushed at once, so a script reading
// the output sees each printer as soon as it is done.
class TJsonArrayWriter {
public:
    TJsonArrayWriter();
    TJsonArrayWriter(const TJsonArrayWriter&) = delete;
    TJsonArrayWriter& operator=(const TJsonArrayWriter&) = delete;
    void Add(const TJson& element);
    void Finish();

private:
    std::size_t count_ = 0;
};

}  // namespace Cli
