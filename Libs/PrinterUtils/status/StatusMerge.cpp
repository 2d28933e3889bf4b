// SPDX-License-Identifier: Apache-2.0
// One record from every source's reading: each value from the first source,
// in a fixed order per value, that has it. The orders follow how reliable
// each protocol is for that value on the printers people have: the Printer
// MIB counts pages and supplies as the engine does, IPP names a printer
// best, only PostScript knows its own memory and disks.
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "PrinterStatus.h"

namespace PrinterUtils {

namespace {

using Readings = std::map<TStatusSource, TPrinterStatus>;
using S = TStatusSource;

template <typename T>
bool Has(const std::optional<T>& value)
{
    return value.has_value();
}

template <typename T>
bool Has(const std::vector<T>& values)
{
    return !values.empty();
}

// Copies the field from the first reading in order that has it, and names
// that reading's source under key.
template <typename Field>
void Take(const Readings& readings, std::initializer_list<S> order, Field TPrinterStatus::*field, const char* key,
          TPrinterStatus& merged)
{
    for (S source : order) {
        const auto it = readings.find(source);
        if (it == readings.end() || !Has(it->second.*field)) continue;
        merged.*field = it->second.*field;
        merged.sources[key] = source;
        return;
    }
}

}  // namespace

const char* SourceName(TStatusSource source) noexcept
{
    switch (source) {
    case S::PostScript: return "postscript";
    case S::Pjl: return "pjl";
    case S::Ipp: return "ipp";
    case S::Snmp: return "snmp";
    }
    return "";
}

const char* SupplyStateName(TSupplyState state) noexcept
{
    switch (state) {
    case TSupplyState::Ok: return "ok";
    case TSupplyState::Low: return "low";
    case TSupplyState::Empty: return "empty";
    case TSupplyState::SomeLeft: return "some_left";
    case TSupplyState::Unknown: break;
    }
    return "unknown";
}

TPrinterStatus MergeStatus(const Readings& readings)
{
    TPrinterStatus merged;
    const auto naming = {S::Ipp, S::Snmp, S::Pjl, S::PostScript};
    Take(readings, naming, &TPrinterStatus::makeAndModel, "make_and_model", merged);
    Take(readings, naming, &TPrinterStatus::serialNumber, "serial_number", merged);
    Take(readings, naming, &TPrinterStatus::state, "state", merged);
    Take(readings, naming, &TPrinterStatus::alerts, "alerts", merged);
    Take(readings, {S::Ipp, S::Pjl, S::Snmp, S::PostScript}, &TPrinterStatus::firmware, "firmware", merged);
    Take(readings, {S::Snmp, S::Pjl, S::Ipp, S::PostScript}, &TPrinterStatus::pageCount, "page_count", merged);
    const auto consumables = {S::Snmp, S::Ipp, S::PostScript, S::Pjl};
    Take(readings, consumables, &TPrinterStatus::supplies, "supplies", merged);
    Take(readings, consumables, &TPrinterStatus::inputTrays, "input_trays", merged);
    Take(readings, consumables, &TPrinterStatus::outputTrays, "output_trays", merged);
    const auto languages = {S::Snmp, S::Ipp, S::Pjl, S::PostScript};
    Take(readings, languages, &TPrinterStatus::languages, "languages", merged);
    Take(readings, languages, &TPrinterStatus::takesPostScript, "takes_postscript", merged);
    Take(readings, {S::Snmp, S::Ipp}, &TPrinterStatus::uptimeSeconds, "uptime_seconds", merged);
    Take(readings, {S::PostScript, S::Pjl, S::Snmp}, &TPrinterStatus::memoryBytes, "memory_bytes", merged);
    return merged;
}

}  // namespace PrinterUtils
