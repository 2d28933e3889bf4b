// SPDX-License-Identifier: Apache-2.0
// The quellmark program against a private print server and virtual
// AppSocket printers: list with the queues' kinds and the default, print to
// several printers at a time with each outcome its own (the bytes and job
// name read back from the server), query by address with every fault a
// printer can have, exit statuses, and the refusals that need no printer.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>

#include "AppSocketTestPrinter.h"
#include "CupsTestServer.h"

using QuellmarkTest::CupsTestServer;

namespace {

const std::string kProgram = QUELLMARK_CLI;

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct TCliCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::vector<std::string> output;     // lines or fragments the output must hold
    std::multiset<std::string> printed;  // queues whose printer got the page
    const char* document;                // the bytes each of them got
};

std::ostream& operator<<(std::ostream& out, const TCliCase& c)
{
    return out << c.name;
}

const std::string kFull = QUELLMARK_STATUS_DOCUMENT;
const std::string kMinimal = QUELLMARK_MINSTATUS_DOCUMENT;

const TCliCase kCases[] = {
    {"ListJson",
     {"list", "--json"},
     0,
     {"[\n"
      "  {\"name\": \"alpha\", \"default\": false, \"local\": true, \"network\": false, \"shared\": false},\n"
      "  {\"name\": \"bravo\", \"default\": true, \"local\": true, \"network\": false, \"shared\": true},\n"
      "  {\"name\": \"charlie\", \"default\": false, \"local\": false, \"network\": true, \"shared\": false},\n"
      "  {\"name\": \"refuser\", \"default\": false, \"local\": true, \"network\": false, \"shared\": false}\n"
      "]\n"},
     {},
     nullptr},
    {"ListText", {"list"}, 0, {"alpha\tlocal\n", "bravo\tlocal, shared\tdefault\n", "charlie\tnetwork\n"}, {}, nullptr},
    {"PrintOneFailureStopsNoOther",
     {"print", "--jobs", "2", "alpha", "nope", "bravo"},
     1,
     {"alpha: sent\n", "bravo: sent\n", "nope: failed: Error opening printer: Error code 1030:"},
     {"alpha", "bravo"},
     QUELLMARK_STATUS_DOCUMENT},
    {"PrintRefusingQueueFailsAtStart",
     {"print", "refuser", "alpha"},
     1,
     {"alpha: sent\n", "refuser: failed: Error starting print job: Error code 1286:"},
     {"alpha"},
     QUELLMARK_STATUS_DOCUMENT},
    {"PrintAllMinimalJson",
     {"print", "--all", "--minimal", "--json", "--jobs", "3"},
     1,
     {"{\"printer\": \"alpha\", \"status\": \"sent\", \"message\": \"\"}",
      "{\"printer\": \"bravo\", \"status\": \"sent\", \"message\": \"\"}",
      "{\"printer\": \"charlie\", \"status\": \"sent\", \"message\": \"\"}",
      "{\"printer\": \"refuser\", \"status\": \"failed\", \"message\": \"Error starting print job: "},
     {"alpha", "alpha", "bravo"},
     QUELLMARK_MINSTATUS_DOCUMENT},
    {"QueryAsksWhereThePrinterIs",
     {"query", "alpha", "ipp://127.0.0.1:1/printers/x"},
     1,
     {"alpha:\n  State: idle [ipp]\n", "quellmark: ipp://127.0.0.1:1/printers/x: 127.0.0.1:1: Connection refused"},
     {},
     nullptr},
    {"BadUsage",
     {"print", "--jobs", "0", "alpha"},
     2,
     {"quellmark: --jobs wants a whole number from 1 to 1024, not '0'\nTry 'quellmark --help'.\n"},
     {},
     nullptr},
    {"PrintWantsPrinters", {"print", "--json"}, 2, {"print wants --all or at least one printer"}, {}, nullptr},
    {"UnknownOption", {"list", "--wait"}, 2, {"list does not take the option '--wait'"}, {}, nullptr},
};

class QuellmarkCli : public ::testing::TestWithParam<TCliCase> {
protected:
    static void SetUpTestSuite()
    {
        ::signal(SIGPIPE, SIG_IGN);
        server_ = std::make_unique<CupsTestServer>();
        server_->AddLocalQueue("alpha");
        server_->AddSharedQueue("bravo");
        server_->AddRemoteQueue("charlie", "alpha");
        server_->AddRejectingQueue("refuser");
        server_->SetServerDefault("bravo");
    }
    static void TearDownTestSuite() { server_.reset(); }

