// SPDX-License-Identifier: Apache-2.0
// Printers that answer the status queries badly: nothing at all, errors with
// debris left on the stacks, 10,000-character texts, values of the wrong
// type or shape, sources that are not dictionaries. Each profile in
// profiles/hostile-*.ps runs before both documents; each document must still
// print its one page, say "N/A" or bounded readable text where the printer
// gave nonsense, and end the job without an error and with the job's stacks
// as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "GhostscriptPrinter.h"

using namespace DocumentTests;

namespace {

const std::string kFull = QUELLMARK_STATUS_DOCUMENT;
const std::string kMinimal = QUELLMARK_MINSTATUS_DOCUMENT;
const std::string kProfiles = QUELLMARK_PRINTER_PROFILES;

// The most characters a printer value keeps, and the longest span: a label
// and such a value.
constexpr std::size_t kMaxValue = 40;
constexpr std::size_t kMaxSpan = 80;

// The long-strings profile's texts: letters or digits repeated, as cut on the page.
std::string Cut(const std::string& alphabet)
{
    std::string s;
    while (s.size() < kMaxValue - 3) s += alphabet[s.size() % alphabet.size()];
    return s + "...";
}
const std::string kLetters = Cut("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const std::string kDigits = Cut("0123456789");

struct THostileCase {
    const char* profile;
    std::string product;                          // as the minimal page quotes it
    std::vector<std::string> lines;               // lines the full page carries
    std::vector<std::vector<std::string>> trays;  // the first rows of the tray table
};

std::ostream& operator<<(std::ostream& out, const THostileCase& c)
{
    return out << c.profile;
}

const std::vector<std::string> kNoAnswers = {
    "Known as \"N/A\"",          "Ram size : N/A",        "Max form items : N/A", "Max form cache : N/A",
    "Cur form cache : N/A",      "Printing in N/A",       "Printed on N/A paper", "Current resolution is N/A dpi",
    "Print job coming from N/A", "Job timeout : N/A",     "Wait timeout : N/A",   "Page count : N/A",
    "Real format : \"N/A\"",     "Print PS errors : N/A", "Sys/Start : N/A",      "Start page : N/A",
    "Binary port : N/A",         "Check password : N/A",  "Mirrorprint is N/A",   "Printing N/A",
    "Orientation is N/A",        "Collating is N/A"};

std::vector<std::string> Join(std::vector<std::string> a, const std::vector<std::string>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const THostileCase kCases[] = {
    {"hostile-missing",
     "GPL Ghostscript",
     // a page device that names no tray leaves the choice to the printer
     Join(kNoAnswers, {"Printed on a \"GPL Ghostscript\"", "PostScript level 3 version 3010", "Firmware revision 10000",
                       "Duplexer is not present", " No devices installed ", "Printing from tray automatic"}),
     {{"N/A"}}},
    {"hostile-not-dictionaries",
     "GPL Ghostscript",
     Join(kNoAnswers, {"Printed on a \"GPL Ghostscript\"", "PostScript level 3 version 3010", "Duplexer is N/A",
                       "Printing from tray N/A"}),
     {{"N/A"}}},
    {"hostile-errors",
     "N/A",
     Join(kNoAnswers, {"Printed on a \"N/A\"", "PostScript level 3 version N/A", "Firmware revision N/A",
                       "Memory Size : N/A", "Memory Used : N/A", " No devices installed ", "Printing from tray N/A"}),
     {{"N/A"}}},
    {"hostile-long-strings",
     kLetters,
     {// cut to fit the column: the closing quote goes with the rest
      "Printed on a \"" + kLetters, "Known as \"Office\"", "PostScript level 3 version " + kLetters,
      "Firmware revision " + kDigits, "Ram size : 4,194,304", "Memory Size : N/A", "Max form items : N/A",
      "Printing in black", "Printing from tray " + kLetters, "Print job coming from " + kLetters,
      "Real format : \"IEEE   and then some\"", "Job timeout : " + kDigits, "Wait timeout : " + kLetters,
      "Page count : " + kDigits, "Bin 0: " + kLetters, "Bin 1: " + kLetters},
     {{"0", "Letter", kLetters}, {"1", "A4", kLetters}}},
    {"hostile-wrong-types",
     "12345",
     {"Printed on a \"12345\"",
      "Known as \"42\"",
      "PostScript level 3 version V3010",
      "Firmware revision ten thousand",
      "Ram size : N/A",
      "Memory Size : N/A",
      "Memory Used : N/A",
      "Max form items : N/A",
      "Max form cache : N/A",
      "Printing in color",
      "Printed on N/A paper",
      "Printing from tray one",
      "Current resolution is N/A dpi",
      "Print job coming from 42",
      "Job timeout : never",
      "Real format : \"DEC\"",
      "Print PS errors : N/A",
      "Sys/Start : N/A",
      "Check password : N/A",
      "Printing N/A",
      "Orientation is N/A",
      "Bin 0",
      "Bin 1: FaceUp",
      "Bin 2: 99"},
     {{"3", "N/A", "7"},
      {"4", "N/A", "N/A"},
      {"5", "N/A", "N/A"},
      {"6", "N/A", "Plain"},
      {"7", "N/A", "N/A"},
      {"8", "N/A", "N/A"},
      {"9", "Letter", "Plain"},
      {"10", "N/A", "N/A"}}},
    {"hostile-pagesize-short",
     "GPL Ghostscript",
     {"Printed on N/A paper", "Current resolution is 72 dpi"},
     {{"0", "Letter", "N/A"}}},
    {"hostile-pagesize-long",
     "GPL Ghostscript",
     {"Printed on N/A paper", "Current resolution is 72 dpi"},
     {{"0", "Letter", "N/A"}}},
};

// A page text is the expected one, or, where that ends in "...", the page
// cut it shorter to fit its column: then it ends in "..." after at least
// ten characters that start the expected text.
bool LineMatches(const std::string& line, const std::string& expected)
{
    const std::string dots = "...";
    auto endsInDots = [&](const std::string& s) {
        return s.size() >= dots.size() && s.compare(s.size() - dots.size(), dots.size(), dots) == 0;
    };
    if (line == expected) return true;
    if (!endsInDots(expected) || !endsInDots(line) || line.size() < 13) return false;
    return expected.compare(0, line.size() - dots.size(), line, 0, line.size() - dots.size()) == 0;
}

std::vector<std::string> RowTexts(const std::vector<TSpan>& spans, double yInch)
{
    std::vector<const TSpan*> row;
    for (const TSpan& s : spans)
        if (s.page == 1 && s.x0 < 4.7 * 72 && std::abs(s.y0 - yInch * 72) <= 0.5) row.push_back(&s);
    std::sort(row.begin(), row.end(), [](const TSpan* a, const TSpan* b) { return a->x0 < b->x0; });
    std::vector<std::string> texts;
    for (const TSpan* s : row) texts.push_back(s->text);
    return texts;
}

class HostilePrinter : public ::testing::TestWithParam<THostileCase> {
protected:
    // Runs the profile, the document and a suffix that reports the job's
    // stacks; checks the job ended cleanly on one page of bounded lines.
    std::vector<TSpan> PrintOnePage(const std::string& document)
    {
        const TGsResult r = RunText({kProfiles + "/" + GetParam().profile + ".ps", document, stacks_});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.err.find("Error"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("stacks 0 3\n"), std::string::npos) << r.err;
        EXPECT_EQ(PageCount(r.out), 1);
        const std::vector<TSpan> spans = ParseSpans(r.out);
        for (const TSpan& s : spans) EXPECT_LE(s.text.size(), kMaxSpan) << s.text.substr(0, 200);
        return spans;
    }

    TTempDir dir_;
    const std::string stacks_ = dir_.Write("stacks.ps", "(stacks ) print count =only ( ) print countdictstack =\n");
};

}  // namespace

TEST_P(HostilePrinter, BothDocumentsPrintOnePageAndEndTheJobCleanly)
{
    const THostileCase& c = GetParam();
    {
        SCOPED_TRACE("minimal document");
        const std::vector<TSpan> spans = PrintOnePage(kMinimal);
        ASSERT_EQ(spans.size(), 1u);
        EXPECT_EQ(spans[0].text, "Printed on a \"" + c.product + "\"");
        EXPECT_NEAR(spans[0].x0, 72, 0.5);
        EXPECT_NEAR(spans[0].y0, 72, 0.5);
    }
    SCOPED_TRACE("full document");
    const std::vector<TSpan> spans = PrintOnePage(kFull);
    const std::vector<std::string> lines = PageLines(spans, 1);
    for (const std::string& e : c.lines)
        EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return LineMatches(l, e); }))
            << "missing line: " << e;
    // Every text ends before the right column's boxes or at their right edge; the device
    // table (5.3 to 6.3 inches down, headings included) spans both columns,
    // and its cells in a row do not run into each other.
    std::vector<const TSpan*> table;
    for (const TSpan& s : spans) {
        const bool inTable = s.y0 > 5.2 * 72 && s.y0 < 6.3 * 72;
        const double edge = (s.x0 < 4.7 * 72 && !inTable ? 4.65 : 7.7) * 72;
        EXPECT_LE(s.x1, edge + 0.5) << s.text;
        if (inTable) table.push_back(&s);
    }
    std::sort(table.begin(), table.end(), [](const TSpan* a, const TSpan* b) {
        return std::lround(a->y0) != std::lround(b->y0) ? a->y0 < b->y0 : a->x0 < b->x0;
    });
    for (std::size_t i = 1; i < table.size(); ++i) {
        if (std::lround(table[i]->y0) == std::lround(table[i - 1]->y0)) {
            EXPECT_LE(table[i - 1]->x1, table[i]->x0 + 1.5) << table[i - 1]->text << " | " << table[i]->text;
        }
    }
    // The page keeps its place on the sheet whatever the page device says.
    const TSpan* title = FindSpan(spans, 1, "Status page");
    ASSERT_NE(title, nullptr);
    EXPECT_NEAR(title->x0, 0.5 * 72, 0.5);
    EXPECT_NEAR(title->y0, 0.7 * 72, 0.5);
    for (std::size_t i = 0; i < c.trays.size(); ++i) {
        const std::vector<std::string> row = RowTexts(spans, 7.0 + static_cast<double>(i) * 0.16667);
        ASSERT_EQ(row.size(), c.trays[i].size()) << "tray row " << i;
        for (std::size_t k = 0; k < row.size(); ++k)
            EXPECT_TRUE(LineMatches(row[k], c.trays[i][k])) << "tray row " << i << ": " << row[k];
    }
}

