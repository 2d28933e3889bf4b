// SPDX-License-Identifier: Apache-2.0
// The Windows OS primitives on the real system (Wine when cross-compiled).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Messages.h"
#include "OsPrimitives.h"
#include "OsUtils.h"
#include "SysUtils.h"

namespace fs = std::filesystem;

namespace {

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh folder under the temporary directory, removed with its content.
class Win32TempDir : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string base = OsUtils::GetTempDirectory();
        ASSERT_FALSE(base.empty());
        dir_ = SysUtils::Format("%squellmark-win32-%lu-%lu", base.c_str(), ::GetCurrentProcessId(), ::GetTickCount());
        ASSERT_TRUE(::CreateDirectoryA(dir_.c_str(), nullptr)) << dir_;
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    std::string dir_;
};

}  // namespace

TEST(Win32Paths, TempDirectoryIsAnExistingFolderWithTrailingBackslash)
{
    const std::string dir = OsUtils::GetTempDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_EQ(dir.back(), '\\');
    EXPECT_TRUE(OsUtils::SystemOsPrimitives().IsDirectory(dir));
    EXPECT_EQ(OsUtils::IncludeTrailingSlash("C:\\Temp"), "C:\\Temp\\");
}

TEST(Win32Paths, ExecutablePathGivesTheTitle)
{
    const std::string path = OsUtils::ExecutablePath();
    ASSERT_GT(path.size(), 4u);
    EXPECT_EQ(fs::path(path).filename().string(), "windows_unit_tests.exe");
    EXPECT_EQ(Messages::ApplicationTitle(), "windows_unit_tests");
}

TEST_F(Win32TempDir, CreatesAnEmptyFileAndStepsOverTakenNames)
{
    // Plant files and folders at the likely candidates: the loop must step
    // over existing files (exists) and folders (access denied or exists).
    const std::uint32_t now = OsUtils::SystemOsPrimitives().TickCount();
    std::vector<std::string> planted;
    for (std::uint32_t i = 0; i < 40; ++i) {
        planted.push_back(SysUtils::Format("%s\\ps%X.ps", dir_.c_str(), now + i));
        if (i % 2) {
            ASSERT_TRUE(::CreateDirectoryA(planted.back().c_str(), nullptr));
        } else {
            const HANDLE h = ::CreateFileA(planted.back().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
            ASSERT_NE(h, INVALID_HANDLE_VALUE);
            DWORD written = 0;
            ::WriteFile(h, "keep", 4, &written, nullptr);
            ::CloseHandle(h);
        }
    }
    std::string name;
    ASSERT_TRUE(OsUtils::CreateUniqueFileName(dir_, "ps", "ps", name));
    EXPECT_EQ(name.rfind(dir_ + "\\ps", 0), 0u) << name;
    EXPECT_EQ(name.substr(name.size() - 3), ".ps");
    EXPECT_EQ(std::find(planted.begin(), planted.end(), name), planted.end()) << "reused " << name;
    EXPECT_FALSE(OsUtils::SystemOsPrimitives().IsDirectory(name));
    EXPECT_EQ(fs::file_size(name), 0u);
    for (std::size_t i = 0; i < planted.size(); i += 2) EXPECT_EQ(fs::file_size(planted[i]), 4u) << planted[i];

    // The new file is closed: it can be opened exclusively and deleted.
    const HANDLE h = ::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    ::CloseHandle(h);
    EXPECT_TRUE(::DeleteFileA(name.c_str()));
}

TEST_F(Win32TempDir, MissingFolderFailsWithPathNotFoundAndTheNameTried)
{
    const std::string missing = dir_ + "\\missing";
    std::string name;
    EXPECT_FALSE(OsUtils::CreateUniqueFileName(missing, "ps", "ps", name));
    EXPECT_EQ(name.rfind(missing + "\\ps", 0), 0u);
    EXPECT_EQ(OsUtils::GetLastOSError().code, ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(FileExists(name));

    // The recorded error is what a check raises right after the failure.
    try {
        OsUtils::CheckOSBool(false, "Error opening input file");
        FAIL() << "no exception";
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Code(), ERROR_PATH_NOT_FOUND);
        EXPECT_EQ(e.Message(), "Error opening input file: Error code 3: " + OsUtils::SysErrorText(3));
    }
}

TEST(Win32ErrorTexts, SystemTextIsTrimmedAndUnknownCodesFallBack)
{
    for (int code : {2, 3, 5, 32, 112, 1801}) {
        const std::optional<std::string> raw = OsUtils::PlatformErrorText(code);
        ASSERT_TRUE(raw.has_value()) << code;
        const std::string text = OsUtils::SysErrorText(code);
        ASSERT_FALSE(text.empty()) << code;
        EXPECT_NE(text, "FormatMessage() failed!") << code;
        EXPECT_GT(static_cast<unsigned char>(text.front()), 32u) << code;
        EXPECT_GT(static_cast<unsigned char>(text.back()), 32u) << code;
        EXPECT_NE(raw->find(text), std::string::npos) << code;
    }
    EXPECT_EQ(OsUtils::SysErrorText(0x2FFFFFFF), "FormatMessage() failed!");
    EXPECT_FALSE(OsUtils::PlatformErrorText(0x2FFFFFFF).has_value());
}

TEST(Win32ErrorTexts, SystemErrorFormDropsTheFinalPeriod)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    OsUtils::SetLastOSError(static_cast<int>(::GetLastError()));
    try {
        OsUtils::RaiseLastOSError();
    } catch (const SysUtils::EOSError& e) {
        const std::string head = "System Error.  Code: 5.\r\n";
        ASSERT_EQ(e.Message().rfind(head, 0), 0u) << e.Message();
        const std::string text = e.Message().substr(head.size());
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '.');
        EXPECT_EQ(OsUtils::PlatformErrorText(5)->rfind(text, 0), 0u);
    }
    EXPECT_EQ(OsUtils::SystemErrorMessage({0x2FFFFFFF, std::nullopt}), "System Error.  Code: 805306367.\r\n");
}

TEST(Win32ErrorTexts, InOutTextsByWindowsCode)
{
    using Messages::InOutErrorText;
    EXPECT_EQ(InOutErrorText(ERROR_FILE_NOT_FOUND), "File not found");
    EXPECT_EQ(InOutErrorText(ERROR_PATH_NOT_FOUND), "Invalid filename");
    EXPECT_EQ(InOutErrorText(ERROR_TOO_MANY_OPEN_FILES), "Too many open files");
    EXPECT_EQ(InOutErrorText(ERROR_ACCESS_DENIED), "File access denied");
    EXPECT_EQ(InOutErrorText(ERROR_SHARING_VIOLATION), "I/O error 32");
    EXPECT_EQ(InOutErrorText(ERROR_DISK_FULL), "I/O error 112");
    EXPECT_EQ(InOutErrorText(101), "Disk full");
}
