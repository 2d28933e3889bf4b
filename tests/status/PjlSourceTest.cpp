// SPDX-License-Identifier: Apache-2.0
// The PJL source against the virtual AppSocket printer on loopback: each
// printer model's record, and printers that never answer or hang up, each
// within its bound.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "AppSocketTestPrinter.h"
#include "PjlSource.h"

namespace {

using PrinterUtils::TPrinterStatus;
using Strings = std::vector<std::string>;

struct PjlCase {
    const char* name;
    const char* mode;
    const char* model;
    bool answers;
    int maxMs;  // the longest the read may take
    std::optional<std::string> makeAndModel;
    Strings languages;
    std::optional<bool> takesPostScript;
    std::optional<long long> pageCount;
    std::optional<long long> memoryBytes;
    std::optional<std::string> state;
    Strings alerts;
    std::optional<std::string> firmware;
    Strings trays;  // each input tray as "number name"
};

constexpr int kTimeoutMs = 1500;

const PjlCase kCases[] = {
    {"MonoLaser",
     "pjl",
     "mono-laser",
     true,
     500,
     "KESTREL LASERPRO M4050",
     {"PCL", "PostScript", "PJL"},
     true,
     183933,
     134217728,
     "idle",
     {},
     "20240611",
     {"1 INTRAY1 MP", "2 INTRAY2 PC"}},
    {"ColourMfp",
     "pjl",
     "colour-mfp",
     true,
     500,
     "Corvid ColorWorks MFP 6200",
     {"PostScript", "PCL XL", "PDF", "PJL"},
     true,
     48210,
     402653184,
     "idle",
     {"TRAY 2 PAPER LOW"},
     "4.11.2 (2025-02-14)",
     {"1 INTRAY1 MP", "2 INTRAY2 PC", "3 INTRAY3 LC", "4 INTRAY4 LC"}},
    {"QuotedOddSpacing",
     "pjl",
     "quoted",
     true,
     500,
     "Osprey B\xC3\xBCrojet 310",
     {"PCL", "PCL XL", "PJL"},
     false,
     7421,
     33554432,
     "stopped",
     {"PAPER JAM OPEN DOOR B"},
     std::nullopt,
     {"1 INTRAY1 MANUAL", "2 INTRAY2 CASSETTE"}},
    {"UnknownCategoriesRefused",
     "pjl",
     "terse",
     true,
     500,
     std::nullopt,
     {"PJL"},
     std::nullopt,
     2048,
     std::nullopt,
     "processing",
     {},
     std::nullopt,
     {}},
    {"ConnectsNeverAnswers", "never-close", "", false, kTimeoutMs + 1000, {}, {}, {}, {}, {}, {}, {}, {}, {}},
    {"ConnectNeverAccepted", "silent", "", false, kTimeoutMs + 1000, {}, {}, {}, {}, {}, {}, {}, {}, {}},
    {"ClosesWithoutAnswer", "pjl", "mute", false, 500, {}, {}, {}, {}, {}, {}, {}, {}, {}},
    {"ClosesAtOnce", "close-at-once", "", false, 500, {}, {}, {}, {}, {}, {}, {}, {}, {}},
};

void PrintTo(const PjlCase& c, std::ostream* out)
{
    *out << c.name;
}

class PjlSourceTest : public testing::TestWithParam<PjlCase> {};

TEST_P(PjlSourceTest, ReadsTheRecordWithinTheBound)
{
    const PjlCase& c = GetParam();
    const Strings options = *c.model ? Strings{"--pjl-model", c.model} : Strings{};
    QuellmarkTest::AppSocketTestPrinter printer(c.mode, options);
    TPrinterStatus status;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    const bool ok = PrinterUtils::ReadPjlStatus("127.0.0.1", printer.Port(), kTimeoutMs, status, error);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    RecordProperty("elapsed_ms", static_cast<int>(elapsed));
    EXPECT_LT(elapsed, c.maxMs);
    ASSERT_EQ(ok, c.answers) << error;
    if (!c.answers) {
        EXPECT_NE(error.find("127.0.0.1:" + std::to_string(printer.Port())), std::string::npos) << error;
        EXPECT_TRUE(status.languages.empty());
        return;
    }
    EXPECT_EQ(status.makeAndModel, c.makeAndModel);
    EXPECT_EQ(status.languages, c.languages);
    EXPECT_EQ(status.takesPostScript, c.takesPostScript);
    EXPECT_EQ(status.pageCount, c.pageCount);
    EXPECT_EQ(status.memoryBytes, c.memoryBytes);
    EXPECT_EQ(status.state, c.state);
    EXPECT_EQ(status.alerts, c.alerts);
    EXPECT_EQ(status.firmware, c.firmware);
    Strings trays;
    for (const PrinterUtils::TTray& tray : status.inputTrays)
        trays.push_back((tray.number ? std::to_string(*tray.number) : "-") + " " + tray.name);
    EXPECT_EQ(trays, c.trays);
    for (const auto& [key, source] : status.sources) EXPECT_EQ(source, PrinterUtils::TStatusSource::Pjl) << key;
    EXPECT_EQ(status.sources.count("page_count"), 1u);
}

INSTANTIATE_TEST_SUITE_P(Models, PjlSourceTest, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<PjlCase>& info) { return std::string(info.param.name); });

}  // namespace
