// SPDX-License-Identifier: Apache-2.0
#include "RecordText.h"

#include <string_view>
#include <utility>

#include "PageLabels.h"
#include "PlainText.h"
#include "SysUtils.h"

namespace AppCore {

namespace {

using PrinterUtils::TPrinterStatus;
using PrinterUtils::TTray;

// The page's table headings of the report's fields, for the text lines.
std::string FieldLabel(std::string_view field)
{
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"size", PageLabels::sp_idsizeheader},
        {"free", PageLabels::sp_idfreespaceheader},
        {"search_order", PageLabels::sp_idsearchorderheader},
        {"removable", PageLabels::sp_idremovableheader},
        {"mounted", PageLabels::sp_idmountedheader},
        {"named_files", PageLabels::sp_idnamedfilesheader},
        {"writable", PageLabels::sp_idwritableheader},
        {"searchable", PageLabels::sp_idsearchableheader},
        {"type", PageLabels::sp_ittype}};
    for (const auto& [key, label] : kLabels)
        if (key == field) return std::string(label);
    return PlainText(field);
}

std::string TableRowLabel(std::string_view table)
{
    if (table == "devices") return "Device";
    if (table == "input_trays") return "Input tray";
    if (table == "output_trays") return "Output tray";
    return PlainText(table);
}

std::string SourceOf(const TPrinterStatus& record, const char* key)
{
    const auto it = record.sources.find(key);
    return it == record.sources.end() ? std::string() : std::string(" [") + SourceName(it->second) + "]";
}

std::string Join(const std::vector<std::string>& texts, const char* separator)
{
    std::string out;
    for (const std::string& text : texts) out += (out.empty() ? "" : separator) + PlainText(text);
    return out;
}

std::string TrayLine(const char* kind, const TTray& tray)
{
    std::string line = SysUtils::Format("  %s", kind);
    if (tray.number) line += SysUtils::Format(" %d", *tray.number);
    if (!tray.name.empty()) line += " (" + PlainText(tray.name) + ")";
    line += ":";
    for (const std::string* part : {&tray.size, &tray.type, &tray.media})
        if (!part->empty()) line.append(" ").append(PlainText(*part)).append(",");
    if (tray.someLeft)
        line += " some left";
    else if (tray.level && tray.capacity)
        line += SysUtils::Format(" %d of %d sheets", *tray.level, *tray.capacity);
    else if (tray.capacity)
        line += SysUtils::Format(" holds %d sheets", *tray.capacity);
    if (line.back() == ',') line.pop_back();
    return line + "\n";
}

}  // namespace

bool FromPostScript(const TPrinterStatus& record, const char* key)
{
    const auto it = record.sources.find(key);
    return it != record.sources.end() && it->second == PrinterUtils::TStatusSource::PostScript;
}

std::string ReportText(const PrinterUtils::TQueryReport& report)
{
    std::string out;
    for (const PrinterUtils::TQueryValue& v : report.values)
        out += "  " + PlainText(v.label) + ": " + PlainText(v.value) + "\n";
    for (const PrinterUtils::TQueryTable& table : report.tables) {
        for (const PrinterUtils::TQueryRow& row : table.rows) {
            out += "  ";
            out += TableRowLabel(table.name);
            // "Device %disk0%: Size 1,000, Free space 800, ..."
            for (std::size_t f = 0; f < row.size(); ++f) {
                out += f == 0 ? " " : f == 1 ? " " : ", ";
                if (f > 0) out.append(FieldLabel(row[f].first)).append(" ");
                out += PlainText(row[f].second);
                if (f == 0) out += ":";
            }
            out += "\n";
        }
    }
    return out;
}

std::string StatusText(const TPrinterStatus& record)
{
    std::string out;
    const auto line = [&](const char* label, const char* key, const std::string& value) {
        if (!value.empty() && !FromPostScript(record, key))
            out += SysUtils::Format("  %s: ", label) + value + SourceOf(record, key) + "\n";
    };
    line("Make and model", "make_and_model", PlainText(record.makeAndModel.value_or("")));
    line("Serial number", "serial_number", PlainText(record.serialNumber.value_or("")));
    line("Firmware", "firmware", PlainText(record.firmware.value_or("")));
    line("Page count", "page_count", record.pageCount ? std::to_string(*record.pageCount) : "");
    line("Up time", "uptime_seconds", record.uptimeSeconds ? std::to_string(*record.uptimeSeconds) + " s" : "");
    line("State", "state", PlainText(record.state.value_or("")));
    line("Alerts", "alerts", Join(record.alerts, "; "));
    line("Languages", "languages", Join(record.languages, ", "));
    if (!FromPostScript(record, "languages"))
        line("Takes PostScript", "takes_postscript",
             record.takesPostScript ? (*record.takesPostScript ? "yes" : "no") : "");
    for (const PrinterUtils::TSupply& supply : record.supplies) {
        std::string text = "  Supply " + PlainText(supply.name) + ":";
        if (!supply.color.empty()) text.append(" ").append(PlainText(supply.color)).append(",");
        if (supply.levelPercent) text += SysUtils::Format(" %.0f %%,", *supply.levelPercent);
        out += text + " " + SupplyStateName(supply.state) + SourceOf(record, "supplies") + "\n";
    }
    if (!FromPostScript(record, "input_trays"))
        for (const TTray& tray : record.inputTrays) out += TrayLine("Input tray", tray);
    if (!FromPostScript(record, "output_trays"))
        for (const TTray& tray : record.outputTrays) out += TrayLine("Output tray", tray);
    return out;
}

std::string RecordText(const PrinterUtils::TStatusOutcome& outcome)
{
    return (outcome.haveReport ? ReportText(outcome.report) : std::string()) + StatusText(outcome.record);
}

}  // namespace AppCore
