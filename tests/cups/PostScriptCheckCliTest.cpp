// SPDX-License-Identifier: Apache-2.0
// quellmark print beside the PostScript check: a printer known not to take
// PostScript fails with the sentence that says what it takes and is sent
// nothing, unless --force; one that takes PostScript gets its page.
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "AppSocketTestPrinter.h"
#include "CupsTestServer.h"
#include "IppTestPrinter.h"
#include "SnmpTestAgent.h"

using namespace QuellmarkTest;

namespace {

TEST(PostScriptCheckCli, FailsAPrinterThatTakesNoPostScriptUnlessForced)
{
    if (::geteuid() != 0) GTEST_SKIP() << "the printer's SNMP agent needs port 161, so root";
    CupsTestServer server;
    const IppTestPrinter raster = IppTestPrinter::EveFormats("image/pwg-raster,application/pdf");
    const IppTestPrinter colour = IppTestPrinter::Eve(QUELLMARK_IPP_PRINTERS "/colour-mfp.conf");
    server.AddQueue("Driverless", {"-E", "-v", raster.Uri(), "-m", "everywhere"});
    // A PCL laser on an address of its own: its Printer MIB lists no
    // PostScript interpreter.
    const std::string host = "127.0.81.1";
    const SnmpTestAgent agent({"pcl-laser.snmprec"}, nullptr, {host, 161, "public"});
    const AppSocketTestPrinter pcl("capture", {"--host", host});
    const std::string socket = "socket://" + host + ":" + std::to_string(pcl.Port());
    const std::string sentence = " does not take PostScript (it takes: ";
    const std::string rest =
        "). Sent anyway, the page would print as text or not at all. Not sent (--force sends it).\n";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string output;
    } cases[] = {
        {{raster.Uri()}, 1, raster.Uri() + ": failed: " + raster.Uri() + sentence + "PDF, PWG Raster" + rest},
        // Sent: the printer itself refuses the page.
        {{"--force", raster.Uri()}, 1, raster.Uri() + ": failed: Error sending print job: Error code 1035: "},
        {{"Driverless"}, 1, "Driverless: failed: Driverless" + sentence + "PDF, PWG Raster" + rest},
        {{"--force", "Driverless"}, 0, "Driverless: sent\n"},
        {{socket}, 1, socket + ": failed: " + socket + sentence + "PCL XL, PCL, PJL" + rest},
        {{colour.Uri()}, 0, colour.Uri() + ": completed\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{QUELLMARK_CLI, "print"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        std::string out;
        EXPECT_EQ(server.Run(argv, &out), c.exitCode) << out;
        EXPECT_EQ(out.rfind(c.output, 0), 0u) << c.output << "\n---\n" << out;
    }
    EXPECT_EQ(server.JobIds().size(), 1u);
    for (const auto& file : std::filesystem::directory_iterator(pcl.OutDir()))
        EXPECT_NE(file.path().filename().string().rfind("AppSocket-Job-", 0), 0u) << file.path();
}

}  // namespace
