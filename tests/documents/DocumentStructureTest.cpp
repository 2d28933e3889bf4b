// SPDX-License-Identifier: Apache-2.0
// The assembled documents as bytes: their lookup, text form and the order and
// form of their sections.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "GhostscriptPrinter.h"
#include "Resources.h"
#include "SysUtils.h"

using namespace DocumentTests;

namespace {

struct TDocCase {
    const char* name;
    const char* type;
    const char* path;
    bool full;
};

const TDocCase kFull{"STATUS", "MYSTATUS", QUELLMARK_STATUS_DOCUMENT, true};
const TDocCase kMinimal{"MINSTATUS", "MYMINSTATUS", QUELLMARK_MINSTATUS_DOCUMENT, false};

std::vector<std::string> SplitCrLf(const std::string& bytes)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t end; (end = bytes.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(bytes.substr(at, end - at));
    EXPECT_EQ(at, bytes.size()) << "bytes after the last CR LF";
    return lines;
}

std::size_t IndexOf(const std::vector<std::string>& lines, const std::string& line, std::size_t from = 0)
{
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return std::string::npos;
}

bool IsUpperHex(const std::string& s)
{
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'))) return false;
    return true;
}

// One eexec block from its "currentfile eexec" line: checks its form and
// returns the deciphered text (without the four leading bytes); `next` is
// set to the index after "cleartomark".
std::string CheckEexecBlock(const std::vector<std::string>& lines, std::size_t start, std::size_t& next)
{
    EXPECT_EQ(lines.at(start), "currentfile eexec");
    const std::size_t close = IndexOf(lines, "cleartomark", start);
    EXPECT_NE(close, std::string::npos);
    EXPECT_GE(close, start + 10);
    const std::string zeros(76, '0');
    for (std::size_t i = close - 8; i < close; ++i) EXPECT_EQ(lines[i], zeros) << "zero run line " << i;
    std::string hex;
    for (std::size_t i = start + 1; i < close - 9; ++i) {
        EXPECT_EQ(lines[i].size(), 80u) << "cipher line " << i;
        hex += lines[i];
    }
    const std::string& last = lines[close - 9];
    EXPECT_GT(last.size(), 76u);
    EXPECT_LE(last.size(), 156u);
    EXPECT_EQ(last.substr(last.size() - 76), zeros) << "the first zero run continues the last cipher line";
    hex += last.substr(0, last.size() - 76);
    EXPECT_TRUE(IsUpperHex(hex));
    EXPECT_EQ(hex.size() % 2, 0u);

    std::uint16_t r = 55665;
    std::string plain;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        const auto c = static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16));
        plain.push_back(static_cast<char>(c ^ (r >> 8)));
        r = static_cast<std::uint16_t>((c + r) * 52845u + 22719u);
    }
    next = close + 1;
    return plain.size() >= 4 ? plain.substr(4) : std::string();
}

std::string Ascii85Decode(const std::string& text)
{
    std::string out;
    std::uint32_t group = 0;
    int n = 0;
    for (char c : text) {
        if (c == 'z' && n == 0) {
            out.append(4, '\0');
            continue;
        }
        if (c < '!' || c > 'u') continue;
        group = group * 85 + static_cast<std::uint32_t>(c - '!');
        if (++n == 5) {
            for (int k = 3; k >= 0; --k) out.push_back(static_cast<char>((group >> (8 * k)) & 0xFF));
            group = 0;
            n = 0;
        }
    }
    if (n > 0) {
        for (int k = n; k < 5; ++k) group = group * 85 + 84;
        for (int k = 0; k < n - 1; ++k) out.push_back(static_cast<char>((group >> (8 * (3 - k))) & 0xFF));
    }
    return out;
}

void PrintTo(const TDocCase& doc, std::ostream* os)
{
    *os << doc.name;
}

class DocumentBytes : public ::testing::TestWithParam<TDocCase> {
protected:
    void SetUp() override
    {
        Resources::TResourceStream stream(GetParam().name, GetParam().type);
        bytes_ = std::string(stream.Bytes());
        lines_ = SplitCrLf(bytes_);
    }
    std::string bytes_;
    std::vector<std::string> lines_;
};

}  // namespace

