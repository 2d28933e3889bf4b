// SPDX-License-Identifier: Apache-2.0
#include "PrinterStatusText.h"

#include <exception>

#include "DocumentFile.h"
#include "Messages.h"
#include "PlainText.h"
#include "PrinterQuery.h"
#include "RecordText.h"
#include "SysUtils.h"

namespace AppCore {

namespace {

PrinterUtils::TStatusOutcome Ask(const std::string& printer)
{
    const TDocumentFile document("QUERY", "MYQUERY");
    if (!document.Created()) throw SysUtils::Exception(Messages::kTempFileFailed);
    PrinterUtils::TQueryOptions query;
    query.jobName = Messages::kJobName;
    return PrinterUtils::AskStatus(printer, query, document.Path());
}

}  // namespace

TPrinterStatusText AskPrinterStatusText(const std::string& printer)
{
    PrinterUtils::TStatusOutcome outcome;
    try {
        outcome = Ask(printer);
    } catch (const std::exception& e) {
        outcome.status = "failed";
        outcome.message = e.what();
    }
    TPrinterStatusText result;
    result.answered = outcome.status != "failed";
    if (result.answered) result.text = PlainText(printer) + ":\n" + RecordText(outcome);
    if (outcome.status != "completed") {
        if (!result.text.empty()) result.text += "\n";
        result.text += PlainText(outcome.message) + "\n";
    }
    return result;
}

std::string AskingPrinterText(const std::string& printer)
{
    return "Asking " + PlainText(printer) + "...";
}

}  // namespace AppCore
