// SPDX-License-Identifier: Apache-2.0
// The pieces of a printer's PJL answer as text: lines, "KEY=VALUE" pairs,
// list headers, numbers, and values cleaned for showing. Bytes come from
// the network: every call takes any input and bounds what it returns.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace PrinterUtils::PjlText {

// The longest text kept from one value, in bytes of UTF-8.
inline constexpr std::size_t kMaxTextBytes = 256;

// Lines split at LF, a CR before it dropped.
std::vector<std::string_view> Lines(std::string_view text);
// Without blanks (spaces, tabs, CR, LF) at either end.
std::string_view Trim(std::string_view text);
// Trimmed, and without one pair of double quotes around it.
std::string_view Unquote(std::string_view text);
// Trimmed, upper case (ASCII), each run of blanks one space: for matching.
std::string Normalize(std::string_view text);
// Unquoted, control characters dropped, tabs and runs of blanks one space,
// UTF-8 kept, any other 8-bit text read as Latin-1, cut to kMaxTextBytes on
// a character boundary.
std::string Clean(std::string_view text);
// A whole non-negative decimal number, quotes and blanks around it allowed.
std::optional<long long> Number(std::string_view text);
// A size in bytes: a number, optionally with K, KB, M or MB after it.
std::optional<long long> Bytes(std::string_view text);
// "KEY=VALUE": the key normalized, the value as written (untrimmed).
bool KeyValue(std::string_view line, std::string& key, std::string_view& value);
// "NAME [n ENUMERATED]" (or any other list kind): the normalized name and n.
bool ListHeader(std::string_view line, std::string& name, std::size_t& count);

}  // namespace PrinterUtils::PjlText
