// SPDX-License-Identifier: Apache-2.0
// The printer gallery: profiles/gallery/*.ps answer the status queries the
// way printer families do (profiles/gallery-answers.ps does the answering).
// Each runs before the full document on Letter and on A4 and must give one
// page, no number in exponent form, every text inside its section's area and
// on the paper, every list complete or ending in "... N more", and the
// profile's key values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "GhostscriptPrinter.h"

using namespace DocumentTests;

namespace {

const std::string kProfiles = QUELLMARK_PRINTER_PROFILES;

struct TGalleryCase {
    const char* profile;
    // Texts of the page: a line, or a table row with its cells joined by '|';
    // "%paper%" is the paper's name; a text (or cell) ending in "..." may be cut.
    std::vector<std::string> texts;
    int devices, inputs, outputs;  // list lengths; -1: the page has no lists
};

std::ostream& operator<<(std::ostream& out, const TGalleryCase& c)
{
    return out << c.profile;
}

const std::string kYes = "|no|yes|Supported|yes|yes";
const TGalleryCase kCases[] = {
    {"desktop-mono-laser",
     {"Printed on a \"Ostrel LaserPage 12\"", "PostScript level 2 version 2014.106", "Ram size : 2,097,152",
      "Memory Size : 1,048,576", "Printed on %paper% paper", "Printing from tray 0", "Current resolution is 600 dpi",
      "Duplexer is not present", " No devices installed ", "0|Letter|Plain", "Bin 0: Face down"},
     0,
     1,
     1},
    {"departmental-mono-laser",
     {"Printed on a \"Marrowby DL-4650 PS3\"", "Known as \"DL-4650 Floor 3\"", "Ram size : 268,435,456",
      "Printing from tray 1", "Duplexer is installed", "Printing simplex", "Wait timeout : 300",
      "%rom0%...|8,388,608|0|1|no|yes|Supported|no|yes", "%flash0%...|67,108,864|48,234,496|0" + kYes, "0|Letter|Plain",
      "2|Legal|Letterhead", "Bin 1: Rear bin"},
     2,
     3,
     2},
    {"colour-mfp",
     {"Known as \"MFP-2nd-Floor\"", "Ram size : 4,294,967,296", "Max form items : 200,000", "Printing in color",
      "Printing from tray automatic", "Printing duplex", "Collating is on",
      "%disk0%...|320,000,000,000|288,000,000,000|0" + kYes, "%ram0%...|16,777,216|12,582,912|2" + kYes,
      "4|Tabloid|Heavy 2", "Bin 1: Finisher shift tray"},
     2,
     5,
     4},
    {"production-printer",
     {"Ram size : 17,179,869,184", "Printing from tray 5", "Current resolution is 2400 dpi", "Page count : 48211730",
      "%disk0%...|2,000,000,000,000|921,600,000,000|0" + kYes, "0|A3|Coated 170", "1|A4|Uncoated 90",
      "Bin 7: Purge tray"},
     7,
     24,
     8},
    {"level2-statusdict",
     {"Known as \"Kestrin Lab\"", "PostScript level 2 version 2017.902", "Ram size : 67,108,864",
      "Memory Size : 2,147,483,648", "Max form cache : N/A", "Printing from tray 2", "Current resolution is 600 dpi",
      "Print job coming from %Parallel%", "Wait timeout : 40", "Page count : 123456", "Duplexer is installed",
      "Printing simplex", "%disk0%...|40,000,000,000|31,249,999,872|0" + kYes},
     1,
     0,
     0},
    {"wide-format",
     {"Printed on a \"Vendale GrandFormat 36 PS\"", "Printed on 1728 x 2592 pt paper", "Ram size : 1,073,741,824",
      "Printing from tray 0", "Current resolution is 2400x1200 dpi",
      "%disk0%...|500,000,000,000|430,080,000,000|0" + kYes, "0|Custom 288x288 to 1728x129600...|Coated bond",
      "2|1728 x 2592 pt...|Film", "Bin 1: Take-up reel"},
     1,
     3,
     2},
    {"long-names",
     {"Printed on a \"Quillmere Imaging Enterprise Colour Production System 9600 Series PS3 Emulation\"...",
      "Known as \"Quillmere-9600-Accounting-Department-Building-West-Floor-7\"...", "Firmware revision r4471",
      "Print job coming from %IEEE1284-ECP-Parallel-Port-Number-One%...", "Page count : 0004821",
      "Real format : \"IEEE\"", "Printing from tray 4",
      "%MediaCard-SecureDigital-Slot0%...|4,000,000,000|1,048,576|1|yes|yes|Supported|yes|yes",
      "3|Letter|Heavyweight glossy coated paper 220-300 g/m2...", "5|Legal|Transparency", "Bin 0: FaceDown",
      "Bin 1: High-capacity stacker with offset jogging..."},
     2,
     3,
     2},
    {"level1", {"This variable content document requires PostScript level 2 or higher"}, -1, -1, -1},
};

constexpr double kIn = 72;
bool EndsInDots(const std::string& s)
{
    return s.size() >= 3 && s.compare(s.size() - 3, 3, "...") == 0;
}

// A page text is the expected one, or, where that ends in "...", the
// expected text itself or a start and an end of it joined by "..." (a cut
// value inside quotes keeps its closing quote).
bool Matches(const std::string& got, const std::string& expected)
{
    if (got == expected || !EndsInDots(expected)) return got == expected;
    const std::string full = expected.substr(0, expected.size() - 3);
    const std::size_t at = got.find("...");
    if (got == full || at == std::string::npos) return got == full;
    const std::string head = got.substr(0, at), tail = got.substr(at + 3);
    return head.size() + tail.size() < full.size() && full.compare(0, head.size(), head) == 0 &&
           full.compare(full.size() - tail.size(), tail.size(), tail) == 0;
}

bool RowMatches(const std::string& got, const std::string& expected)
{
    auto cells = [](const std::string& s) {
        std::vector<std::string> out;
        std::istringstream in(s);
        for (std::string cell; std::getline(in, cell, '|');) out.push_back(cell);
        return out;
    };
    const std::vector<std::string> g = cells(got), e = cells(expected);
    if (g.size() != e.size()) return false;
    for (std::size_t i = 0; i < g.size(); ++i)
        if (!Matches(g[i], e[i])) return false;
    return true;
}

// The header boxes (left, top, width in inches); boxes are 0.25 in high
// with a shadow 0.025 in beyond the right edge.
const std::tuple<const char*, double, double, double> kBoxes[] = {
    {"Printer Information", 0.8, 1, 3.05},  {"Memory", 4.65, 1, 3.05},          {"Current Job", 0.8, 2.3, 3.05},
    {"System Parameters", 4.65, 2.3, 3.05}, {"Paper Handling", 0.8, 3.6, 3.05}, {"Installed Devices", 0.8, 4.9, 7},
    {"Input Trays", 0.8, 6.3, 3.05},        {"Output Trays", 4.65, 6.3, 3.05}};

bool InDeviceTable(const TSpan& s)
{
    return s.y0 > 4.9 * kIn && s.y0 < 6.3 * kIn;
}
int Column(const TSpan& s)
{
    return InDeviceTable(s) ? 0 : s.x0 < 4.7 * kIn ? 1 : 2;
}
double Top(const TSpan& s)
{
    return s.y0 - 0.72 * s.size;
}
double Bottom(const TSpan& s)
{
    return s.y0 + 0.22 * s.size;
}

// Spans on one baseline in one column (the device table is one column),
// left to right.
std::map<std::pair<long, int>, std::vector<const TSpan*>> Rows(const std::vector<TSpan>& spans)
{
    std::map<std::pair<long, int>, std::vector<const TSpan*>> rows;
    for (const TSpan& s : spans) rows[{std::lround(s.y0), Column(s)}].push_back(&s);
    for (auto& [key, row] : rows)
        std::sort(row.begin(), row.end(), [](const TSpan* a, const TSpan* b) { return a->x0 < b->x0; });
    return rows;
}

std::string Join(const std::vector<const TSpan*>& row, const std::string& separator)
{
    std::string text;
    for (std::size_t i = 0; i < row.size(); ++i) text += (i ? separator : "") + row[i]->text;
    return text;
}

// Every text inside its section: the column's box edges across (the device
// table spans both), clear of every header box but its own, 7 pt exactly in
// the device table; nothing overlaps.
void ExpectInsideAreas(const std::vector<TSpan>& spans)
{
    for (const TSpan& s : spans) {
        const int column = Column(s);
        const double left = (column == 2 ? 4.65 : 0.5) * kIn, right = (column == 1 ? 4.65 : 7.7) * kIn;
        EXPECT_TRUE(s.x0 >= left - 1 && s.x1 <= right + 1)
            << s.text << " runs out of its column: " << s.x0 / kIn << " to " << s.x1 / kIn << " in";
        bool header = false;
        for (const auto& [text, boxLeft, boxTop, width] : kBoxes) {
            const bool own = s.text == text && std::abs(s.size - 12) < 0.01;
            header = header || own;
            const bool overlaps = s.x1 > boxLeft * kIn + 1 && s.x0 < (boxLeft + width + 0.025) * kIn - 1 &&
                                  Bottom(s) > boxTop * kIn + 1 && Top(s) < (boxTop + 0.25) * kIn - 1;
            EXPECT_EQ(overlaps, own) << s.text << " and the box " << text;
        }
        if (!header) {
            EXPECT_EQ(std::abs(s.size - 7) < 0.01, InDeviceTable(s)) << s.text << " at " << s.y0 / kIn;
        }
    }
    for (const auto& [key, row] : Rows(spans))
        for (std::size_t i = 1; i < row.size(); ++i)
            EXPECT_LE(row[i - 1]->x1, row[i]->x0 + 1) << row[i - 1]->text << " runs into " << row[i]->text;
}

// A list shows all its entries, or as many as fit and then "... N more".
void ExpectListLength(const std::vector<std::string>& rows, int total, const char* list)
{
    static const std::regex kMore(R"(\.\.\. (\d+) more)");
    std::smatch m;
    const int shown = static_cast<int>(rows.size());
    if (total <= 0) return;
    if (!rows.empty() && std::regex_match(rows.back(), m, kMore))
        EXPECT_EQ(shown - 1 + std::stoi(m[1]), total) << list;
    else
        EXPECT_EQ(shown, total) << list;
}

class Gallery : public ::testing::TestWithParam<std::tuple<TGalleryCase, const char*>> {};

}  // namespace

