// SPDX-License-Identifier: Apache-2.0
// quellmark list: the printers the window lists, their kinds and the
// default, as lines or as one JSON array; printers found on the network
// come last, marked network.
#include <nlohmann/json.hpp>

#include "Commands.h"
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
    for (const PrinterUtils::TNetworkPrinter& found : PrinterUtils::ListDiscoveredPrinters())
        printers.push_back({found.name, false, true, false});
    std::string defaultPrinter;
    try {
        defaultPrinter = PrinterUtils::GetDefaultPrinterName();
    } catch (const SysUtils::Exception&) {
        // No default printer: none is marked.
    }
    if (options.json) {
        TJsonArrayWriter out;
        for (const PrinterUtils::TPrinterInfo& p : printers)
            out.Add(TJson{{"name", JsonText(p.name)},
                          {"default", p.name == defaultPrinter},
                          {"local", p.local},
                          {"network", p.network},
                          {"shared", p.shared}});
        out.Finish();
        return kExitOk;
    }
    std::string out;
    for (const PrinterUtils::TPrinterInfo& p : printers) {
        std::string kinds;
        for (const auto& [on, word] : {std::pair{p.local, "local"}, {p.network, "network"}, {p.shared, "shared"}})
            if (on) kinds += kinds.empty() ? word : std::string(", ") + word;
        out += PlainText(p.name) + "\t" + kinds + (p.name == defaultPrinter ? "\tdefault" : "") + "\n";
    }
    Write(stdout, out);
    return kExitOk;
}

}  // namespace Cli
