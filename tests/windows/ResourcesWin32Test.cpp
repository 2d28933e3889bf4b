// SPDX-License-Identifier: Apache-2.0
// The documents as resources of the executable, and the text-file writer on
// the Windows file primitives.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "OsUtils.h"
#include "Resources.h"
#include "SysUtils.h"
#include "TextFile.h"

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The assembled document the build embedded, named by the test's environment.
std::string Assembled(const char* variable)
{
    const char* path = std::getenv(variable);
    return path ? ReadAll(path) : std::string();
}

}  // namespace

TEST(Win32Resources, DocumentsAreTheAssembledFilesByteForByte)
{
    const std::string status = Assembled("QUELLMARK_STATUS_DOCUMENT");
    const std::string minimal = Assembled("QUELLMARK_MINSTATUS_DOCUMENT");
    ASSERT_FALSE(status.empty());
    ASSERT_FALSE(minimal.empty());
    EXPECT_TRUE(Resources::TResourceStream("STATUS", "MYSTATUS").Bytes() == status);
    EXPECT_TRUE(Resources::TResourceStream("MINSTATUS", "MYMINSTATUS").Bytes() == minimal);
    // The loader compares names and types without regard to case.
    EXPECT_EQ(Resources::TResourceStream("status", "mystatus").Size(), status.size());

    // Sequential reads hand out every byte once.
    Resources::TResourceStream stream("STATUS", "MYSTATUS");
    std::string read;
    char chunk[1000];
    for (std::size_t n; (n = stream.Read(chunk, sizeof chunk)) > 0;) read.append(chunk, n);
    EXPECT_TRUE(read == status);
    EXPECT_EQ(stream.Read(chunk, sizeof chunk), 0u);
}

TEST(Win32Resources, MissingNameOrTypeRaisesResNotFound)
{
    for (auto [name, type] : {std::pair{"NOPE", "MYSTATUS"}, std::pair{"STATUS", "MYMINSTATUS"}}) {
        try {
            Resources::TResourceStream stream(name, type);
            FAIL() << name << " " << type;
        } catch (const SysUtils::EResNotFound& e) {
            EXPECT_EQ(e.Message(), std::string("Resource ") + name + " not found");
        }
    }
}

class Win32TextFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        path_ = OsUtils::GetTempDirectory() + SysUtils::Format("quellmark-text-%lu.txt", ::GetCurrentProcessId());
    }
    void TearDown() override { ::DeleteFileA(path_.c_str()); }
    std::string path_;
};

TEST_F(Win32TextFile, WritesBytesAndTruncatesAnOlderFile)
{
    std::string text;
    for (int i = 0; i < 300; ++i) text += SysUtils::Format("line %d\r\n", i);
    AppCore::WriteTextFile(path_, std::string(5000, 'x'));
    AppCore::WriteTextFile(path_, text);
    EXPECT_TRUE(ReadAll(path_) == text);
}

TEST_F(Win32TextFile, FailuresRaiseInOutErrorWithTheWindowsCode)
{
    try {
        AppCore::WriteTextFile(OsUtils::GetTempDirectory() + "no-such-folder\\x.txt", "a\r\n");
        FAIL();
    } catch (const SysUtils::EInOutError& e) {
        EXPECT_EQ(e.Code(), ERROR_PATH_NOT_FOUND);
        EXPECT_EQ(e.Message(), "Invalid filename");
    }
    // Held open without sharing by someone else: a sharing violation.
    const HANDLE held = ::CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    try {
        AppCore::WriteTextFile(path_, "a\r\n");
        FAIL();
    } catch (const SysUtils::EInOutError& e) {
        EXPECT_EQ(e.Code(), ERROR_SHARING_VIOLATION);
        EXPECT_EQ(e.Message(), "I/O error 32");
    }
    ::CloseHandle(held);
}
