// SPDX-License-Identifier: Apache-2.0
// Benchmark (not a test), run inside tests/fixtures/network-printer-rig:
// the status page to the announced printer Rig_Printer typed by name, from
// the call until the print server has the job (its temporary queue made
// first), against `lp -d Rig_Printer -o raw` in the same rig, alternating
// run by run; before each run the temporary queue is deleted, so each one
// makes it anew. Then a mistyped name to "not found", against lp.
//
//   network-printer-rig discovery_bench [--runs N]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "CupsTestServer.h"
#include "PrinterUtils.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double Ours(const std::string& name)
{
    const auto start = Clock::now();
    try {
        PrinterUtils::PrintFiles(name, QUELLMARK_STATUS_DOCUMENT, "Corvane Status Page");
    } catch (const SysUtils::EOSError& e) {
        if (name == "Rig_Printer") std::fprintf(stderr, "%s: %s\n", name.c_str(), e.Message().c_str());
    }
    return MsSince(start);
}

double Lp(const std::string& name)
{
    const std::string command =
        "lp -d " + name + " -o raw -t 'Corvane Status Page' " QUELLMARK_STATUS_DOCUMENT " >/dev/null 2>&1";
    const auto start = Clock::now();
    if (std::system(command.c_str()) != 0 && name == "Rig_Printer") std::fprintf(stderr, "lp failed\n");
    return MsSince(start);
}

void Report(const char* what, std::vector<double> ms)
{
    std::sort(ms.begin(), ms.end());
    std::printf("%-32s median %7.1f ms  min %7.1f  max %7.1f  (n=%zu)\n", what, ms[ms.size() / 2], ms.front(),
                ms.back(), ms.size());
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = 5;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) runs = std::max(1, std::atoi(argv[2]));
    if (!std::getenv("RIG_DIR")) {
        std::fprintf(stderr, "run inside tests/fixtures/network-printer-rig\n");
        return 2;
    }
    QuellmarkTest::CupsTestServer server;
    SysUtils::TStringList items;
    PrinterUtils::ListPrinters(items, PrinterUtils::plpLocal);  // starts the browse
    std::this_thread::sleep_for(std::chrono::milliseconds(PrinterUtils::kDiscoveryTimeoutMs));
    std::vector<double> ours, lp, oursTypo, lpTypo;
    for (int run = 0; run < runs; ++run) {
        for (int side = 0; side < 2; ++side) {
            for (const int job : server.JobIds()) server.WaitForJob(job);
            server.Run({"lpadmin", "-x", "Rig_Printer"});
            const bool oursNow = (side + run) % 2 == 0;
            (oursNow ? ours : lp).push_back(oursNow ? Ours("Rig_Printer") : Lp("Rig_Printer"));
        }
        oursTypo.push_back(Ours("Rig_Printr"));
        lpTypo.push_back(Lp("Rig_Printr"));
    }
    Report("quellmark, announced printer", ours);
    Report("lp -o raw, announced printer", lp);
    Report("quellmark, mistyped name", oursTypo);
    Report("lp -o raw, mistyped name", lpTypo);
    return 0;
}
