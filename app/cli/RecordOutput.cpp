// SPDX-License-Identifier: Apache-2.0
#include "RecordOutput.h"

#include <optional>

#include <nlohmann/json.hpp>

#include "RecordText.h"

namespace Cli {

namespace {

using AppCore::FromPostScript;
using PrinterUtils::TPrinterStatus;
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

}  // namespace Cli
