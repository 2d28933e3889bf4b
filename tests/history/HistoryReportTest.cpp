// SPDX-License-Identifier: Apache-2.0
// report's figures over a simulated month: readings with chosen times
// written through the history's own API into a real SQLite file, then the
// real quellmark report read back as JSON (or CSV) in UTC.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "HistoryStore.h"

namespace {

// 2026-11-01T00:00:00Z; --since is that day, --until the first of December.
constexpr std::int64_t kNovember = 1793491200;

struct TRow {
    int day;  // of November, 09:00 UTC; 0 and below: October
    const char* printer;
    const char* serial;  // nullptr: the printer gave none
    long long pages;
    double toner;
};

struct TReportCase {
    const char* name;
    std::vector<TRow> rows;
    std::vector<std::string> args;                            // after "report FILE"
    std::vector<std::pair<std::string, std::string>> expect;  // JSON pointer (or "" for a CSV line) -> value
};

std::ostream& operator<<(std::ostream& out, const TReportCase& c)
{
    return out << c.name;
}

const std::vector<std::string> kMonthJson = {"--since", "2026-11-01", "--until", "2026-12-01", "--json"};

const TReportCase kCases[] = {
    {"CounterResetCountsOnlyRises",
     {{2, "10.0.0.5", "S1", 1000, 50},
      {10, "10.0.0.5", "S1", 1500, 50},
      {15, "10.0.0.5", "S1", 200, 50},
      {29, "10.0.0.5", "S1", 500, 50}},
     kMonthJson,
     {{"/printers/0/pages", "800"},
      {"/printers/0/counter_resets/0", R"({"after":200,"before":1500,"time":"2026-11-15T09:00:00+00:00"})"},
      {"/printers/0/page_count_end", "500"}}},
    {"AddressChangeFollowedBySerial",
     {{-20, "10.0.0.6", "S2", 10, 90},
      {-10, "10.0.0.7", "S2", 50, 90},
      {3, "10.0.0.7", "S2", 100, 90},
      {4, "10.0.0.8", "OTHER", 10, 90},
      {20, "10.0.0.9", "S2", 400, 90}},
     kMonthJson,
     {{"/printers/1/serial_number", "\"S2\""},
      {"/printers/1/addresses", R"(["10.0.0.6","10.0.0.7","10.0.0.9"])"},
      {"/printers/1/pages", "350"},
      {"/printers/0/serial_number", "\"OTHER\""}}},
    {"SupplyUsedAndReplaced",
     {{1, "p1", "S3", 1, 80},
      {9, "p1", "S3", 2, 20},
      {10, "p1", "S3", 3, 95},
      {12, "p1", "S3", 4, 97},
      {20, "p1", "S3", 5, 90}},
     kMonthJson,
     {{"/printers/0/supplies/0/used_points", "67.0"},
      {"/printers/0/supplies/0/replaced", "1"},
      {"/printers/0/supplies/0/level_end", "90.0"}}},
    {"BeforeThePeriodStartsTheCountAndNotSeenIsListed",
     {{-20, "gone", "S4", 7000, 40}, {-3, "lpt", nullptr, 1000, 60}, {5, "lpt", nullptr, 1250, 55}},
     kMonthJson,
     {{"/printers/0/printer", "\"lpt\""},
      {"/printers/0/pages", "250"},
      {"/printers/0/page_count_start", "1000"},
      {"/not_seen/0/serial_number", "\"S4\""},
      {"/not_seen/0/last_seen", "\"2026-10-11T09:00:00+00:00\""},
      {"/printers/1", "null"}}},
    {"WithoutSinceTheLast30Days",
     {{1, "p", "S5", 10, 50}, {30, "p", "S5", 40, 50}},
     {"--until", "2026-12-01", "--json"},
     {{"/since", "\"2026-11-01T00:00:00+00:00\""}, {"/since_chosen", "\"the last 30 days\""}}},
    {"CsvMarksTheReset",
     {{-5, "=p", "S6", 900, 50}, {2, "=p", "S6", 1000, 50}, {3, "=p", "S6", 10, 40}},
     {"--since", "2026-11-01", "--until", "2026-12-01", "--csv"},
     {{"", "'=p,S6,,'=p,yes,2026-11-03T09:00:00+00:00,900,10,100,1000 -> 10 at 2026-11-03 09:00,Toner: 10,"}}},
};

class HistoryReport : public ::testing::TestWithParam<TReportCase> {};

TEST_P(HistoryReport, AddsUpTheMonth)
{
    const TReportCase& c = GetParam();
    const std::string dir = ::testing::TempDir() + "quellmark-report-" + c.name;
    std::filesystem::create_directories(dir);
    const std::string file = dir + "/history.sqlite";
    {
        Cli::THistory history(file, Cli::THistory::TMode::Record);
        for (const TRow& row : c.rows) {
            Cli::TReading r{kNovember + (row.day - 1) * 86400 + 9 * 3600, row.printer, "completed", "", {}, {}, {}, {},
                            {{"Toner", "toner", "", row.toner}}};
            if (row.serial) r.serial = row.serial;
            r.pageCount = row.pages;
            history.Add(r, "{}");
        }
    }
    std::string command = "TZ=UTC '" + std::string(QUELLMARK_CLI) + "' report '" + file + "'";
    for (const std::string& arg : c.args) command += " " + arg;
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    EXPECT_EQ(::pclose(pipe), 0) << out;
    const nlohmann::json report = nlohmann::json::parse(out, nullptr, false);
    for (const auto& [pointer, value] : c.expect) {
        if (pointer.empty())
            EXPECT_NE(out.find(value + "\r\n"), std::string::npos) << value << "\n" << out;
        else
            EXPECT_EQ(report.value(nlohmann::json::json_pointer(pointer), nlohmann::json()).dump(), value)
                << pointer << "\n"
                << out;
    }
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Month, HistoryReport, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