    static std::unique_ptr<CupsTestServer> server_;
};

std::unique_ptr<CupsTestServer> QuellmarkCli::server_;

TEST_P(QuellmarkCli, Runs)
{
    const TCliCase& c = GetParam();
    const std::vector<int> before = server_->JobIds();
    std::vector<std::string> argv = {kProgram};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::string out;
    EXPECT_EQ(server_->Run(argv, &out), c.exitCode) << out;
    for (const std::string& fragment : c.output)
        EXPECT_NE(out.find(fragment), std::string::npos) << fragment << "\n---\n" << out;

    // Each printer that succeeded has exactly one new job: the document
    // unchanged, under the window's job name. charlie forwards its job to
    // alpha, as a second job that the first one's end makes.
    std::multiset<std::string> got;
    std::set<int> seen(before.begin(), before.end());
    for (bool more = true; more;) {
        more = false;
        for (const int id : server_->JobIds()) {
            if (!seen.insert(id).second) continue;
            more = true;
            server_->WaitForJob(id);
            const auto job = server_->CapturedJob(id);
            if (!job) continue;
            EXPECT_EQ(job->title, "Corvane Status Page");
            EXPECT_TRUE(job->data == ReadAll(c.document ? c.document : "")) << "job " << id << " on " << job->queue;
            got.insert(job->queue);
        }
    }
    EXPECT_EQ(got, c.printed);
}

