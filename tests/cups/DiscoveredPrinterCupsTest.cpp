// SPDX-License-Identifier: Apache-2.0
// Printers found on the network, typed by name, against the private print
// server: run by tests/fixtures/network-printer-rig beside printers that
// announce themselves.
#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "CupsTestServer.h"
#include "PrinterUtils.h"

using namespace PrinterUtils;
namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Listed after the server's queues, leaving out a name that is a queue
// (compared without case), and resolved to addresses that can be asked.
TEST(DiscoveredPrinters, ListedAfterTheQueuesAndResolved)
{
    ASSERT_NE(std::getenv("RIG_DIR"), nullptr) << "runs only inside tests/fixtures/network-printer-rig";
    QuellmarkTest::CupsTestServer server;
    for (const char* queue : {"alpha", "rig_gone"}) server.AddLocalQueue(queue);
    const char* json = R"([
  {"name": "alpha", "default": false, "local": true, "network": false, "shared": false},
  {"name": "rig_gone", "default": false, "local": true, "network": false, "shared": false},
  {"name": "Rig_Printer", "default": false, "local": false, "network": true, "shared": false}
]
)";
    for (const auto& [args, expected] : std::initializer_list<std::pair<std::vector<std::string>, std::string>>{
             {{QUELLMARK_CLI, "list"}, "alpha\tlocal\nrig_gone\tlocal\nRig_Printer\tnetwork\n"},
             {{QUELLMARK_CLI, "list", "--json"}, json},
             // No DNS-SD service: the queues, and the browse's failure said.
             {{"env", "DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent", QUELLMARK_CLI, "list"},
              "alpha\tlocal\nrig_gone\tlocal\nquellmark: printers on the network not listed: No DNS-SD service "
              "answers: the network cannot be browsed for printers.\n"}}) {
        std::string out;
        EXPECT_EQ(server.Run(args, &out), 0) << out;
        EXPECT_EQ(out, expected);
    }
    const std::vector<TNetworkPrinterAddress> addresses = DiscoveredPrinterAddresses();
    ASSERT_EQ(addresses.size(), 1u);
    EXPECT_EQ(addresses[0].name, "Rig_Printer");
    EXPECT_EQ(addresses[0].address, "ipps://rig.local:8631/ipp/print");
    // query --discover asks it there, under the name it was found by.
    std::string found;
    EXPECT_EQ(server.Run({QUELLMARK_CLI, "query", "--discover", "--protocols", "ipp", "--ndjson"}, &found), 0) << found;
    EXPECT_EQ(found.rfind(R"({"printer": "Rig_Printer", "status": "completed", "message": "")", 0), 0u) << found;
}

TEST(DiscoveredPrinters, TypedByNamePrintOrFailInOpeningThePrinter)
{
    const char* rig = std::getenv("RIG_DIR");
    ASSERT_NE(rig, nullptr) << "runs only inside tests/fixtures/network-printer-rig";
    QuellmarkTest::CupsTestServer server;
    // Listing the printers starts the browse for printers on the network.
    SysUtils::TStringList items;
    ListPrinters(items, plpLocal | plpNetwork);
    SysUtils::TStringList files;
    files.Add(QUELLMARK_STATUS_DOCUMENT);
    const std::string document = ReadFile(QUELLMARK_STATUS_DOCUMENT);
    struct Case {
        std::string name;
        int signal;         // sent to the printer after it was found
        std::string error;  // "" when the page prints
    };
    for (const Case& c : std::initializer_list<Case>{
             {"Rig_Printer", 0, ""},
             {"Rig_Gone", SIGSTOP,
              "Error opening printer: Error code 1284: The network printer Rig_Gone was not "
              "ready within 10 s."},
             // Again, while the server keeps the stopped queue.
             {"Rig_Gone", 0,
              "Error opening printer: Error code 1284: The network printer Rig_Gone was not ready "
              "within 10 s."},
             {"Rig_Printr", 0, "Error opening printer: Error code 1030: The printer or class does not exist."}}) {
        if (c.signal) ::kill(std::stoi(ReadFile(fs::path(rig) / (c.name + ".pid"))), c.signal);
        const auto start = std::chrono::steady_clock::now();
        std::string error;
        TJobOutcome outcome;
        try {
            outcome = SendFileList(PrinterUtils::ParsePrinterTarget(c.name), files, "Corvane Status Page",
                                   TJobOptions{true, 30000});
        } catch (const SysUtils::EOSError& e) {
            error = e.Message();
        }
        EXPECT_EQ(error, c.error) << c.name;
        EXPECT_LT(std::chrono::steady_clock::now() - start,
                  std::chrono::milliseconds(kTemporaryQueueTimeoutMs + kAnswerTimeoutMs))
            << c.name;
        if (!c.error.empty()) continue;
        EXPECT_EQ(outcome.state, jsCompleted) << c.name;
        EXPECT_EQ(server.JobAttributes(static_cast<int>(outcome.jobId))["job-name"], "Corvane Status Page");
        std::string kept;
        for (const auto& entry : fs::directory_iterator(fs::path(rig) / c.name))
            if (entry.path().extension() == ".ps") kept = ReadFile(entry.path());
        EXPECT_TRUE(kept == document) << c.name << ": kept " << kept.size() << " of " << document.size() << " bytes";
        // The server can delete the temporary queue again, as it does when
        // it has been idle for a while.
        EXPECT_EQ(server.Run({"lpadmin", "-x", c.name}), 0);
        EXPECT_TRUE(server.Running());
    }
}

}  // namespace
