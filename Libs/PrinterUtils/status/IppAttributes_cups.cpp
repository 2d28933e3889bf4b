// SPDX-License-Identifier: Apache-2.0
// The record from a Get-Printer-Attributes answer, and the IEEE 1284
// device id. Every value comes from the network: only string-typed values
// are read as strings, every text is cleaned and capped, every list capped.
#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "IppSource.h"
#include "IppValues.h"

namespace PrinterUtils {

namespace {

using namespace IppValues;

// A device id is read this far; real ones are a few hundred bytes.
constexpr std::size_t kDeviceIdMaxBytes = 4096;
// The low mark of a consumable whose printer gives none, in percent.
constexpr int kDefaultLowPercent = 10;

// A supply's kind from its IPP keyword ("waste-toner") or Printer MIB name
// ("wasteToner"): "toner", "ink", "drum", "waste_toner", ... or "other".
std::string SupplyKind(std::string_view type)
{
    std::string kind;
    for (const char c : CleanText(type).substr(0, 32)) {
        if (std::isupper(static_cast<unsigned char>(c))) kind += '_';
        if (std::isalnum(static_cast<unsigned char>(c)))
            kind += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (c == '-' || c == '_')
            kind += '_';
    }
    if (kind == "toner_cartridge") return "toner";
    if (kind == "ink_cartridge" || kind == "ink_ribbon") return "ink";
    if (kind == "opc") return "drum";
    return kind.empty() || kind == "unknown" ? "other" : kind;
}

std::string ColorName(std::string_view color)
{
    static constexpr std::pair<const char*, const char*> kColors[] = {{"#000000", "black"},
                                                                      {"#00ffff", "cyan"},
                                                                      {"#ff00ff", "magenta"},
                                                                      {"#ffff00", "yellow"}};
    const std::string lower = Lower(CleanText(color));
    for (const auto& [hex, name] : kColors)
        if (lower == hex) return name;
    return lower == "none" || lower == "unknown" ? "" : CleanText(color);
}

// Level and state of a supply from a level in percent, or the special
// levels -1, -2 (unknown) and -3 (some left). A receptacle's level is how
// full it is: nearly full (low) at its high mark, full (empty) at 100.
void SetLevel(TSupply& supply, int level, std::optional<int> low, std::optional<int> high)
{
    if (level < 0) {
        supply.state = level == -3 ? TSupplyState::SomeLeft : TSupplyState::Unknown;
        return;
    }
    const int percent = std::min(level, 100);
    supply.levelPercent = percent;
    if (supply.receptacle)
        supply.state = percent >= 100                          ? TSupplyState::Empty
                       : high && *high > 0 && percent >= *high ? TSupplyState::Low
                                                               : TSupplyState::Ok;
    else
        supply.state = percent == 0                                  ? TSupplyState::Empty
                       : percent <= low.value_or(kDefaultLowPercent) ? TSupplyState::Low
                                                                     : TSupplyState::Ok;
}

void FillSuppliesFromMarkers(ipp_t* response, const std::vector<std::string>& names, TPrinterStatus& status)
{
    const auto types = Strings(response, "marker-types");
    const auto colors = Strings(response, "marker-colors");
    const auto levels = Integers(response, "marker-levels");
    const auto lows = Integers(response, "marker-low-levels");
    const auto highs = Integers(response, "marker-high-levels");
    for (std::size_t i = 0; i < names.size(); ++i) {
        TSupply supply;
        supply.name = CleanText(names[i]);
        supply.kind = SupplyKind(At(types, i).value_or(""));
        supply.receptacle = supply.kind.rfind("waste_", 0) == 0;
        supply.color = ColorName(At(colors, i).value_or(""));
        SetLevel(supply, At(levels, i).value_or(-2), At(lows, i), At(highs, i));
        status.supplies.push_back(std::move(supply));
    }
}

// printer-supply follows the Printer MIB: a level in the supply's unit out
// of maxcapacity, and for a receptacle the room left in it.
void FillSuppliesFromPrinterSupply(ipp_t* response, const std::vector<std::string>& entries, TPrinterStatus& status)
{
    const auto descriptions = Strings(response, "printer-supply-description");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto pairs = ParsePairs(entries[i]);
        TSupply supply;
        supply.kind = SupplyKind(Value(pairs, "type"));
        supply.receptacle = Value(pairs, "class") == "receptacleThatIsFilled" || supply.kind.rfind("waste_", 0) == 0;
        supply.color = ColorName(Value(pairs, "colorantname"));
        supply.name = CleanText(At(descriptions, i).value_or(""));
        if (supply.name.empty()) supply.name = supply.color.empty() ? supply.kind : supply.color + " " + supply.kind;
        int level = Number(pairs, "level").value_or(-2);
        const int capacity = Number(pairs, "maxcapacity").value_or(-2);
        if (level >= 0 && capacity > 0)
            level = static_cast<int>(static_cast<long long>(std::min(level, capacity)) * 100 / capacity);
        else if (level >= 0 && Value(pairs, "unit") != "percent")
            level = -2;
        if (supply.receptacle && level >= 0) level = 100 - std::min(level, 100);
        SetLevel(supply, level, std::nullopt, std::nullopt);
        status.supplies.push_back(std::move(supply));
    }
}

// A paper size's common name ("A4", "Letter") from a media name, else
// from feed lengths in the tray's dimension unit.
std::string SizeName(const std::string& media, const std::map<std::string, std::string>& tray)
{
    pwg_media_t* size = media.empty() ? nullptr : pwgMediaForPWG(media.c_str());
    const int feed = Number(tray, "mediafeed").value_or(0), cross = Number(tray, "mediaxfeed").value_or(0);
    if (!size && feed > 0 && cross > 0) {
        // Hundredths of millimetres, from micrometres or ten-thousandths of an inch.
        const bool micro = Value(tray, "dimunit") == "micrometers";
        size = pwgMediaForSize(micro ? cross / 10 : cross * 254 / 1000, micro ? feed / 10 : feed * 254 / 1000);
    }
    return size && size->ppd ? CleanText(size->ppd) : "";
}

std::vector<TTray> Trays(ipp_t* response, const char* name, bool input)
{
    std::vector<TTray> trays;
    const auto entries = Strings(response, name);
    const auto ready = input ? Strings(response, "media-ready") : std::vector<std::string>();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto pairs = ParsePairs(entries[i]);
        TTray tray;
        tray.number = static_cast<int>(i) + 1;
        tray.name = Value(pairs, "name");
        // media-ready names the media of each tray when it lists one per tray.
        if (ready.size() == entries.size()) tray.media = CleanText(ready[i]);
        if (input) tray.size = SizeName(tray.media, pairs);
        if (const auto capacity = Number(pairs, "maxcapacity"); capacity && *capacity > 0) tray.capacity = capacity;
        // An output bin tells the room left; its level is the sheets in it.
        std::optional<int> level = Number(pairs, input ? "level" : "remaining");
        if (!input && level && *level >= 0) level = tray.capacity ? std::optional<int>(*tray.capacity - *level) : -2;
        if (level && *level >= 0) tray.level = level;
        tray.someLeft = input && level == -3;
        trays.push_back(std::move(tray));
    }
    return trays;
}

