// SPDX-License-Identifier: Apache-2.0
// Printing by address: socket:// against the virtual AppSocket printer
// (Ghostscript behind it, and its hostile modes), ipp:// against the private
// scheduler's printer URIs with no queue made for them on this side.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "AppSocketTestPrinter.h"
#include "CupsTestServer.h"
#include "PrinterBounds.h"
#include "PrinterUtils.h"
#include "SysUtils.h"

using QuellmarkTest::AppSocketTestPrinter;
using QuellmarkTest::CupsTestServer;
using namespace PrinterUtils;

namespace {

constexpr const char* kDocumentName = "Corvane Status Page";

// A job file of its own in a private directory, removed with it.
class JobFile {
public:
    explicit JobFile(const std::string& bytes)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quellmark-job.XXXXXX").string();
        const int fd = ::mkstemp(pattern.data());
        ::close(fd);
        path_ = pattern;
        std::ofstream(path_, std::ios::binary) << bytes;
        list_.Add(path_);
    }
    ~JobFile() { std::filesystem::remove(path_); }
    const SysUtils::TStrings& List() const { return list_; }

private:
    std::string path_;
    SysUtils::TStringList list_;
};

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every byte value, in a pattern that does not repeat at block boundaries.
std::string Bytes(std::size_t n)
{
    std::string bytes(n, '\0');
    for (std::size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>((i * 131 + n) >> 3);
    return bytes;
}

std::string Raised(const std::string& printer, const SysUtils::TStrings& files)
{
    try {
        PrintFileList(PrinterUtils::ParsePrinterTarget(printer), files, kDocumentName);
    } catch (const SysUtils::EOSError& e) {
        return e.Message();
    }
    return "(sent)";
}

// A job that draws a page and talks on the back channel.
const std::string kPage = "%!PS\r\n(page printed\\n) print flush\r\n/Helvetica findfont 24 scalefont setfont\r\n"
                          "72 700 moveto (Hello) show showpage\r\n";

}  // namespace

TEST(PrinterAddressSocket, GhostscriptPrintsThePageAndAnswersOnTheBackChannel)
{
    AppSocketTestPrinter printer;
    JobFile job(kPage);
    const TJobOutcome outcome = SendFileList(PrinterUtils::ParsePrinterTarget(printer.Address()), job.List(),
                                             kDocumentName, TJobOptions{true, 30000});
    EXPECT_EQ(outcome.state, jsCompleted) << outcome.message;
    EXPECT_EQ(outcome.backChannel, "page printed\n");
    EXPECT_TRUE(std::filesystem::exists(printer.OutDir() + "/AppSocket-Job-1.png"));
    // The window's road: the same job, followed, reported as sent.
    EXPECT_EQ(Raised(printer.Address(), job.List()), "(sent)");
    EXPECT_TRUE(std::filesystem::exists(printer.OutDir() + "/AppSocket-Job-2.pdf"));
}

// Each fault fails in its step's words; none waits past its bound.
TEST(PrinterAddressSocket, FaultsFailInTheirStep)
{
    AppSocketTestPrinter canned("error");
    AppSocketTestPrinter ghostscript("gs");
    AppSocketTestPrinter closing("close-mid-job");
    AppSocketTestPrinter silent("silent");
    JobFile big(std::string(4 << 20, ' '));
    JobFile page(kPage);
    JobFile undefined("%!PS\r\n(before) print flush\r\nnosuchoperator\r\n");
    int refusedPort = 0;
    {
        AppSocketTestPrinter gone("capture");
        refusedPort = gone.Port();
    }
    struct Case {
        std::string printer;
        const SysUtils::TStrings& files;
        std::string start;  // the beginning of the error
        std::string part;   // and a part of it
    };
    const std::vector<Case> cases{
        {canned.Address(), page.List(), "Error sending print job: Error code 8: %%[ Error: undefined; ",
         "%%[ Flushing: rest of job"},
        {ghostscript.Address(), undefined.List(), "Error sending print job: Error code 8: %%[ Error: undefined; ",
         "OffendingCommand: nosuchoperator ]%%"},
        {closing.Address(), big.List(), "Error writing to printer: Error code ", "127.0.0.1:"},
        {"socket://127.0.0.1:" + std::to_string(refusedPort), page.List(), "Error opening printer: Error code ",
         "Connection refused"},
        {silent.Address(), page.List(), "Error opening printer: Error code ", "timed out"},
        {"socket://host.invalid", page.List(), "Error opening printer: Error code ", "unknown host"},
        {"socket://127.0.0.1:9100/queue", page.List(), "Error opening printer: Error code 22: ", "has no path"},
        {"lpd://127.0.0.1/q", page.List(),
         "Error opening printer: Error code 22: ", "printer addresses are socket://HOST[:PORT], ipp://"},
    };
    for (const Case& c : cases) {
        const std::string text = Raised(c.printer, c.files);
        EXPECT_EQ(text.rfind(c.start, 0), 0u) << c.printer << ": " << text;
        EXPECT_NE(text.find(c.part), std::string::npos) << c.printer << ": " << text;
    }
}

