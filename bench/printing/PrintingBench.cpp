// SPDX-License-Identifier: Apache-2.0
// Benchmark (not a test): PrintFiles against `lp -o raw`, and ListPrinters
// against `lpstat -e`, on one private print server. Both sides run as
// processes, timed from start to exit, with the peak RSS the kernel reports
// for each (through printing_measure). Jobs go to a raw queue whose device is /dev/null, and every job
// is over before the next run starts, so the server's spooling is the same
// for both sides.
//
//   printing_bench [--quick] [--no-gib] [--queues N]
//
// --quick runs fewer repetitions; --no-gib leaves out the 1 GiB file.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "CupsTestServer.h"
#include "MeasuredRun.h"

namespace {

constexpr const char* kDocumentName = "Corvane Status Page";
constexpr const char* kQueue = "bench";

std::string SelfDir()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) throw std::runtime_error("cannot find own path");
    std::string path(buf, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/'));
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void WriteData(const std::string& path, std::size_t size, bool text)
{
    std::ofstream out(path, std::ios::binary);
    std::string block;
    if (text) {
        for (int i = 0; block.size() < 65536; ++i) block += "%% status page line " + std::to_string(i) + " show\r\n";
    } else {
        std::mt19937 gen(42);
        block.resize(1 << 20);
        for (auto& c : block) c = static_cast<char>(gen());
    }
    for (std::size_t left = size; left > 0;) {
        const std::size_t n = std::min(left, block.size());
        out.write(block.data(), static_cast<std::streamsize>(n));
        left -= n;
    }
    if (!out.flush()) throw std::runtime_error("cannot write " + path);
}

void WaitForAllJobs(const QuellmarkTest::CupsTestServer& server)
{
    const auto ids = server.JobIds();
    if (!ids.empty()) server.WaitForJob(ids.back(), 120000);
}

}  // namespace

int main(int argc, char** argv)
{
    bool quick = false, gib = true;
    int queues = 500;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--quick")
            quick = true;
        else if (a == "--no-gib")
            gib = false;
        else if (a == "--queues" && i + 1 < argc)
            queues = std::atoi(argv[++i]);
        else {
            std::fprintf(stderr, "usage: printing_bench [--quick] [--no-gib] [--queues N]\n");
            return 2;
        }
    }
    try {
        const std::string send = SelfDir() + "/printing_send";
        const std::string measure = SelfDir() + "/printing_measure";
        QuellmarkTest::CupsTestServer server;
        server.AddQueue(kQueue, {"-E", "-v", "file:///dev/null", "-m", "raw"});

        struct Size {
            const char* label;
            std::size_t bytes;
            bool text;
            int runs;
        };
        std::vector<Size> sizes{{"261,717 B", 261717, true, quick ? 5 : 31},
                                {"1 MiB", 1u << 20, false, quick ? 3 : 15},
                                {"64 MiB", 64u << 20, false, quick ? 3 : 11}};
        if (gib) sizes.push_back({"1 GiB", 1u << 30, false, quick ? 1 : 5});

        std::printf("| data | PrintFiles process median ms | lp -o raw median ms | ratio | PrintFiles call median ms "
                    "| PrintFiles peak RSS KiB | lp peak RSS KiB | runs |\n");
        std::printf("|---|---|---|---|---|---|---|---|\n");
        for (const Size& size : sizes) {
            const std::string file = server.Dir() + "/home/bench.dat";
            WriteData(file, size.bytes, size.text);
            std::vector<double> ours, theirs, calls;
            long oursRss = 0, theirsRss = 0;
            for (int run = 0; run < size.runs; ++run) {
                // Alternate the sides so that drift hits both alike.
                const MeasuredSample a = RunMeasured(measure, {send, "print", kQueue, file, kDocumentName});
                WaitForAllJobs(server);
                const MeasuredSample b =
                    RunMeasured(measure, {"lp", "-s", "-d", kQueue, "-o", "raw", "-t", kDocumentName, file});
                WaitForAllJobs(server);
                ours.push_back(a.ms);
                theirs.push_back(b.ms);
                calls.push_back(a.callMs);
                oursRss = std::max(oursRss, a.maxRssKb);
                theirsRss = std::max(theirsRss, b.maxRssKb);
            }
            std::remove(file.c_str());
            const double mo = Median(ours), mt = Median(theirs);
            std::printf("| %s | %.1f | %.1f | %.2f | %.1f | %ld | %ld | %d |\n", size.label, mo, mt, mo / mt,
                        Median(calls), oursRss, theirsRss, size.runs);
            std::fflush(stdout);
        }

        for (int i = 0; i < queues; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "q%03d", i);
            server.AddQueue(name, {"-E", "-v", "file:///dev/null", "-m", "raw"});
        }
        const int runs = quick ? 5 : 21;
        std::vector<double> ours, theirs, calls;
        long oursRss = 0, theirsRss = 0;
        for (int run = 0; run < runs; ++run) {
            const MeasuredSample a = RunMeasured(measure, {send, "list"});
            const MeasuredSample b = RunMeasured(measure, {"lpstat", "-e"});
            ours.push_back(a.ms);
            theirs.push_back(b.ms);
            calls.push_back(a.callMs);
            oursRss = std::max(oursRss, a.maxRssKb);
            theirsRss = std::max(theirsRss, b.maxRssKb);
        }
        const double mo = Median(ours), mt = Median(theirs);
        std::printf("\n| queues | ListPrinters process median ms | lpstat -e median ms | ratio | ListPrinters call "
                    "median ms | ListPrinters peak RSS KiB | lpstat peak RSS KiB | runs |\n");
        std::printf("|---|---|---|---|---|---|---|---|\n");
        std::printf("| %d | %.1f | %.1f | %.2f | %.1f | %ld | %ld | %d |\n", queues + 1, mo, mt, mo / mt, Median(calls),
                    oursRss, theirsRss, runs);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "printing_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
