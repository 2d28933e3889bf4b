// SPDX-License-Identifier: Apache-2.0
// The unique-file loop and the path helper on a recording fake of the OS
// primitives; portable, so the Windows build runs it too.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "OsPrimitives.h"
#include "OsUtils.h"

using OsUtils::CreateOutcome;

namespace {

// Records every name tried and answers from a script; names in `directories`
// are reported as existing directories.
class FakeOs final : public OsUtils::OsPrimitives {
public:
    std::uint32_t tick = 0x1A2F03C;
    std::deque<CreateOutcome> outcomes;
    std::set<std::string> directories;
    std::vector<std::string> tried;

    std::string TempPath() override { return "C:\\TEMP\\"; }
    std::uint32_t TickCount() override { return tick; }
    CreateOutcome CreateNewFile(const std::string& path, OsUtils::FileIdentity&) override
    {
        tried.push_back(path);
        if (outcomes.empty()) return CreateOutcome::Created;
        const CreateOutcome o = outcomes.front();
        outcomes.pop_front();
        return o;
    }
    bool IsDirectory(const std::string& path) override { return directories.count(path) != 0; }
};

std::string Unique(FakeOs& os, std::string_view dir, bool* created = nullptr)
{
    char buffer[OsUtils::kUniqueNameBufferSize];
    std::memset(buffer, '#', sizeof buffer);
    const bool ok = OsUtils::CreateUniqueFile(os, dir, "ps", "ps", buffer);
    if (created) *created = ok;
    return buffer;
}

}  // namespace

TEST(UniqueFile, NameIsDirPrefixUpperHexCounterAndExtension)
{
    FakeOs os;
    bool created = false;
    EXPECT_EQ(Unique(os, "C:\\TEMP\\", &created), "C:\\TEMP\\ps1A2F03C.ps");
    EXPECT_TRUE(created);
    os.tick = 255;
    EXPECT_EQ(Unique(os, "/tmp"), std::string("/tmp") + OsUtils::kPathDelim + "psFF.ps");
    os.tick = 0;
    EXPECT_EQ(Unique(os, ""), "ps0.ps");
}

TEST(UniqueFile, RetriesOnExistingNamesWithTheNextCounterAndWraps)
{
    FakeOs os;
    os.tick = 0xFFFFFFFE;
    os.outcomes = {CreateOutcome::Exists, CreateOutcome::Exists};
    bool created = false;
    EXPECT_EQ(Unique(os, "/t/", &created), "/t/ps1.ps");
    EXPECT_TRUE(created);
    EXPECT_EQ(os.tried, (std::vector<std::string>{"/t/psFFFFFFFE.ps", "/t/ps0.ps", "/t/ps1.ps"}));
    // 0xFFFFFFFF is followed by 0 as well.
    FakeOs wrap;
    wrap.tick = 0xFFFFFFFF;
    wrap.outcomes = {CreateOutcome::Exists};
    EXPECT_EQ(Unique(wrap, "/t/"), "/t/ps0.ps");
}

TEST(UniqueFile, AccessDeniedRetriesOnlyWhereTheCandidateIsADirectory)
{
    FakeOs os;
    os.tick = 16;
    os.directories = {"/t/ps10.ps"};
    os.outcomes = {CreateOutcome::AccessDenied, CreateOutcome::AccessDenied};
    bool created = true;
    // The second denial names no directory: give up, the buffer keeps that name.
    EXPECT_EQ(Unique(os, "/t/", &created), "/t/ps11.ps");
    EXPECT_FALSE(created);
    EXPECT_EQ(os.tried.size(), 2u);
}

TEST(UniqueFile, AnyOtherErrorFailsAtOnce)
{
    FakeOs os;
    os.outcomes = {CreateOutcome::Failed};
    bool created = true;
    Unique(os, "/t/", &created);
    EXPECT_FALSE(created);
    EXPECT_EQ(os.tried.size(), 1u);
}

TEST(UniqueFile, LongDirectoryIsTruncatedTo259Characters)
{
    FakeOs os;
    const std::string dir(300, 'd');
    const std::string name = Unique(os, dir);
    EXPECT_EQ(name.size(), 259u);
    EXPECT_EQ(name, std::string(259, 'd'));
    ASSERT_EQ(os.tried.size(), 1u);
    EXPECT_EQ(os.tried[0], name);
}

// Where the cut reaches the counter's digits, later counters repeat names:
// the first taken name ends the search instead of looping for ever. A cut
// that spares the digits keeps counting.
TEST(UniqueFile, ATakenNameEndsTheSearchWhenTheCutReachesTheCounter)
{
    const struct {
        std::size_t dirLength;  // "/" included; the name is dir + "ps" + "1A2F03C" + ".ps"
        std::size_t tries;
        bool created;
    } cases[] = {
        {257, 1, false},  // nothing of the counter left
        {252, 1, false},  // two of its seven digits left
        {250, 2, true},   // all digits, no extension
    };
    for (const auto& c : cases) {
        FakeOs os;
        os.outcomes = {CreateOutcome::Exists};
        bool created = !c.created;
        Unique(os, std::string(c.dirLength - 1, 'd') + "/", &created);
        EXPECT_EQ(created, c.created) << c.dirLength;
        EXPECT_EQ(os.tried.size(), c.tries) << c.dirLength;
    }
}

TEST(Paths, IncludeTrailingSlash)
{
    EXPECT_EQ(OsUtils::IncludeTrailingSlash(""), "");
    EXPECT_EQ(OsUtils::IncludeTrailingSlash("C:/Temp/"), "C:/Temp/");
    EXPECT_EQ(OsUtils::IncludeTrailingSlash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(OsUtils::IncludeTrailingSlash("/var/tmp"), std::string("/var/tmp") + OsUtils::kPathDelim);
}
