// SPDX-License-Identifier: Apache-2.0
// quellmark list: the printers the window lists, their kinds and the
// default, as lines or as one JSON array; printers found on the network
// come last, marked network.
#include <nlohmann/json.hpp>

#include <cstdio>

#include "Commands.h"
#include "OsUtils.h"
#include "Output.h"
#include "PrinterJobs.h"
#include "SysUtils.h"

namespace Cli {

int RunList(const TOptions& options)
{
    // One connection for both questions.
    const PrinterUtils::TSpoolerSession session;
    std::vector<PrinterUtils::TPrinterInfo> printers = ListedPrinters();
    // After the server's queues, the printers found on the network that have
    // none: printing to their names works as to a queue's.
    OsUtils::SetLastOSError(0, std::nullopt);
    const std::vector<PrinterUtils::TNetworkPrinter> found = PrinterUtils::ListDiscoveredPrinters();
    const OsUtils::OSErrorInfo browse = OsUtils::GetLastOSError();
    for (const PrinterUtils::TNetworkPrinter& printer : found) printers.push_back({printer.name, false, true, false});
    std::string defaultPrinter;
    try {
        defaultPrinter = PrinterUtils::GetDefaultPrinterName();
    } catch (const SysUtils::Exception&) {
        // No default printer: none is marked.
    }
    if (options.output == TOutput::Json) {
        TJsonArrayWriter out;
        for (const PrinterUtils::TPrinterInfo& p : printers)
            out.Add(TJson{{"name", JsonText(p.name)},
                          {"default", p.name == defaultPrinter},
                          {"local", p.local},
                          {"network", p.network},
                          {"shared", p.shared}});
        out.Finish();
    } else {
        std::string out;
        for (const PrinterUtils::TPrinterInfo& p : printers) {
            std::string kinds;
            for (const auto& [on, word] : {std::pair{p.local, "local"}, {p.network, "network"}, {p.shared, "shared"}})
                if (on) kinds += kinds.empty() ? word : std::string(", ") + word;
            out += PlainText(p.name) + "\t" + kinds + (p.name == defaultPrinter ? "\tdefault" : "") + "\n";
        }
        Write(stdout, out);
    }
    // The queues stand without them: a browse that failed is said after the
    // list, and is no failure of the list.
    if (found.empty() && browse.code != 0) {
        std::fflush(stdout);
        Write(stderr, "quellmark: printers on the network not listed: " +
                          PlainText(browse.text ? *browse.text : SysUtils::Format("error code %d", browse.code)) +
                          "\n");
    }
    return kExitOk;
}

}  // namespace Cli
