// SPDX-License-Identifier: Apache-2.0
// The three commands. Each printer is served on its own (a failure is that
// printer's outcome and never stops the others), at most --jobs at a time,
// and its outcome is written as soon as it is known: text lines, a
// progress line on a terminal, or the elements of one JSON array.
#include "Commands.h"

#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>

#include "CommandLine.h"
#include "Console.h"
#include "DocumentFile.h"
#include "JobPool.h"
#include "Messages.h"
#include "OsUtils.h"
#include "Output.h"
#include "PrinterUtils.h"
#include "QueryReport.h"
#include "SysUtils.h"

namespace Cli {

namespace {

enum class TStatus { Sent, Completed, Aborted, Canceled, Failed };

const char* StatusWord(TStatus status)
{
    switch (status) {
    case TStatus::Sent: return "sent";
    case TStatus::Completed: return "completed";
    case TStatus::Aborted: return "aborted";
    case TStatus::Canceled: return "canceled";
    case TStatus::Failed: break;
    }
    return "failed";
}

struct TOutcome {
    TStatus status = TStatus::Failed;
    std::string message;
    std::string answer;  // the printer's back channel
};

// One raw job of the file to the printer, its outcome instead of an
// exception: every failure is this printer's own. A job to an address is
// always followed to its end, as the window follows it: only the printer
// can tell a printed page from a refused one.
TOutcome SendJob(const std::string& printer, const std::string& fileName, bool wait, int timeoutMs)
{
    TOutcome outcome;
    try {
        SysUtils::TStringList files;
        files.Add(fileName);
        PrinterUtils::TJobOptions options;
        const PrinterUtils::TPrinterTarget target = PrinterUtils::ParsePrinterTarget(printer);
        options.wait = wait || PrinterUtils::FollowsJobs(target);
        if (timeoutMs > 0) options.timeoutMs = timeoutMs;
        PrinterUtils::TJobOutcome job = PrinterUtils::SendFileList(target, files, Messages::kJobName, options);
        switch (job.state) {
        case PrinterUtils::jsSent: outcome.status = TStatus::Sent; break;
        case PrinterUtils::jsCompleted: outcome.status = TStatus::Completed; break;
        case PrinterUtils::jsAborted: outcome.status = TStatus::Aborted; break;
        case PrinterUtils::jsCanceled: outcome.status = TStatus::Canceled; break;
        }
        outcome.message = std::move(job.message);
        outcome.answer = std::move(job.backChannel);
    } catch (const SysUtils::Exception& e) {
        outcome.message = e.Message();
    } catch (const std::exception& e) {
        outcome.message = e.what();
    }
    return outcome;
}

void Write(std::FILE* stream, std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), stream);
}

// -------------------------------------------------------------------- list

// The printers the print server lists. A server that cannot be asked is an
// error, never an empty list.
std::vector<PrinterUtils::TPrinterInfo> ListedPrinters()
{
    OsUtils::SetLastOSError(0, std::nullopt);
    std::vector<PrinterUtils::TPrinterInfo> printers = PrinterUtils::ListPrinterInfo();
    const OsUtils::OSErrorInfo error = OsUtils::GetLastOSError();
    if (printers.empty() && error.code != 0)
        throw SysUtils::Exception("cannot list the printers: " +
                                  (error.text ? *error.text : SysUtils::Format("error code %d", error.code)));
    return printers;
}

