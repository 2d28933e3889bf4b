// SPDX-License-Identifier: Apache-2.0
// The documents run by Ghostscript as the printer: the pages they print, the
// printer profiles they read, and the procedures they leave behind, called
// from a suffix file after the document ran.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

#include "GhostscriptPrinter.h"

using namespace DocumentTests;

namespace {

const std::string kFull = QUELLMARK_STATUS_DOCUMENT;
const std::string kMinimal = QUELLMARK_MINSTATUS_DOCUMENT;
const std::string kProfiles = QUELLMARK_PRINTER_PROFILES;

// A suffix that runs body with ^VK4 and the document dictionary open, as the
// invocation has them. The body runs as one procedure called by the file's
// last token, so a page it draws finds the end of the job where it reads the
// job's data.
std::string InDocument(const std::string& body)
{
    return "/SuffixBody {userdict /^VK4 get begin userdict /NONAMEdict get begin\n" + body +
           "\nend end} def SuffixBody";
}

void ExpectCleanRun(const TGsResult& r)
{
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err.find("Error"), std::string::npos) << r.err;
}

void ExpectAt(const std::vector<TSpan>& spans, int page, const std::string& text, double xInch, double yInch)
{
    const TSpan* s = FindSpan(spans, page, text);
    ASSERT_NE(s, nullptr) << "no span \"" << text << "\" on page " << page;
    EXPECT_NEAR(s->x0, xInch * 72, 0.5) << text;
    EXPECT_NEAR(s->y0, yInch * 72, 0.5) << text;
}

void ExpectLines(const std::vector<std::string>& lines, const std::vector<std::string>& expected)
{
    for (const std::string& e : expected)
        EXPECT_NE(std::find(lines.begin(), lines.end(), e), lines.end()) << "missing line: " << e;
}

std::vector<TSpan> SpansAtRow(const std::vector<TSpan>& spans, int page, double yInch)
{
    std::vector<TSpan> row;
    for (const TSpan& s : spans)
        if (s.page == page && std::abs(s.y0 - yInch * 72) <= 0.5) row.push_back(s);
    std::sort(row.begin(), row.end(), [](const TSpan& a, const TSpan& b) { return a.x0 < b.x0; });
    return row;
}

std::vector<std::string> Texts(const std::vector<TSpan>& spans)
{
    std::vector<std::string> texts;
    for (const TSpan& s : spans) texts.push_back(s.text);
    return texts;
}

struct THeaderBox {
    const char* text;
    double left, top;
};
const THeaderBox kHeaderBoxes[] = {{"Printer Information", 0.8, 1}, {"Memory", 4.65, 1},
                                   {"Current Job", 0.8, 2.3},       {"System Parameters", 4.65, 2.3},
                                   {"Paper Handling", 0.8, 3.6},    {"Installed Devices", 0.8, 4.9},
                                   {"Input Trays", 0.8, 6.3},       {"Output Trays", 4.65, 6.3}};

}  // namespace

TEST(PrinterRun, EachDocumentPrintsOnePageWithoutError)
{
    const TGsResult full = RunText({kFull});
    ExpectCleanRun(full);
    EXPECT_EQ(PageCount(full.out), 1);

    const TGsResult minimal = RunText({kMinimal});
    ExpectCleanRun(minimal);
    EXPECT_EQ(PageCount(minimal.out), 1);
    const std::vector<TSpan> spans = ParseSpans(minimal.out);
    ASSERT_EQ(spans.size(), 1u);
    EXPECT_EQ(spans[0].text, "Printed on a \"GPL Ghostscript\"");
    EXPECT_NEAR(spans[0].x0, 72, 0.5);
    EXPECT_NEAR(spans[0].y0, 72, 0.5);
    EXPECT_NEAR(spans[0].size, 12, 0.01);
}

