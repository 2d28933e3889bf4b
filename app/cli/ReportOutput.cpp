// SPDX-License-Identifier: Apache-2.0
#include "ReportOutput.h"

#include <cmath>
#include <ctime>

#include <nlohmann/json.hpp>

#include "Output.h"
#include "SysUtils.h"

namespace Cli {

namespace {

// Local time; report runs on one thread, so localtime's shared buffer is safe.
std::string LocalTime(std::int64_t when, const char* format)
{
    const std::time_t t = static_cast<std::time_t>(when);
    const std::tm* tm = std::localtime(&t);
    char text[64] = "";
    if (!tm || std::strftime(text, sizeof text, format, tm) == 0) return std::to_string(when);
    return text;
}

std::string Minute(std::int64_t when)
{
    return LocalTime(when, "%Y-%m-%d %H:%M");
}

// ISO 8601 with the offset written +HH:MM.
std::string Iso(std::int64_t when)
{
    const std::string text = LocalTime(when, "%Y-%m-%dT%H:%M:%S%z");
    const std::size_t n = text.size();
    if (n <= 5 || (text[n - 5] != '+' && text[n - 5] != '-')) return text;
    return text.substr(0, n - 2) + ":" + text.substr(n - 2);
}

// Percent points to one decimal: gauges are no finer.
double Points(double value)
{
    return std::round(value * 10) / 10;
}

std::string Number(double value)
{
    return SysUtils::Format("%g", Points(value));
}

std::string Name(const TPrinterUsage& p)
{
    return p.serial ? *p.serial : p.addresses.back();
}

std::string SupplyName(const TSupplyUse& s)
{
    return s.color.empty() ? s.name : s.name + " (" + s.color + ")";
}

std::string ResetText(const TCounterReset& r)
{
    return SysUtils::Format("%lld -> %lld at ", r.before, r.after) + Minute(r.time);
}

std::string SeenSince(const TReportPeriod& period)
{
    return "not seen since " + Minute(period.since);
}

// A cell as RFC 4180 quotes it. Texts from printers that a spreadsheet
// would run as a formula get a leading apostrophe.
std::string Cell(std::string text, bool fromOutside = true)
{
    if (fromOutside && !text.empty() && std::string_view("=+-@").find(text[0]) != std::string_view::npos)
        text.insert(0, "'");
    if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
    std::string quoted = "\"";
    for (const char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

template <class T>
std::string OptionalCell(const std::optional<T>& value)
{
    return value ? std::to_string(*value) : std::string();
}

}  // namespace

std::string ReportText(const TReportPeriod& period, const std::vector<TPrinterUsage>& printers)
{
    std::string out = "Period: " + Minute(period.since) + " to " + Minute(period.until);
    if (period.sinceChosen) out += SysUtils::Format(" (no --since: the last %d days)", kDefaultReportDays);
    out += "\n";
    std::string missing;
    for (const TPrinterUsage& p : printers) {
        std::string line = PlainText(Name(p));
        if (p.makeAndModel) line += "  " + PlainText(*p.makeAndModel);
        line += "  at " + PlainText(p.addresses.back());
        if (!p.seen) {
            missing += "  " + line + ", last seen " + Minute(p.lastSeen) + "\n";
            continue;
        }
        out += "\n" + line + "\n";
        if (p.addresses.size() > 1) {
            std::string earlier;
            for (std::size_t i = 0; i + 1 < p.addresses.size(); ++i)
                earlier += (i ? ", " : "") + PlainText(p.addresses[i]);
            out += "  Earlier addresses: " + earlier + "\n";
        }
        if (p.startCount)
            out += SysUtils::Format("  Pages: %lld (counter %lld to %lld)\n", p.pages, *p.startCount, *p.endCount);
        for (const TCounterReset& r : p.resets) out += "  Counter reset: " + ResetText(r) + "\n";
        for (const TSupplyUse& s : p.supplies) {
            out += "  " + PlainText(SupplyName(s)) + ": used " + Number(s.usedPoints) + " points";
            if (s.replaced) out += SysUtils::Format(", replaced %d time%s", s.replaced, s.replaced == 1 ? "" : "s");
            if (s.endLevel) out += ", now " + Number(*s.endLevel) + "%";
            out += "\n";
        }
    }
    if (!missing.empty()) out += "\nNot seen since " + Minute(period.since) + ":\n" + missing;
    return out;
}

std::string ReportJson(const TReportPeriod& period, const std::vector<TPrinterUsage>& printers)
{
    TJson seen = TJson::array(), missing = TJson::array();
    for (const TPrinterUsage& p : printers) {
        TJson addresses = TJson::array();
        for (const std::string& a : p.addresses) addresses.push_back(JsonText(a));
        TJson printer{{"printer", JsonText(p.addresses.back())},
                      {"serial_number", p.serial ? JsonText(*p.serial) : TJson()},
                      {"make_and_model", p.makeAndModel ? JsonText(*p.makeAndModel) : TJson()},
                      {"addresses", addresses},
                      {"last_seen", Iso(p.lastSeen)}};
        if (!p.seen) {
            missing.push_back(printer);
            continue;
        }
        printer["page_count_start"] = p.startCount ? TJson(*p.startCount) : TJson();
        printer["page_count_end"] = p.endCount ? TJson(*p.endCount) : TJson();
        printer["pages"] = p.pages;
        printer["counter_resets"] = TJson::array();
        for (const TCounterReset& r : p.resets)
            printer["counter_resets"].push_back({{"time", Iso(r.time)}, {"before", r.before}, {"after", r.after}});
        printer["supplies"] = TJson::array();
        for (const TSupplyUse& s : p.supplies)
            printer["supplies"].push_back({{"name", JsonText(s.name)},
                                           {"color", JsonText(s.color)},
                                           {"level_start", s.startLevel ? TJson(Points(*s.startLevel)) : TJson()},
                                           {"level_end", s.endLevel ? TJson(Points(*s.endLevel)) : TJson()},
                                           {"used_points", Points(s.usedPoints)},
                                           {"replaced", s.replaced}});
        seen.push_back(printer);
    }
    const TJson report{{"since", Iso(period.since)},
                       {"until", Iso(period.until)},
                       {"since_chosen",
                        period.sinceChosen ? TJson(SysUtils::Format("the last %d days", kDefaultReportDays)) : TJson()},
                       {"printers", seen},
                       {"not_seen", missing}};
    return report.dump(2) + "\n";
}

std::string ReportCsv(const TReportPeriod& period, const std::vector<TPrinterUsage>& printers)
{
    std::string out = "printer,serial_number,make_and_model,addresses,seen,last_seen,page_count_start,"
                      "page_count_end,pages,counter_resets,supplies_used_points,supplies_replaced\r\n";
    for (const TPrinterUsage& p : printers) {
        std::string addresses, resets, used, replaced;
        for (const std::string& a : p.addresses) addresses += (addresses.empty() ? "" : " ") + a;
        for (const TCounterReset& r : p.resets) resets += (resets.empty() ? "" : "; ") + ResetText(r);
        for (const TSupplyUse& s : p.supplies) {
            used += (used.empty() ? "" : "; ") + SupplyName(s) + ": " + Number(s.usedPoints);
            if (s.replaced)
                replaced += (replaced.empty() ? "" : "; ") + SupplyName(s) + ": " + std::to_string(s.replaced);
        }
        const std::vector<std::string> cells = {Cell(PlainText(p.addresses.back())),
                                                Cell(p.serial ? PlainText(*p.serial) : ""),
                                                Cell(p.makeAndModel ? PlainText(*p.makeAndModel) : ""),
                                                Cell(PlainText(addresses)),
                                                p.seen ? "yes" : SeenSince(period),
                                                Cell(Iso(p.lastSeen), false),
                                                p.seen ? OptionalCell(p.startCount) : "",
                                                p.seen ? OptionalCell(p.endCount) : "",
                                                p.seen ? std::to_string(p.pages) : "",
                                                Cell(resets, false),
                                                p.seen ? Cell(PlainText(used)) : "",
                                                Cell(PlainText(replaced))};
        for (std::size_t i = 0; i < cells.size(); ++i) out += (i ? "," : "") + cells[i];
        out += "\r\n";
    }
    return out;
}

}  // namespace Cli
