// SPDX-License-Identifier: Apache-2.0
// The record from the values an agent answered. Values are looked up by
// OID in one sorted index; a table is read row by row from the columns
// under its entry OID, so missing columns, stray rows and values of the
// wrong type only leave fields empty.
#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "SnmpNames.h"
#include "SnmpSource.h"

namespace PrinterUtils {

namespace {

using TOid = std::vector<unsigned long>;
using TIndex = std::map<TOid, const TSnmpValue*>;
// A table: row index (the OID after entry.column) -> column -> value.
using TRows = std::map<TOid, std::map<unsigned long, const TSnmpValue*>>;

constexpr std::size_t kMaxTextBytes = 1024;
constexpr double kLowPercent = 10;

const TOid kSysDescr{1, 3, 6, 1, 2, 1, 1, 1};
const TOid kSysUpTime{1, 3, 6, 1, 2, 1, 1, 3};
const TOid kStorageEntry{1, 3, 6, 1, 2, 1, 25, 2, 3, 1};
const TOid kDeviceEntry{1, 3, 6, 1, 2, 1, 25, 3, 2, 1};
const TOid kPrinterEntry{1, 3, 6, 1, 2, 1, 25, 3, 5, 1};
const TOid kSerialNumber{1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17};
const TOid kInputEntry{1, 3, 6, 1, 2, 1, 43, 8, 2, 1};
const TOid kOutputEntry{1, 3, 6, 1, 2, 1, 43, 9, 2, 1};
const TOid kMarkerEntry{1, 3, 6, 1, 2, 1, 43, 10, 2, 1};
const TOid kSuppliesEntry{1, 3, 6, 1, 2, 1, 43, 11, 1, 1};
const TOid kColorantEntry{1, 3, 6, 1, 2, 1, 43, 12, 1, 1};
const TOid kInterpreterEntry{1, 3, 6, 1, 2, 1, 43, 15, 1, 1};
const TOid kAlertEntry{1, 3, 6, 1, 2, 1, 43, 18, 1, 1};
constexpr std::string_view kStorageRam = "1.3.6.1.2.1.25.2.1.2";

// Appends the code point as UTF-8.
void PutUtf8(std::string& out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of a valid UTF-8 sequence of two to four bytes at text[at],
// or 0 (then the byte is read as Latin-1). Overlong forms and surrogates
// are not valid.
std::size_t Utf8Length(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    const std::size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
    }
    if ((lead == 0xE0 && byte(1) < 0xA0) || (lead == 0xED && byte(1) >= 0xA0)) return 0;
    if ((lead == 0xF0 && byte(1) < 0x90) || (lead == 0xF4 && byte(1) >= 0x90)) return 0;
    return length;
}

// The text to show: at most kMaxTextBytes of UTF-8, each control
// character (C0, DEL, C1) a space, runs of spaces one, trimmed.
std::string CleanText(std::string_view text)
{
    std::string out;
    for (std::size_t at = 0; at < text.size(); ++at) {
        std::string piece;
        if (const std::size_t length = Utf8Length(text, at); length > 0) {
            piece = text.substr(at, length);
            at += length - 1;
        } else if (const auto byte = static_cast<unsigned char>(text[at]);
                   byte <= 0x20 || (byte >= 0x7F && byte < 0xA0)) {
            if (!out.empty() && out.back() != ' ') piece = " ";
        } else {
            PutUtf8(piece, byte);
        }
        if (out.size() + piece.size() > kMaxTextBytes) break;  // never half a character
        out += piece;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out.substr(std::min(out.find_first_not_of(' '), out.size()));
}

bool StartsWith(const TOid& oid, const TOid& prefix)
{
    return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

TRows Rows(const TIndex& index, const TOid& entry)
{
    TRows rows;
    for (auto it = index.lower_bound(entry); it != index.end() && StartsWith(it->first, entry); ++it) {
        if (it->first.size() < entry.size() + 2) continue;
        const TOid row(it->first.begin() + static_cast<std::ptrdiff_t>(entry.size()) + 1, it->first.end());
        rows[row].emplace(it->first[entry.size()], it->second);
    }
    return rows;
}

const TSnmpValue* First(const TIndex& index, const TOid& prefix)
{
    const auto it = index.lower_bound(prefix);
    return it != index.end() && StartsWith(it->first, prefix) ? it->second : nullptr;
}

std::optional<long long> Int(const std::map<unsigned long, const TSnmpValue*>& row, unsigned long column)
{
    const auto it = row.find(column);
    if (it == row.end() || it->second->type == TSnmpType::OctetString || it->second->type == TSnmpType::Oid ||
        it->second->type == TSnmpType::Other)
        return std::nullopt;
    return it->second->integer;
}

std::string Text(const std::map<unsigned long, const TSnmpValue*>& row, unsigned long column)
{
    const auto it = row.find(column);
    return it == row.end() || it->second->type != TSnmpType::OctetString ? std::string() : CleanText(it->second->bytes);
}

std::string Lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

void FillSupplies(const TIndex& index, TPrinterStatus& status)
{
    const TRows colorants = Rows(index, kColorantEntry);
    for (const auto& [row, columns] : Rows(index, kSuppliesEntry)) {
        TSupply supply;
        supply.name = Text(columns, 6);
        supply.kind = SnmpNames::SupplyKind(Int(columns, 5).value_or(1));
        supply.receptacle = Int(columns, 4) == 4;
        if (const auto colorant = Int(columns, 3); colorant && *colorant > 0 && !row.empty()) {
            const auto it = colorants.find({row.front(), static_cast<unsigned long>(*colorant)});
            if (it != colorants.end()) supply.color = Lower(Text(it->second, 4));
        }
        const long long max = Int(columns, 8).value_or(-2), level = Int(columns, 9).value_or(-2);
        const bool percentUnit = Int(columns, 7) == 19;
        std::optional<double> left;  // percent of the supply left, or of the receptacle's room
        if (level >= 0 && max > 0)
            left = std::min(100.0, level * 100.0 / max);  // some report level > max
        else if (level >= 0 && percentUnit)
            left = std::min(100.0, static_cast<double>(level));
        if (left) {
            supply.levelPercent = supply.receptacle ? 100 - *left : *left;
            supply.state = *left <= 0             ? TSupplyState::Empty
                           : *left <= kLowPercent ? TSupplyState::Low
                                                  : TSupplyState::Ok;
        } else if (level == -3 || level > 0) {
            supply.state = TSupplyState::SomeLeft;
        } else if (level == 0) {
            supply.state = TSupplyState::Empty;
        }
        if (supply.name.empty()) supply.name = supply.kind;
        status.supplies.push_back(std::move(supply));
    }
}

// Sheet counts: -1 (other) and -2 (unknown) are no number, -3 some.
std::optional<int> Sheets(std::optional<long long> value)
{
    if (!value || *value < 0 || *value > 1000000) return std::nullopt;
    return static_cast<int>(*value);
}

void FillTrays(const TIndex& index, TPrinterStatus& status)
{
    for (const auto& [row, columns] : Rows(index, kInputEntry)) {
        TTray tray;
        if (!row.empty() && row.back() <= 1000000) tray.number = static_cast<int>(row.back());
        tray.name = Text(columns, 13);
        tray.media = Text(columns, 12);
        tray.type = Text(columns, 21);
        const auto unit = Int(columns, 3), feed = Int(columns, 4), across = Int(columns, 5);
        const double perPoint = unit == 3 ? 10000.0 / 72 : unit == 4 ? 25400.0 / 72 : 0;
        if (perPoint > 0 && feed > 0 && across > 0)
            tray.size = SnmpNames::PaperSize(*across / perPoint, *feed / perPoint);
        tray.capacity = Sheets(Int(columns, 9));
        tray.level = Sheets(Int(columns, 10));
        tray.someLeft = Int(columns, 10) == -3;
        // prtInputStatus: availability 3 is "broken", bit 32 off line.
        const long long state = Int(columns, 11).value_or(0);
        if ((state & 7) == 3 || (state & 32))
            status.alerts.push_back((tray.name.empty() ? "input tray" : tray.name) + " unavailable");
        status.inputTrays.push_back(std::move(tray));
    }
    for (const auto& [row, columns] : Rows(index, kOutputEntry)) {
        TTray tray;
        if (!row.empty() && row.back() <= 1000000) tray.number = static_cast<int>(row.back());
        tray.name = Text(columns, 7);
        tray.capacity = Sheets(Int(columns, 4));
        // The MIB gives the room left; the record the sheets in the bin.
        if (const auto room = Sheets(Int(columns, 5)); room && tray.capacity && *room <= *tray.capacity)
            tray.level = *tray.capacity - *room;
        status.outputTrays.push_back(std::move(tray));
    }
}

void FillLanguages(const TIndex& index, TPrinterStatus& status)
{
    const TRows rows = Rows(index, kInterpreterEntry);
    bool postScript = false;
    for (const auto& [row, columns] : rows) {
        const long long family = Int(columns, 2).value_or(2);
        const std::string description = Text(columns, 5);
        std::string name = SnmpNames::LanguageFamily(family);
        // A family of other (1) or unknown (2) is named by its description.
        if (name.empty() && (family == 1 || family == 2) && Lower(description).find("postscript") != std::string::npos)
            name = "PostScript";
        if (name.empty()) name = description;
        postScript = postScript || name == "PostScript";
        if (!name.empty() &&
            std::find(status.languages.begin(), status.languages.end(), name) == status.languages.end())
            status.languages.push_back(name);
    }
    if (!rows.empty()) status.takesPostScript = postScript;
}

void FillState(const TIndex& index, TPrinterStatus& status)
{
    const TRows printers = Rows(index, kPrinterEntry), devices = Rows(index, kDeviceEntry);
    // The printer's own row of hrDeviceTable; any first row when none is a printer.
    const auto printer = printers.begin();
    auto device = printer != printers.end() ? devices.find(printer->first) : devices.end();
    if (device == devices.end() || Text(device->second, 3).empty()) device = devices.begin();
    if (device != devices.end() && !Text(device->second, 3).empty()) status.makeAndModel = Text(device->second, 3);
    if (printer == printers.end()) return;

    std::vector<std::string> errors;
    if (const auto it = printer->second.find(2);
        it != printer->second.end() && it->second->type == TSnmpType::OctetString)
        errors = SnmpNames::ErrorStateBits(it->second->bytes);
    const auto has = [&](const char* text) { return std::find(errors.begin(), errors.end(), text) != errors.end(); };
    const auto code = Int(printer->second, 1);
    status.state = code == 3 ? "idle" : code == 4 || code == 5 ? "processing" : "unknown";
    // hrDeviceStatus down (5), or a condition that halts any printing.
    const auto deviceStatus = device != devices.end() ? Int(device->second, 5) : std::nullopt;
    if (deviceStatus == 5 || has("paper jam") || has("door open") || has("offline")) status.state = "stopped";
    for (auto& text : errors) status.alerts.push_back(std::move(text));
}

void FillAlerts(const TIndex& index, TPrinterStatus& status)
{
    for (const auto& [row, columns] : Rows(index, kAlertEntry)) {
        std::string text = Text(columns, 8);
        if (text.empty()) {
            const auto code = Int(columns, 7);
            if (!code) continue;
            text = SnmpNames::AlertCode(*code);
        }
        if (std::find(status.alerts.begin(), status.alerts.end(), text) == status.alerts.end())
            status.alerts.push_back(std::move(text));
    }
}

void FillCounters(const TIndex& index, TPrinterStatus& status)
{
    if (const auto* uptime = First(index, kSysUpTime); uptime && uptime->type == TSnmpType::TimeTicks)
        status.uptimeSeconds = uptime->integer / 100;
    if (const auto* serial = First(index, kSerialNumber); serial && serial->type == TSnmpType::OctetString)
        if (std::string text = CleanText(serial->bytes); !text.empty()) status.serialNumber = text;
    // The first marker counting impressions (7) or sheets (8), or with no unit.
    for (const auto& [row, columns] : Rows(index, kMarkerEntry)) {
        const auto unit = Int(columns, 3), count = Int(columns, 4);
        if (count && *count >= 0 && (!unit || unit == 7 || unit == 8)) {
            status.pageCount = *count;
            break;
        }
    }
    for (const auto& [row, columns] : Rows(index, kStorageEntry)) {
        const auto type = columns.find(2);
        if (type == columns.end() || type->second->type != TSnmpType::Oid || type->second->bytes != kStorageRam)
            continue;
        const auto unit = Int(columns, 4), size = Int(columns, 5);
        if (unit && size && *unit > 0 && *size > 0 && *size <= (1LL << 50) / *unit) status.memoryBytes = *unit * *size;
        break;
    }
    if (!status.makeAndModel)
        if (const auto* descr = First(index, kSysDescr); descr && descr->type == TSnmpType::OctetString)
            if (std::string text = CleanText(descr->bytes); !text.empty()) status.makeAndModel = text;
}

}  // namespace

void FillFromSnmpValues(const std::vector<TSnmpValue>& values, TPrinterStatus& status)
{
    TIndex index;
    for (const auto& value : values) index.emplace(value.oid, &value);
    FillState(index, status);
    FillAlerts(index, status);
    FillCounters(index, status);
    FillSupplies(index, status);
    FillTrays(index, status);
    FillLanguages(index, status);

    const auto name = [&status](const char* key, bool filled) {
        if (filled) status.sources[key] = TStatusSource::Snmp;
    };
    name("make_and_model", status.makeAndModel.has_value());
    name("serial_number", status.serialNumber.has_value());
    name("page_count", status.pageCount.has_value());
    name("uptime_seconds", status.uptimeSeconds.has_value());
    name("state", status.state.has_value());
    name("alerts", !status.alerts.empty());
    name("supplies", !status.supplies.empty());
    name("input_trays", !status.inputTrays.empty());
    name("output_trays", !status.outputTrays.empty());
    name("languages", !status.languages.empty());
    name("takes_postscript", status.takesPostScript.has_value());
    name("memory_bytes", status.memoryBytes.has_value());
}

}  // namespace PrinterUtils
