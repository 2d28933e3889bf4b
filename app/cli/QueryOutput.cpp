// SPDX-License-Identifier: Apache-2.0
#include "QueryOutput.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string_view>

#include <nlohmann/json.hpp>

namespace Cli {

namespace {

// Fields the page shows as whole numbers: JSON numbers when the printer's
// answer is one.
bool NumericField(std::string_view key)
{
    static constexpr std::string_view kKeys[] = {
        "language_level", "firmware_revision", "ram_size",       "memory_size", "memory_used",
        "max_form_items", "max_form_cache",    "cur_form_cache", "job_timeout", "wait_timeout",
        "page_count",     "sheet_count",       "size",           "free",        "search_order",
        "number"};
    for (std::string_view k : kKeys)
        if (k == key) return true;
    return false;
}

// The whole number a numeric field's text shows ("1,024", "-5"; no leading
// zeros), or nothing.
std::optional<TJson> WholeNumber(std::string_view text)
{
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9')
            digits.push_back(c);
        else if (c == '-' && i == 0)
            digits.push_back(c);
        else if (c != ',' || i == 0)
            return std::nullopt;
    }
    const bool negative = !digits.empty() && digits.front() == '-';
    if (digits.size() == std::size_t{negative} || (digits.size() > 1 && digits[negative] == '0')) return std::nullopt;
    const char* const end = digits.data() + digits.size();
    if (negative) {
        std::int64_t value = 0;
        if (std::from_chars(digits.data(), end, value).ec == std::errc()) return TJson(value);
    } else {
        std::uint64_t value = 0;
        if (std::from_chars(digits.data(), end, value).ec == std::errc()) return TJson(value);
    }
    // Beyond 64 bits: a double, the number a JSON reader such as jq holds.
    return TJson(std::strtod(digits.c_str(), nullptr));
}

// The page's text of a value as JSON: null for "N/A", a number for a whole
// number (thousands separators dropped) in a numeric field, else the text.
TJson JsonValue(std::string_view key, std::string_view text)
{
    if (text == "N/A") return nullptr;
    if (NumericField(key))
        if (std::optional<TJson> number = WholeNumber(text)) return *number;
    return JsonText(text);
}

}  // namespace

void AddReportJson(TJson& object, const PrinterUtils::TQueryReport& report)
{
    // The object's own members (printer, status, message) are the
    // program's word: the printer cannot replace them. A key the report
    // gives twice keeps its first place and its last value.
    const TJson own = object;
    const auto set = [&](std::string_view key, TJson value) {
        const std::string name = ToUtf8(key);
        if (!own.contains(name)) object[name] = std::move(value);
    };
    for (const PrinterUtils::TQueryValue& v : report.values) set(v.key, JsonValue(v.key, v.value));
    for (const PrinterUtils::TQueryTable& table : report.tables) {
        TJson rows = TJson::array();
        for (const PrinterUtils::TQueryRow& row : table.rows) {
            TJson fields = TJson::object();
            for (const auto& [key, value] : row) fields[ToUtf8(key)] = JsonValue(key, value);
            rows.push_back(std::move(fields));
        }
        set(table.name, std::move(rows));
    }
}

}  // namespace Cli
