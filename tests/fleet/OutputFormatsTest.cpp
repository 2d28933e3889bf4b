// SPDX-License-Identifier: Apache-2.0
// quellmark query's machine formats against real SNMP agents and a printer
// that does not answer: NDJSON holds the JSON array's objects a line each,
// CSV has its columns, quoting and a row for the silent printer, and the
// Prometheus text passes promtool.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "ShellCommand.h"
#include "SilentPort.h"
#include "SnmpTestAgent.h"

using namespace QuellmarkTest;

namespace {

class OutputFormats : public ::testing::Test {
protected:
    std::string Query(const std::string& format, int& exitCode)
    {
        std::string args;
        for (const char* walk : {"colour-mfp", "quoted-model"})
            args += " snmp://" + std::string(walk) + "@127.0.0.1:" + std::to_string(agent_.Port());
        args += " snmp://public@127.0.0.1:" + std::to_string(silent_.Port());
        return RunShell("'" + std::string(QUELLMARK_CLI) + "' query --jobs 1 --timeout 1 " + format + args +
                            " 2>/dev/null",
                        exitCode);
    }
    std::string Name(const char* walk) const
    {
        return "snmp://" + std::string(walk) + "@127.0.0.1:" + std::to_string(agent_.Port());
    }
    std::string Silent() const { return "snmp://public@127.0.0.1:" + std::to_string(silent_.Port()); }

    SnmpTestAgent agent_{{"colour-mfp.snmprec", "quoted-model.snmprec"}};
    SilentPort silent_;
};

TEST_F(OutputFormats, NdjsonIsTheJsonArrayALineEach)
{
    int json = -1, ndjson = -1;
    const nlohmann::json array = nlohmann::json::parse(Query("--json", json));
    const std::string lines = Query("--ndjson", ndjson);
    EXPECT_EQ(json, 1);
    EXPECT_EQ(ndjson, 1);
    std::istringstream in(lines);
    std::vector<nlohmann::json> objects;
    for (std::string line; std::getline(in, line);) objects.push_back(nlohmann::json::parse(line));
    ASSERT_EQ(objects.size(), 3u) << lines;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        // The uptime moves between the two runs; everything else is the same.
        objects[i].erase("uptime_seconds");
        nlohmann::json element = array.at(i);
        element.erase("uptime_seconds");
        EXPECT_EQ(objects[i], element);
    }
}

TEST_F(OutputFormats, CsvHasItsColumnsQuotingAndARowForEveryPrinter)
{
    int exitCode = -1;
    const std::string csv = Query("--csv", exitCode);
    EXPECT_EQ(exitCode, 1);
    EXPECT_EQ(csv, "printer,make_and_model,serial_number,firmware,page_count,black_percent,cyan_percent,"
                   "magenta_percent,yellow_percent,state\r\n" +
                       Name("colour-mfp") + ",Kestrel CX-7530 MFP,KCX7530-3F2291,,152340,8,40,65,90,processing\r\n" +
                       Name("quoted-model") + ",\"Wren \"\"Duo\"\", SP-2\",'=2+3,,777,,,,,idle\r\n" + Silent() +
                       ",,,,,,,,,unreachable\r\n");
}

TEST_F(OutputFormats, PrometheusTextPassesPromtool)
{
    int exitCode = -1;
    const std::string text = Query("--prometheus", exitCode);
    EXPECT_EQ(exitCode, 1);
    const std::string file = ::testing::TempDir() + "quellmark-fleet.prom";
    std::ofstream(file) << text;
    int lint = -1;
    const std::string verdict = RunShell("promtool check metrics < '" + file + "' 2>&1", lint);
    std::remove(file.c_str());
    EXPECT_EQ(lint, 0) << verdict << text;
    for (const std::string& sample :
         {"quellmark_up{printer=\"" + Silent() + "\"} 0\n",
          "quellmark_printer_info{printer=\"" + Name("quoted-model") +
              "\",make_and_model=\"Wren \\\"Duo\\\", SP-2\",serial_number=\"=2+3\",firmware=\"\"} 1\n",
          "quellmark_supply_level_ratio{printer=\"" + Name("colour-mfp") +
              "\",supply=\"Black Toner\",kind=\"toner\",color=\"black\"} 0.08\n",
          "quellmark_tray_level_ratio{printer=\"" + Name("colour-mfp") + "\",tray=\"Tray 1\"} 1\n",
          "quellmark_page_count_total{printer=\"" + Name("colour-mfp") + "\"} 152340\n",
          "quellmark_alert{printer=\"" + Name("colour-mfp") + "\",alert=\"toner low\"} 1\n"})
        EXPECT_NE(text.find(sample), std::string::npos) << sample << "\n" << text;
}

}  // namespace
