// SPDX-License-Identifier: Apache-2.0
// Printer addresses: a printer name with a scheme ("socket://HOST[:PORT]",
// "ipp://HOST[:PORT]/PATH", "ipps://...") reaches one printer directly,
// without a queue. The parser is written once; each scheme's primitives run
// the same raw-job algorithm as the spooler's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "SpoolerPrimitives.h"

namespace PrinterUtils {

enum class AddressScheme : std::uint8_t { Socket, Ipp, Ipps };

struct PrinterAddress {
    AddressScheme scheme = AddressScheme::Socket;
    std::string host;      // a name, an IPv4 address, or an IPv6 address without brackets
    int port = 0;          // the scheme's default when the address names none
    std::string resource;  // ipp(s): the path, beginning with '/'; socket: ""
};

inline constexpr int kAppSocketDefaultPort = 9100;
inline constexpr int kIppDefaultPort = 631;

// Parses an address; false with error set to a text saying what is wrong.
bool ParsePrinterAddress(const std::string& name, PrinterAddress& address, std::string& error);

// The primitives of each scheme on this platform; null where it has none.
SpoolerPrimitives* SocketAddressPrimitives();
SpoolerPrimitives* IppAddressPrimitives();

// Base of the address primitives: an address lists no printers and knows
// no default; input files are read as the system spooler reads them.
class AddressPrimitives : public SpoolerPrimitives {
public:
    std::vector<PrinterRecord> EnumPrinters() override { return {}; }
    bool DefaultPrinterPlatform() override { return true; }
    bool FindDefaultPrinterEntry() override { return true; }
    bool GetDefaultPrinter(std::string&) override;
    bool OpenInputFile(const std::string& name, SpoolHandle& file) override;
    bool ReadInputFile(SpoolHandle file, void* buffer, std::uint32_t size, std::uint32_t& read) override;
    bool CloseInputFile(SpoolHandle file) override;
};

// Collects a printer's back channel: keeps the first kBackChannelMaxBytes,
// drops the rest, and picks out the PostScript error messages
// ("%%[ Error: ... ]%%", "%%[ Flushing: ... ]%%") wherever they come, with
// memory that does not grow however much arrives.
class BackChannel {
public:
    void Append(const char* data, std::size_t size);
    const std::string& Kept() const noexcept { return kept_; }
    // The printer's error messages, one after the other; "" when none.
    const std::string& Errors() const noexcept { return errors_; }

private:
    std::string kept_;
    std::string message_;  // a "%%[ ... ]%%" message being read
    std::string errors_;
    int marker_ = 0;       // how much of "%%[" was just seen
    bool inMessage_ = false;
};

}  // namespace PrinterUtils
