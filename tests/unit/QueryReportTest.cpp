// SPDX-License-Identifier: Apache-2.0
// Reading a printer's answer to the query, and the text forms the command
// line writes: what a printer may send, good and bad.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Output.h"
#include "QueryOutput.h"
#include "PostScriptReport.h"

namespace {

struct TAnswerCase {
    const char* name;
    std::string answer;
    std::string error;  // empty: the report reads
    std::string firstValue;
};

const TAnswerCase kAnswers[] = {
    {"Nothing", "", "the printer sent no answer", ""},
    {"OnlyBlanks", "\r\n \n", "the printer sent no answer", ""},
    {"Garbage", std::string("\x1b[2J\xff\xfe binary", 12), "the printer's answer is not a status report", ""},
    {"CutShort", "Q1\nV\tproduct\tProduct\tX\n", "the printer's answer ended before the end of the report (1 lines)",
     ""},
    {"PostScriptError",
     "Q1\n%%[ Error: undefined; OffendingCommand: foo ]%%\n%%[ Flushing: rest of job (to end-of-file) will be "
     "ignored ]%%\n",
     "the printer reported a PostScript error: %%[ Error: undefined; OffendingCommand: foo ]%%", ""},
    {"Level1", "Q1\nE\tneeds level 2\nQ.\n", "the printer cannot answer the query: needs level 2", ""},
    {"ChatterAroundCrLf", "%%[ status: busy ]%%\r\nQ1\r\nV\tproduct\tProduct\ta\\tb\\\\c\\nd\r\nQ.\r\nlater\n", "",
     "a\tb\\c\nd"},
    {"Latin1Kept", "Q1\nV\tproduct\tProduct\tCaf\xe9\nQ.\n", "", "Caf\xe9"},
};

std::ostream& operator<<(std::ostream& out, const TAnswerCase& c)
{
    return out << c.name;
}

class QueryAnswer : public ::testing::TestWithParam<TAnswerCase> {};

TEST_P(QueryAnswer, ReadsOrSaysWhy)
{
    const TAnswerCase& c = GetParam();
    PrinterUtils::TQueryReport report;
    std::string error;
    EXPECT_EQ(PrinterUtils::ParseQueryReport(c.answer, report, error), c.error.empty());
    EXPECT_EQ(error, c.error);
    if (c.error.empty()) {
        ASSERT_EQ(report.values.size(), 1u);
        EXPECT_EQ(report.values[0].value, c.firstValue);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, QueryAnswer, ::testing::ValuesIn(kAnswers),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(QueryAnswer, KeepsEveryRowOfEveryTable)
{
    PrinterUtils::TQueryReport report;
    std::string error;
    ASSERT_TRUE(
        PrinterUtils::ParseQueryReport("Q1\nR\tinput_trays\tnumber=1\tsize=A4\nR\tinput_trays\tnumber=2\tsize=a=b\n"
                                       "R\tnew_table\tx=1\nQ.\n",
                                       report, error));
    ASSERT_EQ(report.tables.size(), 4u);
    EXPECT_EQ(report.tables[1].rows.size(), 2u);
    EXPECT_EQ(report.tables[1].rows[1][1], (std::pair<std::string, std::string>{"size", "a=b"}));
    EXPECT_EQ(report.tables[3].name, "new_table");
}

// A value of the report as JSON: numbers only where the page shows one.
TEST(QueryOutput, ValuesAsJson)
{
    const struct {
        const char *key, *text, *json;
    } cases[] = {
        {"ram_size", "4,194,304", "4194304"},
        {"memory_size", "-5", "-5"},
        {"page_count", "18446744073709551615", "18446744073709551615"},
        {"wait_timeout", "-9223372036854775808", "-9223372036854775808"},
        {"job_timeout", "99999999999999999999", "1e+20"},
        {"firmware_revision", "007", "\"007\""},
        {"size", "-0", "\"-0\""},
        {"memory_used", "-", "\"-\""},
        {"sheet_count", ",5", "\",5\""},
        {"max_form_items", "", "\"\""},
        {"version", "3010", "\"3010\""},
        {"printer_name", "N/A", "null"},
        {"product", "Caf\xe9", "\"Caf\xc3\xa9\""},
    };
    for (const auto& c : cases) {
        PrinterUtils::TQueryReport report;
        report.values.push_back({c.key, "Label", c.text});
        Cli::TJson object = Cli::TJson::object();
        Cli::AddReportJson(object, report);
        EXPECT_EQ(Cli::JsonLine(object), std::string("{\"") + c.key + "\": " + c.json + "}") << c.text;
    }
}

// The report's order, a key given twice, a key of the program's own, and
// the rows under the page's headings.
TEST(QueryOutput, ReportAsJsonAndText)
{
    PrinterUtils::TQueryReport report;
    std::string error;
    ASSERT_TRUE(PrinterUtils::ParseQueryReport(
        "Q1\nV\tproduct\tProduct\ta\nV\tpage_count\tPage count\t1\nV\tproduct\tProduct\tb\n"
        "V\tprinter\tPrinter\tpeer\n"
        "R\tdevices\tname=%disk0%\tsize=1,000\tfree=800\tsearch_order=0\n"
        "R\toutput_trays\tnumber=2\ttype=N/A\nQ.\n",
        report, error));
    Cli::TJson object{{"printer", "p"}};
    Cli::AddReportJson(object, report);
    EXPECT_EQ(Cli::JsonLine(object),
              "{\"printer\": \"p\", \"product\": \"b\", \"page_count\": 1, \"devices\": [{\"name\": "
              "\"%disk0%\", \"size\": 1000, \"free\": 800, \"search_order\": 0}], "
              "\"input_trays\": [], \"output_trays\": [{\"number\": 2, \"type\": null}]}");
    EXPECT_EQ(Cli::ReportText(report), "  Product: a\n  Page count: 1\n  Product: b\n  Printer: peer\n"
                                       "  Device %disk0%: Size 1,000, Free space 800, Search order 0\n"
                                       "  Output tray 2: Type N/A\n");
}

TEST(CommandLineText, Utf8JsonAndTerminalForms)
{
    struct {
        std::string in, utf8, json, plain;
    } const cases[] = {
        {"plain", "plain", "\"plain\"", "plain"},
        {"Caf\xe9", "Caf\xc3\xa9", "\"Caf\xc3\xa9\"", "Caf\xc3\xa9"},
        {"Caf\xc3\xa9", "Caf\xc3\xa9", "\"Caf\xc3\xa9\"", "Caf\xc3\xa9"},
        {"\x9b"
         "2J",
         "\xc2\x9b"
         "2J",
         "\"\xc2\x9b"
         "2J\"",
         "?2J"},
        {"q\"\\\n\t\x01\x7f", "q\"\\\n\t\x01\x7f", "\"q\\\"\\\\\\n\\t\\u0001\x7f\"", "q\"\\????"},
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80", "\"\xc3\xad\xc2\xa0\xc2\x80\"", "\xc3\xad\xc2\xa0?"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Cli::ToUtf8(c.in), c.utf8) << c.in;
        EXPECT_EQ(Cli::JsonLine(Cli::JsonText(c.in)), c.json) << c.in;
        EXPECT_EQ(Cli::PlainText(c.in), c.plain) << c.in;
    }
}

// The one-line layout that scripts and the tests of the program read.
TEST(CommandLineText, JsonOnOneLine)
{
    const Cli::TJson value{{"b", 1},
                           {"a", nullptr},
                           {"rows", {Cli::TJson::object(), {{"x", true}}}},
                           {"none", Cli::TJson::array()}};
    EXPECT_EQ(Cli::JsonLine(value), "{\"b\": 1, \"a\": null, \"rows\": [{}, {\"x\": true}], \"none\": []}");
}

}  // namespace