// A server without queues lists nothing and that is an answer; a server
// that cannot be reached is an error, for list and for print --all.
TEST_F(QuellmarkCli, EmptyServerListsNothingUnreachableServerFails)
{
    const CupsTestServer empty;
    const std::string gone = "CUPS_SERVER=" + empty.Dir() + "/gone.sock";
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string output;
    } cases[] = {
        {{"env", "CUPS_SERVER=" + empty.Server(), kProgram, "list", "--json"}, 0, "[]\n"},
        {{"env", gone, kProgram, "list"}, 1, "quellmark: cannot list the printers: The print server "},
        {{"env", gone, kProgram, "print", "--all"}, 1, "quellmark: cannot list the printers: The print server "},
    };
    for (const auto& c : cases) {
        std::string out;
        EXPECT_EQ(server_->Run(c.args, &out), c.exitCode) << out;
        EXPECT_EQ(out.rfind(c.output, 0), 0u) << out;
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, QuellmarkCli, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

using QuellmarkTest::AppSocketTestPrinter;

// Printers by address, each a virtual AppSocket printer of its own, and
// beside it one that answers well: a printer's fault never touches another's.
struct TAddressCase {
    const char* name;
    std::vector<std::string> args;  // "@" stands for the printer's address
    const char* mode;
    int exitCode;
    std::vector<std::string> output;
    std::string good;  // what the output says of the good printer, "@" its address
};

std::ostream& operator<<(std::ostream& out, const TAddressCase& c)
{
    return out << c.name;
}

const std::string kGoodText = "@:\n  Product: GPL Ghostscript\n";
const std::string kGoodJson = "{\"printer\": \"@\", \"status\": \"completed\", \"message\": \"\"";

const TAddressCase kAddressCases[] = {
    {"QueryText",
     {"query", "@"},
     "gs",
     0,
     {"  Product: GPL Ghostscript\n", "  Ram size: 4,194,304\n", "  Input tray 64: Size Custom 0x0 to"},
     kGoodText},
    {"QueryJson",
     {"query", "--json", "@"},
     "gs",
     0,
     {"\"status\": \"completed\", \"message\": \"\", \"product\": \"GPL Ghostscript\"", "\"ram_size\": 4194304,",
      "\"language_level\": 3,", "{\"number\": 64, \"size\": \"Custom 0x0 to 524287x524287\", \"type\": null}]"},
     kGoodJson},
    {"QueryPostScriptError",
     {"query", "@"},
     "error",
     1,
     {": the printer refused the query: %%[ Error: undefined;"},
     kGoodText},
    {"QueryNoAnswer", {"query", "@"}, "capture", 1, {": the printer sent no answer\n"}, kGoodText},
    {"QueryNeverEnds", {"query", "--timeout", "5", "@"}, "never-close", 1, {"5000 ms"}, kGoodText},
    {"QueryFlood", {"query", "--timeout", "5", "--json", "@"}, "flood", 1, {"\"status\": \"failed\""}, kGoodJson},
    {"QueryCutOff", {"query", "@"}, "close-mid-job", 1, {"quellmark: socket://"}, kGoodText},
    {"PrintWaitCompleted", {"print", "--wait", "--json", "@"}, "gs", 0, {"\"status\": \"completed\""}, kGoodJson},
    {"PrintPostScriptErrorAborts",
     {"print", "@"},
     "error",
     1,
     {": aborted: ", "OffendingCommand: nosuchcommand"},
     "@: completed\n"},
};

std::string Replace(std::string text, const std::string& address)
{
    for (std::size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, address);
    return text;
}

// Runs the program with its output and errors in out; the exit status.
int RunProgram(const std::vector<std::string>& argv, std::string& out)
{
    std::string command;
    for (const std::string& a : argv) command += "'" + a + "' ";
    FILE* pipe = ::popen((command + "2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class QuellmarkCliAddress : public ::testing::TestWithParam<TAddressCase> {};

TEST_P(QuellmarkCliAddress, Runs)
{
    const TAddressCase& c = GetParam();
    AppSocketTestPrinter printer(c.mode);
    AppSocketTestPrinter good("gs");
    std::vector<std::string> argv = {kProgram};
    for (const std::string& a : c.args) argv.push_back(a == "@" ? printer.Address() : a);
    argv.push_back(good.Address());
    std::string out;
    EXPECT_EQ(RunProgram(argv, out), c.exitCode) << out;
    for (const std::string& fragment : c.output)
        EXPECT_NE(out.find(fragment), std::string::npos) << fragment << "\n---\n" << out;
    EXPECT_NE(out.find(Replace(c.good, good.Address())), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Addresses, QuellmarkCliAddress, ::testing::ValuesIn(kAddressCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

// Starts the program with its standard output on out (a file descriptor)
// and TMPDIR set to tmp; the child's pid.
pid_t Spawn(const std::vector<std::string>& args, int out, const std::string& tmp)
{
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    ::dup2(out, STDOUT_FILENO);
    ::setenv("TMPDIR", tmp.c_str(), 1);
    ::signal(SIGPIPE, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    std::vector<char*> argv{const_cast<char*>(kProgram.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(kProgram.c_str(), argv.data());
    ::_exit(127);
}

bool Empty(const std::string& dir)
{
    return std::filesystem::is_empty(dir);
}

// Output that cannot be written is a failure, and a run ended by a signal
// removes its temporary document before it ends as the signal asks.
TEST(QuellmarkCliEnds, UnwritableOutputFailsAndSignalsLeaveNoDocument)
{
    const std::string tmp = ::testing::TempDir() + "quellmark-ends-XXXXXX";
    std::vector<char> dir(tmp.begin(), tmp.end());
    dir.push_back('\0');
    ASSERT_NE(::mkdtemp(dir.data()), nullptr);
    const std::string tmpDir = dir.data();
    int status = 0;

    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    ::waitpid(Spawn({"--help"}, full, tmpDir), &status, 0);
    ::close(full);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;

    // A reader that goes away after the first printer's answer, while the
    // second printer still holds the run.
    AppSocketTestPrinter printer("gs");
    AppSocketTestPrinter slow("never-close");
    int pipeFds[2];
    ASSERT_EQ(::pipe2(pipeFds, O_CLOEXEC), 0);
    const pid_t query = Spawn({"query", "--json", "--jobs", "1", "--timeout", "2", printer.Address(), slow.Address()},
                              pipeFds[1], tmpDir);
    ::close(pipeFds[1]);
    char some[10];
    EXPECT_GT(::read(pipeFds[0], some, sizeof some), 0);
    EXPECT_FALSE(Empty(tmpDir));
    ::close(pipeFds[0]);
    ::waitpid(query, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE) << status;
    EXPECT_TRUE(Empty(tmpDir));

    // Ended while a printer keeps the job open.
    AppSocketTestPrinter never("never-close");
    const int devNull = ::open("/dev/null", O_WRONLY);
    const pid_t waiting = Spawn({"query", never.Address()}, devNull, tmpDir);
    ::close(devNull);
    for (int i = 0; i < 100 && Empty(tmpDir); ++i) ::usleep(50000);
    EXPECT_FALSE(Empty(tmpDir));
    ::usleep(200000);
    ::kill(waiting, SIGTERM);
    ::waitpid(waiting, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_TRUE(Empty(tmpDir));
    std::filesystem::remove_all(tmpDir);
}

}  // namespace
