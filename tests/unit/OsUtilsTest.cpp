// SPDX-License-Identifier: Apache-2.0
// OsUtils on the real POSIX system: files in a private directory, TMPDIR,
// and the texts of failed checks built from errno.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "OsPrimitives.h"
#include "PrivateTempDir.h"
#include "OsUtils.h"
#include "SysUtils.h"

namespace fs = std::filesystem;

using RealTempDir = PrivateTempDir;

TEST_F(RealTempDir, CreatesAnEmptyPrivateFileAndSkipsPlantedEntries)
{
    // Plant a symbolic link and a directory at likely candidates: the loop
    // must step over both without following the link.
    const std::string target = dir_ / "target";
    const std::uint32_t now = OsUtils::SystemOsPrimitives().TickCount();
    for (std::uint32_t i = 0; i < 40; ++i) {
        const std::string planted = (dir_ / SysUtils::Format("ps%X.ps", now + i)).string();
        if (i % 2)
            fs::create_directory(planted);
        else
            fs::create_symlink(target, planted);
    }
    std::string name;
    ASSERT_TRUE(OsUtils::CreateUniqueFileName(dir_.string(), "ps", "ps", name));
    struct stat st {};
    ASSERT_EQ(::lstat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_size, 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(target)) << "a planted link was followed";
}

TEST_F(RealTempDir, MissingDirectoryFailsWithTheNameTried)
{
    const std::string missing = dir_ / "missing";
    std::string name;
    EXPECT_FALSE(OsUtils::CreateUniqueFileName(missing, "ps", "ps", name));
    EXPECT_EQ(name.rfind(missing + "/ps", 0), 0u);
    EXPECT_EQ(OsUtils::GetLastOSError().code, ENOENT);
}

TEST_F(RealTempDir, TempDirectoryFollowsTmpdirWithTrailingSlash)
{
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", dir_.c_str(), 1);
    EXPECT_EQ(OsUtils::GetTempDirectory(), dir_.string() + "/");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(OsUtils::GetTempDirectory(), "/tmp/");
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
}

TEST(Checks, PassValuesThroughWithoutRaising)
{
    EXPECT_EQ(OsUtils::CheckOSInt(42, "ctx"), 42);
    EXPECT_TRUE(OsUtils::CheckOSBool(true, "ctx"));
}

TEST(Checks, FailureTextHasContextCodeAndTrimmedSystemText)
{
    OsUtils::SetLastOSError(ENOENT);
    try {
        OsUtils::CheckOSBool(false, "Error reading from input file");
        FAIL();
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Message(),
                  SysUtils::Format("Error reading from input file: Error code %d: No such file or directory", ENOENT));
        EXPECT_EQ(e.Code(), ENOENT);
    }
    // An error that carries its own text (a spooler status) is trimmed of
    // blanks and control characters at both ends.
    OsUtils::SetLastOSError(1030, std::string(" \r\nThe printer or class does not exist.\r\n"));
    try {
        OsUtils::CheckOSInt(0, "Error opening printer");
        FAIL();
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Message(), "Error opening printer: Error code 1030: The printer or class does not exist.");
    }
}

TEST(Checks, UnknownCodeGivesTheFallbackText)
{
    EXPECT_EQ(OsUtils::SysErrorText(987654), "FormatMessage() failed!");
    OsUtils::SetLastOSError(987654);
    EXPECT_THROW(
        {
            try {
                OsUtils::CheckOSBool(false, "Error writing to printer");
            } catch (const SysUtils::EOSError& e) {
                EXPECT_EQ(e.Message(), "Error writing to printer: Error code 987654: FormatMessage() failed!");
                throw;
            }
        },
        SysUtils::EOSError);
}

TEST(SystemError, FormTrimsBlanksAndPeriodsFromTheEndOnly)
{
    EXPECT_EQ(OsUtils::SystemErrorMessage({1030, std::string(" No default destination. \r\n")}),
              "System Error.  Code: 1030.\r\n No default destination");
    EXPECT_EQ(OsUtils::SystemErrorMessage({1030, std::string("...")}), "System Error.  Code: 1030.\r\n");
    EXPECT_EQ(OsUtils::SystemErrorMessage({987654, std::nullopt}), "System Error.  Code: 987654.\r\n");
    EXPECT_EQ(OsUtils::SystemErrorMessage({0, std::string("ignored")}), "A call to an OS function failed");
    OsUtils::SetLastOSError(EACCES);
    try {
        OsUtils::RaiseLastOSError();
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Message(), SysUtils::Format("System Error.  Code: %d.\r\nPermission denied", EACCES));
        EXPECT_EQ(e.Code(), EACCES);
    }
}
