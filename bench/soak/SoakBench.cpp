// SPDX-License-Identifier: Apache-2.0
// Soak: N Print actions in a row (default 1000) against a private print
// server. Every job must hold exactly the full document, no temporary file
// may remain, and file descriptors and resident memory must stay flat.
// Prints its figures; exits non-zero when a check fails.
//   soak_bench [count]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "CupsTestServer.h"
#include "MainForm.h"
#include "Messages.h"
#include "FixedPrinterView.h"
#include "Resources.h"

namespace fs = std::filesystem;

namespace {

class CountingPresenter final : public AppCore::IPresenter {
public:
    int sent = 0;
    int other = 0;
    void ShowInformation(const std::string& text) override { text == Messages::kStatusPageSent ? ++sent : ++other; }
    void ReportError(const SysUtils::Exception& error) override
    {
        ++other;
        std::fprintf(stderr, "error: %s\n", error.Message().c_str());
    }
    bool AskSendAnyway(const std::string&) override
    {
        ++other;
        return false;
    }
};

int OpenDescriptors()
{
    int n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    QuellmarkTest::CupsTestServer server;
    server.AddLocalQueue("Soak");
    char tmpl[] = "/tmp/quellmark-soak-XXXXXX";
    if (!::mkdtemp(tmpl)) return 2;
    const std::string temp = tmpl;
    ::setenv("TMPDIR", temp.c_str(), 1);

    const std::string document(Resources::TResourceStream("STATUS", "MYSTATUS").Bytes());
    TFixedPrinterView view("Soak");
    CountingPresenter presenter;
    int fdsAfterFirst = 0;
    long rssAfterFirst = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < count; ++i) {
        AppCore::RunGuarded(presenter, [&] { AppCore::PrintStatusPage(view, presenter); });
        // The baseline is taken once libcups' connection and the allocator
        // have settled, after the first tenth of the run.
        if (i == count / 10) {
            fdsAfterFirst = OpenDescriptors();
            rssAfterFirst = ResidentKiB();
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const int fdsAtEnd = OpenDescriptors();
    const long rssAtEnd = ResidentKiB();

    int identical = 0;
    for (const int id : server.JobIds()) {
        server.WaitForJob(id, 120000);
        const auto job = server.CapturedJob(id);
        if (job && job->data == document && job->title == Messages::kJobName) ++identical;
    }
    const auto leftover = std::distance(fs::directory_iterator(temp), fs::directory_iterator());
    fs::remove_all(temp);

    std::printf("Print actions           %d in %.1f s (%.1f ms each)\n", count, seconds, 1000.0 * seconds / count);
    std::printf("success messages        %d, other boxes %d\n", presenter.sent, presenter.other);
    std::printf("jobs identical to STATUS %d of %d\n", identical, count);
    std::printf("temporary files left    %ld\n", static_cast<long>(leftover));
    std::printf("open descriptors        %d after a tenth, %d after the last\n", fdsAfterFirst, fdsAtEnd);
    std::printf("resident memory         %ld KiB after a tenth, %ld KiB after the last\n", rssAfterFirst, rssAtEnd);
    const bool ok = presenter.sent == count && presenter.other == 0 && identical == count && leftover == 0 &&
                    fdsAtEnd == fdsAfterFirst && rssAtEnd - rssAfterFirst < 256;
    std::printf("%s\n", ok ? "soak: OK" : "soak: FAILED");
    return ok ? 0 : 1;
}