// A name server that never answers: the lookup of the printer's host gives
// up within the connect bound, instead of waiting out the resolver's retries
// (a minute here). The name server is a loopback socket that reads nothing,
// made the only one in a mount namespace of a child process.
TEST(PrinterAddressSocket, SilentNameServerGivesUpWithinTheBound)
{
    const int silent = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(53);
    at.sin_addr.s_addr = htonl(0x7f000009);  // 127.0.0.9
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&at), sizeof at), 0) << std::strerror(errno);
    const JobFile conf("nameserver 127.0.0.9\noptions timeout:30 attempts:2\n");
    const JobFile page(kPage);
    const pid_t child = ::fork();
    if (child == 0) {
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(conf.List()[0].c_str(), "/etc/resolv.conf", nullptr, MS_BIND, nullptr) != 0)
            ::_exit(77);
        const auto start = std::chrono::steady_clock::now();
        const std::string text = Raised("socket://printer.quellmark.test", page.List());
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::fprintf(stderr, "%lld ms: %s\n", static_cast<long long>(ms.count()), text.c_str());
        const bool named = text.rfind("Error opening printer: Error code ", 0) == 0 &&
                           text.find("the name service did not answer within 5 s") != std::string::npos;
        ::_exit(named && ms.count() < kConnectTimeoutMs + 2000 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ::close(silent);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace here (needs root)";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

// A printer that never ends the job, quietly or flooding: the wait ends at
// its bound with what was read, the flood kept to its first bytes.
TEST(PrinterAddressSocket, NeverEndingJobsStopAtTheBound)
{
    for (const char* mode : {"never-close", "flood"}) {
        AppSocketTestPrinter printer(mode);
        JobFile job(kPage);
        const TJobOutcome outcome = SendFileList(PrinterUtils::ParsePrinterTarget(printer.Address()), job.List(),
                                                 kDocumentName, TJobOptions{true, 500});
        EXPECT_EQ(outcome.state, jsSent) << mode;
        EXPECT_TRUE(outcome.timedOut) << mode;
        EXPECT_NE(outcome.message.find("did not end the job within 500 ms"), std::string::npos) << outcome.message;
        EXPECT_EQ(outcome.backChannel.size(), std::string(mode) == "flood" ? kBackChannelMaxBytes : 0u) << mode;
    }
}

// Jobs to different printers at the same time, each with its own outcome
// and its bytes unchanged over several transfer blocks.
TEST(PrinterAddressSocket, SeveralPrintersAtOnce)
{
    std::vector<std::unique_ptr<AppSocketTestPrinter>> printers;
    std::vector<std::unique_ptr<JobFile>> jobs;
    for (int i = 0; i < 4; ++i) {
        printers.push_back(std::make_unique<AppSocketTestPrinter>(i == 3 ? "error" : "capture"));
        jobs.push_back(std::make_unique<JobFile>(Bytes(3 * 16384 + 7 + i)));
    }
    std::vector<TJobOutcome> outcomes(printers.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < printers.size(); ++i)
        threads.emplace_back([&, i] {
            outcomes[i] = SendFileList(PrinterUtils::ParsePrinterTarget(printers[i]->Address()), jobs[i]->List(),
                                       kDocumentName, TJobOptions{true, 30000});
        });
    for (auto& t : threads) t.join();
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(outcomes[i].state, jsCompleted) << i;
        EXPECT_EQ(ReadAll(printers[i]->OutDir() + "/AppSocket-Job-1.data"), Bytes(3 * 16384 + 7 + i)) << i;
    }
    EXPECT_EQ(outcomes[3].state, jsAborted);
    EXPECT_EQ(outcomes[3].message.rfind("%%[ Error: undefined; OffendingCommand: nosuchcommand ]%%", 0), 0u);
}

TEST(PrinterAddressIpp, JobGoesStraightToThePrinterAndIsFollowed)
{
    CupsTestServer server;
    server.AddLocalQueue("Direct");
    server.AddQueue("Broken",
                    {"-E", "-v", "capture:/nonexistent/dir", "-m", "raw", "-o", "printer-error-policy=abort-job"});
    JobFile job(kPage);

    const TJobOutcome done = SendFileList(PrinterUtils::ParsePrinterTarget(server.IppUri("Direct")), job.List(),
                                          kDocumentName, TJobOptions{true, 30000});
    EXPECT_EQ(done.state, jsCompleted) << done.message;
    ASSERT_GT(done.jobId, 0u);
    const auto captured = server.CapturedJob(static_cast<int>(done.jobId));
    ASSERT_TRUE(captured.has_value());
    EXPECT_EQ(captured->data, kPage);
    EXPECT_EQ(captured->title, kDocumentName);

    // A printer that gives up on the job: the window reports its reasons.
    const std::string text = Raised(server.IppUri("Broken"), job.List());
    EXPECT_EQ(text.rfind("Error sending print job: Error code 8: ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("Error sending print job: Error code 8: ").size()) << text;

    // The same over TLS (the scheduler's own certificate).
    const std::string tls = "ipps" + server.IppUri("Direct").substr(3);
    EXPECT_EQ(
        SendFileList(PrinterUtils::ParsePrinterTarget(tls), job.List(), kDocumentName, TJobOptions{true, 30000}).state,
        jsCompleted);

    // A queue's job is followed by its id on the server when asked to.
    EXPECT_EQ(SendFileList(PrinterUtils::ParsePrinterTarget("Direct"), job.List(), kDocumentName,
                           TJobOptions{true, 30000})
                  .state,
              jsCompleted);
    EXPECT_EQ(SendFileList(PrinterUtils::ParsePrinterTarget("Broken"), job.List(), kDocumentName,
                           TJobOptions{true, 30000})
                  .state,
              jsAborted);

    // Without waiting the job is only sent; an unknown path fails at opening.
    EXPECT_EQ(SendFileList(PrinterUtils::ParsePrinterTarget(server.IppUri("Direct")), job.List(), kDocumentName,
                           TJobOptions{})
                  .state,
              jsSent);
    const std::string unknown = Raised(server.IppUri("NoSuchPrinter"), job.List());
    EXPECT_EQ(unknown.rfind("Error opening printer: Error code 1030: ", 0), 0u) << unknown;
    // No queue was made for any of it.
    std::string queues;
    server.Run({"lpstat", "-e"}, &queues);
    EXPECT_EQ(queues, "Broken\nDirect\n");
}
