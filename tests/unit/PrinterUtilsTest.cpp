// SPDX-License-Identifier: Apache-2.0
// The portable PrinterUtils algorithms on a recording fake spooler: argument
// checks, the selection table for every combination of attribute bits,
// ordering, the default printer lookup, page framing, and the release order
// on every failure path.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <stdexcept>
#include <set>
#include <string>
#include <vector>

#include "OsUtils.h"
#include "PrinterUtils.h"
#include "FilePrimitives.h"
#include "JobTransport.h"
#include "PrinterDirectory.h"
#include "SysUtils.h"

using namespace PrinterUtils;

namespace {

constexpr std::uint32_t S = kPrinterAttributeShared;
constexpr std::uint32_t N = kPrinterAttributeNetwork;
constexpr std::uint32_t L = kPrinterAttributeLocal;

// Records every call of the directory, the transport and the input files
// as one line, in one log; a call named in failAt fails (with the error
// code given) the n-th time it is made.
struct Recorder {
    std::vector<std::string> calls;
    std::map<std::string, std::pair<int, int>> failAt;  // call -> {nth, code}
    bool throwOnRelease = false;

    bool Fails(const std::string& call)
    {
        const auto it = failAt.find(call);
        if (it == failAt.end() || --it->second.first != 0) return false;
        OsUtils::SetLastOSError(it->second.second);
        return true;
    }
    void Release(const std::string& call)
    {
        calls.push_back(call);
        if (throwOnRelease) throw std::runtime_error("release");
    }
    // The last n calls, for checking the release order.
    std::vector<std::string> Tail(std::size_t n) const
    {
        return std::vector<std::string>(calls.end() - static_cast<std::ptrdiff_t>(std::min(n, calls.size())),
                                        calls.end());
    }
};

class FakeDirectory final : public PrinterDirectory {
public:
    std::vector<PrinterRecord> records;
    bool platform = true;
    bool entry = true;
    std::string defaultName = "Office";
    Recorder log;
    std::vector<std::string>& calls = log.calls;

    std::vector<PrinterRecord> EnumPrinters() override
    {
        calls.push_back("EnumPrinters");
        return log.Fails("EnumPrinters") ? std::vector<PrinterRecord>{} : records;
    }
    bool DefaultPrinterPlatform() override
    {
        calls.push_back("Platform");
        return platform;
    }
    bool FindDefaultPrinterEntry() override
    {
        calls.push_back("FindEntry");
        if (!entry) OsUtils::SetLastOSError(127, std::string("The specified procedure could not be found."));
        return entry;
    }
    bool GetDefaultPrinter(std::string& name) override
    {
        calls.push_back("GetDefault");
        if (log.Fails("GetDefault")) return false;
        name = defaultName;
        return true;
    }
};

// Input files by name; the calls land in the transport's log.
class FakeFiles final : public OsUtils::FilePrimitives {
public:
    explicit FakeFiles(Recorder& log) : log_(log) {}
    std::map<std::string, std::string> files;
    std::vector<int> pagesPerFile;