TEST(DocumentLookup, ReturnsTheAssembledBytesAndRefusesUnknownNames)
{
    for (const TDocCase& doc : {kFull, kMinimal}) {
        Resources::TResourceStream stream(doc.name, doc.type);
        const std::string file = ReadFileBytes(doc.path);
        EXPECT_EQ(stream.Bytes(), file) << doc.name;

        // Sequential reads hand out every byte once, then nothing.
        std::string streamed;
        char buffer[4096];
        for (std::size_t n; (n = stream.Read(buffer, sizeof buffer)) > 0;) streamed.append(buffer, n);
        EXPECT_EQ(streamed, file);
        EXPECT_EQ(stream.Read(buffer, sizeof buffer), 0u);
    }
    // Resource names and types are not case sensitive, as on Windows.
    EXPECT_EQ(Resources::TResourceStream("status", "mystatus").Size(),
              Resources::TResourceStream("STATUS", "MYSTATUS").Size());

    for (auto [name, type] : {std::pair{"NOSUCH", "MYSTATUS"}, {"STATUS", "MYMINSTATUS"}, {"MINSTATUS", "MYSTATUS"}}) {
        try {
            Resources::TResourceStream stream(name, type);
            ADD_FAILURE() << name << "/" << type << " was found";
        } catch (const SysUtils::EResNotFound& e) {
            EXPECT_EQ(e.Message(), std::string("Resource ") + name + " not found");
        }
    }
}

TEST(DocumentLookup, AssemblyIsDeterministic)
{
    TTempDir dir;
    for (const std::string doc : {"status", "minstatus"}) {
        const std::string out = dir.Path() + "/" + doc + ".ps";
        const std::string command = std::string("\"") + QUELLMARK_ASSEMBLER + "\" document \"" +
                                    QUELLMARK_DOCUMENT_SOURCES + "/" + doc + ".psd\" \"" + out + "\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        EXPECT_EQ(ReadFileBytes(out),
                  ReadFileBytes(doc == "status" ? QUELLMARK_STATUS_DOCUMENT : QUELLMARK_MINSTATUS_DOCUMENT));
    }
}

TEST_P(DocumentBytes, IsSevenBitCrLfTextThatSurvivesALineRoundTrip)
{
    EXPECT_LE(bytes_.size(), GetParam().full ? 65536u : 49152u);
    int del = 0;
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes_[i]);
        ASSERT_LT(c, 0x80) << "at " << i;
        ASSERT_NE(c, 0) << "at " << i;
        ASSERT_NE(c, '\t') << "at " << i;
        if (c == '\r') {
            ASSERT_TRUE(i + 1 < bytes_.size() && bytes_[i + 1] == '\n') << "lone CR at " << i;
        }
        if (c == '\n') {
            ASSERT_TRUE(i > 0 && bytes_[i - 1] == '\r') << "lone LF at " << i;
        }
        if (c < 0x20 && c != '\r' && c != '\n') ADD_FAILURE() << "control byte " << int(c) << " at " << i;
        if (c == 0x7F) ++del;
    }
    EXPECT_EQ(del, 2);
    ASSERT_FALSE(lines_.empty());
    EXPECT_EQ(lines_.back(), "NONAME");

    // What the Print action does with a document: lines in, CR LF text out.
    SysUtils::TStringList list;
    list.SetText(bytes_);
    EXPECT_EQ(list.Count(), static_cast<int>(lines_.size()));
    EXPECT_EQ(list.Text(), bytes_);
}

