// SPDX-License-Identifier: Apache-2.0
// The quellmark program against print servers and printers that misbehave
// on loopback (misbehaving-peer): every run ends within its bound with the
// failure named, its peak memory stays under a cap, and what a peer sends
// reaches neither the terminal as control bytes nor the program's own JSON
// keys.
//
// The RSS cap is the program's own idle peak (quellmark --version) plus
// 64 MiB, the most one answer may add, plus 8 MiB for the run's own
// connections, buffers and threads. Under AddressSanitizer the shadow
// memory and the quarantine make peak RSS a figure of the sanitizer, so the
// caps are skipped there and the time slack grows from 1 s to 3 s.
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define QUELLMARK_TEST_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUELLMARK_TEST_ASAN 1
#endif
#endif

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

#ifdef QUELLMARK_TEST_ASAN
constexpr bool kAsan = true;
#else
constexpr bool kAsan = false;
#endif
constexpr double kSlackSeconds = kAsan ? 3 : 1;
// A run past its bound by this much is a hang: it is killed and fails.
constexpr int kKillAfterSeconds = 10;
constexpr long kRunCapKb = (64 + 8) * 1024;
// The most a message may hold: the 4 KiB error text and its context.
constexpr std::size_t kMessageMax = 4096 + 256;

enum class TCheck { None, ShortMessage, NoControl, OwnKeys };

struct TPeerCase {
    const char* name;
    const char* mode;
    std::vector<std::string> args;  // "ADDR" stands for 127.0.0.1:PORT
    bool viaServer;                 // CUPS_SERVER names the peer
    int boundSeconds;               // 5 s per request plus the row's --timeout
    int exitCode;
    const char* message;  // in stdout or stderr
    TCheck check;
};

std::ostream& operator<<(std::ostream& out, const TPeerCase& c)
{
    return out << c.name;
}

const std::vector<std::string> kPrintIpp = {"print", "--timeout", "3", "ipp://ADDR/ipp/print"};

const TPeerCase kCases[] = {
    {"DripHeaderPrinter", "drip-header", kPrintIpp, false, 8, 1, "did not answer", TCheck::None},
    {"DripHeaderList", "drip-header", {"list"}, true, 5, 1, "did not answer", TCheck::None},
    {"DripHeaderQueue", "drip-header", {"print", "Office"}, true, 5, 1, "did not answer", TCheck::None},
    {"DripBodyPrinter", "drip-body", kPrintIpp, false, 8, 1, "did not answer", TCheck::None},
    {"DripBodyList", "drip-body", {"list"}, true, 5, 1, "did not answer", TCheck::None},
    {"EndlessBodyPrinter", "endless-body", kPrintIpp, false, 8, 1, "did not answer", TCheck::None},
    {"EndlessBodyList", "endless-body", {"list"}, true, 5, 1, "did not answer", TCheck::None},
    {"GiantAnswerPrinter", "giant-answer", kPrintIpp, false, 8, 1, "did not answer", TCheck::None},
    {"GiantAnswerList", "giant-answer", {"list"}, true, 5, 1, "did not answer", TCheck::None},
    {"ErrorFlood",
     "error-flood",
     {"print", "--json", "--timeout", "5", "socket://ADDR"},
     false,
     10,
     1,
     "Error: undefined",
     TCheck::ShortMessage},
    {"TriplePercent",
     "triple-percent",
     {"print", "--timeout", "5", "socket://ADDR"},
     false,
     10,
     1,
     "Error: undefined",
     TCheck::None},
    {"EscapeNames",
     "escape-names",
     {"query", "--timeout", "5", "socket://ADDR"},
     false,
     10,
     0,
     "Peer Printer",
     TCheck::NoControl},
    {"ReservedKeys",
     "reserved-keys",
     {"query", "--json", "--timeout", "5", "socket://ADDR"},
     false,
     10,
     0,
     "\"completed\"",
     TCheck::OwnKeys},
};

