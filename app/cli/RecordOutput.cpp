// SPDX-License-Identifier: Apache-2.0
#include "RecordOutput.h"

#include <optional>

#include <nlohmann/json.hpp>

#include "SysUtils.h"

namespace Cli {

namespace {

using PrinterUtils::TPrinterStatus;
using PrinterUtils::TStatusSource;
using PrinterUtils::TTray;

template <typename T>
TJson OrNull(const std::optional<T>& value)
{
    return value ? TJson(*value) : TJson(nullptr);
}

TJson OrNull(const std::optional<std::string>& value)
{
    return value ? JsonText(*value) : TJson(nullptr);
}

TJson OrNull(const std::string& text)
{
    return text.empty() ? TJson(nullptr) : JsonText(text);
}

TJson Texts(const std::vector<std::string>& texts)
{
    TJson list = TJson::array();
    for (const std::string& text : texts) list.push_back(JsonText(text));
    return list;
}

TJson Trays(const std::vector<TTray>& trays)
{
    TJson list = TJson::array();
    for (const TTray& tray : trays) {
        TJson entry{{"number", OrNull(tray.number)},    {"size", OrNull(tray.size)},   {"type", OrNull(tray.type)},
                    {"name", OrNull(tray.name)},        {"media", OrNull(tray.media)}, {"level", OrNull(tray.level)},
                    {"capacity", OrNull(tray.capacity)}};
        // A tray whose level is unknown but not empty says so.
        if (tray.someLeft) entry["some_left"] = true;
        list.push_back(entry);
    }
    return list;
}

bool FromPostScript(const TPrinterStatus& record, const char* key)
{
    const auto it = record.sources.find(key);
    return it != record.sources.end() && it->second == TStatusSource::PostScript;
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

void AddStatusJson(TJson& object, const TPrinterStatus& record)
{
    object["make_and_model"] = OrNull(record.makeAndModel);
    object["serial_number"] = OrNull(record.serialNumber);
    object["firmware"] = OrNull(record.firmware);
    // The PostScript report's own page count stays when no better source
    // had one.
    if (!object.contains("page_count") || !FromPostScript(record, "page_count"))
        object["page_count"] = OrNull(record.pageCount);
    object["uptime_seconds"] = OrNull(record.uptimeSeconds);
    object["state"] = record.state ? JsonText(*record.state) : TJson("unknown");
    object["alerts"] = Texts(record.alerts);
    TJson supplies = TJson::array();
    for (const PrinterUtils::TSupply& supply : record.supplies) {
        supplies.push_back(TJson{{"name", JsonText(supply.name)},
                                 {"kind", OrNull(supply.kind)},
                                 {"color", OrNull(supply.color)},
                                 {"level_percent", OrNull(supply.levelPercent)},
                                 {"state", SupplyStateName(supply.state)}});
    }
    object["supplies"] = supplies;
    // Trays the PostScript report listed keep its rows as they are.
    if (!object.contains("input_trays") || !FromPostScript(record, "input_trays"))
        object["input_trays"] = Trays(record.inputTrays);
    if (!object.contains("output_trays") || !FromPostScript(record, "output_trays"))
        object["output_trays"] = Trays(record.outputTrays);
    object["languages"] = Texts(record.languages);
    object["takes_postscript"] = OrNull(record.takesPostScript);
    TJson sources = TJson::object();
    for (const auto& [key, source] : record.sources) sources[key] = SourceName(source);
    object["sources"] = sources;
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

}  // namespace Cli
