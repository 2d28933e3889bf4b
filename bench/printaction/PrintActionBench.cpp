// SPDX-License-Identifier: Apache-2.0
// The Print action of the full document against `lp -o raw` of the same
// document to the same queue of a private print server, alternately, each
// job waited for outside the timing; prints the medians and their ratio.
//
//   printaction_bench [RUNS=31]
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "CupsTestServer.h"
#include "MainForm.h"
#include "FixedPrinterView.h"
#include "Resources.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Takes the success message instead of showing it; anything else ends the run.
class BenchPresenter final : public AppCore::IPresenter {
public:
    void ShowInformation(const std::string& text) override
    {
        if (text != "Status Page successfully sent") throw std::runtime_error(text);
    }
    void ReportError(const SysUtils::Exception& error) override { throw std::runtime_error(error.Message()); }
    bool AskSendAnyway(const std::string& question) override { throw std::runtime_error(question); }
};

double Ms(Clock::time_point since)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void WaitForNewJob(const QuellmarkTest::CupsTestServer& server, std::size_t before)
{
    const std::vector<int> ids = server.JobIds();
    if (ids.size() != before + 1) throw std::runtime_error("expected one new job");
    if (server.WaitForJob(ids.back()) != 9) throw std::runtime_error("job did not complete");
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::atoi(argv[1]) : 31;
    try {
        QuellmarkTest::CupsTestServer server;
        server.AddLocalQueue("Bench");
        const std::string file = server.Dir() + "/home/status.ps";
        const Resources::TResourceStream document("STATUS", "MYSTATUS");
        std::ofstream(file, std::ios::binary) << document.Bytes();

        TFixedPrinterView view("Bench");
        BenchPresenter presenter;
        std::vector<double> action, lp;
        for (int i = 0; i <= runs; ++i) {  // the first round warms up
            std::size_t before = server.JobIds().size();
            auto start = Clock::now();
            AppCore::PrintStatusPage(view, presenter);
            const double a = Ms(start);
            WaitForNewJob(server, before);

            before = server.JobIds().size();
            char* lpArgv[] = {const_cast<char*>("lp"),         const_cast<char*>("-s"),
                              const_cast<char*>("-d"),         const_cast<char*>("Bench"),
                              const_cast<char*>("-o"),         const_cast<char*>("raw"),
                              const_cast<char*>("-t"),         const_cast<char*>("Corvane Status Page"),
                              const_cast<char*>(file.c_str()), nullptr};
            start = Clock::now();
            pid_t pid = 0;
            if (posix_spawnp(&pid, "lp", nullptr, nullptr, lpArgv, environ) != 0) throw std::runtime_error("no lp");
            int status = 0;
            waitpid(pid, &status, 0);
            const double l = Ms(start);
            if (status != 0) throw std::runtime_error("lp failed");
            WaitForNewJob(server, before);
            if (i > 0) {
                action.push_back(a);
                lp.push_back(l);
            }
        }
        const double a = Median(action), l = Median(lp);
        std::printf("document %zu bytes, runs %d\nPrint action median %.2f ms\nlp -o raw median %.2f ms\nratio %.2f\n",
                    document.Size(), runs, a, l, a / l);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "printaction_bench: %s\n", e.what());
        return 1;
    }
    return 0;
}
