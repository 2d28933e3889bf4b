// SPDX-License-Identifier: Apache-2.0
// Reading the values of an IPP answer that came from the network: strings
// only from string-typed values, every text cleaned and capped, every list
// capped; and the "key=value;" lists of printer-supply and the trays.
#pragma once

#include <cups/ipp.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace PrinterUtils::IppValues {

// At most this many supplies, trays, alerts, languages or fields are read.
inline constexpr int kIppListMax = 64;

// The text as it can be shown: valid UTF-8 kept, an invalid byte as '?',
// control characters (C0, DEL, C1) dropped, whitespace controls as a space,
// trimmed, at most 256 bytes.
std::string CleanText(std::string_view text);
std::string Lower(std::string text);
std::string Upper(std::string text);

// The attribute's values as raw strings (octetStrings included), at most
// kIppListMax; empty when it is absent or holds no strings.
std::vector<std::string> Strings(ipp_t* response, const char* name);
// The attribute's integer (or enum) values, at most kIppListMax.
std::vector<int> Integers(ipp_t* response, const char* name);

template <typename T>
std::optional<T> At(const std::vector<T>& values, std::size_t i)
{
    return i < values.size() ? std::optional<T>(values[i]) : std::nullopt;
}

// "key=value;key=value;": keys in lower case, values cleaned; the first of
// a repeated key wins.
std::map<std::string, std::string> ParsePairs(std::string_view text);
// A pair's value as a number (at most 9 digits, a sign allowed).
std::optional<int> Number(const std::map<std::string, std::string>& pairs, const char* key);
// A pair's value; "" when absent.
std::string Value(const std::map<std::string, std::string>& pairs, const char* key);

}  // namespace PrinterUtils::IppValues
