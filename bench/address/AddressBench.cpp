// SPDX-License-Identifier: Apache-2.0
// Benchmark (not a test): a job to a socket:// address (SendFileList,
// followed to the printer's close) against a plain socket send of the same
// bytes (connect, send, half-close, read until close), to the same virtual
// AppSocket printer, which reads each job and drops it. Both sides run as
// processes under printing_measure, alternating run by run; it reports each
// one's time from start to exit and its peak RSS, and each side reports the
// time of its send alone.
//
//   address_bench [--runs N]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "AppSocketTestPrinter.h"
#include "MeasuredRun.h"
#include "PrinterUtils.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The address side: the program's own call.
int SendByAddress(const std::string& address, const std::string& file)
{
    SysUtils::TStringList files;
    files.Add(file);
    const auto start = Clock::now();
    PrinterUtils::TJobOptions options;
    options.wait = true;
    const PrinterUtils::TJobOutcome outcome =
        PrinterUtils::SendFileList(PrinterUtils::ParsePrinterTarget(address), files, "Corvane Status Page", options);
    std::fprintf(stderr, "call %.3f\n", MsSince(start));
    return outcome.state == PrinterUtils::jsCompleted ? 0 : 1;
}

// The peer: the same bytes over a plain socket, in the same 16 KiB blocks.
int SendPlain(int port, const std::string& file)
{
    const auto start = Clock::now();
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) return 1;
    const int in = ::open(file.c_str(), O_RDONLY);
    char buffer[16384];
    for (ssize_t n; (n = ::read(in, buffer, sizeof buffer)) > 0;) {
        for (ssize_t sent = 0; sent < n;) {
            const ssize_t m = ::send(fd, buffer + sent, static_cast<std::size_t>(n - sent), MSG_NOSIGNAL);
            if (m <= 0) return 1;
            sent += m;
        }
    }
    ::close(in);
    ::shutdown(fd, SHUT_WR);
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
    std::fprintf(stderr, "call %.3f\n", MsSince(start));
    return 0;
}

// Runs this program with args under printing_measure.
MeasuredSample Run(const std::string& self, const std::vector<std::string>& args)
{
    std::vector<std::string> all{self};
    all.insert(all.end(), args.begin(), args.end());
    return RunMeasured(QUELLMARK_PRINTING_MEASURE, all);
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string SelfPath()
{
    char buf[4096];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return std::string(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--send") return SendByAddress(argv[2], argv[3]);
    if (argc == 4 && std::string(argv[1]) == "--plain") return SendPlain(std::atoi(argv[2]), argv[3]);
    int runs = 21;
    if (argc == 3 && std::string(argv[1]) == "--runs") runs = std::max(1, std::atoi(argv[2]));

    QuellmarkTest::AppSocketTestPrinter printer("sink");
    const std::string big = printer.OutDir() + "/64MiB.bin";
    {
        std::ofstream out(big, std::ios::binary);
        std::mt19937 gen(42);
        std::string block(1 << 20, '\0');
        for (auto& c : block) c = static_cast<char>(gen());
        for (int i = 0; i < 64; ++i) out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    const std::string self = SelfPath();
    std::printf(
        "| data | socket:// process ms | plain send process ms | socket:// send ms | plain send ms | "
        "ratio (send) | socket:// peak RSS KiB | plain peak RSS KiB | runs |\n|---|---|---|---|---|---|---|---|---|\n");
    const std::vector<std::pair<std::string, std::string>> data{{"status page", QUELLMARK_STATUS_DOCUMENT},
                                                                {"64 MiB", big}};
    for (const auto& [label, file] : data) {
        const int n = label == "64 MiB" ? std::max(1, runs / 3) : runs;
        std::vector<double> aMs, pMs, aCall, pCall;
        long aRss = 0, pRss = 0;
        for (int i = 0; i < n; ++i) {
            // Each side goes first in every other pair, so neither always
            // meets a printer that has just finished the other's job.
            MeasuredSample a;
            MeasuredSample p;
            if (i % 2 == 0) {
                a = Run(self, {"--send", printer.Address(), file});
                p = Run(self, {"--plain", std::to_string(printer.Port()), file});
            } else {
                p = Run(self, {"--plain", std::to_string(printer.Port()), file});
                a = Run(self, {"--send", printer.Address(), file});
            }
            aMs.push_back(a.ms);
            pMs.push_back(p.ms);
            aCall.push_back(a.callMs);
            pCall.push_back(p.callMs);
            aRss = std::max(aRss, a.maxRssKb);
            pRss = std::max(pRss, p.maxRssKb);
        }
        std::printf("| %s | %.2f | %.2f | %.2f | %.2f | %.2f | %ld | %ld | %d |\n", label.c_str(), Median(aMs),
                    Median(pMs), Median(aCall), Median(pCall), Median(aCall) / Median(pCall), aRss, pRss, n);
    }
    return 0;
}
