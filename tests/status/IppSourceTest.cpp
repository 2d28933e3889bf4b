// SPDX-License-Identifier: Apache-2.0
// The IPP source against real printers on loopback: ippeveprinter with the
// attributes of each printer model, an old printer that refuses IPP/2.0,
// and a port that never answers.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "IppSource.h"
#include "IppTestPrinter.h"

namespace {

using PrinterUtils::TPrinterStatus;
using QuellmarkTest::IppTestPrinter;

// One line per supply: name|kind|color|level|state, "+waste" for a receptacle.
std::vector<std::string> Supplies(const TPrinterStatus& status)
{
    std::vector<std::string> lines;
    for (const auto& s : status.supplies)
        lines.push_back(s.name + "|" + s.kind + "|" + s.color + "|" +
                        (s.levelPercent ? std::to_string(static_cast<int>(*s.levelPercent)) : "-") + "|" +
                        PrinterUtils::SupplyStateName(s.state) + (s.receptacle ? "+waste" : ""));
    return lines;
}

// One line per tray: number|name|size|media|level|capacity, "+some" when some are left.
std::vector<std::string> Trays(const std::vector<PrinterUtils::TTray>& trays)
{
    auto number = [](const std::optional<int>& n) { return n ? std::to_string(*n) : "-"; };
    std::vector<std::string> lines;
    for (const auto& t : trays)
        lines.push_back(number(t.number) + "|" + t.name + "|" + t.size + "|" + t.media + "|" + number(t.level) + "|" +
                        number(t.capacity) + (t.someLeft ? "+some" : ""));
    return lines;
}

struct Model {
    const char* name;
    std::function<IppTestPrinter()> start;
    std::string makeAndModel, serial, firmware, state;
    std::vector<std::string> alerts, supplies, inputTrays, outputTrays, languages;
    bool takesPostScript;
    long long minUptime, maxUptime;
};

IppTestPrinter Eve(const char* file)
{
    return IppTestPrinter::Eve(std::string(QUELLMARK_IPP_PRINTERS) + "/" + file);
}

const Model kModels[] = {
    {"ColourMfp",
     [] { return Eve("colour-mfp.conf"); },
     "Corvane ColorMF 4400",
     "CV44A0012345",
     "System 2.3.1, Engine E-45",
     "idle",
     {},
     {"Black Toner|toner|black|80|ok", "Cyan Toner|toner|cyan|15|ok", "Magenta Toner|toner|magenta|-|some_left",
      "Yellow Toner|toner|yellow|5|low", "Waste Toner Box|waste_toner||96|low+waste"},
     {"1|Tray 1|A4||-|250+some", "2|Tray 2|Letter||120|500", "3|Manual Feed|||0|100"},
     {"1|Face Down Bin|||50|250"},
     {"PostScript", "PDF", "PWG Raster", "PJL", "PCL"},
     true,
     0,
     60},
    {"InkjetWithoutPostScript",
     [] { return Eve("inkjet.conf"); },
     "Corvane InkJet Pro 8020",
     "IJ8020K7",
     "1.0.7",
     "idle",
     {},
     {"Black Ink|ink|black|60|ok", "Cyan Ink|ink|cyan|7|low", "Magenta Ink|ink|magenta|0|empty",
      "Yellow Ink|ink|yellow|-|some_left", "Ink Collection Unit|waste_ink||25|ok+waste"},
     {"1|Main Tray|A4|iso_a4_210x297mm|-|250"},
     {},
     {"PWG Raster", "URF", "PDF"},
     false,
     0,
     60},
    {"OldPrinterIpp11Only",
     [] { return IppTestPrinter::Peer("ipp-1.1-only"); },
     "Corvane LaserMono 2100",
     "LM21X0098",
     "",
     "stopped",
     {"toner low (warning)", "media empty (error)"},
     {"Black Toner|toner|black|8|low", "Imaging Drum|drum||-|unknown"},
     {"1|Tray 2|Letter|na_letter_8.5x11in|-|500"},
     {},
     {"PostScript", "PCL", "PJL"},
     true,
     86400,
     86400},
};

class IppSourceTest : public testing::TestWithParam<Model> {};

TEST_P(IppSourceTest, RecordShowsWhatThePrinterSays)
{
    const Model& model = GetParam();
    const IppTestPrinter printer = model.start();
    TPrinterStatus status;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(PrinterUtils::ReadIppStatus(printer.Uri(), 3000, status, error)) << error;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(status.makeAndModel.value_or(""), model.makeAndModel);
    EXPECT_EQ(status.serialNumber.value_or(""), model.serial);
    EXPECT_EQ(status.firmware.value_or(""), model.firmware);
    EXPECT_EQ(status.state.value_or(""), model.state);
    EXPECT_EQ(status.alerts, model.alerts);
    EXPECT_EQ(Supplies(status), model.supplies);
    EXPECT_EQ(Trays(status.inputTrays), model.inputTrays);
    EXPECT_EQ(Trays(status.outputTrays), model.outputTrays);
    EXPECT_EQ(status.languages, model.languages);
    EXPECT_EQ(status.takesPostScript, model.takesPostScript);
    ASSERT_TRUE(status.uptimeSeconds);
    EXPECT_GE(*status.uptimeSeconds, model.minUptime);
    EXPECT_LE(*status.uptimeSeconds, model.maxUptime);
    for (const char* key : {"make_and_model", "state", "supplies", "languages", "takes_postscript"})
        EXPECT_EQ(status.sources.count(key), 1u) << key;
}

INSTANTIATE_TEST_SUITE_P(Models, IppSourceTest, testing::ValuesIn(kModels),
                         [](const testing::TestParamInfo<Model>& info) { return info.param.name; });

// A port that takes connections (the kernel's backlog) and never answers.
TEST(IppSourceSilentTest, SilentPortCostsAtMostTheTimeout)
{
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(listener, 8), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const std::string where = "127.0.0.1:" + std::to_string(ntohs(addr.sin_port));
    TPrinterStatus status;
    std::string error;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(PrinterUtils::ReadIppStatus("ipp://" + where + "/ipp/print", 2000, status, error));
    const auto took = std::chrono::steady_clock::now() - start;
    ::close(listener);
    EXPECT_GE(took, std::chrono::milliseconds(1800));
    EXPECT_LE(took, std::chrono::milliseconds(2000));
    EXPECT_EQ(error.rfind(where + ": the printer did not answer: ", 0), 0u) << error;
    EXPECT_FALSE(status.makeAndModel);
}

}  // namespace