    OsUtils::FileHandle OpenForRead(const std::string& name, int& error) override
    {
        log_.calls.push_back("OpenFile " + name);
        const auto it = files.find(name);
        if (it == files.end()) {
            error = 2;
            return OsUtils::kInvalidFileHandle;
        }
        if (log_.Fails("OpenFile")) {
            error = OsUtils::GetLastOSError().code;
            return OsUtils::kInvalidFileHandle;
        }
        open_ = it->second;
        offset_ = 0;
        pagesPerFile.push_back(0);
        return 5;
    }
    long long Read(OsUtils::FileHandle, char* buffer, std::size_t size, int& error) override
    {
        log_.calls.push_back("Read");
        if (log_.Fails("Read")) {
            error = OsUtils::GetLastOSError().code;
            return -1;
        }
        const std::size_t read = std::min(size, open_.size() - offset_);
        open_.copy(buffer, read, offset_);
        offset_ += read;
        return static_cast<long long>(read);
    }
    bool Close(OsUtils::FileHandle, int&) override
    {
        log_.Release("CloseFile");
        return true;
    }
    // The job never writes, identifies or deletes a file.
    OsUtils::FileHandle OpenForWrite(const std::string&, int& error) override { return Unused(error); }
    bool Identify(OsUtils::FileHandle, OsUtils::FileIdentity&, int& error) override { return Unused(error) != 0; }
    bool Truncate(OsUtils::FileHandle, int& error) override { return Unused(error) != 0; }
    long long Write(OsUtils::FileHandle, const char*, std::size_t, int& error) override { return Unused(error); }
    bool Delete(const std::string&) override { return false; }

private:
    OsUtils::FileHandle Unused(int& error)
    {
        log_.calls.push_back("unexpected file call");
        error = 1;
        return OsUtils::kInvalidFileHandle;
    }
    Recorder& log_;
    std::string open_;
    std::size_t offset_ = 0;
};

class FakeTransport final : public JobTransport {
public:
    Recorder log;
    std::vector<std::string>& calls = log.calls;
    std::map<std::string, std::pair<int, int>>& failAt = log.failAt;
    FakeFiles input{log};
    std::map<std::string, std::string>& files = input.files;
    std::vector<int>& pagesPerFile = input.pagesPerFile;
    bool& throwOnRelease = log.throwOnRelease;
    TJobOutcome outcome;  // what following a job finds
    std::string written;
    int pages = 0;

    bool Open(const TPrinterTarget& target) override
    {
        calls.push_back("OpenPrinter " + target.name);
        return !log.Fails("OpenPrinter");
    }
    std::uint32_t StartDocument(const std::string& doc, const std::string& type) override
    {
        calls.push_back("StartDoc " + doc + " " + type);
        return log.Fails("StartDoc") ? 0 : 12;
    }
    bool StartPage() override
    {
        calls.push_back("StartPage");
        if (log.Fails("StartPage")) return false;
        ++pages;
        ++pagesPerFile.back();
        return true;
    }
    bool Write(const void* data, std::uint32_t size) override
    {
        calls.push_back("Write " + std::to_string(size));
        if (log.Fails("Write")) return false;
        written.append(static_cast<const char*>(data), size);
        return true;
    }
    bool EndPage() override
    {
        calls.push_back("EndPage");
        return true;
    }
    bool EndDocument() override
    {
        log.Release("EndDoc");
        return !log.Fails("EndDoc");
    }
    bool Follow(std::uint32_t jobId, const TJobOptions& options, TJobOutcome& out) override
    {
        calls.push_back("Follow " + std::to_string(jobId) + (options.wait ? " wait" : ""));
        if (log.Fails("Follow")) return false;
        if (!options.wait) return true;
        out.state = outcome.state;
        out.timedOut = outcome.timedOut;
        out.message = outcome.message;
        return true;
    }
    bool Close() override
    {
        log.Release("ClosePrinter");
        return true;
    }

    std::vector<std::string> Tail(std::size_t n) const { return log.Tail(n); }
};

// The raw job on the fake, as the public calls run it on a real transport.
void PrintFiles(FakeTransport& job, const std::string& printer, const std::string& names, const std::string& doc)
{
    PrinterUtils::PrintFiles(job, job.input, ParsePrinterTarget(printer), names, doc);
}
void PrintFileList(FakeTransport& job, const std::string& printer, const SysUtils::TStrings& names,
                   const std::string& doc)
{
    PrinterUtils::PrintFileList(job, job.input, ParsePrinterTarget(printer), names, doc);
}
TJobOutcome SendFileList(FakeTransport& job, const std::string& printer, const SysUtils::TStrings& names,
                         const std::string& doc, const TJobOptions& options)
{
    return PrinterUtils::SendFileList(job, job.input, ParsePrinterTarget(printer), names, doc, options);
}

std::vector<std::string> Names(const SysUtils::TStrings& list)
{
    return list.Lines();
}

std::string AssertionMessage(FakeDirectory& spooler, TPrinterListParts parts)
{
    SysUtils::TStringList list;
    try {
        ListPrinters(spooler, list, parts);
    } catch (const SysUtils::EAssertionFailed& e) {
        return e.Message();
    }
    return "(no assertion)";
}

template <typename F>
std::string OsErrorOf(F&& f)
{
    try {
        f();
    } catch (const SysUtils::EOSError& e) {
        return e.Message();
    }
    return "(no EOSError)";
}

}  // namespace