TEST_P(Gallery, EveryProfilePrintsItsValuesInsideThePage)
{
    const auto& [c, paper] = GetParam();
    TTempDir dir;
    const std::string size =
        dir.Write("size.ps", "(size ) print currentpagedevice /PageSize get {=only ( ) print} forall (\\n) print\n");
    const TGsResult r = RunText({kProfiles + "/gallery-answers.ps", kProfiles + "/gallery/" + c.profile + ".ps",
                                 QUELLMARK_STATUS_DOCUMENT, size},
                                paper);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Error"), std::string::npos) << r.err;
    ASSERT_EQ(PageCount(r.out), 1);
    double width = 0, height = 0;
    std::istringstream(r.err.substr(r.err.rfind("size ") + 5)) >> width >> height;
    ASSERT_GT(height, 0) << r.err;

    const std::vector<TSpan> spans = ParseSpans(r.out);
    static const std::regex kExponent(R"([0-9][.,]*[eE][,+-]*[0-9])");
    for (const TSpan& s : spans) {
        EXPECT_FALSE(std::regex_search(s.text, kExponent)) << "exponent form: " << s.text;
        EXPECT_TRUE(s.x0 >= 0.25 * kIn && s.x1 <= width - 0.25 * kIn && Top(s) >= 0.25 * kIn &&
                    Bottom(s) <= height - 0.25 * kIn)
            << s.text << " off the paper";
    }
    if (c.devices >= 0) ExpectInsideAreas(spans);

    std::vector<std::string> lines, rows, devices, inputs, outputs;
    for (const auto& [key, row] : Rows(spans)) {
        lines.push_back(Join(row, ""));
        rows.push_back(Join(row, "|"));
        const auto [y, column] = key;
        if (column == 0 && y > 5.35 * kIn) devices.push_back(lines.back());
        if (column == 1 && y > 6.9 * kIn) inputs.push_back(lines.back());
        if (column == 2 && y > 6.6 * kIn) outputs.push_back(lines.back());
    }
    const std::string paperName = std::string(paper) == "a4" ? "A4" : "Letter";
    for (std::string e : c.texts) {
        if (const std::size_t at = e.find("%paper%"); at != std::string::npos) e.replace(at, 7, paperName);
        const bool row = e.find('|') != std::string::npos;
        const std::vector<std::string>& page = row ? rows : lines;
        EXPECT_TRUE(std::any_of(page.begin(), page.end(),
                                [&](const std::string& l) { return row ? RowMatches(l, e) : Matches(l, e); }))
            << "missing: " << e;
    }
    ExpectListLength(devices, c.devices, "devices");
    ExpectListLength(inputs, c.inputs, "input trays");
    ExpectListLength(outputs, c.outputs, "output trays");
}

INSTANTIATE_TEST_SUITE_P(Profiles, Gallery,
                         ::testing::Combine(::testing::ValuesIn(kCases), ::testing::Values("letter", "a4")),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param).profile;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name + "_" + std::get<1>(info.param);
                         });