TEST_P(DocumentBytes, HeaderGuardAndCaseTables)
{
    ASSERT_GT(lines_.size(), 60u);
    EXPECT_EQ(lines_[0], "%!PS-Adobe-2.0");
    EXPECT_EQ(lines_[1].rfind("%%Creator: Formwise", 0), 0u);
    EXPECT_EQ(lines_[2].rfind("%%Copyright: ", 0), 0u);
    EXPECT_EQ(lines_[3], "%%Title: NONAME");
    EXPECT_EQ(lines_[4], "%%Formname: NONAME");
    EXPECT_EQ(lines_[5],
              GetParam().full ? "%%CreationDate: 2006/03/28 09:49:52" : "%%CreationDate: 2006/03/27 07:13:19");
    EXPECT_EQ(lines_[6], "%SearchDBName: ");
    EXPECT_EQ(lines_[7], "%DataEncoding: ");
    EXPECT_EQ(lines_[8], "%CachingMethod: cmNone");
    EXPECT_EQ(lines_[9], "%%EndComments");
    EXPECT_EQ(lines_[10],
              "/_printno_ {/Helvetica findfont 14 scalefont setfont 32 100 moveto (This variable content document "
              "requires PostScript level 2 or higher) show showpage currentfile flushfile} def");
    EXPECT_EQ(lines_[11], "{ languagelevel 2 lt {_printno_}if } stopped {_printno_} if");
    EXPECT_EQ(lines_[12], "currentdict /_printno_ undef ");
    EXPECT_EQ(lines_[13], "/pdfmark where {pop}{userdict /pdfmark /cleartomark load put}ifelse");
    EXPECT_EQ(lines_[14], "userdict /Im known not {/Im false def}if");
    EXPECT_EQ(lines_[15], "userdict /Fa known not {/Fa false def}if");

    // Each table: the opening line ending in "(\", 16 lines ending in a
    // backslash, then the closing line.
    for (std::size_t open : {16u, 34u}) {
        EXPECT_EQ(lines_[open].substr(0, open == 16 ? 4 : 5), open == 16 ? "/^UP" : "/^LOW");
        EXPECT_EQ(lines_[open].substr(lines_[open].size() - 2), "(\\");
        for (std::size_t i = open + 1; i <= open + 16; ++i) EXPECT_EQ(lines_[i].back(), '\\') << i;
        EXPECT_EQ(lines_[open + 17], ") exch get put} for} bind def");
        EXPECT_EQ(lines_[open + 1], "\\000\\001\\002\\003\\004\\005\\006\\007\\010\\t\\n\\013\\f\\r\\016\\017\\");
        EXPECT_EQ(lines_[open + 8].substr(lines_[open + 8].size() - 2), "\x7f\\") << "raw DEL ends the eighth line";
        EXPECT_NE(lines_[open + 3].find("\\'\\(\\)"), std::string::npos);
    }
    EXPECT_EQ(lines_[19], " !\"#$%&\\'\\(\\)*+,-./\\");
    EXPECT_EQ(lines_[37], " !\"#$%&\\'\\(\\)*+,-./\\");
}

