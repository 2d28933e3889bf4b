// SPDX-License-Identifier: Apache-2.0
#include "PrinterQuery.h"

#include <algorithm>
#include <cctype>
#include <future>
#include <optional>
#include <utility>

#include "PrinterBounds.h"
#include "PrinterUtils.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

using S = TStatusSource;

S SourceOf(const std::string& protocol)
{
    if (protocol == "snmp") return S::Snmp;
    if (protocol == "ipp") return S::Ipp;
    if (protocol == "pjl") return S::Pjl;
    return S::PostScript;
}

bool Asked(const std::vector<std::string>& protocols, S source)
{
    return std::any_of(protocols.begin(), protocols.end(), [&](const std::string& p) { return SourceOf(p) == source; });
}

// A name without a scheme that can be a host: a name or an address.
bool LooksLikeHost(const std::string& name)
{
    return !name.empty() && name.size() < 256 && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' || c == ':';
    });
}

bool Speaks(const TPrinterStatus& record, S source)
{
    if (source == S::PostScript) return record.takesPostScript == true;
    return std::any_of(record.languages.begin(), record.languages.end(), [](std::string language) {
        for (char& c : language) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return language == "PJL";
    });
}

// The PostScript query over the AppSocket port: today's road, its texts
// unchanged.
bool AskPostScript(const TStatusPlan& plan, const TQueryOptions& options, const std::string& document,
                   TStatusOutcome& outcome, std::string& error)
{
    TPrinterTarget socket;
    socket.kind = TargetKind::Socket;
    socket.host = plan.host;
    socket.port = plan.socketPort;
    socket.name = "socket://" + socket.HostAndPort();
    TJobOutcome sent;
    try {
        SysUtils::TStringList files;
        files.Add(document);
        TJobOptions job;
        job.wait = true;
        if (options.timeoutMs > 0) job.timeoutMs = options.timeoutMs;
        sent = SendFileList(socket, files, options.jobName, job);
    } catch (const SysUtils::Exception& e) {
        error = e.Message();
        return false;
    }
    if (sent.state == jsAborted || sent.state == jsCanceled) {
        const char* word = sent.state == jsAborted ? "aborted" : "canceled";
        error = sent.message.empty() ? std::string("the printer ended the query: ") + word
                                     : "the printer refused the query: " + sent.message;
        return false;
    }
    outcome.haveReport = ParseQueryReport(sent.backChannel, outcome.report, error);
    // A printer that never finished: its bound ran out (the report, if any,
    // is cut short) and the library's message says which bound.
    if (!outcome.haveReport && sent.state == jsSent && !sent.message.empty()) error = sent.message;
    return outcome.haveReport;
}

const std::string* Value(const TQueryReport& report, const std::string& key)
{
    for (const TQueryValue& v : report.values)
        if (v.key == key) return &v.value;
    return nullptr;
}

// A whole number as the page prints it ("1,024"); none for anything else.
std::optional<long long> Number(const std::string* text)
{
    if (!text || text->empty()) return std::nullopt;
    long long n = 0;
    for (char c : *text) {
        if (c == ',') continue;
        if (!std::isdigit(static_cast<unsigned char>(c)) || n > 100000000000000LL) return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return n;
}

}  // namespace

namespace {

// A queue of the print server is asked where its jobs go: at the host of
// its device URI, as a host name given alone would be. A queue whose
// printer is not on the network cannot be asked.
TStatusPlan PlanFor(const std::string& printer, const std::vector<std::string>& protocols)
{
    const TPrinterTarget target = ParsePrinterTarget(printer);
    if (target.kind != TargetKind::Queue) return PlanStatus(target, protocols);
    std::string device = QueueDeviceUri(printer);
    if (device.empty()) return PlanStatus(target, protocols);
    device = device.substr(0, device.find('?'));
    const TPrinterTarget at = ParsePrinterTarget(device);
    const bool network =
        at.IsValid() && (at.kind == TargetKind::Socket || at.kind == TargetKind::Ipp || at.kind == TargetKind::Ipps);
    TStatusPlan plan;
    if (!network) {
        // Only the print server can say anything of a printer it reaches
        // by other means than the network (usb, a file, a program).
        if (!protocols.empty() && !Asked(protocols, S::Ipp)) {
            plan.refusal = "the queue's printer is not reached over the network (its device is " +
                           device.substr(0, device.find(':')) + "), so it can only be asked over IPP";
            return plan;
        }
        plan.queue = printer;
        return plan;
    }
    TPrinterTarget host;
    host.name = at.host;
    plan = PlanStatus(host, protocols);
    if (at.kind == TargetKind::Socket) plan.socketPort = at.port;
    if (at.kind != TargetKind::Socket) plan.ippUri = device;
    plan.queue = printer;
    return plan;
}

}  // namespace