INSTANTIATE_TEST_SUITE_P(Profiles, HostilePrinter, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<THostileCase>& info) {
                             std::string name = info.param.profile;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

// The wrong-types profile's devices: names that are not strings are skipped,
// an answer of the wrong length or type costs its own column and no more.
TEST(HostilePrinterDevices, OddNamesAndAnswersKeepTheirRows)
{
    const TGsResult r = RunText({kProfiles + "/hostile-wrong-types.ps", kFull});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<TSpan> spans = ParseSpans(r.out);
    const double row = 5.3 + 0.2, line = 0.16667;
    auto cells = [&](int k) {
        std::vector<std::string> texts;
        for (const TSpan& s : spans)
            if (std::abs(s.y0 - (row + k * line) * 72) <= 0.5) texts.push_back(s.text);
        return texts;
    };
    // /named: the name as text; a size in a string is no size, 5.5 free blocks of 512 bytes are.
    EXPECT_EQ(cells(0), (std::vector<std::string>{"named", "N/A", "2,816", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A"}));
    // (): an empty name, a block size in a string: no sizes.
    EXPECT_EQ(cells(1), (std::vector<std::string>{"N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A", "N/A"}));
    // %disk0%: devstatus answers eight values of the wrong types.
    EXPECT_EQ(cells(2), (std::vector<std::string>{"%disk0%", "N/A", "N/A", "one", "N/A", "N/A", "x", "1", "yes"}));
    // %short% and %long%: devstatus answers too few and too many values, so the parameters stand in.
    EXPECT_EQ(cells(3).at(0), "%short%");
    EXPECT_EQ(cells(4).at(0), "%long%");
    EXPECT_TRUE(cells(5).empty());
}

// The guard every query runs in, and the text every printer value becomes.
TEST(HostilePrinterRuntime, GuardKeepsTheCallersStacksAndTextIsBounded)
{
    TTempDir dir;
    const std::string suffix = dir.Write("suffix.ps", R"(
userdict /^VK4 get begin
/P {=only ( ) print} def
/Depth countdictstack def
/Top currentdict def
(a) (b) {pop pop pop 1} ^Q P count P pop pop
{end end 7} ^Q P P countdictstack Depth eq P currentdict Top eq P
{10 dict begin 5 dict begin 1 2 /x cvx errordict /rangecheck get exec} ^Q P
$error /newerror get P countdictstack Depth eq P
{1 2} ^Q P count P
0 [1 2 3] {pop {exit} ^Q pop 1 add} forall P
{{1 2} ^Q {1} {0} ifelse} ^Q P P count P (\n) print
(ab\000cd) ^TXT P
40 string 0 1 39 {1 index exch 120 put} for ^TXT length P
41 string 0 1 40 {1 index exch 120 put} for ^TXT P
(a\tb\r\n\177) readonly ^TXT (|) print print (|) print
/nm ^VAL P [1] ^VAL null eq P 2.5 ^VAL P (\n) print
end
(stacks ) print count =only ( ) print countdictstack =
)");
    const TGsResult r = RunNull({kFull, suffix});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              // popping the caller's operands fails and leaves them; ending the
              // caller's dictionaries is undone; an error with debris fails and is
              // cleared; two results fail; exit stays inside; queries nest
              "false 2 true 7 true true false false true false 0 3 true 0 0 \n"
              // cut at a NUL; 40 characters stay, 41 are cut to 37 and "..."; control
              // characters become spaces in a copy of a read-only string; names
              // become text, arrays no answer
              "ab 40 " +
                  std::string(37, 'x') +
                  "... |a b   |nm true 2.5 \n"
                  "stacks 0 3\n");
}

// A status query runs apart from the page: what it draws, sets or shows by
// name does not reach the page, while an interrupt (the host cancels) or a
// timeout ends the job as the interpreter would without the guard.
TEST(HostilePrinterRuntime, QueriesCannotTouchThePageButInterruptAndTimeoutEndTheJob)
{
    struct TCase {
        const char* name;
        const char* product;  // the product query
        bool printed;
    };
    const TCase cases[] = {
        {"draws, sets and shows a page",
         "72 setlinewidth 0.5 setgray 0 0 20 20 rectfill 3 3 scale 30 rotate showpage copypage (Quiet printer)", true},
        {"timeout", "/product errordict /timeout get exec", false},
        {"interrupt", "/product errordict /interrupt get exec", false},
    };
    TTempDir dir;
    const std::string state =
        dir.Write("state.ps", "(state ) print currentlinewidth =only ( ) print currentgray =only ( ) print count =only "
                              "( ) print countdictstack =\n");
    for (const TCase& c : cases)
        for (const std::string& doc : {kFull, kMinimal}) {
            SCOPED_TRACE(std::string(c.name) + " " + doc);
            const std::string profile = dir.Write("profile.ps", std::string("/product {") + c.product + "} def\n");
            const TGsResult r = RunText({profile, doc, state});
            if (c.printed) {
                EXPECT_EQ(r.exitCode, 0) << r.err;
                EXPECT_EQ(PageCount(r.out), 1);
                // The page's graphics state is the document's own: its line width, black.
                EXPECT_NE(r.err.find("state 0.014 0.0 0 3\n"), std::string::npos) << r.err;
                EXPECT_NE(FindSpan(ParseSpans(r.out), 1, "Printed on a \"Quiet printer\""), nullptr);
                // Nothing painted in the sheet's bottom-left corner, where the query drew.
                const TGsResult marks = RunGs({"-sDEVICE=bbox"}, {profile, doc});
                const std::size_t box = marks.err.find("%%BoundingBox: ");
                ASSERT_NE(box, std::string::npos) << marks.err;
                EXPECT_GT(std::atoi(marks.err.c_str() + box + 15), 30) << marks.err;
            } else {
                EXPECT_NE(r.exitCode, 0);
                EXPECT_NE(r.err.find(std::string("Error: /") + c.name), std::string::npos) << r.err;
                EXPECT_EQ(PageCount(r.out), 0);
            }
        }
}
