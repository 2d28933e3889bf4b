// SPDX-License-Identifier: Apache-2.0
// PrinterUtils on a real, private CUPS scheduler: the list parts over the
// queue kinds CUPS has, the user's and the server's default, raw jobs whose
// bytes, name and format are read back from the server and the capture
// backend, and every failure a server can cause.
#include <cups/cups.h>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <functional>
#include <set>
#include <memory>
#include <random>
#include <thread>

#include "CupsTestServer.h"
#include "PrinterUtils.h"
#include "SysUtils.h"

using QuellmarkTest::CupsTestServer;
using namespace PrinterUtils;

namespace {

constexpr const char* kDocumentName = "Corvane Status Page";

int OpenFdCount()
{
    int count = 0;
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        while (::readdir(dir)) ++count;
        ::closedir(dir);
    }
    return count;
}

std::string RandomBytes(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

// 261,717 bytes of 7-bit text lines, each ended by CR LF.
std::string CrLfText()
{
    std::string s;
    for (int i = 0; s.size() < 261717; ++i)
        s += "%% status page line " + std::to_string(i) + " /Helvetica findfont\r\n";
    s.resize(261717 - 2);
    s += "\r\n";
    return s;
}

std::string OsErrorOf(const std::function<void()>& f, int* code = nullptr)
{
    try {
        f();
    } catch (const SysUtils::EOSError& e) {
        if (code) *code = e.Code();
        return e.Message();
    }
    return "(no EOSError)";
}

bool StartsWith(const std::string& s, const std::string& prefix)
{
    return s.rfind(prefix, 0) == 0;
}

// libcups reads HOME and CUPS_SERVERROOT once per thread; a thread started
// after the server sees this server's lpoptions whatever ran before.
template <typename F>
void OnFreshThread(F&& f)
{
    std::thread t(std::forward<F>(f));
    t.join();
}

// Runs f on a fresh thread of a child process whose controlling terminal is
// a new pseudo-terminal, where libcups' own password prompt would appear and
// wait for an answer. Fails the test when f fails or when the child is still
// running after the bound; returns what the child wrote to the terminal.
std::string OnATerminal(const std::function<bool()>& f)
{
    int terminal = -1;
    const pid_t child = ::forkpty(&terminal, nullptr, nullptr, nullptr);
    if (child < 0) {
        ADD_FAILURE() << "forkpty failed";
        return {};
    }
    if (child == 0) {
        bool passed = false;
        std::thread([&] { passed = f(); }).join();
        std::fflush(stdout);
        ::_exit(passed ? 0 : 1);
    }
    std::string written;
    int status = 0;
    bool ended = false;
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ended && std::chrono::steady_clock::now() < bound) {
        pollfd readable{terminal, POLLIN, 0};
        char bytes[256];
        if (::poll(&readable, 1, 100) > 0) {
            const ssize_t n = ::read(terminal, bytes, sizeof bytes);
            if (n > 0) written.append(bytes, static_cast<std::size_t>(n));
        }
        ended = ::waitpid(child, &status, WNOHANG) == child;
    }
    if (!ended) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        ADD_FAILURE() << "still waiting on the terminal, which shows: " << written;
    } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << written;
    }
    ::close(terminal);
    return written;
}

class PrinterUtilsCups : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::signal(SIGPIPE, SIG_IGN);
        server_ = std::make_unique<CupsTestServer>();
        server_->AddLocalQueue("local_a");
    }
    void TearDown() override { server_.reset(); }

    std::string WriteFile(const std::string& name, const std::string& bytes)
    {
        const std::string path = server_->Dir() + "/home/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::vector<std::string> List(TPrinterListParts parts, std::vector<std::string> before = {})
    {
        SysUtils::TStringList list;
        for (auto& s : before) list.Add(s);
        ListPrinters(list, parts);
        return list.Lines();
    }

    // The id of the one job created since `before`; fails the test otherwise.
    int NewJob(const std::vector<int>& before)
    {
        const auto now = server_->JobIds();
        EXPECT_EQ(now.size(), before.size() + 1) << "expected exactly one new job";
        return now.empty() ? 0 : now.back();
    }

    // Sends files with PrintFiles and returns the bytes the printer got.
    std::string SendAndCapture(const std::string& queue, const std::string& fileNames)
    {
        const auto before = server_->JobIds();
        PrintFiles(queue, fileNames, kDocumentName);
        const int job = NewJob(before);
        EXPECT_EQ(server_->WaitForJob(job), 9) << "job " << job << " did not complete";
        const auto captured = server_->CapturedJob(job);
        if (!captured) return "(backend never ran)";
        EXPECT_EQ(captured->title, kDocumentName);
        return captured->data;
    }

    std::unique_ptr<CupsTestServer> server_;
};