TEST(PrinterRun, FullPageLayoutAndGhostscriptsAnswers)
{
    const TGsResult r = RunText({kFull});
    ExpectCleanRun(r);
    const std::vector<TSpan> spans = ParseSpans(r.out);

    ExpectAt(spans, 1, "Status page", 0.5, 0.7);
    EXPECT_NEAR(FindSpan(spans, 1, "Status page")->size, 32, 0.01);
    ExpectAt(spans, 1, "Printed on a \"GPL Ghostscript\"", 0.9, 1.4);
    ExpectAt(spans, 1, "Ram size : 4,194,304", 4.75, 1.4);
    ExpectAt(spans, 1, "Printing in ", 0.9, 2.7);
    ExpectAt(spans, 1, "Job timeout : 0", 4.75, 2.7);
    ExpectAt(spans, 1, "Mirrorprint is ", 0.9, 4.0);
    ExpectAt(spans, 1, "Name", 0.9, 5.3);
    EXPECT_NEAR(FindSpan(spans, 1, "Name")->size, 7, 0.01);
    ExpectAt(spans, 1, "Number", 0.9, 6.7);
    ExpectAt(spans, 1, "Bin 0", 4.75, 6.7);
    for (const THeaderBox& box : kHeaderBoxes) {
        ExpectAt(spans, 1, box.text, box.left + 0.1, box.top + 0.19);
        EXPECT_NEAR(FindSpan(spans, 1, box.text)->size, 12, 0.01);
    }
    // Lines 1/6 inch apart, back at the group's left edge.
    ExpectAt(spans, 1, "Known as \"GPL Ghostscript\"", 0.9, 1.4 + 0.16667);
    ExpectAt(spans, 1, "Cur form cache : 0", 4.75, 1.4 + 5 * 0.16667);

    ExpectLines(PageLines(spans, 1), {"PostScript level 3 version 3010", "Firmware revision 10000", "Printing in black",
                                      "Printed on Letter paper", "Printing from tray 1", "Current resolution is 72 dpi",
                                      "Print job coming from N/A", "Page count : 1000", "Real format : \"IEEE\"",
                                      "Print PS errors : disabled", "Sys/Start : disabled", "Start page : enabled",
                                      "Check password : yes", "Duplexer is not present", "Sheet count : N/A"});
    // Ghostscript's storage devices and the first of its 65 trays.
    EXPECT_NE(FindSpan(spans, 1, "%os%"), nullptr);
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, 6.7 + 0.3)), (std::vector<std::string>{"0", "Letter", "N/A"}));
}

TEST(PrinterProfiles, ColourDuplexPrinterWithTraysAndDevices)
{
    const TGsResult r = RunText({kProfiles + "/colour-duplex.ps", kFull});
    ExpectCleanRun(r);
    EXPECT_EQ(PageCount(r.out), 1);
    const std::vector<TSpan> spans = ParseSpans(r.out);
    ExpectLines(PageLines(spans, 1),
                {"Printed on a \"Colour Laser 9000 PS\"", "Known as \"Office colour\"", "Ram size : 67,108,864",
                 "Printing in color", "Printing from tray 2", "Current resolution is 600 dpi",
                 "Print job coming from %Serial%", "Page count : 12345", "Print PS errors : enabled",
                 "Sys/Start : enabled", "Start page : disabled", "Binary port : yes", "Mirrorprint is disabled",
                 "Duplexer is installed", "Printing duplex", "Orientation is no tumble", "Collating is on",
                 "Bin 0: Face down", "Bin 1: Face up"});
    // "enabled" after Sys/Start, "duplex" and "on" are set in the bold style.
    EXPECT_NE(FindSpan(spans, 1, "duplex"), nullptr);

    const double firstRow = 5.3 + 0.2;
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, firstRow)),
              (std::vector<std::string>{"%disk0%", "4,096,000", "1,024,000", "0", "no", "yes", "Supported", "yes",
                                        "yes"}));
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, firstRow + 0.16667)),
              (std::vector<std::string>{"%disk1%", "1,048,576", "262,144", "1", "yes", "no", "Not supported", "no",
                                        "yes"}));
    // Sizes end at their heading's right edge; the search order is centred under its heading.
    const TSpan* size = FindSpan(spans, 1, "Size");
    const TSpan* order = FindSpan(spans, 1, "Search order");
    ASSERT_TRUE(size && order);
    EXPECT_NEAR(SpansAtRow(spans, 1, firstRow)[1].x1, size->x1, 1.0);
    EXPECT_NEAR((SpansAtRow(spans, 1, firstRow)[3].x0 + SpansAtRow(spans, 1, firstRow)[3].x1) / 2,
                (order->x0 + order->x1) / 2, 1.0);

    // Trays in number order; the absent tray 2 and the Priority entry are skipped.
    const double trays = 6.7 + 0.3;
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, trays)), (std::vector<std::string>{"0", "Letter", "Plain"}));
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, trays + 0.16667)), (std::vector<std::string>{"1", "A4", "Transparency"}));
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, trays + 2 * 0.16667)), (std::vector<std::string>{"3", "Env10", "N/A"}));
    const TSpan* number = FindSpan(spans, 1, "Number");
    ASSERT_NE(number, nullptr);
    EXPECT_NEAR(FindSpan(spans, 1, "Letter")->x0, number->x1 + 36, 0.75);
}