TStatusPlan PlanStatus(const TPrinterTarget& target, const std::vector<std::string>& protocols)
{
    TStatusPlan plan;
    if (!target.IsValid()) {
        plan.refusal = target.problem;
        return plan;
    }
    plan.host = target.kind == TargetKind::Queue ? target.name : target.host;
    std::vector<std::string> wanted = protocols;
    switch (target.kind) {
    case TargetKind::Socket:
        plan.socketPort = target.port;
        plan.thenUnconditional = true;
        if (wanted.empty()) wanted = {"postscript"};
        break;
    case TargetKind::Ipp:
    case TargetKind::Ipps:
        plan.ippUri = target.name;
        if (wanted.empty()) wanted = {"ipp"};
        break;
    case TargetKind::Snmp:
        plan.snmpPort = target.port;
        plan.snmpCommunity = target.community;
        if (wanted.empty()) wanted = {"snmp"};
        break;
    case TargetKind::Queue:
        if (!LooksLikeHost(target.name)) {
            plan.refusal = "not a printer address, nor a host name or address";
            return plan;
        }
        if (wanted.empty()) wanted = {"snmp", "ipp", "pjl", "postscript"};
        break;
    case TargetKind::Unknown: plan.refusal = "query needs a socket://, ipp://, ipps:// or snmp:// address"; return plan;
    }
    if (target.kind != TargetKind::Ipp && target.kind != TargetKind::Ipps) {
        TPrinterTarget ipp;
        ipp.host = plan.host;
        ipp.port = kIppDefaultPort;
        plan.ippUri = "ipp://" + ipp.HostAndPort() + "/ipp/print";
    }
    for (S source : {S::Snmp, S::Ipp})
        if (Asked(wanted, source)) plan.first.push_back(source);
    for (S source : {S::Pjl, S::PostScript})
        if (Asked(wanted, source)) plan.then.push_back(source);
    return plan;
}

TPrinterStatus StatusFromReport(const TQueryReport& report)
{
    TPrinterStatus status;
    if (const std::string* product = Value(report, "product"); product && !product->empty())
        status.makeAndModel = *product;
    status.pageCount = Number(Value(report, "page_count"));
    status.memoryBytes = Number(Value(report, "ram_size"));
    status.languages = {"PostScript"};
    status.takesPostScript = true;
    for (const TQueryTable& table : report.tables) {
        if (table.name != "input_trays" && table.name != "output_trays") continue;
        for (const TQueryRow& row : table.rows) {
            TTray tray;
            for (const auto& [field, value] : row) {
                if (field == "number") {
                    if (const std::optional<long long> n = Number(&value); n && *n < 1000000) tray.number = int(*n);
                } else if (field == "size") {
                    tray.size = value;
                } else if (field == "type") {
                    tray.type = value;
                }
            }
            (table.name == "input_trays" ? status.inputTrays : status.outputTrays).push_back(tray);
        }
    }
    return status;
}

TStatusOutcome AskStatus(const std::string& printer, const TQueryOptions& options, const std::string& queryDocument)
{
    TStatusOutcome outcome;
    const TStatusPlan plan = PlanFor(printer, options.protocols);
    if (!plan.refusal.empty()) {
        outcome.message = plan.refusal;
        return outcome;
    }
    // SNMP, IPP and PJL answer at once or not at all: without a --timeout
    // each gets the bound of one answer; the PostScript query runs a
    // program on the printer and keeps the job's bound.
    const int quick = options.timeoutMs > 0 ? options.timeoutMs : kAnswerTimeoutMs;
    std::map<S, TPrinterStatus> readings;
    std::vector<std::pair<S, std::string>> failures;
    std::size_t asked = 0;

    // Side by side, each task filling a reading of its own made beforehand.
    std::vector<std::pair<S, std::future<std::pair<bool, std::string>>>> running;
    for (S source : plan.first) {
        TPrinterStatus& reading = readings[source];
        running.emplace_back(source, std::async(std::launch::async, [&plan, &options, quick, source, &reading] {
                                 std::string error;
                                 const bool ok = ReadStatusOver(source, plan, options.snmp, quick, reading, error);
                                 return std::make_pair(ok, error);
                             }));
    }
    for (auto& [source, done] : running) {
        ++asked;
        auto [ok, error] = done.get();
        if (!ok) failures.emplace_back(source, error);
    }
    // readings is filled by the tasks above only; a failed source's reading
    // holds nothing it can be trusted for.
    for (const auto& [source, error] : failures) readings.erase(source);
    // A queue whose printer gave no IPP answer: what the print server
    // knows of the queue stands in for it.
    if (!plan.queue.empty() && readings.count(S::Ipp) == 0) {
        if (std::find(plan.first.begin(), plan.first.end(), S::Ipp) == plan.first.end()) ++asked;
        if (QueueServerStatus(plan.queue, readings[S::Ipp])) {
            std::erase_if(failures, [](const auto& failure) { return failure.first == S::Ipp; });
        } else {
            readings.erase(S::Ipp);
            if (failures.empty() || failures.back().first != S::Ipp)
                failures.emplace_back(S::Ipp, "the print server says nothing of the queue");
        }
    }

    for (S source : plan.then) {
        if (!plan.thenUnconditional && !Speaks(MergeStatus(readings), source)) continue;
        ++asked;
        std::string error;
        bool ok = false;
        if (source == S::PostScript) {
            ok = AskPostScript(plan, options, queryDocument, outcome, error);
            if (ok) readings[source] = StatusFromReport(outcome.report);
        } else {
            ok = ReadStatusOver(source, plan, options.snmp, quick, readings[source], error);
            if (!ok) readings.erase(source);
        }
        if (!ok) failures.emplace_back(source, error);
    }

    outcome.record = MergeStatus(readings);
    outcome.status = failures.empty() ? "completed" : failures.size() < asked ? "partial" : "failed";
    if (asked == 1 && !failures.empty()) {
        outcome.message = failures.front().second;
    } else {
        for (const auto& [source, error] : failures) {
            if (!outcome.message.empty()) outcome.message += "; ";
            outcome.message += std::string(SourceName(source)) + ": " + error;
        }
    }
    if (asked == 0) outcome.message = "no protocol was asked: the printer does not say it speaks those asked for";
    return outcome;
}

}  // namespace PrinterUtils
