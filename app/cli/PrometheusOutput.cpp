// SPDX-License-Identifier: Apache-2.0
#include "PrometheusOutput.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "NumberText.h"
#include "Output.h"

namespace Cli {

namespace {

using PrinterUtils::TPrinterStatus;

struct TFamily {
    const char* name;
    const char* type;
    const char* help;
};

// The order the families are written in.
constexpr TFamily kFamilies[] = {
    {"quellmark_up", "gauge", "1 when the printer answered, 0 when it did not."},
    {"quellmark_printer_info", "gauge", "The printer's model, serial number and firmware; always 1."},
    {"quellmark_printer_state", "gauge", "The printer's state (idle, processing, stopped, unknown); always 1."},
    {"quellmark_page_count_total", "counter", "Pages the printer has printed in its life."},
    {"quellmark_uptime_seconds", "gauge", "Seconds since the printer started."},
    {"quellmark_supply_level_ratio", "gauge",
     "What is left of a supply, 0 to 1; of a receptacle such as a waste toner box, how full it is."},
    {"quellmark_tray_level_ratio", "gauge", "Paper in an input tray as a share of its capacity, 0 to 1."},
    {"quellmark_alert", "gauge", "An alert the printer shows; always 1."},
    {"quellmark_scan_addresses", "gauge", "Addresses in the ranges asked."},
    {"quellmark_scan_silent_addresses", "gauge", "Addresses in the ranges asked that did not answer."},
};

// A label value as the format wants it.
std::string LabelValue(std::string_view text)
{
    std::string out;
    // PlainText has already made line feeds '?'; the escape stays for safety.
    for (const char c : PlainText(text)) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
    return out;
}

using TLabels = std::vector<std::pair<const char*, std::string>>;

// Names unique within one printer: the second "Tray" is "Tray #2".
class TUniqueNames {
public:
    std::string operator()(const std::string& name)
    {
        const std::string plain = PlainText(name);
        const int count = ++seen_[plain];
        return count == 1 ? plain : plain + " #" + std::to_string(count);
    }

private:
    std::map<std::string, int> seen_;
};

class TPrometheusSink : public TQuerySink {
public:
    void Add(const TQueryResult& result) override
    {
        if (!printers_.insert(PlainText(result.printer)).second) return;
        const PrinterUtils::TStatusOutcome& q = result.outcome;
        const bool answered = q.status != "failed";
        Sample("quellmark_up", {{"printer", result.printer}}, answered ? 1 : 0);
        if (answered) AddRecord(result.printer, q.record);
    }

    void Finish(const TScanSummary& summary) override
    {
        Sample("quellmark_scan_addresses", {}, static_cast<double>(summary.rangeAddresses));
        Sample("quellmark_scan_silent_addresses", {}, static_cast<double>(summary.silentAddresses));
        std::string out;
        for (const TFamily& family : kFamilies) {
            const auto samples = samples_.find(family.name);
            if (samples == samples_.end()) continue;
            out += std::string("# HELP ") + family.name + " " + family.help + "\n";
            out += std::string("# TYPE ") + family.name + " " + family.type + "\n";
            out += samples->second;
        }
        Write(stdout, out);
        std::fflush(stdout);
    }

private:
    void AddRecord(const std::string& printer, const TPrinterStatus& r)
    {
        Sample("quellmark_printer_info",
               {{"printer", printer},
                {"make_and_model", r.makeAndModel.value_or("")},
                {"serial_number", r.serialNumber.value_or("")},
                {"firmware", r.firmware.value_or("")}},
               1);
        Sample("quellmark_printer_state", {{"printer", printer}, {"state", r.state.value_or("unknown")}}, 1);
        if (r.pageCount) Sample("quellmark_page_count_total", {{"printer", printer}}, double(*r.pageCount));
        if (r.uptimeSeconds) Sample("quellmark_uptime_seconds", {{"printer", printer}}, double(*r.uptimeSeconds));
        TUniqueNames supplies;
        for (const PrinterUtils::TSupply& supply : r.supplies) {
            const std::string name = supplies(supply.name.empty() ? supply.kind : supply.name);
            if (!supply.levelPercent) continue;
            Sample("quellmark_supply_level_ratio",
                   {{"printer", printer}, {"supply", name}, {"kind", supply.kind}, {"color", supply.color}},
                   std::clamp(*supply.levelPercent, 0.0, 100.0) / 100);
        }
        TUniqueNames trays;
        for (const PrinterUtils::TTray& tray : r.inputTrays) {
            const std::string name = trays(!tray.name.empty() ? tray.name
                                           : tray.number      ? "tray " + std::to_string(*tray.number)
                                                              : std::string("tray"));
            if (!tray.level || !tray.capacity || *tray.capacity <= 0) continue;
            Sample("quellmark_tray_level_ratio", {{"printer", printer}, {"tray", name}},
                   std::clamp(double(*tray.level) / *tray.capacity, 0.0, 1.0));
        }
        // The same alert from two sources is one series.
        std::set<std::string> alerts;
        for (const std::string& alert : r.alerts)
            if (alerts.insert(PlainText(alert)).second)
                Sample("quellmark_alert", {{"printer", printer}, {"alert", alert}}, 1);
    }

    void Sample(const char* family, const TLabels& labels, double value)
    {
        std::string line = family;
        if (!labels.empty()) {
            line += '{';
            for (std::size_t i = 0; i < labels.size(); ++i)
                line += std::string(i ? "," : "") + labels[i].first + "=\"" + LabelValue(labels[i].second) + "\"";
            line += '}';
        }
        samples_[family] += line + " " + NumberText(value) + "\n";
    }

    std::set<std::string> printers_;
    std::map<std::string, std::string> samples_;  // family -> its sample lines
};

}  // namespace

std::unique_ptr<TQuerySink> NewPrometheusSink()
{
    return std::make_unique<TPrometheusSink>();
}

}  // namespace Cli