std::string ReasonText(std::string reason)
{
    static constexpr std::string_view kSuffixes[] = {"-report", "-warning", "-error"};
    std::string severity;
    for (const std::string_view suffix : kSuffixes)
        if (reason.size() > suffix.size() &&
            reason.compare(reason.size() - suffix.size(), suffix.size(), suffix) == 0) {
            reason.resize(reason.size() - suffix.size());
            severity = " (" + std::string(suffix.substr(1)) + ")";
        }
    std::replace(reason.begin(), reason.end(), '-', ' ');
    return reason + severity;
}

const char* FormatLanguage(const std::string& format)
{
    static constexpr std::pair<const char*, const char*> kFormats[] = {{"application/postscript", "PostScript"},
                                                                       {"application/vnd.hp-pcl", "PCL"},
                                                                       {"application/pdf", "PDF"},
                                                                       {"image/pwg-raster", "PWG Raster"},
                                                                       {"image/urf", "URF"},
                                                                       {"application/pclm", "PCLm"}};
    for (const auto& [mime, language] : kFormats)
        if (format == mime) return language;
    return nullptr;
}

// A device id's command set entry ("POSTSCRIPT", "PCL5E", "PDF"): the
// language it names, or null.
const char* CommandLanguage(const std::string& command)
{
    if (command.rfind("POSTSCRIPT", 0) == 0 || command == "PS" || command == "PS2" || command == "PS3")
        return "PostScript";
    if (command == "PCLM") return "PCLm";
    if (command.rfind("PCL", 0) == 0) return "PCL";
    if (command == "PDF") return "PDF";
    if (command == "PJL") return "PJL";
    if (command == "URF") return "URF";
    if (command == "PWG" || command == "PWGRASTER") return "PWG Raster";
    return nullptr;
}

void FillLanguages(ipp_t* response, const std::map<std::string, std::string>& deviceId, TPrinterStatus& status)
{
    auto add = [&status](const char* language) {
        if (language && std::find(status.languages.begin(), status.languages.end(), language) == status.languages.end())
            status.languages.emplace_back(language);
    };
    const auto formats = Strings(response, "document-format-supported");
    for (const std::string& format : formats) add(FormatLanguage(Lower(format)));
    const auto cmd = deviceId.find("CMD");
    std::string_view commands = cmd == deviceId.end() ? std::string_view() : cmd->second;
    for (int n = 0; !commands.empty() && n < kIppListMax; ++n) {
        const std::size_t end = std::min(commands.find(','), commands.size());
        add(CommandLanguage(Upper(CleanText(commands.substr(0, end)))));
        commands.remove_prefix(std::min(end + 1, commands.size()));
    }
    if (!status.languages.empty()) status.sources["languages"] = TStatusSource::Ipp;
    const bool postScript =
        std::find(status.languages.begin(), status.languages.end(), "PostScript") != status.languages.end();
    if (postScript || (!formats.empty() && cmd != deviceId.end())) {
        status.takesPostScript = postScript;
        status.sources["takes_postscript"] = TStatusSource::Ipp;
    }
}

}  // namespace

