// SPDX-License-Identifier: Apache-2.0
// The PostScript check, written once: a queue by its driver, a raw queue by
// the device behind it, an address by the printer; every step within what
// is left of one deadline. A printer is asked over SNMP and IPP side by
// side; over PJL only when one of them says it speaks PJL and neither told
// whether it takes PostScript.
#include "PostScriptCheck.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <future>
#include <utility>

#include "PostScriptCheckProbe.h"

namespace PrinterUtils {

namespace {

using Clock = std::chrono::steady_clock;
using S = TStatusSource;
using TReadings = std::vector<std::pair<S, TPrinterStatus>>;

int Left(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool Lists(const TPrinterStatus& reading, const char* language)
{
    return std::find(reading.languages.begin(), reading.languages.end(), language) != reading.languages.end();
}

// What one source's reading says. SNMP's interpreter table and PJL's
// LANGUAGES list every language (takesPostScript is set then); IPP's
// document formats and command set name the page languages the printer
// takes, so naming some without PostScript says it takes none.
TPostScriptAnswer Says(S source, const TPrinterStatus& reading)
{
    if (reading.takesPostScript == true || Lists(reading, "PostScript")) return TPostScriptAnswer::Takes;
    if (reading.takesPostScript == false) return TPostScriptAnswer::DoesNot;
    const bool pageLanguage = std::any_of(reading.languages.begin(), reading.languages.end(),
                                          [](const std::string& language) { return language != "PJL"; });
    return source == S::Ipp && pageLanguage ? TPostScriptAnswer::DoesNot : TPostScriptAnswer::Unknown;
}

// Any source that says the printer takes PostScript wins; else those that
// say it does not give their languages.
TPostScriptCheck Decide(const TReadings& readings)
{
    TPostScriptCheck check;
    for (const auto& [source, reading] : readings) {
        const TPostScriptAnswer says = Says(source, reading);
        if (says == TPostScriptAnswer::Takes) return TPostScriptCheck{says, {}};
        if (says != TPostScriptAnswer::DoesNot) continue;
        check.answer = says;
        for (const std::string& language : reading.languages)
            if (std::find(check.languages.begin(), check.languages.end(), language) == check.languages.end())
                check.languages.push_back(language);
    }
    // A printer that says only that it takes no PostScript names nothing
    // to put in its place: not enough to stop a page.
    if (check.languages.empty()) check.answer = TPostScriptAnswer::Unknown;
    return check;
}

// The first sources of the plan side by side, then PJL when one of them
// says the printer speaks it.
TPostScriptCheck AskPrinter(TPostScriptProbe& probe, const TStatusPlan& plan, Clock::time_point deadline)
{
    if (!plan.refusal.empty() || plan.first.empty()) return {};
    TReadings readings;
    for (S source : plan.first) readings.emplace_back(source, TPrinterStatus{});
    std::vector<std::future<bool>> others;
    for (std::size_t i = 1; i < readings.size(); ++i) {
        others.push_back(std::async(std::launch::async, [&probe, &plan, deadline, &reading = readings[i]] {
            return probe.Read(reading.first, plan, Left(deadline), reading.second);
        }));
    }
    std::vector<bool> answered{probe.Read(readings[0].first, plan, Left(deadline), readings[0].second)};
    for (auto& other : others) answered.push_back(other.get());
    TReadings answers;
    for (std::size_t i = 0; i < readings.size(); ++i)
        if (answered[i]) answers.push_back(std::move(readings[i]));

    TPostScriptCheck check = Decide(answers);
    const bool pjlPlanned = std::find(plan.then.begin(), plan.then.end(), S::Pjl) != plan.then.end();
    const bool speaksPjl =
        std::any_of(answers.begin(), answers.end(), [](const auto& a) { return Lists(a.second, "PJL"); });
    if (check.answer != TPostScriptAnswer::Unknown || !pjlPlanned || !speaksPjl || Left(deadline) == 0) return check;
    TPrinterStatus pjl;
    if (!probe.Read(S::Pjl, plan, Left(deadline), pjl)) return check;
    answers.emplace_back(S::Pjl, std::move(pjl));
    return Decide(answers);
}

// The plan for an address: socket:// over SNMP and IPP at its host, then
// PJL on its own port; ipp:// and ipps:// over IPP.
TStatusPlan PlanFor(const TPrinterTarget& printer)
{
    switch (printer.kind) {
    case TargetKind::Socket: return PlanStatus(printer, {"snmp", "ipp", "pjl"});
    case TargetKind::Ipp:
    case TargetKind::Ipps: return PlanStatus(printer, {"ipp"});
    default: break;
    }
    TStatusPlan plan;
    plan.refusal = "not asked";
    return plan;
}

// Where a raw queue sends its bytes: a socket://, ipp:// or ipps:// device
// is asked as its address; an lpd:// device's host over SNMP and IPP.
TStatusPlan PlanForDevice(std::string uri)
{
    uri = uri.substr(0, uri.find('?'));
    if (uri.rfind("lpd://", 0) == 0) {
        TPrinterTarget host;
        host.name = uri.substr(6, uri.find_first_of(":/", 6) - 6);
        return PlanStatus(host, {"snmp", "ipp"});
    }
    const TPrinterTarget device = ParsePrinterTarget(uri);
    return device.IsValid() ? PlanFor(device) : PlanFor(TPrinterTarget{});
}

}  // namespace

TPostScriptCheck CheckPostScript(TPostScriptProbe& probe, const TPrinterTarget& printer, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    try {
        if (!printer.IsValid() || printer.name.empty()) return {};
        if (printer.kind != TargetKind::Queue) return AskPrinter(probe, PlanFor(printer), deadline);
        TQueueDriver driver = probe.QueueDriver(printer.name, std::min(Left(deadline), kQueueDescriptionTimeoutMs));
        switch (driver.kind) {
        case TQueueDriver::TKind::PostScript: return TPostScriptCheck{TPostScriptAnswer::Takes, {}};
        case TQueueDriver::TKind::Other:
            if (driver.languages.empty()) break;
            return TPostScriptCheck{TPostScriptAnswer::DoesNot, std::move(driver.languages)};
        case TQueueDriver::TKind::Raw:
            if (Left(deadline) == 0) break;
            return AskPrinter(probe, PlanForDevice(driver.deviceUri), deadline);
        case TQueueDriver::TKind::Unknown: break;
        }
    } catch (const std::exception&) {
        // Whatever went wrong, nothing is known: the page goes as it would.
    }
    return {};
}

namespace {

class TSystemProbe final : public TPostScriptProbe {
public:
    TQueueDriver QueueDriver(const std::string& queue, int timeoutMs) override
    {
        return ReadQueueDriver(queue, timeoutMs);
    }
    bool Read(S source, const TStatusPlan& plan, int timeoutMs, TPrinterStatus& status) override
    {
        std::string error;
        return timeoutMs > 0 && ReadStatusOver(source, plan, TSnmpSettings{}, timeoutMs, status, error);
    }
};

}  // namespace

TPostScriptCheck CheckPostScript(const TPrinterTarget& printer, int timeoutMs)
{
    TSystemProbe probe;
    return CheckPostScript(probe, printer, timeoutMs);
}

std::string LanguageList(const std::vector<std::string>& languages)
{
    std::string list;
    for (const std::string& language : languages) list += (list.empty() ? "" : ", ") + language;
    return list;
}

}  // namespace PrinterUtils