TEST(PrinterProfiles, PrinterThatAnswersNoQuery)
{
    TTempDir dir;
    // What the failed queries leave behind on the operand and dictionary stacks.
    const std::string stacks = dir.Write("stacks.ps", "(stacks ) print count =only ( ) print countdictstack =\n");
    const TGsResult r = RunText({kProfiles + "/all-fail.ps", kFull, stacks});
    ExpectCleanRun(r);
    EXPECT_NE(r.err.find("stacks 0 3\n"), std::string::npos) << r.err;
    EXPECT_EQ(PageCount(r.out), 1);
    const std::vector<TSpan> spans = ParseSpans(r.out);
    ExpectLines(PageLines(spans, 1), {"Printed on a \"N/A\"",
                                      "Known as \"N/A\"",
                                      "PostScript level N/A version N/A",
                                      "Firmware revision N/A",
                                      "Ram size : N/A",
                                      "Memory Size : N/A",
                                      "Memory Used : N/A",
                                      "Max form items : N/A",
                                      "Max form cache : N/A",
                                      "Cur form cache : N/A",
                                      "Printing in N/A",
                                      "Printed on N/A paper",
                                      "Printing from tray N/A",
                                      "Current resolution is N/A dpi",
                                      "Print job coming from N/A",
                                      "Job timeout : N/A",
                                      "Wait timeout : N/A",
                                      "Page count : N/A",
                                      "Sheet count : N/A",
                                      "Real format : \"N/A\"",
                                      "Print PS errors : N/A",
                                      "Sys/Start : N/A",
                                      "Start page : N/A",
                                      "Binary port : N/A",
                                      "Check password : N/A",
                                      "Mirrorprint is N/A",
                                      "Duplexer is N/A",
                                      "Printing N/A",
                                      "Orientation is N/A",
                                      "Collating is N/A"});
    // " No devices installed " centred over the table; "N/A" under the tray headings and as the one output tray.
    const TSpan* none = FindSpan(spans, 1, " No devices installed ");
    ASSERT_NE(none, nullptr);
    EXPECT_NEAR(none->y0, (5.3 + 0.2) * 72, 0.5);
    const TSpan* searchable = FindSpan(spans, 1, "Searchable");
    ASSERT_NE(searchable, nullptr);
    EXPECT_NEAR((none->x0 + none->x1) / 2, (0.9 * 72 + searchable->x1) / 2, 1.0);
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, 6.7)), (std::vector<std::string>{"Number", "Size", "Type", "N/A"}));
    EXPECT_EQ(Texts(SpansAtRow(spans, 1, 6.7 + 0.3)), (std::vector<std::string>{"N/A"}));
    // The page keeps its layout without a page device to ask.
    for (const THeaderBox& box : kHeaderBoxes) ExpectAt(spans, 1, box.text, box.left + 0.1, box.top + 0.19);
}

