// SPDX-License-Identifier: Apache-2.0
#include "PrinterCheck.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <string_view>
#include <vector>

#include "AlertSeverity.h"
#include "NumberText.h"
#include "Output.h"

namespace Cli {

namespace {

using PrinterUtils::TSupply;
using PrinterUtils::TSupplyState;

const char* StateName(TCheckState state)
{
    switch (state) {
    case TCheckState::Ok: return "OK";
    case TCheckState::Warning: return "WARNING";
    case TCheckState::Critical: return "CRITICAL";
    case TCheckState::Unknown: break;
    }
    return "UNKNOWN";
}

// Worse states rank higher; a printer that says what is wrong without any
// level is judged by what it says, so unknown ranks below warning.
int Rank(TCheckState state)
{
    switch (state) {
    case TCheckState::Ok: return 0;
    case TCheckState::Unknown: return 1;
    case TCheckState::Warning: return 2;
    case TCheckState::Critical: return 3;
    }
    return 1;
}

// Text from the printer on the status line: one line, and no '|', which
// would start the performance data.
std::string LineText(std::string_view text)
{
    std::string line = PlainText(text);
    std::replace(line.begin(), line.end(), '|', '/');
    return line;
}

// "black toner" where the printer gives colour and kind, else its name.
std::string SupplyName(const TSupply& supply)
{
    if (supply.color.empty() || supply.kind.empty() || supply.kind == "other")
        return LineText(supply.name.empty() ? supply.kind : supply.name);
    std::string kind = supply.kind;
    std::replace(kind.begin(), kind.end(), '_', ' ');
    return LineText(supply.color + " " + kind);
}

// A performance data label that every graphing tool takes: lower-case
// letters, digits and single '_', never a quote or '=', unique in the line.
std::string Label(const std::string& name, std::map<std::string, int>& seen)
{
    std::string label;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c)))
            label += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (!label.empty() && label.back() != '_')
            label += '_';
    }
    while (!label.empty() && label.back() == '_') label.pop_back();
    if (label.empty()) label = "supply";
    const int count = ++seen[label];
    return count == 1 ? label : label + "_" + std::to_string(count);
}

struct TFinding {
    TCheckState state;
    std::string text;
};

}  // namespace

TCheckVerdict JudgePrinter(const std::string& printer, const PrinterUtils::TStatusOutcome& outcome,
                           const TMonitoringRange& warning, const TMonitoringRange& critical)
{
    if (outcome.status == "failed")
        return {TCheckState::Critical,
                "PRINTER CRITICAL - " + LineText(printer) + " does not answer: " + LineText(outcome.message)};
    const PrinterUtils::TPrinterStatus& record = outcome.record;
    std::vector<TFinding> findings;
    std::string perf;
    std::map<std::string, int> seen;
    bool told = false;  // some supply has a level, or says it is low or empty
    std::string lowest;
    double lowestLeft = 101;
    for (const TSupply& supply : record.supplies) {
        const std::string name = SupplyName(supply);
        if (!supply.levelPercent) {
            if (supply.state == TSupplyState::Empty)
                findings.push_back({TCheckState::Critical, name + (supply.receptacle ? " full" : " empty")});
            else if (supply.state == TSupplyState::Low)
                findings.push_back({TCheckState::Warning, name + (supply.receptacle ? " nearly full" : " low")});
            told = told || supply.state == TSupplyState::Empty || supply.state == TSupplyState::Low;
            continue;
        }
        told = true;
        // What is left, to a tenth of a percent: a receptacle's level says
        // how full it is, so its room left is what runs out.
        const double level = std::clamp(*supply.levelPercent, 0.0, 100.0);
        const double left = std::round((supply.receptacle ? 100 - level : level) * 10) / 10;
        const std::string text = name + " " + NumberText(left) + (supply.receptacle ? "% room left" : "%");
        if (critical.Alerts(left))
            findings.push_back({TCheckState::Critical, text});
        else if (warning.Alerts(left))
            findings.push_back({TCheckState::Warning, text});
        if (left < lowestLeft) lowestLeft = left, lowest = text;
        perf += " '" + Label(supply.name.empty() ? name : supply.name, seen) + "'=" + NumberText(left) + "%;" +
                warning.text + ";" + critical.text + ";0;100";
    }
    for (const std::string& alert : record.alerts) {
        const TAlertSeverity severity = AlertSeverity(alert);
        if (severity != TAlertSeverity::None)
            findings.push_back(
                {severity == TAlertSeverity::Critical ? TCheckState::Critical : TCheckState::Warning, LineText(alert)});
    }
    const auto isCritical = [](const TFinding& f) { return f.state == TCheckState::Critical; };
    if (record.state == "stopped" && std::none_of(findings.begin(), findings.end(), isCritical))
        findings.push_back({TCheckState::Critical, "stopped"});
    if (!told) findings.push_back({TCheckState::Unknown, "no supply levels"});
    if (record.pageCount) perf += " 'pages'=" + std::to_string(*record.pageCount) + "c";

    std::stable_sort(findings.begin(), findings.end(),
                     [](const TFinding& a, const TFinding& b) { return Rank(a.state) > Rank(b.state); });
    TCheckVerdict verdict;
    verdict.state = findings.empty() ? TCheckState::Ok : findings.front().state;
    std::string details;
    for (const TFinding& finding : findings) details += (details.empty() ? "" : ", ") + finding.text;
    if (details.empty())
        details = LineText(record.state.value_or("unknown")) + (lowest.empty() ? "" : ", lowest supply " + lowest);
    const std::string head = record.makeAndModel ? LineText(*record.makeAndModel) : LineText(printer);
    verdict.line = std::string("PRINTER ") + StateName(verdict.state) + " - " + head + ": " + details;
    if (!perf.empty()) verdict.line += " |" + perf;
    return verdict;
}

}  // namespace Cli
