// SPDX-License-Identifier: Apache-2.0
// The PostScript check on a recording fake of its seam: who is asked for
// each kind of printer, what their answers add up to, the bound; and the
// readings of drivers' own descriptions.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "PostScriptCheckProbe.h"

using namespace PrinterUtils;

namespace {

using K = TQueueDriver::TKind;
using S = TStatusSource;

TEST(PostScriptDrivers, ArePpdsReadAsCupsReadsThem)
{
    const struct {
        const char* ppd;
        const char* deviceId;
        K kind;
        const char* languages;
    } cases[] = {
        {"*cupsFilter2: \"application/vnd.cups-pdf application/pdf 10 -\"\n"
         "*cupsFilter2: \"image/pwg-raster image/pwg-raster 100 -\"\n",
         "", K::Other, "PDF, PWG Raster"},
        {"*PPD-Adobe: \"4.3\"\n*LanguageLevel: \"2\"\n", "", K::PostScript, ""},
        {"*cupsFilter2: \"image/urf image/urf 10 -\"\n*cupsFilter2: \"application/vnd.cups-postscript "
         "application/postscript 0 -\"\n",
         "", K::PostScript, ""},
        {"*cupsFilter: \"application/vnd.cups-pdf 0 -\"\r\n*1284DeviceID: \"MFG:Generic;CMD:PJL,PDF;\"\r\n", "",
         K::Other, "PDF, PJL"},
        {"*cupsFilter: \"application/vnd.cups-raster 50 rastertohp\"\n", "CMD:PCL;", K::Other, "PCL"},
        {"*cupsFilter: \"application/vnd.cups-raster 50 rastertohp\"\n", "", K::Other, ""},
        {"*cupsFilter: \"application/vnd.cups-raster 50 rastertohp\"\n", "MFG:X;COMMAND SET:PCL5E,POSTSCRIPT;",
         K::PostScript, ""},
    };
    for (const auto& c : cases) {
        const TQueueDriver driver = DriverFromPpd(c.ppd, c.deviceId);
        EXPECT_EQ(driver.kind, c.kind) << c.ppd;
        EXPECT_EQ(LanguageList(driver.languages), c.languages) << c.ppd;
    }
    EXPECT_EQ(ReadableFormat("Image/URF"), "URF");
    EXPECT_EQ(ReadableFormat("application/vnd.acme-raster"), "application/vnd.acme-raster");
}

TEST(PostScriptDrivers, AreWindowsDriversReadByTheirNames)
{
    EXPECT_EQ(LanguageList(DriverFromName("HP Universal Printing PCL 6").languages), "PCL XL");
    EXPECT_EQ(LanguageList(DriverFromName("Microsoft XPS Document Writer").languages), "XPS");
    EXPECT_EQ(DriverFromName("Generic / Text Only").kind, K::Raw);
    EXPECT_EQ(DriverFromName("Kestrel ML-4200").kind, K::Unknown);
}

TPrinterStatus Reading(std::vector<std::string> languages, std::optional<bool> takes = std::nullopt)
{
    TPrinterStatus status;
    status.languages = std::move(languages);
    status.takesPostScript = takes;
    return status;
}

class FakeProbe final : public TPostScriptProbe {
public:
    TQueueDriver driver;
    std::map<S, TPrinterStatus> answers;  // the sources that answer
    std::set<std::string> asked;
    int delayMs = 0;  // each read takes its whole bound, at most this long

    TQueueDriver QueueDriver(const std::string& queue, int timeoutMs) override
    {
        EXPECT_LE(timeoutMs, kQueueDescriptionTimeoutMs);
        asked.insert("queue " + queue);
        return driver;
    }
    bool Read(S source, const TStatusPlan& plan, int timeoutMs, TPrinterStatus& status) override
    {
        EXPECT_LE(timeoutMs, kPostScriptCheckTimeoutMs);
        const int port = source == S::Snmp ? plan.snmpPort : plan.socketPort;
        const std::string where = source == S::Ipp ? plan.ippUri : plan.host + ":" + std::to_string(port);
        {
            const std::lock_guard<std::mutex> hold(lock_);
            asked.insert(std::string(SourceName(source)) + " " + where);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(delayMs, timeoutMs)));
        const auto answer = answers.find(source);
        if (answer != answers.end()) status = answer->second;
        return answer != answers.end();
    }

private:
    std::mutex lock_;
};

