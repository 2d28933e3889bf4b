// SPDX-License-Identifier: Apache-2.0
// The SNMP source against a real agent (snmpsimd) serving recorded walks of
// printer families, and against a port where nothing answers.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <memory>

#include "SnmpSource.h"
#include "SilentPort.h"
#include "SnmpTestAgent.h"

using namespace PrinterUtils;

namespace {

const QuellmarkTest::TSnmpV3User kUser{"quellmark", "SHA", "auth-secret-1", "AES", "priv-secret-1"};

std::string Opt(const std::optional<long long>& value)
{
    return value ? std::to_string(*value) : "-";
}
std::string Opt(const std::optional<int>& value)
{
    return value ? std::to_string(*value) : "-";
}

// The record as lines, so one comparison shows every difference.
std::string Summary(const TPrinterStatus& s)
{
    std::string text = s.makeAndModel.value_or("-") + " | " + s.serialNumber.value_or("-") + " | pages " +
                       Opt(s.pageCount) + " | up " + Opt(s.uptimeSeconds) + " | ram " + Opt(s.memoryBytes) + " | " +
                       s.state.value_or("-") + "\n";
    for (const auto& a : s.alerts) text += "alert: " + a + "\n";
    for (const auto& u : s.supplies) {
        const char* states[] = {"ok", "low", "empty", "some_left", "unknown"};
        text += "supply: " + u.name + " " + u.kind + " " + u.color + " " +
                (u.levelPercent ? std::to_string(static_cast<int>(*u.levelPercent)) : "-") + " " +
                states[static_cast<int>(u.state)] + "\n";
    }
    for (const auto& t : s.inputTrays)
        text += "in: " + Opt(t.number) + " " + t.name + " " + t.size + " " + t.media + " " + Opt(t.level) + "/" +
                Opt(t.capacity) + (t.someLeft ? " some" : "") + "\n";
    for (const auto& t : s.outputTrays) text += "out: " + t.name + " " + Opt(t.level) + "/" + Opt(t.capacity) + "\n";
    text += "languages:";
    for (const auto& l : s.languages) text += " " + l;
    return text + " | postscript " + (s.takesPostScript ? (*s.takesPostScript ? "yes" : "no") : "-");
}

struct TModel {
    const char* walk;
    const char* version;  // the odd printer is read with SNMPv1 (GETNEXT)
    const char* expected;
};

const TModel kModels[] = {
    {"mono-laser", "2c",
     "Kestrel ML-4200dn | KML4200-00731 | pages 48213 | up 86400 | ram 268435456 | idle\n"
     "alert: power saver\n"
     "supply: Black Toner Cartridge toner black 70 ok\n"
     "in: 1 Multipurpose Tray Letter Plain -/100 some\n"
     "in: 2 Tray 2 Letter Plain 250/500\n"
     "out: Standard Bin 50/250\n"
     "languages: PostScript PCL PJL | postscript yes"},
    {"colour-mfp", "2c",
     "Kestrel CX-7530 MFP | KCX7530-3F2291 | pages 152340 | up 1234567 | ram 4294967296 | processing\n"
     "alert: toner low\nalert: Black toner is low\n"
     "supply: Cyan Toner toner cyan 40 ok\nsupply: Magenta Toner toner magenta 65 ok\n"
     "supply: Yellow Toner toner yellow 90 ok\nsupply: Black Toner toner black 8 low\n"
     "supply: Drum Unit drum  75 ok\nsupply: Waste Toner Box waste_toner  20 ok\n"
     "in: 1 Bypass Tray A4 Plain 0/100\nin: 2 Tray 1 A4 Recycled 550/550\nin: 3 Tray 2 A3 Plain -/550\n"
     "out: Center Tray -/250\n"
     "languages: PostScript PCL XL PDF PJL | postscript yes"},
    {"odd-supplies", "1",
     "Wren SP-310 | SN Wren-0042\xC3\xA9 | pages 1203 | up 45 | ram - | stopped\n"
     "alert: paper jam\nalert: Paper jam in the cassette area\nalert: waste toner box nearly full\n"
     "supply: Print Cartridge toner  - some_left\nsupply: Drum drum  - unknown\n"
     "supply: Fuser fuser  100 ok\nsupply: Waste Toner Bottle waste_toner  95 low\n"
     "supply: Staples staples  - unknown\n"
     "in: 1 Cassette   -/- some\n"
     "languages: PCL Automatic Switch | postscript no"},
    {"v3-only", "3",
     "Heron P-2500 | HRN2500-9981 | pages 20417 | up 3600 | ram - | idle\n"
     "supply: Black Toner toner black 50 ok\n"
     "languages: PostScript | postscript yes"},
};

class SnmpSourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        agent_ = std::make_unique<QuellmarkTest::SnmpTestAgent>(
            std::vector<std::string>{"mono-laser.snmprec", "colour-mfp.snmprec", "odd-supplies.snmprec"});
        v3Agent_ = std::make_unique<QuellmarkTest::SnmpTestAgent>(std::vector<std::string>{"v3-only.snmprec"}, &kUser);
    }
    static void TearDownTestSuite() { agent_.reset(), v3Agent_.reset(); }
    static std::unique_ptr<QuellmarkTest::SnmpTestAgent> agent_, v3Agent_;
};
std::unique_ptr<QuellmarkTest::SnmpTestAgent> SnmpSourceTest::agent_, SnmpSourceTest::v3Agent_;