TEST_F(PrinterUtilsCups, ListPartsOverEveryQueueKind)
{
    server_->AddSharedQueue("shared_b");
    server_->AddRemoteQueue("remote_c", "local_a");
    server_->AddRejectingQueue("reject_e");
    // CUPS enumerates by name: local_a, reject_e, remote_c, shared_b; the
    // list reads in reverse.
    EXPECT_EQ(List(plpLocal), (std::vector<std::string>{"reject_e", "local_a"}));
    EXPECT_EQ(List(plpNetwork), (std::vector<std::string>{"remote_c"}));
    EXPECT_EQ(List(plpLocal | plpNetwork), (std::vector<std::string>{"remote_c", "reject_e", "local_a"}));
    EXPECT_EQ(List(plpLocal | plpShared), (std::vector<std::string>{"shared_b", "reject_e", "local_a"}));
    EXPECT_EQ(List(plpLocal | plpNetwork | plpShared, {"X", "Y"}),
              (std::vector<std::string>{"shared_b", "remote_c", "reject_e", "local_a", "X", "Y"}));
}

// Queues that live on another server read NETWORK: every queue of a
// server other than this machine's, and a local queue whose device is
// another server's printer.
TEST_F(PrinterUtilsCups, QueuesOfAnotherServerReadNetwork)
{
    CupsTestServer other;
    other.AddSharedQueue("far_shared");
    server_->Run({"env", "CUPS_SERVER=" + server_->Server(), "lpadmin", "-p", "to_far", "-E", "-v",
                  other.IppUri("far_shared"), "-m", "raw"});
    const struct {
        std::string server;
        std::vector<std::string> local, network;
    } cases[] = {
        {server_->Server(), {"local_a"}, {"to_far"}},
        {"127.0.0.1:" + std::to_string(other.Port()), {}, {"far_shared"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.server);
        ::cupsSetServer(c.server.c_str());
        EXPECT_EQ(List(plpLocal | plpShared), c.local);
        EXPECT_EQ(List(plpNetwork), c.network);
    }
    ::cupsSetServer(server_->Server().c_str());
}

TEST_F(PrinterUtilsCups, ListWithServerDownAddsNothingAndRaisesNothing)
{
    server_->Stop();
    EXPECT_EQ(List(plpLocal | plpNetwork | plpShared, {"X"}), std::vector<std::string>{"X"});
}

TEST_F(PrinterUtilsCups, DefaultIsTheUsersBeforeTheServers)
{
    server_->AddSharedQueue("shared_b");
    server_->SetServerDefault("shared_b");
    OnFreshThread([] { EXPECT_EQ(GetDefaultPrinterName(), "shared_b"); });
    server_->SetUserDefault("local_a");
    OnFreshThread([] { EXPECT_EQ(GetDefaultPrinterName(), "local_a"); });
}

TEST_F(PrinterUtilsCups, NoDefaultRaisesTheServersStatusInSystemForm)
{
    OnFreshThread([] {
        int code = 0;
        EXPECT_EQ(OsErrorOf([] { GetDefaultPrinterName(); }, &code),
                  "System Error.  Code: 1030.\r\nNo default destination");
        EXPECT_EQ(code, 1030);
    });
}

// A stopped server, by its local socket and by its port: the system's own
// reason, not what libcups' clean-up left behind.
TEST_F(PrinterUtilsCups, DefaultWithServerDownSaysTheServerIsUnreachable)
{
    server_->SetServerDefault("local_a");
    server_->Stop();
    const std::string port = "127.0.0.1:" + std::to_string(server_->Port());
    for (const auto& [server, reason] : {std::pair{server_->Server(), std::string("No such file or directory")},
                                         std::pair{port, std::string("Connection refused")}}) {
        ::cupsSetServer(server.c_str());
        int code = 0;
        const std::string text = OsErrorOf([] { GetDefaultPrinterName(); }, &code);
        EXPECT_EQ(code, 1282);
        EXPECT_EQ(text, "System Error.  Code: 1282.\r\nThe print server " + server + " cannot be reached: " + reason)
            << text;
    }
    ::cupsSetServer(server_->Server().c_str());
}

TEST_F(PrinterUtilsCups, BytesArriveUnchanged)
{
    const std::vector<std::pair<std::string, std::string>> files{
        {"empty", ""},
        {"block", RandomBytes(16384, 1)},
        {"block+1", RandomBytes(16385, 2)},
        {"status.ps", CrLfText()},
    };
    for (const auto& [name, bytes] : files) {
        const std::string path = WriteFile(name, bytes);
        if (bytes.empty()) {
            // CUPS refuses a job without data; the call succeeds, the job is
            // canceled and nothing reaches the printer.
            const auto before = server_->JobIds();
            PrintFiles("local_a", path, kDocumentName);
            const int job = NewJob(before);
            EXPECT_EQ(server_->WaitForJob(job), 7);
            EXPECT_FALSE(server_->CapturedJob(job));
            continue;
        }
        const std::string got = SendAndCapture("local_a", path);
        EXPECT_EQ(got.size(), bytes.size()) << name;
        EXPECT_TRUE(got == bytes) << name;
    }
}

TEST_F(PrinterUtilsCups, SixtyFourMebibytesArriveUnchanged)
{
    const std::string bytes = RandomBytes(64u << 20, 3);
    const std::string path = WriteFile("big.bin", bytes);
    const std::string got = SendAndCapture("local_a", path);
    EXPECT_EQ(got.size(), bytes.size());
    EXPECT_TRUE(got == bytes);
}

TEST_F(PrinterUtilsCups, ThreeFilesMakeOneJobInOrder)
{
    const std::string a = "%!PS-Adobe-3.0\r\n", b = RandomBytes(40000, 4), c = "NONAME\r\n";
    const std::string files = WriteFile("a.ps", a) + "\r\n" + WriteFile("b.bin", b) + "\n" + WriteFile("c.ps", c);
    EXPECT_TRUE(SendAndCapture("local_a", files) == a + b + c);
}

TEST_F(PrinterUtilsCups, JobCarriesTheDocumentNameAndRawFormat)
{
    const auto before = server_->JobIds();
    PrintFiles("local_a", WriteFile("doc.ps", CrLfText()), kDocumentName);
    const int job = NewJob(before);
    ASSERT_EQ(server_->WaitForJob(job), 9);
    const auto attrs = server_->JobAttributes(job);
    EXPECT_EQ(attrs.at("job-name"), kDocumentName);
    EXPECT_EQ(attrs.at("document-format-supplied"), "application/vnd.cups-raw");
}

TEST_F(PrinterUtilsCups, RemoteQueueForwardsTheSameBytes)
{
    server_->AddRemoteQueue("remote_c", "local_a");
    const std::string bytes = CrLfText();
    const auto before = server_->JobIds();
    PrintFiles("remote_c", WriteFile("doc.ps", bytes), kDocumentName);
    const int job = NewJob(before);
    ASSERT_EQ(server_->WaitForJob(job), 9);
    // The forwarded copy is the next job, on local_a.
    std::vector<int> ids;
    for (int i = 0; i < 500 && (ids = server_->JobIds()).size() < before.size() + 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(ids.size(), before.size() + 2);
    ASSERT_EQ(server_->WaitForJob(ids.back()), 9);
    const auto captured = server_->CapturedJob(ids.back());
    ASSERT_TRUE(captured);
    EXPECT_EQ(captured->queue, "local_a");
    EXPECT_EQ(captured->title, kDocumentName);
    EXPECT_TRUE(captured->data == bytes);
}

TEST_F(PrinterUtilsCups, UnknownOrEmptyPrinterNameFailsToOpenWithoutAJob)
{
    const std::string file = WriteFile("doc.ps", "x");
    // libcups keeps one connection per thread for the destination search
    // behind a failed lookup; the first failure opens it, later ones reuse it.
    OsErrorOf([&] { PrintFiles("warm_up", file, kDocumentName); });
    const auto before = server_->JobIds();
    const int fds = OpenFdCount();
    for (const std::string name : {"no_such_queue", ""}) {
        int code = 0;
        const std::string text = OsErrorOf([&] { PrintFiles(name, file, kDocumentName); }, &code);
        EXPECT_EQ(text, "Error opening printer: Error code 1030: The printer or class does not exist.") << name;
        EXPECT_EQ(code, 1030);
    }
    EXPECT_EQ(server_->JobIds(), before);
    EXPECT_EQ(OpenFdCount(), fds);
}

// Only a name the server does not know reads as unknown; a server that
// refuses to say is reported as refusing.
TEST_F(PrinterUtilsCups, AQueueTheServerWillNotDescribeReadsForbidden)
{
    server_->AddQueue("private_q", {"-E", "-v", "capture:/", "-m", "raw", "-o", "printer-op-policy=private"});
    int code = 0;
    const std::string text =
        OsErrorOf([&] { PrintFiles("private_q", WriteFile("doc.ps", "x"), kDocumentName); }, &code);
    EXPECT_EQ(code, 1025) << text;
    EXPECT_TRUE(StartsWith(text, "Error opening printer: Error code 1025: ")) << text;
    EXPECT_TRUE(server_->JobIds().empty());
}

TEST_F(PrinterUtilsCups, StoppedServerReadsDifferentlyFromAnUnknownPrinter)
{
    const std::string file = WriteFile("doc.ps", "x");
    const std::string unknown = OsErrorOf([&] { PrintFiles("no_such_queue", file, kDocumentName); });
    server_->Stop();
    const int fds = OpenFdCount();
    int code = 0;
    const std::string stopped = OsErrorOf([&] { PrintFiles("local_a", file, kDocumentName); }, &code);
    EXPECT_TRUE(StartsWith(stopped, "Error opening printer: Error code 1282: The print server ")) << stopped;
    EXPECT_NE(stopped, unknown);
    EXPECT_EQ(code, 1282);
    EXPECT_EQ(OpenFdCount(), fds);
}

TEST_F(PrinterUtilsCups, MissingInputFileFinishesTheJobAndReleasesThePrinter)
{
    const std::string good = WriteFile("good.ps", "%!PS\r\n");
    PrintFiles("local_a", good, kDocumentName);
    const int fds = OpenFdCount();
    const std::vector<std::pair<std::string, std::string>> cases{
        {server_->Dir() + "/home/missing.ps", ""},  // canceled: CUPS refuses a job without data
        {good + "\r\n\r\n" + good, "%!PS\r\n"},     // completed with the file before the empty line
    };
    for (const auto& [list, sent] : cases) {
        const auto before = server_->JobIds();
        int code = 0;
        const std::string text = OsErrorOf([&] { PrintFiles("local_a", list, kDocumentName); }, &code);
        EXPECT_EQ(text, "Error opening input file: Error code 2: No such file or directory") << list;
        EXPECT_EQ(code, 2);
        // The document was started: the job exists and is over, holding what
        // was sent before the failing line.
        const int job = NewJob(before);
        EXPECT_EQ(server_->WaitForJob(job), sent.empty() ? 7 : 9);
        const auto captured = server_->CapturedJob(job);
        EXPECT_EQ(captured ? captured->data : "", sent);
        EXPECT_EQ(OpenFdCount(), fds);
    }
    // The printer was released: the next job goes through.
    EXPECT_EQ(SendAndCapture("local_a", good), "%!PS\r\n");
}

TEST_F(PrinterUtilsCups, RejectingQueueFailsToStartTheJob)
{
    server_->AddRejectingQueue("reject_e");
    const std::string file = WriteFile("doc.ps", "x");
    PrintFiles("local_a", file, kDocumentName);
    const int fds = OpenFdCount();
    const auto before = server_->JobIds();
    int code = 0;
    const std::string text = OsErrorOf([&] { PrintFiles("reject_e", file, kDocumentName); }, &code);
    EXPECT_EQ(text, "Error starting print job: Error code 1286: Destination \"reject_e\" is not accepting jobs.");
    EXPECT_EQ(code, 1286);
    EXPECT_EQ(server_->JobIds(), before);
    EXPECT_EQ(OpenFdCount(), fds);
}

TEST_F(PrinterUtilsCups, ServerWantingAPasswordFailsInsteadOfPrompting)
{
    server_->AddAuthQueue("auth_q");
    const std::string file = WriteFile("doc.ps", "x");
    // Over TCP the server asks for Basic credentials; over the local socket
    // it refuses outright. Neither may end on a prompt, even with a terminal
    // to prompt on.
    for (const std::string& via : {server_->Server(), "127.0.0.1:" + std::to_string(server_->Port())}) {
        ::setenv("CUPS_SERVER", via.c_str(), 1);
        const std::string terminal = OnATerminal([&] {
            int code = 0;
            const std::string text = OsErrorOf([&] { PrintFiles("auth_q", file, kDocumentName); }, &code);
            // Forbidden, or the server's own Unauthorized.
            const bool failed =
                StartsWith(text, "Error starting print job: Error code ") && (code == 1025 || code == 1026);
            if (!failed) std::printf("%s: %s\n", via.c_str(), text.c_str());
            return failed;
        });
        EXPECT_EQ(terminal.find("assword"), std::string::npos) << via << ": " << terminal;
    }
    ::setenv("CUPS_SERVER", server_->Server().c_str(), 1);
}

// The descriptors of this process that are sockets.
std::set<int> OpenSockets()
{
    std::set<int> fds;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error).string();
        if (!error && target.rfind("socket:", 0) == 0) fds.insert(std::stoi(entry.path().filename().string()));
    }
    return fds;
}

