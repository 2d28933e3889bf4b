// SPDX-License-Identifier: Apache-2.0
// quellmark print: the status page to each printer as the window's raw
// job, unless the printer is known not to take PostScript (without
// --force); each outcome as a line (with a progress line under it on a
// terminal) or as an element of one JSON array.
#include <optional>

#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Console.h"
#include "DocumentFile.h"
#include "JobPool.h"
#include "Messages.h"
#include "Output.h"
#include "PrinterJobs.h"
#include "SysUtils.h"

namespace Cli {

namespace {

class TFleetReport {
public:
    TFleetReport(std::size_t total, bool json) : total_(total), progress_(!json && StdoutIsTerminal())
    {
        if (json) json_.emplace();
    }

    void Add(const std::string& printer, const TOutcome& outcome, bool ok)
    {
        ++count_;
        if (!ok) ++failed_;
        if (json_) {
            json_->Add(TJson{{"printer", JsonText(printer)},
                             {"status", StatusWord(outcome.status)},
                             {"message", JsonText(outcome.message)}});
            return;
        }
        std::string line = PlainText(printer) + ": " + StatusWord(outcome.status);
        if (!outcome.message.empty()) line += ": " + PlainText(outcome.message);
        ClearProgress();
        Write(stdout, line + "\n");
        if (progress_) ShowProgress();
        std::fflush(stdout);
    }

    void Finish()
    {
        if (json_) json_->Finish();
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
        // Appended piece by piece: GCC 12 warns (-Wrestrict, falsely) about
        // a literal + std::string&& here.
        std::string line = "[";
        line.append(std::to_string(count_)).append("/").append(std::to_string(total_)).append("] ");
        line.append(std::to_string(failed_)).append(" failed");
        Write(stdout, line);
        shown_ = line.size();
    }
    void ClearProgress()
    {
        if (shown_ == 0) return;
        std::string blank = "\r";
        blank.append(shown_, ' ').append("\r");
        Write(stdout, blank);
        shown_ = 0;
    }

    std::size_t total_;
    std::optional<TJsonArrayWriter> json_;
    bool progress_;
    std::size_t count_ = 0;
    std::size_t failed_ = 0;
    std::size_t shown_ = 0;
};

}  // namespace

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
    TFleetReport report(printers.size(), options.output == TOutput::Json);
    RunBounded<TOutcome>(
        printers.size(), options.jobs,
        [&](std::size_t i) {
            const PrinterUtils::TPrinterTarget printer = PrinterUtils::ParsePrinterTarget(printers[i]);
            if (!options.force)
                if (std::optional<TOutcome> refused = RefuseNonPostScript(printers[i], printer)) return *refused;
            return SendJob(printer, document.Path(), options.wait, options.timeoutMs);
        },
        [&](std::size_t i, TOutcome& outcome) {
            const bool ok = options.wait ? outcome.status == TStatus::Completed
                                         : outcome.status == TStatus::Sent || outcome.status == TStatus::Completed;
            report.Add(printers[i], outcome, ok);
        });
    report.Finish();
    return report.AllSucceeded() ? kExitOk : kExitFailed;
}

}  // namespace Cli