TEST_F(SnmpSourceTest, EachModelReadsAsItsPrinterSaysAndFailuresAreBounded)
{
    const auto read = [](const TModel& model) {
        TSnmpSettings settings;
        const bool v3 = std::string(model.version) == "3";
        if (v3)
            settings = {"3", "", kUser.name, "SHA", kUser.authKey, "AES", kUser.privKey};
        else
            settings.version = model.version, settings.community = model.walk;
        TPrinterStatus status;
        std::string error;
        const int port = v3 ? v3Agent_->Port() : agent_->Port();
        if (!ReadSnmpStatus(settings, "127.0.0.1", port, 5000, status, error)) return error;
        EXPECT_EQ(status.sources.at("supplies"), TStatusSource::Snmp);
        return Summary(status);
    };
    for (const auto& model : kModels) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(read(model), model.expected);
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("%s: one read in %lld ms\n", model.walk, static_cast<long long>(ms.count()));
    }
    // Every model twice at once, each read on a thread of its own.
    std::vector<std::future<std::string>> reads;
    for (int i = 0; i < 8; ++i) reads.push_back(std::async(std::launch::async, read, kModels[i % 4]));
    for (int i = 0; i < 8; ++i) EXPECT_EQ(reads[i].get(), kModels[i % 4].expected);

    // Nothing answers: a socket that never reads, a community the agent
    // does not serve, an SNMPv3 agent asked with v2c, a wrong v3 password.
    const QuellmarkTest::SilentPort silent;
    struct TFailure {
        TSnmpSettings settings;
        int port;
    };
    const TFailure failures[] = {
        {{}, silent.Port()},
        {{"2c", "no-such-printer", "", "", "", "", ""}, agent_->Port()},
        {{"2c", "v3-only", "", "", "", "", ""}, v3Agent_->Port()},
        {{"3", "", kUser.name, "SHA", "wrong-password", "AES", kUser.privKey}, v3Agent_->Port()},
    };
    for (const auto& failure : failures) {
        TPrinterStatus status;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(ReadSnmpStatus(failure.settings, "127.0.0.1", failure.port, 1500, status, error));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        std::printf("failure after %lld ms: %s\n", static_cast<long long>(ms.count()), error.c_str());
        EXPECT_LE(ms.count(), 1600);
        // snmpsimd, as agents do, drops what it will not answer.
        EXPECT_EQ(error, "127.0.0.1:" + std::to_string(failure.port) + ": the SNMP agent did not answer within 1.5 s");
        EXPECT_TRUE(status.sources.empty());
    }
}

}  // namespace
