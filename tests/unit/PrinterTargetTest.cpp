// SPDX-License-Identifier: Apache-2.0
// Printer targets: what parses and what each part becomes; the back
// channel's error messages found across reads, with bounded memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AddressRange.h"
#include "BackChannel.h"
#include "JobTransport.h"
#include "OsUtils.h"
#include "PrinterBounds.h"
#include "PrinterTarget.h"
#include "SysUtils.h"

using namespace PrinterUtils;

// Every printer name parses into one target: a queue, a well-formed
// address with its parts, or an address that says why it cannot be used;
// and the target picks the transport or refuses with the addresses that
// work.
// A range gives its hosts (first and last address, count); anything else is
// a printer's name, or a range quellmark refuses with a reason.
TEST(AddressRange, HostsOfARangeOrAPrinterOrWhyNot)
{
    struct Case {
        const char* text;
        const char* first;  // nullptr: not a range
        const char* last;
        std::uint32_t count;
        const char* problem;  // a fragment; "" for none
    };
    for (const Case& c : std::initializer_list<Case>{
             {"10.1.2.0/24", "10.1.2.1", "10.1.2.254", 254, ""},
             {"10.1.2.77/24", "10.1.2.1", "10.1.2.254", 254, ""},
             {"10.1.0.0/16", "10.1.0.1", "10.1.255.254", 65534, ""},
             {"192.168.1.6/31", "192.168.1.6", "192.168.1.7", 2, ""},
             {"192.168.1.9/32", "192.168.1.9", "192.168.1.9", 1, ""},
             {"255.255.255.255/30", "255.255.255.253", "255.255.255.254", 2, ""},
             {"10.0.0.0/15", nullptr, nullptr, 0, "from /16"},
             {"10.0.0.0/33", nullptr, nullptr, 0, "from /16"},
             {"10.0.256.0/24", nullptr, nullptr, 0, "at most 255"},
             {"10.0.0.0/24x", nullptr, nullptr, 0, ""},
             {"10.0.0.0", nullptr, nullptr, 0, ""},
             {"printer/24", nullptr, nullptr, 0, ""},
             {"10.0.0.0/-8", nullptr, nullptr, 0, ""},
         }) {
        SCOPED_TRACE(c.text);
        std::string problem;
        const std::optional<TAddressRange> range = ParseAddressRange(c.text, problem);
        EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
        EXPECT_EQ(problem.empty(), std::string(c.problem).empty()) << problem;
        ASSERT_EQ(range.has_value(), c.first != nullptr);
        if (!range) continue;
        EXPECT_EQ(range->count, c.count);
        EXPECT_EQ(range->Address(0), c.first);
        EXPECT_EQ(range->Address(range->count - 1), c.last);
    }
}