std::map<std::string, std::string> ParseDeviceId(std::string_view id)
{
    static constexpr std::pair<const char*, const char*> kAliases[] = {
        {"MANUFACTURER", "MFG"}, {"MODEL", "MDL"}, {"COMMAND SET", "CMD"}, {"SERN", "SN"}, {"SERIALNUMBER", "SN"}};
    std::map<std::string, std::string> fields;
    id = id.substr(0, kDeviceIdMaxBytes);
    for (int n = 0; !id.empty() && n < kIppListMax; ++n) {
        const std::size_t end = std::min(id.find(';'), id.size());
        const std::string_view field = id.substr(0, end);
        id.remove_prefix(std::min(end + 1, id.size()));
        const std::size_t colon = field.find(':');
        if (colon == std::string_view::npos) continue;
        std::string key = Upper(CleanText(field.substr(0, colon)));
        for (const auto& [alias, name] : kAliases)
            if (key == alias) key = name;
        if (!key.empty()) fields.emplace(std::move(key), CleanText(field.substr(colon + 1)));
    }
    return fields;
}

void FillFromIppAttributes(ipp_t* response, TPrinterStatus& status)
{
    if (!response) return;
    const auto deviceIds = Strings(response, "printer-device-id");
    const auto deviceId = deviceIds.empty() ? std::map<std::string, std::string>() : ParseDeviceId(deviceIds[0]);
    auto field = [&deviceId](const char* key) {
        const auto it = deviceId.find(key);
        return it == deviceId.end() ? std::string() : it->second;
    };

    std::string model = CleanText(
        Strings(response, "printer-make-and-model").empty() ? "" : Strings(response, "printer-make-and-model")[0]);
    if (model.empty() && !field("MDL").empty())
        model = field("MDL").rfind(field("MFG"), 0) == 0 ? field("MDL") : CleanText(field("MFG") + " " + field("MDL"));
    if (!model.empty()) {
        status.makeAndModel = model;
        status.sources["make_and_model"] = TStatusSource::Ipp;
    }
    if (!field("SN").empty()) {
        status.serialNumber = field("SN");
        status.sources["serial_number"] = TStatusSource::Ipp;
    }

    const auto versions = Strings(response, "printer-firmware-string-version");
    const auto firmwareNames = Strings(response, "printer-firmware-name");
    std::string firmware;
    for (std::size_t i = 0; i < versions.size() && i < 16; ++i) {
        const std::string name = versions.size() > 1 ? CleanText(At(firmwareNames, i).value_or("")) : "";
        const std::string version = CleanText(versions[i]);
        if (version.empty()) continue;
        firmware += (firmware.empty() ? "" : ", ") + (name.empty() ? version : name + " " + version);
    }
    if (!firmware.empty()) {
        status.firmware = CleanText(firmware);
        status.sources["firmware"] = TStatusSource::Ipp;
    }

    if (const auto state = Integers(response, "printer-state"); !state.empty()) {
        status.state = state[0] == IPP_PSTATE_IDLE         ? "idle"
                       : state[0] == IPP_PSTATE_PROCESSING ? "processing"
                       : state[0] == IPP_PSTATE_STOPPED    ? "stopped"
                                                           : "unknown";
        status.sources["state"] = TStatusSource::Ipp;
    }
    if (ippFindAttribute(response, "printer-state-reasons", IPP_TAG_ZERO)) {
        for (const std::string& reason : Strings(response, "printer-state-reasons"))
            if (const std::string text = CleanText(reason); !text.empty() && text != "none")
                status.alerts.push_back(ReasonText(text));
        status.sources["alerts"] = TStatusSource::Ipp;
    }
    if (const auto upTime = Integers(response, "printer-up-time"); !upTime.empty() && upTime[0] >= 0) {
        status.uptimeSeconds = upTime[0];
        status.sources["uptime_seconds"] = TStatusSource::Ipp;
    }

    if (const auto markers = Strings(response, "marker-names"); !markers.empty())
        FillSuppliesFromMarkers(response, markers, status);
    else
        FillSuppliesFromPrinterSupply(response, Strings(response, "printer-supply"), status);
    if (!status.supplies.empty()) status.sources["supplies"] = TStatusSource::Ipp;
    status.inputTrays = Trays(response, "printer-input-tray", true);
    if (!status.inputTrays.empty()) status.sources["input_trays"] = TStatusSource::Ipp;
    status.outputTrays = Trays(response, "printer-output-tray", false);
    if (!status.outputTrays.empty()) status.sources["output_trays"] = TStatusSource::Ipp;

    FillLanguages(response, deviceId, status);
}

}  // namespace PrinterUtils