// SPDX-License-Identifier: Apache-2.0
// The window's Print action, timed: RUNS presses of Print on QUEUE of the
// print server the environment names, each one's milliseconds on a line of
// its own (a first, unprinted press warms up). postscript-check-bench.sh
// builds this file against two builds of the program in turn, so it uses
// nothing the two do not share: the presenter's question is declared
// without "override", as a build from before the question has none.
//
//   print-action-turns QUEUE RUNS
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

#include "FixedPrinterView.h"
#include "MainForm.h"

namespace {

class TTimedPresenter final : public AppCore::IPresenter {
public:
    void ShowInformation(const std::string& text)
    {
        if (text != "Status Page successfully sent") throw std::runtime_error(text);
    }
    void ReportError(const SysUtils::Exception& error) { throw std::runtime_error(error.Message()); }
    bool AskSendAnyway(const std::string& question) { throw std::runtime_error("asked: " + question); }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: print-action-turns QUEUE RUNS\n");
        return 2;
    }
    const int runs = std::atoi(argv[2]);
    TFixedPrinterView view(argv[1]);
    TTimedPresenter presenter;
    try {
        for (int i = 0; i <= runs; ++i) {
            const auto start = std::chrono::steady_clock::now();
            AppCore::PrintStatusPage(view, presenter);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            if (i > 0) std::printf("%.3f\n", took.count());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "print-action-turns: %s\n", e.what());
        return 1;
    }
    return 0;
}