TEST(PrinterUtilsList, ArgumentChecksNameModuleAndLineBeforeAskingTheSpooler)
{
    FakeDirectory spooler;
    EXPECT_EQ(AssertionMessage(spooler, 0), "You want me to do nothing! (PrinterUtils, line 212)");
    EXPECT_EQ(AssertionMessage(spooler, plpShared), "Shared flag cannot be used alone! (PrinterUtils, line 213)");
    EXPECT_EQ(AssertionMessage(spooler, plpNetwork | plpShared), "Same as [plpNetwork]! (PrinterUtils, line 214)");
    // Bits outside the three parts name nothing.
    EXPECT_EQ(AssertionMessage(spooler, 0x08), "You want me to do nothing! (PrinterUtils, line 212)");
    EXPECT_TRUE(spooler.calls.empty());
}

TEST(PrinterUtilsList, SelectionTableForEveryAttributeCombination)
{
    // Records named after their attribute bits, one per combination.
    const std::vector<std::pair<std::string, std::uint32_t>> kinds{{"none", 0},   {"S", S},          {"N", N},
                                                                   {"NS", N | S}, {"L", L},          {"LS", L | S},
                                                                   {"LN", L | N}, {"LNS", L | N | S}};
    // Expected admissions, read off the selection table row by row.
    const std::map<int, std::set<std::string>> expected{
        {1, {"L"}},
        {2, {"N", "NS", "LN"}},
        {3, {"N", "NS", "L", "LN"}},
        {5, {"L", "LS"}},
        {7, {"N", "NS", "L", "LS", "LN", "LNS"}},
    };
    FakeDirectory spooler;
    for (const auto& [name, attr] : kinds) spooler.records.push_back({name, attr});
    for (const auto& [parts, names] : expected) {
        SysUtils::TStringList list;
        ListPrinters(spooler, list, static_cast<TPrinterListParts>(parts));
        const std::set<std::string> got(list.Lines().begin(), list.Lines().end());
        EXPECT_EQ(got, names) << "parts " << parts;
        EXPECT_EQ(list.Count(), static_cast<int>(names.size())) << "parts " << parts;
    }
}

TEST(PrinterUtilsList, NewNamesReversedAndAheadOfExistingOnes)
{
    FakeDirectory spooler;
    spooler.records = {{"A", L}, {"B", L}, {"C", N}};
    SysUtils::TStringList list;
    list.Add("X");
    ListPrinters(spooler, list, plpLocal | plpNetwork | plpShared);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"C", "B", "A", "X"}));
}

TEST(PrinterUtilsDefault, ChecksPlatformThenEntryThenCall)
{
    FakeDirectory spooler;
    EXPECT_EQ(GetDefaultPrinterName(spooler), "Office");
    EXPECT_EQ(spooler.calls, (std::vector<std::string>{"Platform", "FindEntry", "GetDefault"}));

    spooler.calls.clear();
    spooler.platform = false;
    try {
        GetDefaultPrinterName(spooler);
        ADD_FAILURE() << "no assertion";
    } catch (const SysUtils::EAssertionFailed& e) {
        EXPECT_EQ(e.Message(), "Invalid platform! (PrinterUtils, line 292)");
    }
    EXPECT_EQ(spooler.calls, std::vector<std::string>{"Platform"});

    spooler.platform = true;
    spooler.entry = false;
    EXPECT_EQ(OsErrorOf([&] { GetDefaultPrinterName(spooler); }),
              "System Error.  Code: 127.\r\nThe specified procedure could not be found");
}

TEST(PrinterUtilsDefault, NoDefaultRaisesTheLastErrorInSystemForm)
{
    FakeDirectory spooler;
    spooler.log.failAt["GetDefault"] = {1, 1030};
    try {
        GetDefaultPrinterName(spooler);
        ADD_FAILURE() << "returned a name";
    } catch (const SysUtils::EOSError& e) {
        EXPECT_EQ(e.Code(), 1030);
        EXPECT_EQ(e.Message().rfind("System Error.  Code: 1030.\r\n", 0), 0u) << e.Message();
    }
}

