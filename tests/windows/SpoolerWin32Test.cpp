// SPDX-License-Identifier: Apache-2.0
// PrinterUtils on the Windows spooler, run under Wine against the private
// print server that spooler-test.sh starts. The script passes what it set
// up through the environment:
//   QUELLMARK_TEST_QUEUES   the queues, comma-separated
//   QUELLMARK_TEST_DEFAULT  the server's default queue
//   QUELLMARK_TEST_CAPTURE  a queue whose jobs the capture backend stores
//   QUELLMARK_TEST_JOBS     the capture folder, as a Windows path
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <thread>

#include "OsUtils.h"
#include "PrinterUtils.h"
#include "PrinterDirectory.h"
#include "SysUtils.h"

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        if (!part.empty()) parts.push_back(part);
    return parts;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

// Every byte value, in a pattern that does not repeat at block boundaries.
std::string Pattern(std::size_t size, unsigned seed)
{
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251 + seed) & 0xFF);
    return bytes;
}

// The jobs the capture backend has finished: it writes <id>.queue last.
std::set<std::string> FinishedJobs(const std::string& jobs)
{
    std::set<std::string> ids;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((jobs + "\\*.queue").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return ids;
    do {
        const std::string name = found.cFileName;
        ids.insert(name.substr(0, name.find('.')));
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return ids;
}

struct CapturedJob {
    std::string id, title, data;
};

// Waits for the one job that appears after `before`; Wine hands a job to the
// server when the document ends, and the server runs the backend after that.
CapturedJob WaitForNewJob(const std::string& jobs, const std::set<std::string>& before)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        for (const std::string& id : FinishedJobs(jobs)) {
            if (before.count(id)) continue;
            const std::string base = jobs + "\\" + id;
            return {id, ReadAll(base + ".title"), ReadAll(base + ".data")};
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return {};
}

class Spooler : public ::testing::Test {
protected:
    void SetUp() override
    {
        queues_ = Split(Env("QUELLMARK_TEST_QUEUES"), ',');
        jobs_ = Env("QUELLMARK_TEST_JOBS");
        capture_ = Env("QUELLMARK_TEST_CAPTURE");
        ASSERT_FALSE(queues_.empty()) << "run through spooler-test.sh";
        ASSERT_FALSE(jobs_.empty());
        ASSERT_FALSE(capture_.empty());
        dir_ = OsUtils::GetTempDirectory() + SysUtils::Format("quellmark-spool-%lu", ::GetCurrentProcessId());
        ::CreateDirectoryA(dir_.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const std::string& f : files_) ::DeleteFileA(f.c_str());
        ::RemoveDirectoryA(dir_.c_str());
    }
    std::string File(const std::string& name, const std::string& bytes)
    {
        const std::string path = dir_ + "\\" + name;
        WriteAll(path, bytes);
        files_.push_back(path);
        return path;
    }

    std::vector<std::string> queues_;
    std::string jobs_, capture_, dir_;
    std::vector<std::string> files_;
};

}  // namespace

TEST_F(Spooler, ListsEveryQueue)
{
    const std::vector<PrinterUtils::PrinterRecord> records = PrinterUtils::SystemPrinterDirectory().EnumPrinters();
    std::set<std::string> names;
    for (const auto& r : records) names.insert(r.name);
    EXPECT_EQ(names, std::set<std::string>(queues_.begin(), queues_.end()));
}

TEST_F(Spooler, DefaultPrinterIsTheServersDefault)
{
    EXPECT_EQ(PrinterUtils::GetDefaultPrinterName(), Env("QUELLMARK_TEST_DEFAULT"));
}

TEST_F(Spooler, RawJobArrivesByteForByteUnderItsName)
{
    // 16385 bytes: a full page, a page of one byte and the empty last page.
    const std::string bytes = Pattern(16385, 1);
    const std::string path = File("job1.ps", bytes);
    const std::set<std::string> before = FinishedJobs(jobs_);
    PrinterUtils::PrintFiles(capture_, path, "Corvane Status Page");
    const CapturedJob job = WaitForNewJob(jobs_, before);
    ASSERT_FALSE(job.id.empty()) << "no job reached the capture backend";
    EXPECT_EQ(job.title, "Corvane Status Page");
    EXPECT_EQ(job.data.size(), bytes.size());
    EXPECT_TRUE(job.data == bytes) << "job bytes differ from the file";
}

TEST_F(Spooler, FilesOfOneCallMakeOneJobWithNothingBetween)
{
    const std::string first = Pattern(16384, 2);
    const std::string second = "%!PS\r\nshowpage\r\n";
    const std::string empty;
    const std::string names = File("a.ps", first) + "\r\n" + File("empty.ps", empty) + "\n" + File("b.ps", second);
    const std::set<std::string> before = FinishedJobs(jobs_);
    PrinterUtils::PrintFiles(capture_, names, "Two Files");
    const CapturedJob job = WaitForNewJob(jobs_, before);
    ASSERT_FALSE(job.id.empty());
    EXPECT_EQ(job.title, "Two Files");
    EXPECT_TRUE(job.data == first + second) << job.data.size() << " bytes";
}

TEST_F(Spooler, UnknownPrinterFailsAtOpeningWithTheSystemText)
{
    const std::string path = File("never.ps", "%!PS\r\n");
    try {
        PrinterUtils::PrintFiles("NoSuchQueue", path, "Corvane Status Page");
        FAIL() << "no exception";
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Code(), ERROR_INVALID_PRINTER_NAME);
        EXPECT_EQ(e.Message(), "Error opening printer: Error code 1801: " + OsUtils::SysErrorText(1801));
        // Wine's wording; Windows says "The printer name is invalid."
        EXPECT_EQ(OsUtils::SysErrorText(1801), "Invalid printer name.");
    }
}

TEST_F(Spooler, MissingInputFileFailsAfterTheDocumentStarted)
{
    try {
        PrinterUtils::PrintFiles(capture_, dir_ + "\\missing.ps", "Missing");
        FAIL() << "no exception";
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Code(), ERROR_FILE_NOT_FOUND);
        EXPECT_EQ(e.Message().rfind("Error opening input file: Error code 2: ", 0), 0u) << e.Message();
    }
    // The printer was closed and the document ended: the next job goes through.
    const std::string path = File("after.ps", "%!PS\r\n");
    std::set<std::string> before = FinishedJobs(jobs_);
    PrinterUtils::PrintFiles(capture_, path, "After");
    bool seen = false;
    for (int i = 0; i < 2 && !seen; ++i) {
        // An empty job of the failed call may arrive first.
        const CapturedJob job = WaitForNewJob(jobs_, before);
        ASSERT_FALSE(job.id.empty());
        before.insert(job.id);
        if (job.title == "After") {
            EXPECT_EQ(job.data, "%!PS\r\n");
            seen = true;
        }
    }
    EXPECT_TRUE(seen);
}

// Run by the script after it removed every queue.
TEST(SpoolerWithoutPrinters, NoDefaultPrinterRaisesTheSystemError)
{
    EXPECT_TRUE(PrinterUtils::SystemPrinterDirectory().EnumPrinters().empty());
    try {
        const std::string name = PrinterUtils::GetDefaultPrinterName();
        FAIL() << "returned " << name;
    } catch (const SysUtils::EOSError& e) {
        EXPECT_NE(e.Code(), 0);
        EXPECT_EQ(e.Message().rfind(SysUtils::Format("System Error.  Code: %d.\r\n", e.Code()), 0), 0u) << e.Message();
    }
}