int RunList(const TOptions& options)
{
    // One connection for both questions.
    const PrinterUtils::TSpoolerSession session;
    const std::vector<PrinterUtils::TPrinterInfo> printers = ListedPrinters();
    std::string defaultPrinter;
    try {
        defaultPrinter = PrinterUtils::GetDefaultPrinterName();
    } catch (const SysUtils::Exception&) {
        // No default printer: none is marked.
    }
    std::string out = options.json ? "[" : "";
    bool first = true;
    for (const PrinterUtils::TPrinterInfo& p : printers) {
        const bool isDefault = p.name == defaultPrinter;
        if (options.json) {
            out += first ? "\n  " : ",\n  ";
            out += SysUtils::Format("{\"name\": %s, \"default\": %s, \"local\": %s, \"network\": %s, \"shared\": %s}",
                                    JsonString(p.name).c_str(), isDefault ? "true" : "false",
                                    p.local ? "true" : "false", p.network ? "true" : "false",
                                    p.shared ? "true" : "false");
        } else {
            std::string kinds;
            for (const auto& [on, word] : {std::pair{p.local, "local"}, {p.network, "network"}, {p.shared, "shared"}})
                if (on) kinds += kinds.empty() ? word : std::string(", ") + word;
            out += PlainText(p.name) + "\t" + kinds + (isDefault ? "\tdefault" : "") + "\n";
        }
        first = false;
    }
    if (options.json) out += first ? "]\n" : "\n]\n";
    Write(stdout, out);
    return kExitOk;
}

// --------------------------------------------------------- fleet reporting

// Writes the outcome of each printer as it arrives: a JSON array element,
// or a line (with a progress line under it on a terminal).
class TFleetReport {
public:
    TFleetReport(std::size_t total, bool json) : total_(total), json_(json), progress_(!json && StdoutIsTerminal())
    {
        if (json_) Write(stdout, "[");
    }

    void Add(const std::string& element, const std::string& line, bool ok)
    {
        ++count_;
        if (!ok) ++failed_;
        if (json_) {
            Write(stdout, (count_ == 1 ? "\n  " : ",\n  ") + element);
        } else {
            ClearProgress();
            Write(stdout, line);
            if (progress_) ShowProgress();
        }
        std::fflush(stdout);
    }

    void Finish()
    {
        if (json_) Write(stdout, count_ == 0 ? "]\n" : "\n]\n");
        if (progress_) {
            ClearProgress();
            Write(stdout, std::to_string(total_) + " printers: " + std::to_string(total_ - failed_) + " succeeded, " +
                              std::to_string(failed_) + " failed\n");
        }
        std::fflush(stdout);
    }

    bool AllSucceeded() const { return failed_ == 0; }

private:
    void ShowProgress()
    {
        const std::string line =
            "[" + std::to_string(count_) + "/" + std::to_string(total_) + "] " + std::to_string(failed_) + " failed";
        Write(stdout, line);
        shown_ = line.size();
    }
    void ClearProgress()
    {
        if (shown_ == 0) return;
        Write(stdout, "\r" + std::string(shown_, ' ') + "\r");
        shown_ = 0;
    }

    std::size_t total_;
    bool json_;
    bool progress_;
    std::size_t count_ = 0;
    std::size_t failed_ = 0;
    std::size_t shown_ = 0;
};

// -------------------------------------------------------------------- print

int RunPrint(const TOptions& options)
{
    std::vector<std::string> printers = options.printers;
    if (options.all) {
        for (const PrinterUtils::TPrinterInfo& p : ListedPrinters()) printers.push_back(p.name);
        if (printers.empty()) throw SysUtils::Exception("the print server lists no printers");
    }
    const AppCore::TDocumentFile document(options.minimal ? "MINSTATUS" : "STATUS",
                                          options.minimal ? "MYMINSTATUS" : "MYSTATUS");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    TFleetReport report(printers.size(), options.json);
    RunBounded<TOutcome>(
        printers.size(), options.jobs,
        [&](std::size_t i) { return SendJob(printers[i], document.Path(), options.wait, options.timeoutMs); },
        [&](std::size_t i, TOutcome& outcome) {
            const bool ok = options.wait ? outcome.status == TStatus::Completed
                                         : outcome.status == TStatus::Sent || outcome.status == TStatus::Completed;
            const std::string element = SysUtils::Format("{\"printer\": %s, \"status\": %s, \"message\": %s}",
                                                         JsonString(printers[i]).c_str(),
                                                         JsonString(StatusWord(outcome.status)).c_str(),
                                                         JsonString(outcome.message).c_str());
            std::string line = PlainText(printers[i]) + ": " + StatusWord(outcome.status);
            if (!outcome.message.empty()) line += ": " + PlainText(outcome.message);
            report.Add(element, line + "\n", ok);
        });
    report.Finish();
    return report.AllSucceeded() ? kExitOk : kExitFailed;
}

