// SPDX-License-Identifier: Apache-2.0
#include "MainForm.h"

#include "DocumentFile.h"
#include "Messages.h"
#include "PostScriptCheck.h"
#include "PrinterUtils.h"

namespace AppCore {

namespace {

// Hands the listed names to the box when the listing step ends, also when it
// raises, so the box keeps whatever had been added.
class PrinterItemsUpdate {
public:
    PrinterItemsUpdate(IMainView& view, const SysUtils::TStrings& items) : view_(view), items_(items) {}
    PrinterItemsUpdate(const PrinterItemsUpdate&) = delete;
    PrinterItemsUpdate& operator=(const PrinterItemsUpdate&) = delete;
    ~PrinterItemsUpdate() { view_.SetPrinterItems(items_); }

private:
    IMainView& view_;
    const SysUtils::TStrings& items_;
};

}  // namespace

void FillPrinterBox(IMainView& view, IPresenter& presenter)
{
    RunGuarded(presenter, [&] {
        // One connection for both questions: a server that never answers
        // delays the window by one bound, not two.
        const PrinterUtils::TSpoolerSession session;
        SysUtils::TStringList items;
        {
            PrinterItemsUpdate update(view, items);
            PrinterUtils::ListPrinters(items,
                                       PrinterUtils::plpLocal | PrinterUtils::plpNetwork | PrinterUtils::plpShared);
        }
        const std::string defaultPrinter = PrinterUtils::GetDefaultPrinterName();
        view.SetPrinterIndex(items.IndexOf(defaultPrinter));
    });
}

void PrintStatusPage(IMainView& view, IPresenter& presenter)
{
    const std::string printerName = view.PrinterText();
    const PrinterUtils::TPrinterTarget printer = PrinterUtils::ParsePrinterTarget(printerName);
    // Asked before anything else: Cancel leaves no file and no notice behind.
    const PrinterUtils::TPostScriptCheck check = PrinterUtils::CheckPostScript(printer);
    if (check.answer == PrinterUtils::TPostScriptAnswer::DoesNot &&
        !presenter.AskSendAnyway(
            Messages::NotPostScriptQuestion(printerName, PrinterUtils::LanguageList(check.languages))))
        return;
    const bool minimal = view.MinimalPageChecked();
    if (minimal) presenter.ShowInformation(Messages::kMinimalPageNotice);
    {
        TDocumentFile document(minimal ? "MINSTATUS" : "STATUS", minimal ? "MYMINSTATUS" : "MYSTATUS");
        if (!document.Created()) {
            presenter.ShowInformation(Messages::kTempFileFailed);
            return;
        }
        // A one-line list built directly, so a line break inside the
        // temporary directory's name cannot split the file name.
        SysUtils::TStringList files;
        files.Add(document.Path());
        try {
            PrinterUtils::PrintFileList(printer, files, Messages::kJobName);
        } catch (...) {
            // A job that failed leaves its file behind.
            document.Keep();
            throw;
        }
    }  // the job has the data: its file goes
    presenter.ShowInformation(Messages::kStatusPageSent);
}

}  // namespace AppCore