TEST_P(DocumentBytes, SectionsInOrder)
{
    std::size_t at = IndexOf(lines_, "currentfile eexec");
    ASSERT_EQ(at, 52u);
    std::size_t next = 0;
    const std::string prolog = CheckEexecBlock(lines_, at, next);
    EXPECT_NE(prolog.find("/^VK4 "), std::string::npos);
    EXPECT_EQ(prolog.substr(prolog.size() - 27), "mark currentfile closefile\n");
    // The runtime only reads the printer: nothing that outlives the job.
    for (const char* op : {"exitserver", "startjob", "setsystemparams", "setdevparams", "setuserparams", "setpassword",
                           "setprintername"})
        EXPECT_EQ(prolog.find(op), std::string::npos) << op;

    ASSERT_LT(next + 4, lines_.size());
    EXPECT_EQ(lines_[next], "%EndOfProlog");
    EXPECT_EQ(lines_[next + 1], "^VK4 begin");
    EXPECT_EQ(lines_[next + 2], "^RD begin");
    EXPECT_EQ(lines_[next + 3], "%!PS-Adobe-3.0 VKResource:INTERNAL.PS");

    // The image resource: every key, and a real 32 x 26 grey baseline JPEG.
    const std::size_t image = next + 3;
    const std::size_t endComments = IndexOf(lines_, "%%EndComments", image);
    ASSERT_NE(endComments, std::string::npos);
    std::string resource;
    for (std::size_t i = image; i < endComments; ++i) resource += lines_[i] + "\n";
    for (const char* key : {"/ImageType 1 def", "/Width 32 def", "/Height 26 def", "/^IW 26 def", "/^IH 32 def",
                            "/BitsPerComponent 8 def", "/Decode [0 1] def", "/ColorSpace /DeviceGray def", "/^IT 3 def",
                            "/^IS 832 def", "/ImageMatrix [32 0 0 26 0 26] def", "/^_S {", "/^SNC {", "/^S {", "/^FRM ",
                            "/FormType 1 def", "/BBox [0 0 26 32] def", "/ImageData\n<~", "/FilterType /DCTDecode def"})
        EXPECT_NE(resource.find(key), std::string::npos) << key;
    const std::size_t a85 = resource.find("<~"), a85end = resource.find("~>");
    ASSERT_LT(a85, a85end);
    const std::string jpeg = Ascii85Decode(resource.substr(a85 + 2, a85end - a85 - 2));
    ASSERT_GT(jpeg.size(), 100u);
    EXPECT_EQ(jpeg.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(jpeg.substr(jpeg.size() - 2), "\xFF\xD9");
    const std::size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos) << "baseline frame";
    EXPECT_EQ(jpeg.substr(sof + 4, 6), std::string("\x08\x00\x1A\x00\x20\x01", 6))
        << "8 bits, 26 rows, 32 columns, grey";
    EXPECT_EQ(lines_[endComments - 2], "end def");
    EXPECT_EQ(lines_[endComments - 1], "end");

    // The page-device table: 81 entries in order.
    const char* sizes[] = {"Letter 612 792",
                           "Executive 522 756",
                           "Legal 612 1008",
                           "Tabloid 792 1224",
                           "w842h1274 842 1274",
                           "A3 842 1191",
                           "A4 595 842",
                           "A5 420 595",
                           "B4 729 1032",
                           "B5 516 729",
                           "DoublePostcard 419.5 567",
                           "w612h935 612 935",
                           "w558h774 558 774",
                           "w774h1116 774 1116",
                           "Env10 297 684",
                           "EnvMonarch 279 540",
                           "EnvDL 312 624",
                           "EnvC5 459 649",
                           "EnvISOB5 499 709",
                           "uslegal 792 1008"};
    std::vector<std::string> expected;
    for (const char* feature : {"PageSize", "PageRegion"})
        for (const std::string s : sizes) {
            const std::size_t blank = s.find(' ');
            expected.push_back("dup (" + std::string(feature) + "|" + s.substr(0, blank) + ") cvn {" +
                               s.substr(blank + 1) + " //^PPD.size exec} bind put");
        }
    for (const char* feature : {"InputSlot", "OutputBin"})
        for (int n = 0; n < 16; ++n) expected.push_back(std::string("dup (") + feature + "|" + std::to_string(n) + ")");
    for (const char* entry : {"Duplex|None", "Duplex|DuplexNoTumble", "Duplex|DuplexTumble", "ManualFeed|True",
                              "ManualFeed|False", "Staple|None", "Staple|On", "Jog|None", "Jog|On"})
        expected.push_back(std::string("dup (") + entry + ")");
    const std::size_t ppd = IndexOf(lines_, "/^PPD 81 dict", endComments);
    ASSERT_NE(ppd, std::string::npos);
    for (std::size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ(lines_[ppd + 1 + i].substr(0, expected[i].size()), expected[i]);
    EXPECT_EQ(lines_[ppd + 82], "def");
    EXPECT_EQ(lines_[ppd + 83], "/UnicodeLookupDict << >> def");

    // Font arrays, style warnings, label variables, then the end of ^VK4.
    at = ppd + 84;
    EXPECT_EQ(lines_[at], "/&internal.defaultfont [");
    EXPECT_NE(IndexOf(lines_, "/&_pspagefont_ [", at), std::string::npos);
    const bool full = GetParam().full;
    EXPECT_EQ(IndexOf(lines_, "/&_pspagefont_.b [", at) != std::string::npos, full);
    const std::size_t warn = IndexOf(lines_, "%%Warning: \"&_pspagefont_.i\" not included due to optimization", at);
    ASSERT_NE(warn, std::string::npos);
    std::size_t after = warn + 1;
    if (!full) {
        EXPECT_EQ(lines_[after++], "%%Warning: \"&_pspagefont_.b\" not included due to optimization");
    }
    EXPECT_EQ(lines_[after++], "%%Warning: \"&_pspagefont_.bi\" not included due to optimization");
    if (full) {
        EXPECT_EQ(lines_[after], "/&_i_ 0 def");
        after = IndexOf(lines_, "end", after);
        EXPECT_EQ(lines_[after - 1].substr(lines_[after - 1].size() - 7), " () def");
    }
    EXPECT_EQ(lines_[after], "end");

    // The second block, then the default text state and the document dictionary.
    const std::string block2 = CheckEexecBlock(lines_, after + 1, next);
    EXPECT_EQ(block2.substr(block2.size() - 27), "mark currentfile closefile\n");
    EXPECT_EQ(lines_[next], "/Helvetica [12 0 0 -12 0 0] selectfont");
    EXPECT_EQ(lines_[next + 1], "0.014 setlinewidth");
    EXPECT_EQ(lines_[next + 2], "0 0 moveto");
    EXPECT_EQ(lines_[next + 3], full ? "userdict /NONAMEdict 109 dict dup begin put /^GD 109 array def"
                                     : "userdict /NONAMEdict 17 dict dup begin put /^GD 17 array def");
    EXPECT_EQ(lines_[next + 4], "/^OD 50 dict def");
    EXPECT_EQ(lines_[next + 5], "^GD");
    // The slots the pages call keep their numbers and names; which other
    // objects a document carries is the runtime's choice, but each fits ^GD.
    std::map<std::string, int> slots;
    for (std::size_t i = next + 6; i < lines_.size(); ++i)
        if (lines_[i].rfind("^OD (", 0) == 0) {
            const std::string line = lines_[i].substr(0, lines_[i].size() - 4);  // without " put"
            const std::size_t close = line.find(") ");
            slots[line.substr(5, close - 5)] = std::atoi(line.substr(close + 2).c_str());
        }
    std::map<std::string, int> called{{"@MAIN", 9}};
    if (full)
        called.insert({{"@FORMATNUMBER", 17},
                       {"@_VK_HEADERBOX_", 106},
                       {"@_PS_QUELLMARKBOXHEADERS_", 107},
                       {"@_PS_QUELLMARK_", 108}});
    for (const auto& [name, slot] : called) EXPECT_EQ(slots[name], slot) << name;
    for (const auto& [name, slot] : slots) EXPECT_LT(slot, full ? 109 : 17) << name;

    const std::size_t n = lines_.size();
    EXPECT_EQ(lines_[n - 13], "/^{//^GD exch get exec}bind def");
    EXPECT_EQ(lines_[n - 12], "end pop");
    const std::vector<std::string> invocation = {
        "userdict /NONAME {",
        "userdict /^VK4 get begin",
        "Init_",
        "userdict /NONAMEdict get begin",
        "count 0 gt {dup type /integertype eq {/&system.formversion exch store} if} if",
        "/^ARL 0 def",
        "/^ARC false store",
        "9 ^",
        "end end",
        "} put",
        "NONAME"};
    EXPECT_EQ(std::vector<std::string>(lines_.end() - 11, lines_.end()), invocation);
}

TEST(DocumentBytesShared, BothDocumentsShareTheirCommonParts)
{
    const std::vector<std::string> full = SplitCrLf(ReadFileBytes(QUELLMARK_STATUS_DOCUMENT));
    const std::vector<std::string> minimal = SplitCrLf(ReadFileBytes(QUELLMARK_MINSTATUS_DOCUMENT));
    // Guard and case tables.
    for (std::size_t i = 10; i < 52; ++i) EXPECT_EQ(full[i], minimal[i]) << i;
    // The second enciphered block is the same text.
    auto block2 = [](const std::vector<std::string>& lines) {
        const std::size_t second = IndexOf(lines, "currentfile eexec", IndexOf(lines, "currentfile eexec") + 1);
        return std::vector<std::string>(lines.begin() + second,
                                        lines.begin() + IndexOf(lines, "cleartomark", second) + 1);
    };
    EXPECT_EQ(block2(full), block2(minimal));
}

INSTANTIATE_TEST_SUITE_P(Documents, DocumentBytes, ::testing::Values(kFull, kMinimal),
                         [](const auto& info) { return std::string(info.param.name); });
