// SPDX-License-Identifier: Apache-2.0
// socket:// printers through Winsock, run under Wine against the virtual
// AppSocket printers that socket-test.sh starts on loopback. The script
// passes them through the environment:
//   QUELLMARK_TEST_SOCKET_GS       Ghostscript behind it (prints, answers)
//   QUELLMARK_TEST_SOCKET_CAPTURE  stores each job's bytes in
//   QUELLMARK_TEST_SOCKET_JOBS     this folder, as a Windows path
//   QUELLMARK_TEST_SOCKET_ERROR    answers a PostScript error
//   QUELLMARK_TEST_SOCKET_REFUSED  an address where nothing listens (port 1)
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "PrinterUtils.h"
#include "SysUtils.h"

using namespace PrinterUtils;

namespace {

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A job file of its own in the temporary directory, removed with it.
class JobFile {
public:
    explicit JobFile(const std::string& bytes)
    {
        char dir[MAX_PATH];
        char name[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        ::GetTempFileNameA(dir, "qmj", 0, name);
        path_ = name;
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
        list_.Add(path_);
    }
    ~JobFile() { ::DeleteFileA(path_.c_str()); }
    const SysUtils::TStrings& List() const { return list_; }

private:
    std::string path_;
    SysUtils::TStringList list_;
};

std::string Raised(const std::string& printer, const SysUtils::TStrings& files)
{
    try {
        PrintFileList(PrinterUtils::ParsePrinterTarget(printer), files, "Corvane Status Page");
    } catch (const SysUtils::EOSError& e) {
        return e.Message();
    }
    return "(sent)";
}

const std::string kPage = "%!PS\r\n(page printed\\n) print flush\r\n72 700 moveto 300 700 lineto stroke showpage\r\n";

}  // namespace

TEST(SocketWin32, JobReachesThePrinterAndItsAnswerComesBack)
{
    ASSERT_FALSE(Env("QUELLMARK_TEST_SOCKET_GS").empty()) << "run through socket-test.sh";
    JobFile page(kPage);
    const TJobOutcome outcome = SendFileList(PrinterUtils::ParsePrinterTarget(Env("QUELLMARK_TEST_SOCKET_GS")),
                                             page.List(), "Corvane Status Page", TJobOptions{true, 30000});
    EXPECT_EQ(outcome.state, jsCompleted) << outcome.message;
    EXPECT_EQ(outcome.backChannel, "page printed\n");

    std::string bytes(2 * 16384 + 3, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131) >> 3);
    JobFile binary(bytes);
    EXPECT_EQ(Raised(Env("QUELLMARK_TEST_SOCKET_CAPTURE"), binary.List()), "(sent)");
    std::ifstream in(Env("QUELLMARK_TEST_SOCKET_JOBS") + "\\AppSocket-Job-1.data", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), bytes);
}

TEST(SocketWin32, FailuresNameTheirStep)
{
    JobFile page(kPage);
    const std::vector<std::pair<std::string, std::string>> cases{
        {Env("QUELLMARK_TEST_SOCKET_ERROR"), "Error sending print job: Error code 8: %%[ Error: undefined; "},
        {Env("QUELLMARK_TEST_SOCKET_REFUSED"), "Error opening printer: Error code 10061: "},
        {"ipp://127.0.0.1/printers/Q", "Error opening printer: Error code 22: ipp:// addresses need a system "
                                       "with CUPS; printer addresses are socket://HOST[:PORT]"},
    };
    for (const auto& [printer, start] : cases) {
        const std::string text = Raised(printer, page.List());
        EXPECT_EQ(text.rfind(start, 0), 0u) << printer << ": " << text;
    }
}
