// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cerrno>
#include <utility>

#include "Messages.h"
#include "SysUtils.h"

using Messages::ApplyPeriodRule;

TEST(PeriodRule, AppendsOnlyAfterBytesAboveThePeriod)
{
    EXPECT_EQ(ApplyPeriodRule(""), "");
    EXPECT_EQ(ApplyPeriodRule("done."), "done.");
    for (const char* unchanged : {"a ", "a\r", "a\n", "a!", "a)", "a,", "a-", "a\"", "a'"})
        EXPECT_EQ(ApplyPeriodRule(unchanged), unchanged) << unchanged;
    EXPECT_EQ(ApplyPeriodRule("what?"), "what?.");
    EXPECT_EQ(ApplyPeriodRule("a/"), "a/.");
    EXPECT_EQ(ApplyPeriodRule("code 5"), "code 5.");
    EXPECT_EQ(ApplyPeriodRule("a:"), "a:.");
    // High bytes count as unsigned, so they are above the period.
    EXPECT_EQ(ApplyPeriodRule("caf\xe9"), "caf\xe9.");
}

TEST(ApplicationTitle, FromExecutableName)
{
    using Messages::ApplicationTitleFromPath;
    EXPECT_EQ(ApplicationTitleFromPath("/usr/bin/QuellmarkExec"), "Quellmarkexec");
    EXPECT_EQ(ApplicationTitleFromPath("/opt/QUELLMARK.tar.gz"), "Quellmark");
    EXPECT_EQ(ApplicationTitleFromPath("/x/.hidden"), "");
    EXPECT_EQ(ApplicationTitleFromPath("/x/aB\xc9Z"), "ab\xc9z");
    EXPECT_EQ(ApplicationTitleFromPath("NoFolder"), "Nofolder");
    EXPECT_EQ(ApplicationTitleFromPath("/dir.with.dots/Exe"), "Exe");
    // Only the first 255 characters of the path count.
    const std::string longPath = "/" + std::string(250, 'd') + "/ABCDEFGH";
    EXPECT_EQ(ApplicationTitleFromPath(longPath), "Abc");
}

TEST(InOutErrors, TextByCode)
{
    using Messages::InOutErrorText;
    EXPECT_EQ(InOutErrorText(ENOENT), "File not found");
    EXPECT_EQ(InOutErrorText(ENAMETOOLONG), "Invalid filename");
    EXPECT_EQ(InOutErrorText(EMFILE), "Too many open files");
    EXPECT_EQ(InOutErrorText(ENFILE), "Too many open files");
    for (int code : {EACCES, EPERM, EROFS}) EXPECT_EQ(InOutErrorText(code), "File access denied");
    // The layer's own codes have their texts; an errno of the same number
    // (ENETDOWN, ENETUNREACH, EISCONN) does not.
    const std::pair<int, const char*> own[] = {{Messages::kIoReadBeyondEnd, "Read beyond end of file"},
                                               {Messages::kIoDiskFull, "Disk full"},
                                               {Messages::kIoInvalidNumericInput, "Invalid numeric input"}};
    for (const auto& [code, text] : own) {
        EXPECT_EQ(Messages::TextFileErrorText(code), text);
        EXPECT_EQ(InOutErrorText(code), SysUtils::Format("I/O error %d", code));
    }
    EXPECT_EQ(Messages::TextFileErrorText(ENOENT), SysUtils::Format("I/O error %d", ENOENT));
    // A full disk reported by the write itself is not the layer's "Disk full".
    EXPECT_EQ(InOutErrorText(ENOSPC), SysUtils::Format("I/O error %d", ENOSPC));
    EXPECT_EQ(InOutErrorText(32), "I/O error 32");
}

TEST(LastResort, TextNamesClassModuleAddressAndMessage)
{
    const void* at = reinterpret_cast<const void*>(0x1234);
    const std::string addr = SysUtils::Format("%p", at);
    EXPECT_EQ(Messages::LastResortText("EOSError", "QuellmarkExec", at, "boom"),
              "Exception EOSError in module QuellmarkExec at " + addr + ".\r\nboom.\r\n");
    EXPECT_EQ(Messages::LastResortText("Exception", "Q", at, "done."),
              "Exception Exception in module Q at " + addr + ".\r\ndone.\r\n");
    EXPECT_EQ(Messages::LastResortText("Exception", "Q", at, ""),
              "Exception Exception in module Q at " + addr + ".\r\n\r\n");
}
