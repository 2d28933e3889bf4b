// SPDX-License-Identifier: Apache-2.0
// Printer addresses: what parses and what each part becomes; the back
// channel's error messages found across reads, with bounded memory.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PrinterAddress.h"
#include "SysUtils.h"

using namespace PrinterUtils;

TEST(PrinterAddress, ParsesOrSaysWhy)
{
    struct Case {
        std::string name;
        std::string parsed;  // "scheme host port resource", or the start of the error
    };
    const std::vector<Case> cases{
        {"socket://printer.example", "0 printer.example 9100 "},
        {"SOCKET://10.0.0.7:9101/", "0 10.0.0.7 9101 "},
        {"socket://[::1]:9200", "0 ::1 9200 "},
        {"ipp://127.0.0.1:631/printers/Q", "1 127.0.0.1 631 /printers/Q"},
        {"ipps://h/ipp/print", "2 h 631 /ipp/print"},
        {"ftp://h/", "the address scheme \"ftp://\" is not supported"},
        {"socket://", "\"socket://\" is not a valid printer address: the host is missing"},
        {"socket://h:0", "\"socket://h:0\" is not a valid printer address: the port \"0\""},
        {"socket://h:65536", "\"socket://h:65536\" is not a valid printer address: the port"},
        {"socket://h:91x", "\"socket://h:91x\" is not a valid printer address: the port"},
        {"socket://h/queue", "\"socket://h/queue\" is not a valid printer address: a socket:// address has no path"},
        {"socket://user@h", "\"socket://user@h\" is not a valid printer address: the host name contains '@'"},
        {"socket://[::1", "\"socket://[::1\" is not a valid printer address: the IPv6"},
        {"ipp://h", "\"ipp://h\" is not a valid printer address: an ipp:// or ipps:// address needs"},
        {"ipp://h/a b", "\"ipp://h/a b\" is not a valid printer address: the address contains a blank"},
    };
    for (const Case& c : cases) {
        PrinterAddress address;
        std::string error;
        const bool ok = ParsePrinterAddress(c.name, address, error);
        const std::string got = ok ? SysUtils::Format("%d %s %d %s", static_cast<int>(address.scheme),
                                                      address.host.c_str(), address.port, address.resource.c_str())
                                   : error;
        EXPECT_EQ(got.rfind(c.parsed, 0), 0u) << c.name << " -> " << got;
    }
}

TEST(PrinterAddress, BackChannelFindsErrorsAcrossReadsAndStaysBounded)
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
}
