// SPDX-License-Identifier: Apache-2.0
#include "PrinterJobs.h"

#include <optional>

#include "Messages.h"
#include "OsUtils.h"
#include "PostScriptCheck.h"
#include "SysUtils.h"

namespace Cli {

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

TOutcome SendJob(const PrinterUtils::TPrinterTarget& printer, const std::string& fileName, bool wait, int timeoutMs)
{
    TOutcome outcome;
    try {
        SysUtils::TStringList files;
        files.Add(fileName);
        PrinterUtils::TJobOptions options;
        options.wait = wait || PrinterUtils::FollowsJobs(printer);
        if (timeoutMs > 0) options.timeoutMs = timeoutMs;
        PrinterUtils::TJobOutcome job = PrinterUtils::SendFileList(printer, files, Messages::kJobName, options);
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

std::optional<TOutcome> RefuseNonPostScript(const std::string& name, const PrinterUtils::TPrinterTarget& printer)
{
    const PrinterUtils::TPostScriptCheck check = PrinterUtils::CheckPostScript(printer);
    if (check.answer != PrinterUtils::TPostScriptAnswer::DoesNot) return std::nullopt;
    TOutcome outcome;
    outcome.message = Messages::NotPostScriptText(name, PrinterUtils::LanguageList(check.languages)) +
                      " Not sent (--force sends it).";
    return outcome;
}

}  // namespace Cli