TQueueDriver Driver(K kind, std::vector<std::string> languages = {}, std::string device = "")
{
    return TQueueDriver{kind, std::move(languages), std::move(device)};
}

TEST(PostScriptCheck, AsksWhatEachPrinterCanTellAndNeverPrintsASheet)
{
    const std::string snmp9 = "snmp 10.0.0.9:161", ipp9 = "ipp ipp://10.0.0.9:631/ipp/print";
    const struct {
        const char* name;
        const char* printer;
        TQueueDriver driver;
        std::map<S, TPrinterStatus> answers;
        TPostScriptAnswer answer;
        const char* languages;
        std::set<std::string> asked;
    } cases[] = {
        {"PostScriptQueue", "Office", Driver(K::PostScript), {}, TPostScriptAnswer::Takes, "", {"queue Office"}},
        {"DriverlessQueue",
         "Office",
         Driver(K::Other, {"PDF", "PWG Raster"}),
         {},
         TPostScriptAnswer::DoesNot,
         "PDF, PWG Raster",
         {"queue Office"}},
        {"DriverOfNoKnownLanguage", "Office", Driver(K::Other), {}, TPostScriptAnswer::Unknown, "", {"queue Office"}},
        {"RawQueueOnUsb",
         "Office",
         Driver(K::Raw, {}, "usb://Acme/Laser"),
         {},
         TPostScriptAnswer::Unknown,
         "",
         {"queue Office"}},
        {"RawQueueAsksItsDevice",
         "Office",
         Driver(K::Raw, {}, "socket://10.0.0.9?waiteof=false"),
         {{S::Snmp, Reading({"PJL", "PCL"}, false)}},
         TPostScriptAnswer::DoesNot,
         "PJL, PCL",
         {"queue Office", snmp9, ipp9}},
        {"RawQueueOnLpd",
         "Office",
         Driver(K::Raw, {}, "lpd://10.0.0.9/queue"),
         {},
         TPostScriptAnswer::Unknown,
         "",
         {"queue Office", snmp9, ipp9}},
        {"IppFormats",
         "ipp://10.0.0.9:631/ipp/print",
         {},
         {{S::Ipp, Reading({"PDF", "PWG Raster"})}},
         TPostScriptAnswer::DoesNot,
         "PDF, PWG Raster",
         {ipp9}},
        {"PostScriptFromAnySourceWins",
         "socket://10.0.0.9",
         {},
         {{S::Snmp, Reading({"PCL"}, false)}, {S::Ipp, Reading({"PostScript", "PDF"})}},
         TPostScriptAnswer::Takes,
         "",
         {snmp9, ipp9}},
        {"PjlWhenSpoken",
         "socket://10.0.0.9",
         {},
         {{S::Ipp, Reading({"PJL"})}, {S::Pjl, Reading({"PCL", "PJL"}, false)}},
         TPostScriptAnswer::DoesNot,
         "PCL, PJL",
         {snmp9, ipp9, "pjl 10.0.0.9:9100"}},
        {"NoPjlToASilentPrinter",
         "socket://10.0.0.9",
         {},
         {{S::Pjl, Reading({"PCL"}, false)}},
         TPostScriptAnswer::Unknown,
         "",
         {snmp9, ipp9}},
        {"SnmpAddress", "snmp://10.0.0.9", {}, {}, TPostScriptAnswer::Unknown, "", {}},
    };
    for (const auto& c : cases) {
        FakeProbe probe;
        probe.driver = c.driver;
        probe.answers = c.answers;
        const TPostScriptCheck check = CheckPostScript(probe, ParsePrinterTarget(c.printer), kPostScriptCheckTimeoutMs);
        EXPECT_EQ(check.answer, c.answer) << c.name;
        EXPECT_EQ(LanguageList(check.languages), c.languages) << c.name;
        EXPECT_EQ(probe.asked, c.asked) << c.name;
    }
}

TEST(PostScriptCheck, IsOverWithinItsBoundWhateverThePrintersDo)
{
    FakeProbe probe;
    probe.driver = Driver(K::Raw, {}, "socket://10.0.0.9");
    probe.delayMs = 60000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckPostScript(probe, ParsePrinterTarget("Office"), 300).answer, TPostScriptAnswer::Unknown);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
}

}  // namespace
