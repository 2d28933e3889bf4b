// SPDX-License-Identifier: Apache-2.0
// quellmark check as a monitoring system runs it, against real SNMP agents
// and a printer that does not answer: the exit status and the one status
// line; and the threshold ranges it reads.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <regex>
#include <string>

#include "CommandLine.h"
#include "MonitoringRange.h"
#include "ShellCommand.h"
#include "SilentPort.h"
#include "SnmpTestAgent.h"

using namespace QuellmarkTest;

namespace {

struct TCheckCase {
    const char* name;
    const char* printer;  // a walk's community, or "" for a port that never answers
    const char* options;
    int exitCode;
    const char* line;  // the whole status line, as a regular expression
};

const TCheckCase kCases[] = {
    {"Ok", "mono-laser", "",  //
     0,
     "PRINTER OK - Kestrel ML-4200dn: idle, lowest supply black toner 70% \\| "
     "'black_toner_cartridge'=70%;@0:20;@0:5;0;100 'pages'=48213c\n"},
    {"TonerUnderWarning", "colour-mfp", "",  //
     1,
     "PRINTER WARNING - Kestrel CX-7530 MFP: black toner 8%, toner low, Black toner is low \\| "
     "'cyan_toner'=40%;@0:20;@0:5;0;100 .* 'black_toner'=8%;.* 'waste_toner_box'=80%;.* 'pages'=152340c\n"},
    {"TonerUnderCriticalAbove", "colour-mfp", "--warning 50: --critical 10:",  //
     2, "PRINTER CRITICAL - Kestrel CX-7530 MFP: black toner 8%, cyan toner 40%, toner low, .*\n"},
    {"PaperJam", "odd-supplies", "",  //
     2,
     "PRINTER CRITICAL - Wren SP-310: Waste Toner Bottle 5% room left, paper jam, Paper jam in the "
     "cassette area, waste toner box nearly full \\| 'fuser'=100%;@0:20;@0:5;0;100 'waste_toner_bottle'=5%;.*"
     "'pages'=1203c\n"},
    {"NoSupplyLevels", "quoted-model", "",  //
     3, "PRINTER UNKNOWN - Wren \"Duo\", SP-2: no supply levels \\| 'pages'=777c\n"},
    // Without --timeout: the default bound ends it in time.
    {"Unreachable", "", "",  //
     2, "PRINTER CRITICAL - snmp://public@127\\.0\\.0\\.1:[0-9]+ does not answer: .*\n"},
    {"StartAboveEnd", "mono-laser", "--warning 20:10",  //
     3, "PRINTER UNKNOWN - --warning '20:10' is not a range: the start lies above the end .*\n"},
    {"NotANumber", "mono-laser", "--critical @abc",  //
     3, "PRINTER UNKNOWN - --critical '@abc' is not a range: the end is no number .*\n"},
};

void PrintTo(const TCheckCase& c, std::ostream* out)
{
    *out << c.name;
}

// One agent for every case, stopped when the tests end.
SnmpTestAgent& Agent()
{
    static SnmpTestAgent agent(
        {"mono-laser.snmprec", "colour-mfp.snmprec", "odd-supplies.snmprec", "quoted-model.snmprec"});
    return agent;
}

class Check : public ::testing::TestWithParam<TCheckCase> {};

TEST_P(Check, ExitsWithTheStateAndOneLine)
{
    const TCheckCase& c = GetParam();
    const SilentPort silent;
    const std::string printer =
        *c.printer ? "snmp://" + std::string(c.printer) + "@127.0.0.1:" + std::to_string(Agent().Port())
                   : "snmp://public@127.0.0.1:" + std::to_string(silent.Port());
    const auto start = std::chrono::steady_clock::now();
    int exitCode = -1;
    const std::string out =
        RunShell("'" + std::string(QUELLMARK_CLI) + "' check " + c.options + " " + printer + " 2>/dev/null", exitCode);
    // Monitoring systems give a plugin 10 s.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(9));
    EXPECT_EQ(exitCode, c.exitCode) << out;
    EXPECT_TRUE(std::regex_match(out, std::regex(c.line))) << out;
}

INSTANTIATE_TEST_SUITE_P(States, Check, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct TRangeCase {
    const char* text;
    double values[3];
    bool alerts[3];  // whether each value alerts
};

const TRangeCase kRanges[] = {
    // N is 0..N: alert outside it, ends included in the range.
    {"10", {-1, 10, 5}, {true, false, false}},      {"10", {11, 0, 10.5}, {true, false, true}},
    {"20:", {19.9, 20, 1e9}, {true, false, false}}, {"~:10", {-1e9, 10, 10.1}, {false, false, true}},
    {"10:20", {9, 20, 15}, {true, false, false}},   {"@10:20", {9, 10, 15}, {false, true, true}},
    {"@0:20", {21, 20, 0}, {false, true, true}},    {"@20", {20.5, 20, -1}, {false, true, false}},
    {":10", {-1, 0, 10}, {true, false, false}},     {"2.5:7.5", {2.4, 7.5, 3}, {true, false, false}},
    {"-5:-1", {-6, -5, 0}, {true, false, true}},    {"5:5", {4, 5, 6}, {true, false, true}},
};

TEST(MonitoringRange, ReadsTheGuidelinesSyntax)
{
    for (const TRangeCase& c : kRanges) {
        SCOPED_TRACE(std::string("'") + c.text + "'");
        const Cli::TMonitoringRange range = Cli::ParseMonitoringRange("--warning", c.text);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(range.Alerts(c.values[i]), c.alerts[i]) << c.values[i];
    }
    for (const char* text : {"", "@", "abc", "20:10", "-5", "1:2:3", "10:abc", "~", "inf", "nan:", " 5", "1,5", "0x10"})
        EXPECT_THROW(Cli::ParseMonitoringRange("--warning", text), Cli::EUsage) << "'" << text << "'";
}

}  // namespace