TEST(PrinterProfiles, LevelOnePrinterPrintsOnlyTheNotice)
{
    for (const char* profile : {"/level1-low.ps", "/level1-undefined.ps"})
        for (const std::string& doc : {kFull, kMinimal}) {
            SCOPED_TRACE(std::string(profile) + " " + doc);
            const TGsResult r = RunText({kProfiles + profile, doc});
            ExpectCleanRun(r);
            EXPECT_EQ(PageCount(r.out), 1);
            const std::vector<TSpan> spans = ParseSpans(r.out);
            ASSERT_EQ(spans.size(), 1u);
            EXPECT_EQ(spans[0].text, "This variable content document requires PostScript level 2 or higher");
            EXPECT_NEAR(spans[0].x0, 32, 0.5);
            EXPECT_NEAR(spans[0].y0, 792 - 100, 0.5);
            EXPECT_NEAR(spans[0].size, 14, 0.01);
        }
}

TEST(PageRules, ColourWordsTwoValuedLinesAndTables)
{
    TTempDir dir;
    const std::string suffix = dir.Write("suffix.ps", InDocument(R"(
0 1 5 {/&current.processcolors exch store 9 ^} for
[/&current.prnpserr /&current.sysstart /&current.startpge /&current.binaryport
 /&current.checkpassword /&current.mirrorprint /&current.duplexer /&current.printing
 /&current.paperorientation /&current.collating] {(unknown) store} forall
/&current.deviceinformation [
  (%disk0%) (1234567) (1000) (1) (true) (false) (true) (false) (true)
  (%disk1%) (12) () (2) (false) (true) (false) (true) (maybe)
] store
/&current.inputslots [(1) (A4) (Plain) (2) (Letter) (Glossy) (3)] store
/&current.outputslots [(Upper) (Lower) (Side)] store
9 ^
)"));
    const TGsResult r = RunText({kFull, suffix});
    ExpectCleanRun(r);
    ASSERT_EQ(PageCount(r.out), 8);
    const std::vector<TSpan> spans = ParseSpans(r.out);
    const char* words[] = {"monochrome only", "black", "color", "RGB or CMYK", "color", "monochrome only"};
    for (int k = 0; k <= 5; ++k) ExpectLines(PageLines(spans, k + 2), {std::string("Printing in ") + words[k]});

    ExpectLines(PageLines(spans, 8),
                {"Print PS errors : unknown", "Sys/Start : unknown", "Start page : unknown", "Binary port : unknown",
                 "Check password : unknown", "Mirrorprint is unknown", "Duplexer is unknown", "Printing unknown",
                 "Orientation is unknown", "Collating is unknown", "Upper", "Lower", "Side"});
    const double row = 5.3 + 0.2;
    EXPECT_EQ(Texts(SpansAtRow(spans, 8, row)),
              (std::vector<std::string>{"%disk0%", "1,234,567", "1,000", "1", "yes", "no", "Supported", "no", "yes"}));
    // An answer that is neither "true" nor "false" is printed as it came.
    EXPECT_EQ(Texts(SpansAtRow(spans, 8, row + 0.16667)),
              (std::vector<std::string>{"%disk1%", "12", "2", "no", "yes", "Not supported", "yes", "maybe"}));
    EXPECT_TRUE(SpansAtRow(spans, 8, row + 2 * 0.16667).empty());
    // Seven tray elements: two rows, the seventh dropped.
    const double trays = 6.7 + 0.3;
    EXPECT_EQ(Texts(SpansAtRow(spans, 8, trays)), (std::vector<std::string>{"1", "A4", "Plain"}));
    EXPECT_EQ(Texts(SpansAtRow(spans, 8, trays + 0.16667)), (std::vector<std::string>{"2", "Letter", "Glossy"}));
    EXPECT_TRUE(SpansAtRow(spans, 8, trays + 2 * 0.16667).empty());
}

TEST(RuntimeProcedures, StringHelpersFormatNumberAndCaseTables)
{
    TTempDir dir;
    const std::string suffix = dir.Write("suffix.ps", InDocument(R"(
/P {print (|) print} def
[(1000) (1234567) (123456) (999) (12) () (ab1234)] {17 ^ P} forall (\n) print
(\300\311 ZO\313) ^LOW (\340\351 zo\353) eq =
(stra\337e \377) ^UP (STRA\337E \237) eq =
/ctl 33 string def 0 1 31 {ctl exch dup put} for ctl 32 127 put
ctl ^UP ctl eq = ctl ^LOW ctl eq =
/all 256 string def 0 1 255 {all exch dup put} for
all ^UP {16 2 string cvrs dup length 1 eq {(0) print} if print} forall (\n) print
all ^LOW {16 2 string cvrs dup length 1 eq {(0) print} if print} forall (\n) print
(  a b  ) ^TR P (abc) (de) as P (abcdef) 2 3 mid P (abc) 1 10 mid P (A) ^ORD =
)"));
    const TGsResult r = RunNull({kFull, suffix});
    ExpectCleanRun(r);

    auto upper = [](int c) {
        if (c >= 'a' && c <= 'z') return c - 32;
        if (c == 0x9A || c == 0x9C || c == 0x9E) return c - 0x10;
        if (c == 0xFF) return 0x9F;
        if ((c >= 0xE0 && c <= 0xF6) || (c >= 0xF8 && c <= 0xFE)) return c - 0x20;
        return c;
    };
    auto lower = [](int c) {
        if (c >= 'A' && c <= 'Z') return c + 32;
        if (c == 0x8A || c == 0x8C || c == 0x8E) return c + 0x10;
        if (c == 0x9F) return 0xFF;
        if ((c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDE)) return c + 0x20;
        return c;
    };
    std::string up, low;
    char hex[4];
    for (int c = 0; c < 256; ++c) {
        std::snprintf(hex, sizeof hex, "%02X", upper(c));
        up += hex;
        std::snprintf(hex, sizeof hex, "%02X", lower(c));
        low += hex;
    }
    EXPECT_EQ(r.out, "1,000|1,234,567|123,456|999|12||ab1,234|\n"
                     "true\ntrue\ntrue\ntrue\n" +
                         up + "\n" + low + "\n" + "a b|abcde|cde|bc|65\n");
}

TEST(RuntimeProcedures, RuntimeDefinesEveryNameThePageUses)
{
    TTempDir dir;
    const std::string suffix = dir.Write("suffix.ps", R"(
userdict /^VK4 get
[/^RD /Init_ /^IMO /^GND /t! /^TR /as /mid /^ORD /^SC /^SR /^CR /^LM /^S /^SB /^GS /FO
 /&current.x /&current.y /&current.pagewidth /&current.pageheight /&current.printpage
 /&internal.runpscount /&internal.pagecount /^PPD /UnicodeLookupDict
 /&internal.defaultfont /&_pspagefont_ /&_pspagefont_.b /&_i_ /&_sp_header]
{2 copy known not {==} {pop} ifelse} forall
dup /&_pspagefont_ get length =
dup /^RD get (INTERNAL.PS) known =
/^PPD get length =
userdict /NONAMEdict get /^OD get (@_VK_HEADERBOX_) get =
userdict /NONAMEdict get /^GD get 107 get xcheck =
)");
    const TGsResult r = RunNull({kFull, suffix});
    ExpectCleanRun(r);
    EXPECT_EQ(r.out, "11\ntrue\n81\n106\ntrue\n");
}

TEST(RuntimeProcedures, PageDeviceProceduresRequestOnlyWhatChanges)
{
    TTempDir dir;
    // Counts the page-device requests the procedures make, then passes them on.
    const std::string prefix = dir.Write("prefix.ps", R"(
/Requests 0 def
/LastRequest null def
/setpagedevice {
  userdict /Requests Requests 1 add put
  userdict /LastRequest 2 index put
  //systemdict /setpagedevice get exec
} bind def
/NoPageSize false def
/currentpagedevice {
  //systemdict /currentpagedevice get exec dup length 2 add dict copy
  dup /OutputAttributes << 0 << /OutputType (Upper) >> 1 << /OutputType (Lower) >> >> put
  NoPageSize {dup /PageSize undef} if
} bind def
/statusdict statusdict dup length 4 add dict copy def
)");
    const std::string suffix = dir.Write("suffix.ps", R"(
/Run {userdict /^VK4 get /^PPD get exch cvn get exec Requests =only ( ) print} def
(PageSize|Letter) Run
(PageRegion|Letter) Run
(PageSize|Tabloid) Run
(PageSize|uslegal) Run
<< /PageSize [792 612] >> //systemdict /setpagedevice get exec
(PageSize|Letter) Run
currentpagedevice /PageSize get ==
/NoPageSize true def (PageSize|A4) Run /NoPageSize false def
(\n) print /Requests 0 def
(OutputBin|0) Run (OutputBin|0) Run (OutputBin|1) Run (OutputBin|0) Run
RNOB = /Requests 0 def
(InputSlot|1) Run
(InputSlot|2) Run LastRequest /MediaPosition get =only ( ) print
LastRequest /DeferredMediaSelection get =only ( ) print
LastRequest /PageSize get aload pop
currentpagedevice /InputAttributes get 2 get /PageSize get aload pop
3 -1 roll eq 3 1 roll eq and =
/Requests 0 def
statusdict /duplexmode false put statusdict /tumble false put
(Duplex|None) Run (Duplex|DuplexNoTumble) Run LastRequest /Tumble get =only ( ) print
statusdict /duplexmode true put
(Duplex|DuplexNoTumble) Run (Duplex|None) Run LastRequest /Duplex get =only ( ) print
(Duplex|DuplexTumble) Run statusdict /tumble true put (Duplex|DuplexTumble) Run (\n) print
(ManualFeed|True) Run statusdict /manualfeed get =only ( ) print
(ManualFeed|False) Run statusdict /manualfeed get =
/Requests 0 def
(Staple|On) Run LastRequest /Staple get =only ( ) print
(Jog|None) Run LastRequest /Jog get =
)");
    const TGsResult r = RunNull({prefix, kFull, suffix});
    ExpectCleanRun(r);
    EXPECT_EQ(r.out,
              // same size: no request; other sizes and a swapped size: one each; no PageSize: left alone
              "0 0 1 2 3 [612 792]\n3 \n"
              // bin 0 twice: once; then 1 and 0 again: three in all
              "1 1 2 3 0\n"
              // papertray answers 1: no request for tray 1; tray 2 with its InputAttributes
              "0 1 2 true true\n"
              // duplex off: None asks nothing; on: only the requests that change something
              "0 1 false 1 2 false 3 3 \n"
              "3 true 3 false\n"
              "1 3 2 0\n");
}

TEST(PageRules, DataPageSetsVersionsAndCompanyName)
{
    TTempDir dir;
    auto pad = [](std::string s) { return s + std::string(50 - s.size(), ' '); };
    std::string data = "first line\r\n\r\n" + pad("[Version]") + "\r\n  Page 2.1  \r\nApp 7.0\r\n" +
                       "[Branding]\r\nnot printed\r\n   ACME Print Services\r\nnot printed\r\n";
    for (int line = 10; line <= 66; ++line) data += "\r\n";
    // A second job's data: a later section overwrites an earlier one.
    std::string second = "[Version]\r\nPage 1\r\nApp 1\r\n";
    for (int line = 4; line <= 39; ++line) second += "filler\r\n";
    second += "[Version]\r\nPage 9\r\nApp 9\r\n";
    const std::string suffix = dir.Write("suffix.ps", "NONAME\r\n" + data + "NONAME\r\n" + second);
    const TGsResult r = RunText({kFull, suffix});
    ExpectCleanRun(r);
    ASSERT_EQ(PageCount(r.out), 3);
    const std::vector<TSpan> spans = ParseSpans(r.out);
    ExpectAt(spans, 2, "ACME Print Services", 4.75, 0.4);
    ExpectAt(spans, 2, "App 7.0", 4.75, 0.4 + 0.16667);
    ExpectAt(spans, 2, "Page 2.1", 4.75, 0.4 + 2 * 0.16667);
    EXPECT_EQ(FindSpan(spans, 2, "not printed"), nullptr);
    ExpectAt(spans, 3, "App 9", 4.75, 0.4 + 0.16667);
    ExpectAt(spans, 3, "Page 9", 4.75, 0.4 + 2 * 0.16667);
    // Without data the version block stays empty.
    for (const TSpan& s : spans) {
        if (s.page == 1) {
            EXPECT_FALSE(s.y0 < 1.0 * 72 && s.x0 > 4.7 * 72) << s.text;
        }
    }
}

TEST(PageRules, PageReportGoesToTheJobOutputWhenImIsSet)
{
    TTempDir dir;
    const std::string im = dir.Write("im.ps", "/Im true def\n");
    // NONAME as the file's last token: the data page it reads finds the end of the job.
    const std::string again = dir.Write("again.ps", "42 NONAME");
    const std::string version = dir.Write("version.ps", "userdict /^VK4 get /&system.formversion get =\n");
    const TGsResult on = RunNull({im, kFull, again, version});
    ExpectCleanRun(on);
    EXPECT_EQ(on.out, "~Page=1\r\n~Page=1\r\n42\n");

    const TGsResult minimal = RunNull({im, kMinimal});
    ExpectCleanRun(minimal);
    EXPECT_EQ(minimal.out, "~Page=1\r\n");

    const TGsResult off = RunNull({kFull, again, version});
    ExpectCleanRun(off);
    EXPECT_EQ(off.out, "42\n");
}

TEST(RuntimeProcedures, ObjectsAndHelpersTheRuntimeMayCall)
{
    TTempDir dir;
    const std::string suffix = dir.Write("suffix.ps", InDocument(R"(
^IMO 4 ^
3 4 10 ^ =only ( ) print 4 3 10 ^ =only ( ) print 4 4.0 10 ^ =
2 2 moveto (job.ps) 2 ^ &internal.runpscount =
2 3 moveto 5 ^ 6 ^ 7 ^ 8 ^
1 1 moveto &_pspagefont_ 1 get setfont (Under) &_pspagefont_ 4 get exec
/a ^GS 66 ^GS
(Staple) (None) ^SPD (Nosuch) (Thing) ^SPD
1 ^ &internal.pagecount =
^IMO 3 ^
count =
)"));
    const TGsResult r = RunText({kFull, suffix});
    ExpectCleanRun(r);
    EXPECT_NE(r.err.find("4 4 4.0\n1\n1\n0\n"), std::string::npos) << r.err;
    // Everything lands on one page, which object 3 ends.
    ASSERT_EQ(PageCount(r.out), 2);
    const std::vector<TSpan> spans = ParseSpans(r.out);
    ExpectAt(spans, 2, "Under", 1, 1);
    EXPECT_NE(FindSpan(spans, 2, "a"), nullptr);
    EXPECT_NE(FindSpan(spans, 2, "B"), nullptr);
    // The notice page of object 3, centred at x 4.25 inches.
    const TSpan* warning = FindSpan(spans, 2, "Warning: This is a PPML/VDX file");
    ASSERT_NE(warning, nullptr);
    EXPECT_NEAR((warning->x0 + warning->x1) / 2, 4.25 * 72, 1.0);
    EXPECT_NEAR(warning->y0, 0.5 * 72, 0.5);
    EXPECT_NEAR(warning->size, 24, 0.01);
    const TSpan* viewer = FindSpan(spans, 2, "This file may not display properly in your viewer");
    ASSERT_NE(viewer, nullptr);
    EXPECT_NEAR(viewer->y0, 0.8 * 72, 0.5);
}

// A printer with more to report than the page has room for, on two paper
// sizes: numbers stay exact and plain, every text stays inside its area,
// and each cut list says how many rows it left out.
TEST(PageAreas, LargePrinterFitsLetterAndA4)
{
    struct TPaper {
        const char* name;
        double height;  // inches
    };
    for (const TPaper paper : {TPaper{"letter", 11.0}, TPaper{"a4", 842.0 / 72}}) {
        SCOPED_TRACE(paper.name);
        const TGsResult r = RunText({kProfiles + "/large-office.ps", kFull}, paper.name);
        ExpectCleanRun(r);
        ASSERT_EQ(PageCount(r.out), 1);
        const std::vector<TSpan> spans = ParseSpans(r.out);
        ExpectLines(PageLines(spans, 1),
                    {"Printed on a \"MX-9020 PS\"", "Ram size : 4,294,967,296", "Max form cache : 1,234.57"});
        const std::vector<std::string> disk0 = Texts(SpansAtRow(spans, 1, 5.3 + 0.2));
        ASSERT_GE(disk0.size(), 3u);
        EXPECT_EQ(disk0[1], "68,769,804,285");
        EXPECT_EQ(disk0[2], "1,100,316,934,144");

        const std::regex exponent("[0-9][eE][-+]?[0-9]");
        std::vector<const TSpan*> cells;
        for (const TSpan& s : spans) {
            EXPECT_FALSE(std::regex_search(s.text, exponent)) << s.text;
            // Above a bottom margin of 0.25 in, descenders included.
            EXPECT_LE(s.y0 + 0.21 * s.size, (paper.height - 0.25) * 72 + 0.5) << s.text;
            const bool devices = s.y0 > 5.2 * 72 && s.y0 < 6.3 * 72;
            const bool left = s.x0 < 4.7 * 72 && !devices;
            // Left column before the right column's boxes, the rest within the boxes' right edge.
            EXPECT_LE(s.x1, (left ? 4.65 : 7.7) * 72 + 0.5) << s.text;
            if (devices) {
                EXPECT_LE(s.y0 + 0.21 * s.size, 6.3 * 72) << s.text;
            }
            if (s.y0 > 5.2 * 72 && s.x0 < 4.7 * 72) cells.push_back(&s);
        }
        // Cells of a table row do not run into each other.
        std::sort(cells.begin(), cells.end(), [](const TSpan* a, const TSpan* b) {
            return std::lround(a->y0) != std::lround(b->y0) ? a->y0 < b->y0 : a->x0 < b->x0;
        });
        for (std::size_t i = 1; i < cells.size(); ++i)
            if (std::lround(cells[i]->y0) == std::lround(cells[i - 1]->y0)) {
                EXPECT_LT(cells[i - 1]->x1, cells[i]->x0) << cells[i - 1]->text << " | " << cells[i]->text;
            }

        // Each cut list: the rows shown and the rows counted add up to all of them.
        struct TList {
            const char* name;
            double x, top;  // the list's column and its first baseline, inches
            int total;
        };
        for (const TList list : {TList{"devices", 0.9, 5.5, 8}, TList{"input trays", 0.9, 7.0, 65},
                                 TList{"output trays", 4.75, 6.7, 30}}) {
            SCOPED_TRACE(list.name);
            int shown = 0, more = -1;
            for (const TSpan& s : spans)
                if (std::abs(s.x0 - list.x * 72) < 0.5 && s.y0 > list.top * 72 - 0.5 &&
                    (list.total != 8 || s.y0 < 6.3 * 72)) {
                    if (s.text.rfind("... ", 0) == 0)
                        more = std::atoi(s.text.c_str() + 4);
                    else
                        ++shown;
                }
            EXPECT_GT(more, 0);
            EXPECT_EQ(shown + more, list.total);
        }
    }
}
