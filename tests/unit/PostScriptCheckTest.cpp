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

TEST(PostScriptDrivers, AreReadAsTheirSpoolersReadThem)
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

// The answer and who was asked, as one line each.
std::string Outcome(const TPostScriptCheck& check)
{
    const char* answers[] = {"takes", "no: ", "unknown"};
    return answers[static_cast<int>(check.answer)] + LanguageList(check.languages);
}

std::string Asked(const std::set<std::string>& asked)
{
    std::string line;
    for (const std::string& one : asked) line += (line.empty() ? "" : "; ") + one;
    return line;
}

TEST(PostScriptCheck, AsksWhatEachPrinterCanTellAndNeverPrintsASheet)
{
    using D = TQueueDriver;
    const auto R = Reading;
    const std::string ipp = "ipp ipp://h:631/ipp/print", snmp = "snmp h:161", q = "queue Q";
    const std::string both = ipp + "; " + snmp, device = ipp + "; " + q + "; " + snmp;
    const std::string pjl = ipp + "; pjl h:9100; " + snmp;
    const struct {
        const char* printer;
        D driver;
        std::map<S, TPrinterStatus> answers;
        std::string outcome, asked;
    } cases[] = {
        {"Q", D{K::PostScript, {}, ""}, {}, "takes", q},
        {"Q", D{K::Other, {"PDF", "PWG Raster"}, ""}, {}, "no: PDF, PWG Raster", q},
        {"Q", D{K::Other, {}, ""}, {}, "unknown", q},
        {"Q", D{K::Raw, {}, "usb://Acme/Laser"}, {}, "unknown", q},
        {"Q", D{K::Raw, {}, "socket://h?waiteof=false"}, {{S::Snmp, R({"PJL", "PCL"}, false)}}, "no: PJL, PCL", device},
        {"Q", D{K::Raw, {}, "lpd://h/queue"}, {}, "unknown", device},
        {"ipp://h:631/ipp/print", {}, {{S::Ipp, R({"PDF", "PWG Raster"}, {})}}, "no: PDF, PWG Raster", ipp},
        {"socket://h", {}, {{S::Snmp, R({"PCL"}, false)}, {S::Ipp, R({"PostScript"}, {})}}, "takes", both},
        {"socket://h", {}, {{S::Ipp, R({"PJL"}, {})}, {S::Pjl, R({"PCL", "PJL"}, false)}}, "no: PCL, PJL", pjl},
        {"socket://h", {}, {{S::Pjl, R({"PCL"}, false)}}, "unknown", both},
        {"snmp://h", {}, {}, "unknown", ""},
    };
    for (const auto& c : cases) {
        FakeProbe probe;
        probe.driver = c.driver;
        probe.answers = c.answers;
        const TPostScriptCheck check = CheckPostScript(probe, ParsePrinterTarget(c.printer), kPostScriptCheckTimeoutMs);
        EXPECT_EQ(Outcome(check), c.outcome) << c.printer << " " << c.driver.deviceUri;
        EXPECT_EQ(Asked(probe.asked), c.asked) << c.printer << " " << c.driver.deviceUri;
    }
}

TEST(PostScriptCheck, IsOverWithinItsBoundWhateverThePrintersDo)
{
    FakeProbe probe;
    probe.driver = TQueueDriver{K::Raw, {}, "socket://h"};
    probe.delayMs = 60000;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckPostScript(probe, ParsePrinterTarget("Q"), 300).answer, TPostScriptAnswer::Unknown);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(450));
}

}  // namespace