// The connection breaks while a 64 MiB job is being written, once the
// server's spool file holds its first MiB: the server dies, or the
// connection alone is cut. Either way the step is named, nothing leaks,
// and a server that lives on holds no unfinished job.
TEST_F(PrinterUtilsCups, ConnectionBreaksDuringA64MebibyteJob)
{
    const std::string path = WriteFile("big.bin", RandomBytes(64u << 20, 5));
    PrintFiles("local_a", WriteFile("warm.ps", "x"), kDocumentName);
    for (const bool kill : {false, true}) {
        SCOPED_TRACE(kill ? "server killed" : "connection cut");
        const int fds = OpenFdCount();
        const std::set<int> sockets = OpenSockets();
        std::atomic<bool> done{false};
        std::thread breaker([&] {
            // The request's data lands in a file of the spool folder first.
            const std::string spool = server_->Dir() + "/spool";
            while (!done) {
                bool big = false;
                for (const auto& entry : std::filesystem::directory_iterator(spool)) {
                    // The server writes its control files under a temporary
                    // name and renames them: a file gone by the time its size
                    // is asked reads as size -1, which is not a big file.
                    std::error_code error;
                    const bool regular = entry.is_regular_file(error);
                    const std::uintmax_t size = regular ? entry.file_size(error) : 0;
                    big = big || (regular && !error && size >= (1u << 20));
                }
                if (big) {
                    if (kill) server_->Kill();
                    for (const int fd : OpenSockets())
                        if (!sockets.count(fd)) ::shutdown(fd, SHUT_RDWR);
                    return;
                }
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        });
        int code = 0;
        const std::string text = OsErrorOf([&] { PrintFiles("local_a", path, kDocumentName); }, &code);
        done = true;
        breaker.join();
        EXPECT_TRUE(
            StartsWith(text, "Error writing to printer: Error code 1282: Lost the connection to the print server"))
            << text;
        EXPECT_EQ(OpenFdCount(), fds);
        EXPECT_EQ(server_->Running(), !kill);
        if (kill) continue;
        for (const int job : server_->JobIds()) EXPECT_GE(server_->WaitForJob(job, 2000), 7) << "job " << job;
        EXPECT_EQ(server_->WaitForJob(server_->JobIds().back()), 7);
    }
}

}  // namespace