TEST(PrinterUtilsJob, PageFramingPerFile)
{
    FakeTransport spooler;
    const std::vector<std::size_t> sizes{0, 1, 16383, 16384, 16385, 3 * 16384 + 5};
    SysUtils::TStringList list;
    std::string all;
    for (std::size_t n : sizes) {
        const std::string name = "f" + std::to_string(n);
        std::string bytes(n, '\0');
        for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 7 + n) & 0xFF);
        spooler.files[name] = bytes;
        all += bytes;
        list.Add(name);
    }
    PrintFileList(spooler, "P", list, "Corvane Status Page");
    ASSERT_EQ(spooler.pagesPerFile.size(), sizes.size());
    for (std::size_t i = 0; i < sizes.size(); ++i)
        EXPECT_EQ(spooler.pagesPerFile[i], static_cast<int>((sizes[i] + 16383) / 16384 + 1)) << sizes[i];
    EXPECT_EQ(spooler.written, all);
    // No empty writes, no block larger than the buffer.
    for (const auto& c : spooler.calls) {
        if (c.rfind("Write ", 0) == 0) {
            const int n = std::stoi(c.substr(6));
            EXPECT_GT(n, 0);
            EXPECT_LE(n, 16384);
        }
    }
}

TEST(PrinterUtilsJob, CallSequenceOfAOneByteFile)
{
    FakeTransport spooler;
    spooler.files["a"] = "x";
    PrintFiles(spooler, "Laser", "a", "Corvane Status Page");
    EXPECT_EQ(spooler.calls,
              (std::vector<std::string>{"OpenPrinter Laser", "StartDoc Corvane Status Page RAW", "OpenFile a",
                                        "StartPage", "Read", "Write 1", "EndPage", "StartPage", "Read", "EndPage",
                                        "CloseFile", "EndDoc", "Follow 12", "ClosePrinter"}));
}

TEST(PrinterUtilsJob, FileNamesSplitAtEveryLineBreak)
{
    FakeTransport spooler;
    spooler.files = {{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}};
    PrintFiles(spooler, "P", "a\r\nb\rc\nd", "Doc");
    EXPECT_EQ(spooler.written, "1234");
    EXPECT_EQ(spooler.pagesPerFile.size(), 4u);
}

TEST(PrinterUtilsJob, EachFailingStepNamesItselfAndReleasesInReverseOrder)
{
    struct Case {
        std::string call;
        int nth;
        std::string context;
        std::vector<std::string> tail;  // the last calls made
    };
    const std::vector<Case> cases{
        {"OpenPrinter", 1, "Error opening printer", {"OpenPrinter P"}},
        {"StartDoc", 1, "Error starting print job", {"StartDoc Doc RAW", "ClosePrinter"}},
        {"OpenFile", 2, "Error opening input file", {"CloseFile", "OpenFile b", "EndDoc", "ClosePrinter"}},
        // An interrupted page is not ended.
        {"StartPage", 2, "Error sending print job", {"EndPage", "StartPage", "CloseFile", "EndDoc", "ClosePrinter"}},
        {"Read", 2, "Error reading from input file", {"StartPage", "Read", "CloseFile", "EndDoc", "ClosePrinter"}},
        {"Write", 1, "Error writing to printer", {"Read", "Write 3", "CloseFile", "EndDoc", "ClosePrinter"}},
        // A job refused at its end is reported, and the printer still closed.
        {"EndDoc", 1, "Error sending print job", {"CloseFile", "EndDoc", "ClosePrinter"}},
        // A connection lost while the job is followed.
        {"Follow", 1, "Error sending print job", {"EndDoc", "Follow 12", "ClosePrinter"}},
    };
    for (const Case& c : cases) {
        FakeTransport spooler;
        spooler.files = {{"a", "abc"}, {"b", "def"}};
        spooler.failAt[c.call] = {c.nth, 1234};
        const std::string text = OsErrorOf([&] { PrintFiles(spooler, "P", "a\nb", "Doc"); });
        EXPECT_EQ(text.rfind(c.context + ": Error code 1234: ", 0), 0u) << c.call << ": " << text;
        EXPECT_EQ(spooler.Tail(c.tail.size()), c.tail) << c.call;
        // Files after the failing one are never opened.
        if (c.call != "EndDoc" && c.call != "Follow" && c.call != "OpenFile") {
            for (const auto& call : spooler.calls) EXPECT_NE(call, "OpenFile b") << c.call;
        }
    }
}