// -------------------------------------------------------------------- query

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != prefix[i]) return false;
    }
    return true;
}

// Why the printer cannot be queried, or nothing: only a socket://
// connection brings the printer's own answer back.
std::optional<std::string> NotQueryable(const std::string& printer)
{
    if (StartsWithNoCase(printer, "socket://")) return std::nullopt;
    if (StartsWithNoCase(printer, "ipp://") || StartsWithNoCase(printer, "ipps://"))
        return "query needs a socket:// address: IPP does not carry the printer's answer back";
    if (printer.find("://") != std::string::npos) return "query needs a socket:// address";
    return "query needs the printer's socket:// address: a print queue does not pass the printer's answer back";
}

struct TQueryOutcome {
    bool ok = false;
    std::string error;
    TQueryReport report;
};

TQueryOutcome Query(const std::string& printer, const std::string& fileName, int timeoutMs)
{
    TQueryOutcome result;
    if (const std::optional<std::string> why = NotQueryable(printer)) {
        result.error = *why;
        return result;
    }
    const TOutcome outcome = SendJob(printer, fileName, true, timeoutMs);
    if (outcome.status == TStatus::Failed || outcome.status == TStatus::Aborted ||
        outcome.status == TStatus::Canceled) {
        if (outcome.status == TStatus::Failed)
            result.error = outcome.message;
        else if (outcome.message.empty())
            result.error = std::string("the printer ended the query: ") + StatusWord(outcome.status);
        else
            result.error = "the printer refused the query: " + outcome.message;
        return result;
    }
    result.ok = ParseQueryReport(outcome.answer, result.report, result.error);
    // A printer that never finished: its bound ran out (the report, if any,
    // is cut short) and the library's message says which bound.
    if (!result.ok && outcome.status == TStatus::Sent && !outcome.message.empty()) result.error = outcome.message;
    return result;
}

// Fields the page shows as whole numbers: JSON numbers when the printer's
// answer is one.
bool NumericField(std::string_view key)
{
    static constexpr std::string_view kKeys[] = {
        "language_level", "firmware_revision", "ram_size", "memory_size", "memory_used", "max_form_items",
        "max_form_cache", "cur_form_cache",   "job_timeout", "wait_timeout", "page_count", "sheet_count",
        "size",           "free",             "search_order", "number"};
    for (std::string_view k : kKeys)
        if (k == key) return true;
    return false;
}

// The page's text of a value as JSON: null for "N/A", a number for a whole
// number (thousands separators dropped) in a numeric field, else the text.
std::string JsonValue(std::string_view key, std::string_view text)
{
    if (text == "N/A") return "null";
    if (NumericField(key)) {
        std::string digits;
        bool ok = !text.empty();
        for (std::size_t i = 0; i < text.size() && ok; ++i) {
            const char c = text[i];
            if (c >= '0' && c <= '9') digits.push_back(c);
            else if (c == '-' && i == 0) digits.push_back(c);
            else if (c != ',' || i == 0) ok = false;
        }
        if (ok && !digits.empty() && digits != "-" && (digits.size() == 1 || digits[digits.front() == '-'] != '0'))
            return digits;
    }
    return JsonString(text);
}

// Headings of the table fields, as the page's tables name them.
std::string FieldLabel(std::string_view field)
{
    static constexpr std::pair<std::string_view, std::string_view> kLabels[] = {
        {"size", "Size"},          {"free", "Free space"}, {"search_order", "Search order"},
        {"removable", "Removable"}, {"mounted", "Mounted"}, {"named_files", "Named files"},
        {"writable", "Writable"},  {"searchable", "Searchable"}, {"type", "Type"}};
    for (const auto& [key, label] : kLabels)
        if (key == field) return std::string(label);
    return std::string(field);
}