std::string ReadAll(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Starts argv with env added, stdout and stderr into files; limitMemory
// bounds the address space so a runaway cannot take the machine down.
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const fs::path& out,
            const fs::path& err, bool limitMemory)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) {
        const std::string_view entry(*e);
        const auto overridden = [&](const std::string& v) {
            return entry.substr(0, v.find('=') + 1) == v.substr(0, v.find('=') + 1);
        };
        if (std::none_of(env.begin(), env.end(), overridden)) envp.push_back(*e);
    }
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!std::freopen(out.c_str(), "w", stdout) || !std::freopen(err.c_str(), "w", stderr)) ::_exit(126);
        if (limitMemory) {
            const rlimit limit{2UL << 30, 2UL << 30};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        ::execve(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    return pid;
}

struct TRun {
    int status = -1;
    bool killed = false;
    double seconds = 0;
    long maxRssKb = 0;
    std::string out, err;
};

// Runs the program, killed with SIGKILL once past killAfter seconds.
TRun RunProgram(const std::vector<std::string>& args, const std::vector<std::string>& env, const fs::path& dir,
                int killAfter)
{
    std::vector<std::string> argv = {QUELLMARK_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    TRun run;
    rusage usage{};
    const auto start = Clock::now();
    const pid_t pid = Spawn(argv, env, dir / "out", dir / "err", !kAsan);
    if (pid < 0) return run;
    while (::wait4(pid, &run.status, WNOHANG, &usage) == 0) {
        if (Clock::now() - start > std::chrono::seconds(killAfter)) {
            ::kill(pid, SIGKILL);
            ::wait4(pid, &run.status, 0, &usage);
            run.killed = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.maxRssKb = usage.ru_maxrss;
    run.out = ReadAll(dir / "out");
    run.err = ReadAll(dir / "err");
    return run;
}

// The peer process, stopped with SIGTERM (SIGKILL after 5 s) on every path.
class TPeer {
public:
    TPeer(const std::string& mode, const fs::path& dir)
        : pid_(Spawn({QUELLMARK_MISBEHAVING_PEER, "--mode", mode, "--port-file", (dir / "port").string()}, {},
                     dir / "peer.out", dir / "peer.err", false))
    {
        for (const auto end = Clock::now() + std::chrono::seconds(10); pid_ > 0 && Clock::now() < end;) {
            if (std::ifstream(dir / "port") >> port_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~TPeer()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        for (const auto end = Clock::now() + std::chrono::seconds(5); Clock::now() < end;) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    TPeer(const TPeer&) = delete;
    TPeer& operator=(const TPeer&) = delete;
    int Port() const { return port_; }

private:
    pid_t pid_;
    int port_ = 0;
};

// A directory of the test's own, removed with everything in it.
struct TTempDir {
    fs::path path;
    TTempDir()
    {
        std::string pattern = (fs::temp_directory_path() / "misbehaving-peer-XXXXXX").string();
        if (::mkdtemp(pattern.data())) path = pattern;
    }
    ~TTempDir()
    {
        std::error_code ignored;
        if (!path.empty()) fs::remove_all(path, ignored);
    }
};

// The first duplicated key of any object in text, or "" when none.
// nlohmann::json keeps only the last of duplicate keys, so they are
// counted while parsing.
std::string DuplicateKey(const std::string& text)
{
    std::vector<std::set<std::string>> objects;
    std::string duplicate;
    [[maybe_unused]] const auto json =
        nlohmann::json::parse(text, [&](int, nlohmann::json::parse_event_t event, nlohmann::json& parsed) {
            using Event = nlohmann::json::parse_event_t;
            if (event == Event::object_start) objects.emplace_back();
            if (event == Event::object_end) objects.pop_back();
            if (event == Event::key && !objects.back().insert(parsed.get<std::string>()).second && duplicate.empty())
                duplicate = parsed.get<std::string>();
            return true;
        });
    return duplicate;
}

class MisbehavingPeer : public ::testing::TestWithParam<TPeerCase> {
protected:
    static void SetUpTestSuite()
    {
        TTempDir dir;
        const TRun idle = RunProgram({"--version"}, {}, dir.path, kKillAfterSeconds);
        idleRssKb_ = idle.maxRssKb;
    }
    static long idleRssKb_;
};

long MisbehavingPeer::idleRssKb_ = 0;

TEST_P(MisbehavingPeer, EndsInTimeWithinMemory)
{
    const TPeerCase& c = GetParam();
    TTempDir dir;
    ASSERT_FALSE(dir.path.empty());
    const TPeer peer(c.mode, dir.path);
    ASSERT_NE(peer.Port(), 0) << "misbehaving-peer did not start: " << ReadAll(dir.path / "peer.err");
    const std::string addr = "127.0.0.1:" + std::to_string(peer.Port());
    std::vector<std::string> args = c.args;
    for (std::string& a : args)
        if (const std::size_t at = a.find("ADDR"); at != std::string::npos) a.replace(at, 4, addr);
    std::vector<std::string> env = {"HOME=" + dir.path.string(), "TMPDIR=" + dir.path.string()};
    if (c.viaServer) env.push_back("CUPS_SERVER=" + addr);

    const TRun run = RunProgram(args, env, dir.path, c.boundSeconds + kKillAfterSeconds);
    const std::string text = run.out + run.err;
    const std::string seen = "exit " + (WIFEXITED(run.status) ? std::to_string(WEXITSTATUS(run.status)) : "by signal") +
                             (run.killed ? " (killed)" : "") + ", " + std::to_string(run.seconds) + " s, " +
                             std::to_string(run.maxRssKb / 1024) + " MiB peak RSS (idle " +
                             std::to_string(idleRssKb_ / 1024) + "), " + std::to_string(text.size()) +
                             " bytes of output:\n" + text.substr(0, 600);
    std::printf("%s: %s\n", c.name, seen.substr(0, seen.find('\n')).c_str());

    EXPECT_TRUE(WIFEXITED(run.status) && WEXITSTATUS(run.status) == c.exitCode) << seen;
    EXPECT_LE(run.seconds, c.boundSeconds + kSlackSeconds) << seen;
    if (!kAsan) {
        EXPECT_LE(run.maxRssKb, idleRssKb_ + kRunCapKb) << seen;
    }
    EXPECT_NE(text.find(c.message), std::string::npos) << c.message << "\n---\n" << seen;

    if (c.check == TCheck::NoControl) {
        EXPECT_EQ(text.find_first_of("\x1b\x07"), std::string::npos) << seen;
    } else if (c.check == TCheck::ShortMessage) {
        const auto json = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(json.is_array() && json.size() == 1 && json[0].contains("message") &&
                    json[0]["message"].is_string())
            << seen;
        EXPECT_LE(json[0]["message"].get<std::string>().size(), kMessageMax) << seen;
    } else if (c.check == TCheck::OwnKeys) {
        std::string duplicate;
        ASSERT_NO_THROW(duplicate = DuplicateKey(run.out)) << seen;
        EXPECT_EQ(duplicate, "") << seen;
        const auto json = nlohmann::json::parse(run.out, nullptr, false);
        ASSERT_TRUE(json.is_array() && json.size() == 1 && json[0].is_object()) << seen;
        const auto field = [&](const char* key) { return json[0].contains(key) ? json[0][key] : nlohmann::json(); };
        EXPECT_EQ(field("printer"), "socket://" + addr) << seen;
        EXPECT_EQ(field("status"), "completed") << seen;
        EXPECT_EQ(field("message"), "") << seen;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, MisbehavingPeer, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
