// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include "SysUtils.h"

using SysUtils::TStringList;

namespace {
std::vector<std::string> Lines(std::string_view text)
{
    TStringList list;
    list.SetText(text);
    return list.Lines();
}
}  // namespace

TEST(StringListText, SplitsAtEveryKindOfLineBreak)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
    // LF followed by CR is two breaks with an empty line between.
    EXPECT_EQ(Lines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines("a\r\n\r\nb\r\n"), (V{"a", "", "b"}));
    EXPECT_EQ(Lines("a\r\n"), (V{"a"}));
    EXPECT_EQ(Lines("a\r"), (V{"a"}));
    EXPECT_EQ(Lines("\r\n"), (V{""}));
    EXPECT_EQ(Lines(""), V{});
}

TEST(StringListText, StopsAtTheFirstNul)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines(std::string_view("ab\r\ncd\0ef\r\ngh", 14)), (V{"ab", "cd"}));
    EXPECT_EQ(Lines(std::string_view("\0abc", 4)), V{});
}

TEST(StringListText, TextFormEndsEveryLineWithCrLf)
{
    TStringList list;
    EXPECT_EQ(list.Text(), "");
    list.Add("one");
    list.Add("");
    list.Add("three");
    EXPECT_EQ(list.Text(), "one\r\n\r\nthree\r\n");
}

TEST(StringListText, CrLfDocumentRoundTripsByteForByte)
{
    std::string doc;
    for (int i = 0; i < 500; ++i) doc += std::string(static_cast<std::size_t>(i % 97), 'x') + "\x7f\r\n";
    TStringList list;
    list.SetText(doc);
    EXPECT_EQ(list.Text(), doc);
}

TEST(StringListItems, InsertAtZeroPutsNewestFirst)
{
    TStringList list;
    list.Add("X");
    list.Insert(0, "A");
    list.Insert(0, "B");
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list[0], "B");
    EXPECT_EQ(list[1], "A");
    EXPECT_EQ(list[2], "X");
    list.Insert(3, "end");
    EXPECT_EQ(list[3], "end");
    EXPECT_THROW(list.Insert(5, "bad"), std::out_of_range);
    EXPECT_THROW(list.Insert(-1, "bad"), std::out_of_range);
}

TEST(StringListItems, SearchIsWholeStringCaseInsensitiveFromTheFirst)
{
    TStringList list;
    list.Add("Office-Laser");
    list.Add("office-laser");
    list.Add("Lab");
    EXPECT_EQ(list.IndexOf("OFFICE-LASER"), 0);
    EXPECT_EQ(list.IndexOf("lab"), 2);
    EXPECT_EQ(list.IndexOf("La"), -1);
    EXPECT_EQ(list.IndexOf("Lab "), -1);
    EXPECT_EQ(list.IndexOf(""), -1);
}

TEST(Assertions, TextNamesModuleWithoutFolderOrExtension)
{
    EXPECT_EQ(SysUtils::AssertionText("You want me to do nothing!", "/src/Libs/PrinterUtils/PrinterUtils.cpp", 212),
              "You want me to do nothing! (PrinterUtils, line 212)");
    EXPECT_EQ(SysUtils::AssertionText("x", "C:\\src\\PrinterUtils.cpp", 7), "x (PrinterUtils, line 7)");
    EXPECT_EQ(SysUtils::AssertionText("", "Mod.tar.gz", 1), "Assertion failed (Mod, line 1)");
}

TEST(Assertions, MacroRaisesWithThisFileAndTheRealLine)
{
    const int line = __LINE__ + 2;
    try {
        SYS_ASSERT(1 + 1 == 3, "arithmetic");
        FAIL() << "no exception";
    } catch (const SysUtils::EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), SysUtils::Format("arithmetic (StringListTest, line %d)", line));
        EXPECT_STREQ(e.ClassName(), "EAssertionFailed");
    }
    EXPECT_NO_THROW(SYS_ASSERT(true, "never"));
}