TEST(PrinterTarget, ParsesOnceOrSaysWhy)
{
    struct Case {
        std::string name;
        std::string parsed;  // "kind host port resource", or the start of the problem
    };
    const std::vector<Case> cases{
        {"Office", "0  0 "},
        {"queue/instance", "0  0 "},
        {"socket://printer.example", "1 printer.example 9100 "},
        {"SOCKET://10.0.0.7:9101/", "1 10.0.0.7 9101 "},
        {"socket://[::1]:9200", "1 ::1 9200 "},
        {"ipp://127.0.0.1:631/printers/Q", "2 127.0.0.1 631 /printers/Q"},
        {"ipps://h/ipp/print", "3 h 631 /ipp/print"},
        {"snmp://private@127.0.0.9", "4 127.0.0.9 161 "},
        {"snmp://h:1161/x", "\"snmp://h:1161/x\" is not a valid printer address: an snmp:// address has no path"},
        {"snmp://secret@h/x", "\"snmp://***@h/x\" is not a valid printer address: an snmp:// address has no path"},
        {"ftp://h/", "the address scheme \"ftp://\" is not supported"},
        {"socket://", "\"socket://\" is not a valid printer address: the host is missing"},
        {"socket://h:0", "\"socket://h:0\" is not a valid printer address: the port \"0\""},
        {"socket://h:65536", "\"socket://h:65536\" is not a valid printer address: the port"},
        {"socket://h:91x", "\"socket://h:91x\" is not a valid printer address: the port"},
        {"socket://h/queue", "\"socket://h/queue\" is not a valid printer address: a socket:// address has no path"},
        {"socket://user:secret@h:9100", "\"socket://***@h:9100\" is not a valid printer address: a printer address "
                                        "takes no user name or password"},
        {"socket://h#x", "\"socket://h#x\" is not a valid printer address: the host name contains '#'"},
        {"socket://[::1", "\"socket://[::1\" is not a valid printer address: the IPv6"},
        {"ipp://h", "\"ipp://h\" is not a valid printer address: an ipp:// or ipps:// address needs"},
        {"ipp://h/a b", "\"ipp://h/a b\" is not a valid printer address: the address contains a blank"},
    };
    for (const Case& c : cases) {
        const TPrinterTarget target = ParsePrinterTarget(c.name);
        const std::string got = target.IsValid()
                                    ? SysUtils::Format("%d %s %d %s", static_cast<int>(target.kind),
                                                       target.host.c_str(), target.port, target.resource.c_str())
                                    : target.problem;
        EXPECT_EQ(got.rfind(c.parsed, 0), 0u) << c.name << " -> " << got;
        EXPECT_EQ(target.name, c.name);
        EXPECT_EQ(target.IsAddress(), c.name.find("://") != std::string::npos) << c.name;

        // Opening: a well-formed target gets a transport; any other is
        // refused with its problem and the addresses that work.
        OsUtils::SetLastOSError(0, std::nullopt);
        const bool transport = NewTransport(target) != nullptr;
        EXPECT_EQ(transport, target.IsValid() && target.kind != TargetKind::Snmp) << c.name;
        if (!target.IsValid()) {
            const OsUtils::OSErrorInfo error = OsUtils::GetLastOSError();
            EXPECT_EQ(error.text.value_or(""), target.problem + "; printer addresses are socket://HOST[:PORT], "
                                                                "ipp://HOST[:PORT]/PATH or ipps://HOST[:PORT]/PATH");
        }
    }
    EXPECT_EQ(ParsePrinterTarget("socket://[::1]:9200").HostAndPort(), "[::1]:9200");
    EXPECT_EQ(ParsePrinterTarget("socket://h").HostAndPort(), "h:9100");
    EXPECT_EQ(ParsePrinterTarget("snmp://private@127.0.0.9").community, "private");
}

TEST(BackChannel, FindsErrorsAcrossReadsAndStaysBounded)
{
    const std::string talk = "status: ok\n%%[ PrinterError: paper jam ]%%\n";
    const std::string error = "%%[ Error: undefined; OffendingCommand: foo ]%%";
    const std::string flushing = "%%[ Flushing: rest of job (to end-of-file) will be ignored ]%%";
    const std::string all = talk + error + "\r\n" + flushing + "\n";
    for (std::size_t chunk : {std::size_t{1}, std::size_t{2}, std::size_t{7}, all.size()}) {
        BackChannel channel;
        for (std::size_t i = 0; i < all.size(); i += chunk)
            channel.Append(all.data() + i, std::min(chunk, all.size() - i));
        EXPECT_EQ(channel.Errors(), error + " " + flushing) << chunk;
        EXPECT_EQ(channel.Kept(), all);
    }
    // A flood keeps its first bytes only, and a message that never ends is
    // given up on.
    BackChannel flood;
    const std::string block(1 << 16, '%');
    flood.Append("%%[ Error: never ends", 21);
    for (int i = 0; i < 64; ++i) flood.Append(block.data(), block.size());
    flood.Append(error.data(), error.size());
    EXPECT_EQ(flood.Kept().size(), kBackChannelMaxBytes);
    EXPECT_EQ(flood.Errors(), error);

    // A message opened by a longer run of '%' counts, and a printer that
    // floods error messages fills the report up to its cap and no further.
    BackChannel triple;
    triple.Append("%%%[ Error: x ]%%", 17);
    EXPECT_EQ(triple.Errors(), "%%[ Error: x ]%%");
    BackChannel errors;
    for (int i = 0; i < 100000; ++i) errors.Append(error.data(), error.size());
    EXPECT_LE(errors.Errors().size(), std::size_t{4096});
    EXPECT_GT(errors.Errors().size(), std::size_t{4000});
}