std::string TableRowLabel(std::string_view table)
{
    if (table == "devices") return "Device";
    if (table == "input_trays") return "Input tray";
    if (table == "output_trays") return "Output tray";
    return std::string(table);
}

std::string QueryJson(const std::string& printer, const TQueryOutcome& q)
{
    std::string out = "{\"printer\": " + JsonString(printer) + ", \"status\": " +
                      (q.ok ? "\"completed\"" : "\"failed\"") + ", \"message\": " + JsonString(q.error);
    if (!q.ok) return out + "}";
    for (const TQueryValue& v : q.report.values) out += ", " + JsonString(v.key) + ": " + JsonValue(v.key, v.value);
    for (const TQueryTable& table : q.report.tables) {
        out += ", " + JsonString(table.name) + ": [";
        for (std::size_t r = 0; r < table.rows.size(); ++r) {
            out += r ? ", {" : "{";
            for (std::size_t f = 0; f < table.rows[r].size(); ++f) {
                const auto& [key, value] = table.rows[r][f];
                out += (f ? ", " : "") + JsonString(key) + ": " + JsonValue(key, value);
            }
            out += "}";
        }
        out += "]";
    }
    return out + "}";
}

std::string QueryText(const std::string& printer, const TQueryOutcome& q)
{
    std::string out = PlainText(printer) + ":\n";
    for (const TQueryValue& v : q.report.values) out += "  " + PlainText(v.label) + ": " + PlainText(v.value) + "\n";
    for (const TQueryTable& table : q.report.tables) {
        for (const TQueryRow& row : table.rows) {
            out += "  ";
            out += TableRowLabel(table.name);
            // "Device %disk0%: Size 1,000, Free space 800, ..."
            for (std::size_t f = 0; f < row.size(); ++f) {
                out += f == 0 ? " " : f == 1 ? " " : ", ";
                if (f > 0) out.append(FieldLabel(row[f].first)).append(" ");
                out += PlainText(row[f].second);
                if (f == 0) out += ":";
            }
            out += "\n";
        }
    }
    return out;
}

int RunQuery(const TOptions& options)
{
    const AppCore::TDocumentFile document("QUERY", "MYQUERY");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    const std::vector<std::string>& printers = options.printers;
    std::size_t failed = 0;
    bool firstJson = true;
    bool firstText = true;
    if (options.json) Write(stdout, "[");
    RunBounded<TQueryOutcome>(
        printers.size(), options.jobs,
        [&](std::size_t i) { return Query(printers[i], document.Path(), options.timeoutMs); },
        [&](std::size_t i, TQueryOutcome& q) {
            if (!q.ok) ++failed;
            if (options.json) {
                Write(stdout, (firstJson ? "\n  " : ",\n  ") + QueryJson(printers[i], q));
                firstJson = false;
            } else if (q.ok) {
                Write(stdout, (firstText ? "" : "\n") + QueryText(printers[i], q));
                firstText = false;
            } else {
                Write(stderr, "quellmark: " + PlainText(printers[i]) + ": " + PlainText(q.error) + "\n");
            }
            std::fflush(stdout);
        });
    if (options.json) Write(stdout, firstJson ? "]\n" : "\n]\n");
    return failed == 0 ? kExitOk : kExitFailed;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args)
{
    PrepareConsole();
    TOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const EUsage& e) {
        Write(stderr, "quellmark: " + PlainText(e.Message()) + "\nTry 'quellmark --help'.\n");
        return kExitUsage;
    }
    try {
        switch (options.command) {
        case TCommand::Help: Write(stdout, HelpText()); return kExitOk;
        case TCommand::Version: Write(stdout, "quellmark " QUELLMARK_VERSION "\n"); return kExitOk;
        case TCommand::List: return RunList(options);
        case TCommand::Print: return RunPrint(options);
        case TCommand::Query: return RunQuery(options);
        }
    } catch (const std::exception& e) {
        std::fflush(stdout);
        Write(stderr, "quellmark: " + PlainText(e.what()) + "\n");
    }
    return kExitFailed;
}

}  // namespace Cli
