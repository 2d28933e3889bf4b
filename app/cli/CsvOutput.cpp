// SPDX-License-Identifier: Apache-2.0
#include "CsvOutput.h"

#include <algorithm>
#include <cmath>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "NumberText.h"
#include "Output.h"

namespace Cli {

namespace {

using PrinterUtils::TPrinterStatus;
using PrinterUtils::TSupply;

constexpr const char* kColors[] = {"black", "cyan", "magenta", "yellow"};

// A text field as a spreadsheet may safely read it.
std::string TextField(std::string_view text)
{
    std::string field = PlainText(text);
    if (!field.empty() && std::string_view("=+-@").find(field.front()) != std::string_view::npos)
        field.insert(0, 1, '\'');
    if (field.find_first_of(",\"") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

std::string OptionalField(const std::optional<std::string>& text)
{
    return text ? TextField(*text) : std::string();
}

bool SameWord(std::string_view a, std::string_view b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

// What is left of the toner or ink of the colour in percent, to a tenth
// (a level from SNMP is a share of the part's capacity: 6300 of 9000 is 70,
// 511 of 9000 would be 5.6777...), "" when unknown.
std::string ColorLevel(const TPrinterStatus& record, std::string_view color)
{
    for (const TSupply& supply : record.supplies) {
        if (supply.receptacle || !supply.levelPercent || !SameWord(supply.color, color)) continue;
        if (supply.kind == "toner" || supply.kind == "ink")
            return NumberText(std::round(std::clamp(*supply.levelPercent, 0.0, 100.0) * 10) / 10);
    }
    return {};
}

class TCsvSink : public TQuerySink {
public:
    void Add(const TQueryResult& result) override
    {
        Header();
        const PrinterUtils::TStatusOutcome& q = result.outcome;
        std::vector<std::string> row{TextField(result.printer)};
        if (q.status == "failed") {
            row.resize(9);
            row.push_back("unreachable");
        } else {
            const TPrinterStatus& r = q.record;
            row.push_back(OptionalField(r.makeAndModel));
            row.push_back(OptionalField(r.serialNumber));
            row.push_back(OptionalField(r.firmware));
            row.push_back(r.pageCount ? std::to_string(*r.pageCount) : std::string());
            for (const char* color : kColors) row.push_back(ColorLevel(r, color));
            row.push_back(TextField(r.state.value_or("unknown")));
        }
        std::string line;
        for (const std::string& field : row) line += (line.empty() ? "" : ",") + field;
        Write(stdout, line + "\r\n");
        std::fflush(stdout);
    }
    void Finish(const TScanSummary&) override
    {
        Header();
        std::fflush(stdout);
    }

private:
    // The header comes with the first row, or alone when no printer came.
    void Header()
    {
        if (headerDone_) return;
        headerDone_ = true;
        Write(stdout, "printer,make_and_model,serial_number,firmware,page_count,black_percent,cyan_percent,"
                      "magenta_percent,yellow_percent,state\r\n");
    }
    bool headerDone_ = false;
};

}  // namespace

std::unique_ptr<TQuerySink> NewCsvSink()
{
    return std::make_unique<TCsvSink>();
}

}  // namespace Cli
