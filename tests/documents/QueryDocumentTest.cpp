// SPDX-License-Identifier: Apache-2.0
// The query document on Ghostscript as the printer, with the printer
// profiles: it prints no sheet, its report reads back whole, and every
// value it reports is the one the full page prints for the same printer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "GhostscriptPrinter.h"
#include "PostScriptReport.h"

using namespace DocumentTests;

namespace {

const std::string kFull = QUELLMARK_STATUS_DOCUMENT;
const std::string kQuery = QUELLMARK_QUERY_DOCUMENT;
const std::string kProfiles = QUELLMARK_PRINTER_PROFILES;

struct TQueryCase {
    const char* profile;  // "" runs Ghostscript as it is
    std::size_t devices, inputTrays, outputTrays;
    std::vector<std::pair<std::string, std::string>> values;  // key, value as reported
    bool pageShowsWholeValues = true;                         // false where the page cuts values to its columns
};

std::ostream& operator<<(std::ostream& out, const TQueryCase& c)
{
    return out << (*c.profile ? c.profile : "gs");
}

const TQueryCase kCases[] = {
    {"", 3, 65, 1, {{"product", "GPL Ghostscript"}, {"ram_size", "4,194,304"}, {"color", "black"}}},
    {"colour-duplex",
     2,
     3,
     2,
     {{"product", "Colour Laser 9000 PS"},
      {"printer_name", "Office colour"},
      {"ram_size", "67,108,864"},
      {"color", "color"},
      {"tray", "2"},
      {"resolution", "600 dpi"},
      {"printing", "duplex"},
      {"duplexer", "installed"},
      {"sys_start", "enabled"},
      {"start_page", "disabled"}}},
    {"all-fail", 0, 0, 0, {{"product", "N/A"}, {"ram_size", "N/A"}, {"printing", "N/A"}}},
    {"hostile-errors", 0, 0, 0, {{"product", "N/A"}, {"duplexer", "installed"}}},
    {"hostile-missing", 0, 0, 0, {{"printer_name", "N/A"}, {"duplexer", "not present"}}},
    {"hostile-not-dictionaries", 3, 0, 0, {{"tray", "N/A"}}},
    {"hostile-wrong-types", 5, 8, 3, {{"product", "12345"}, {"page_count", "-5"}, {"job_timeout", "never"}}},
    {"hostile-long-strings", 2, 2, 2, {{"printer_name", "Office"}}, false},
    // The gallery: every row, also those the page has no room for.
    {"gallery/colour-mfp", 2, 5, 4, {{"ram_size", "4,294,967,296"}, {"tray", "automatic"}}},
    {"gallery/departmental-mono-laser", 2, 3, 2, {{"product", "Marrowby DL-4650 PS3"}}},
    {"gallery/desktop-mono-laser", 0, 1, 1, {{"ram_size", "2,097,152"}}},
    {"gallery/level2-statusdict", 1, 0, 0, {{"memory_size", "2,147,483,648"}, {"tray", "2"}}},
    {"gallery/production-printer", 7, 24, 8, {{"ram_size", "17,179,869,184"}, {"tray", "5"}}},
    {"gallery/wide-format", 1, 3, 2, {{"paper_size", "1728 x 2592 pt"}}},
    {"gallery/long-names", 2, 3, 2, {{"ram_size", "N/A"}}, false},
};

class QueryDocument : public ::testing::TestWithParam<TQueryCase> {};

std::vector<std::string> Files(const TQueryCase& c, const std::string& document)
{
    const std::string profile = c.profile;
    if (profile.empty()) return {document};
    if (profile.rfind("gallery/", 0) == 0)
        return {kProfiles + "/gallery-answers.ps", kProfiles + "/" + profile + ".ps", document};
    return {kProfiles + "/" + profile + ".ps", document};
}

TEST_P(QueryDocument, ReportsWhatThePagePrintsWithoutASheet)
{
    const TQueryCase& c = GetParam();
    // txtwrite sends the job's %stdout to err and the pages to out.
    const TGsResult query = RunText(Files(c, kQuery));
    ASSERT_EQ(query.exitCode, 0) << query.err;
    EXPECT_EQ(PageCount(query.out), 0) << "the query printed a sheet";

    PrinterUtils::TQueryReport report;
    std::string error;
    ASSERT_TRUE(PrinterUtils::ParseQueryReport(query.err, report, error)) << error << "\n" << query.err;
    ASSERT_EQ(report.tables.size(), 3u);
    EXPECT_EQ(report.tables[0].rows.size(), c.devices);
    EXPECT_EQ(report.tables[1].rows.size(), c.inputTrays);
    EXPECT_EQ(report.tables[2].rows.size(), c.outputTrays);
    for (const auto& [key, value] : c.values) {
        const auto v = std::find_if(report.values.begin(), report.values.end(),
                                    [&](const PrinterUtils::TQueryValue& x) { return x.key == key; });
        ASSERT_NE(v, report.values.end()) << key;
        EXPECT_EQ(v->value, value) << key;
    }

    // Every value the query reports stands on the full page of the same
    // printer, except the virtual memory figures, which differ from job to job.
    if (!c.pageShowsWholeValues) return;
    const TGsResult page = RunText(Files(c, kFull));
    ASSERT_EQ(page.exitCode, 0) << page.err;
    std::vector<std::string> lines = PageLines(ParseSpans(page.out), 1);
    // The page's font may draw code 45 as a minus sign (U+2212), which
    // txtwrite writes as a character reference.
    for (std::string& line : lines)
        for (std::size_t at; (at = line.find("&#x2212;")) != std::string::npos;) line.replace(at, 8, "-");
    for (const PrinterUtils::TQueryValue& v : report.values) {
        if (v.key == "memory_size" || v.key == "memory_used") continue;
        const bool shown = std::any_of(lines.begin(), lines.end(), [&](const std::string& line) {
            return line.find(v.value) != std::string::npos;
        });
        EXPECT_TRUE(shown) << v.key << " = \"" << v.value << "\" is not on the page";
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, QueryDocument, ::testing::ValuesIn(kCases));

// A printer below level 2 gets no sheet either: the report says why.
TEST(QueryDocumentLevel1, ReportsThatItCannotRun)
{
    for (const char* profile : {"level1-low", "level1-undefined"}) {
        const TGsResult r = RunText({kProfiles + "/" + profile + ".ps", kQuery});
        EXPECT_EQ(PageCount(r.out), 0) << profile;
        PrinterUtils::TQueryReport report;
        std::string error;
        EXPECT_FALSE(PrinterUtils::ParseQueryReport(r.err, report, error)) << profile;
        EXPECT_EQ(error, "the printer cannot answer the query: This status query requires PostScript level 2 or higher")
            << profile;
    }
}

}  // namespace