TEST(PrinterUtilsJob, EmptyLineInTheListFailsAtThatLineAfterTheDocumentStarted)
{
    FakeTransport spooler;
    spooler.files = {{"a", "abc"}, {"c", "ghi"}};
    SysUtils::TStringList list;
    list.Add("a");
    list.Add("");
    list.Add("c");
    const std::string text = OsErrorOf([&] { PrintFileList(spooler, "P", list, "Doc"); });
    EXPECT_EQ(text.rfind("Error opening input file: Error code 2: ", 0), 0u) << text;
    EXPECT_EQ(spooler.written, "abc");
    EXPECT_EQ(spooler.Tail(3), (std::vector<std::string>{"OpenFile ", "EndDoc", "ClosePrinter"}));
}

TEST(PrinterUtilsJob, ReleaseThatThrowsDoesNotHideTheFailure)
{
    FakeTransport spooler;
    spooler.files = {{"a", "abc"}};
    spooler.failAt["Write"] = {1, 5};
    spooler.throwOnRelease = true;
    const std::string text = OsErrorOf([&] { PrintFiles(spooler, "P", "a", "Doc"); });
    EXPECT_EQ(text.rfind("Error writing to printer: Error code 5: ", 0), 0u) << text;
    EXPECT_EQ(spooler.Tail(3), (std::vector<std::string>{"CloseFile", "EndDoc", "ClosePrinter"}));
}

// The window follows a job to an address, never one to a queue, and fails a
// job that the printer did not print; SendFileList reports every outcome.
TEST(PrinterUtilsJob, OutcomeOfAFollowedJob)
{
    struct Case {
        std::string printer;
        TJobState state;
        bool timedOut;
        std::string raised;  // "" when PrintFileList succeeds
    };
    const std::vector<Case> cases{
        {"Office", jsAborted, false, ""},
        {"socket://h", jsCompleted, false, ""},
        {"socket://h", jsSent, false, ""},
        {"socket://h", jsAborted, false, "Error sending print job: Error code 8: %%[ Error: x ]%%"},
        {"ipp://h/p", jsCanceled, false, "Error sending print job: Error code 7: %%[ Error: x ]%%"},
        {"ipp://h/p", jsSent, true, "Error sending print job: Error code 5: %%[ Error: x ]%%"},
    };
    for (const Case& c : cases) {
        FakeTransport spooler;
        spooler.files = {{"a", "abc"}};
        spooler.outcome.state = c.state;
        spooler.outcome.timedOut = c.timedOut;
        spooler.outcome.message = "%%[ Error: x ]%%";
        SysUtils::TStringList list;
        list.Add("a");
        const std::string text = OsErrorOf([&] { PrintFileList(spooler, c.printer, list, "Doc"); });
        EXPECT_EQ(text, c.raised.empty() ? "(no EOSError)" : c.raised) << c.printer << " " << c.state;
        EXPECT_EQ(spooler.Tail(2)[0], ParsePrinterTarget(c.printer).IsAddress() ? "Follow 12 wait" : "Follow 12")
            << c.printer;

        FakeTransport again;
        again.input.files = spooler.files;
        again.outcome = spooler.outcome;
        const TJobOutcome out = SendFileList(again, c.printer, list, "Doc", TJobOptions{true, 10});
        EXPECT_EQ(out.state, c.state);
        EXPECT_EQ(out.timedOut, c.timedOut);
        EXPECT_EQ(out.jobId, 12u);
    }
}
