// SPDX-License-Identifier: Apache-2.0
// The address parser, the choice of primitives by printer name, and the
// back channel's reader, written once for every platform.
#include "PrinterAddress.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "OsUtils.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// A PostScript printer's messages on its back channel.
constexpr const char* kMessageStart = "%%[";
constexpr const char* kMessageEnd = "]%%";
// A message longer than this is not one: it is dropped unread.
constexpr std::size_t kMaxMessageBytes = 1024;
// At most this much of the error messages is kept for the report.
constexpr std::size_t kMaxErrorBytes = 4096;

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The schemes that work here, for the texts that refuse an address.
std::string WorkingSchemes()
{
    return IppAddressPrimitives() ? "socket://HOST[:PORT], ipp://HOST[:PORT]/PATH or ipps://HOST[:PORT]/PATH"
                                  : "socket://HOST[:PORT]";
}

bool IsHostChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

// Visible ASCII only: an address is typed, and anything else would need an
// encoding the printer might not share.
bool IsPathChar(char c)
{
    return c > ' ' && c < 0x7f;
}

// Splits "HOST[:PORT]" (HOST may be "[IPv6]"); false with error set.
bool ParseAuthority(const std::string& authority, PrinterAddress& address, std::string& error)
{
    std::string host;
    std::string port;
    if (!authority.empty() && authority[0] == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string::npos) {
            error = "the IPv6 address has no closing ']'";
            return false;
        }
        host = authority.substr(1, close - 1);
        const std::string rest = authority.substr(close + 1);
        if (!rest.empty() && rest[0] != ':') {
            error = "only a port may follow the host";
            return false;
        }
        if (!rest.empty()) port = rest.substr(1);
        for (char c : host) {
            if (!std::isxdigit(static_cast<unsigned char>(c)) && c != ':' && c != '.') {
                error = "the IPv6 address is not valid";
                return false;
            }
        }
    } else {
        const std::size_t colon = authority.find(':');
        host = authority.substr(0, colon);
        if (colon != std::string::npos) port = authority.substr(colon + 1);
        for (char c : host) {
            if (!IsHostChar(c)) {
                error = SysUtils::Format("the host name contains '%c'", IsPathChar(c) ? c : '?');
                return false;
            }
        }
    }
    if (host.empty()) {
        error = "the host is missing";
        return false;
    }
    address.host = host;
    if (port.empty()) return true;
    if (port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos || std::stoi(port) < 1 ||
        std::stoi(port) > 65535) {
        error = SysUtils::Format("the port \"%s\" is not a number from 1 to 65535", port.c_str());
        return false;
    }
    address.port = std::stoi(port);
    return true;
}

// The primitives of an address that cannot be used: opening it fails with
// the reason and the schemes that work.
class UnusableAddressPrimitives final : public AddressPrimitives {
public:
    bool OpenPrinter(const std::string& name, SpoolHandle&) override
    {
        PrinterAddress address;
        std::string error;
        std::string text;
        if (!ParsePrinterAddress(name, address, error))
            text = error;
        else
            text = SysUtils::Format("%s:// addresses need a system with CUPS", address.scheme == AddressScheme::Ipps
                                                                                  ? "ipps"
                                                                                  : "ipp");
        OsUtils::SetLastOSError(EINVAL, SysUtils::Format("%s; printer addresses are %s", text.c_str(),
                                                         WorkingSchemes().c_str()));
        return false;
    }
    std::uint32_t StartDocPrinter(SpoolHandle, const std::string&, const std::string&) override { return 0; }
    bool StartPagePrinter(SpoolHandle) override { return false; }
    bool WritePrinter(SpoolHandle, const void*, std::uint32_t, std::uint32_t&) override { return false; }
    bool EndPagePrinter(SpoolHandle) override { return false; }
    bool EndDocPrinter(SpoolHandle) override { return false; }
    bool ClosePrinter(SpoolHandle) override { return true; }
};

}  // namespace

bool IsPrinterAddress(const std::string& printerName)
{
    return printerName.find("://") != std::string::npos;
}

bool ParsePrinterAddress(const std::string& name, PrinterAddress& address, std::string& error)
{
    const std::size_t sep = name.find("://");
    if (sep == std::string::npos) {
        error = SysUtils::Format("\"%s\" is not a printer address", name.c_str());
        return false;
    }
    const std::string scheme = Lower(name.substr(0, sep));
    if (scheme == "socket")
        address.scheme = AddressScheme::Socket;
    else if (scheme == "ipp")
        address.scheme = AddressScheme::Ipp;
    else if (scheme == "ipps")
        address.scheme = AddressScheme::Ipps;
    else {
        error = SysUtils::Format("the address scheme \"%s://\" is not supported", name.substr(0, sep).c_str());
        return false;
    }
    const std::string rest = name.substr(sep + 3);
    const std::size_t slash = rest.find('/');
    const std::string authority = rest.substr(0, slash);
    const std::string path = slash == std::string::npos ? std::string() : rest.substr(slash);
    std::string why;
    bool ok = ParseAuthority(authority, address, why);
    if (ok) {
        for (char c : path) {
            if (!IsPathChar(c)) {
                why = "the address contains a blank, a control character or a non-ASCII byte";
                ok = false;
                break;
            }
        }
    }
    if (ok && address.scheme == AddressScheme::Socket) {
        // An AppSocket printer has no paths: a lone trailing '/' is allowed.
        if (path.size() > 1) {
            why = "a socket:// address has no path";
            ok = false;
        }
        if (address.port == 0) address.port = kAppSocketDefaultPort;
    } else if (ok) {
        if (path.size() < 2) {
            why = "an ipp:// or ipps:// address needs the printer's path, such as /ipp/print";
            ok = false;
        }
        address.resource = path;
        if (address.port == 0) address.port = kIppDefaultPort;
    }
    if (!ok) error = SysUtils::Format("\"%s\" is not a valid printer address: %s", name.c_str(), why.c_str());
    return ok;
}

SpoolerPrimitives& PrimitivesForPrinter(const std::string& printerName)
{
    if (!IsPrinterAddress(printerName)) return SystemSpoolerPrimitives();
    PrinterAddress address;
    std::string error;
    if (ParsePrinterAddress(printerName, address, error)) {
        SpoolerPrimitives* primitives =
            address.scheme == AddressScheme::Socket ? SocketAddressPrimitives() : IppAddressPrimitives();
        if (primitives) return *primitives;
    }
    static UnusableAddressPrimitives unusable;
    return unusable;
}

bool AddressPrimitives::GetDefaultPrinter(std::string&)
{
    OsUtils::SetLastOSError(EINVAL, std::string("A printer address has no default printer"));
    return false;
}

bool AddressPrimitives::OpenInputFile(const std::string& name, SpoolHandle& file)
{
    return SystemSpoolerPrimitives().OpenInputFile(name, file);
}

bool AddressPrimitives::ReadInputFile(SpoolHandle file, void* buffer, std::uint32_t size, std::uint32_t& read)
{
    return SystemSpoolerPrimitives().ReadInputFile(file, buffer, size, read);
}

bool AddressPrimitives::CloseInputFile(SpoolHandle file)
{
    return SystemSpoolerPrimitives().CloseInputFile(file);
}

void BackChannel::Append(const char* data, std::size_t size)
{
    if (kept_.size() < kBackChannelMaxBytes)
        kept_.append(data, std::min(size, kBackChannelMaxBytes - kept_.size()));
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (!inMessage_) {
            // Find "%%[" across reads: marker_ counts its characters seen so far.
            marker_ = c == kMessageStart[marker_] ? marker_ + 1 : (c == '%' ? 1 : 0);
            if (marker_ == 3) {
                inMessage_ = true;
                marker_ = 0;
                message_ = kMessageStart;
            }
            continue;
        }
        message_ += c;
        if (message_.size() > kMaxMessageBytes) {
            inMessage_ = false;
            message_.clear();
            continue;
        }
        if (message_.size() < 6 || message_.compare(message_.size() - 3, 3, kMessageEnd) != 0) continue;
        inMessage_ = false;
        // "%%[ Error: ..." or "%%[ Flushing: ..." report a failed job;
        // others (status, PrinterError) are the printer talking.
        const std::size_t word = message_.find_first_not_of(' ', 3);
        if (word != std::string::npos && (message_.compare(word, 6, "Error:") == 0 ||
                                          message_.compare(word, 9, "Flushing:") == 0)) {
            if (!errors_.empty()) errors_ += ' ';
            errors_.append(message_, 0, kMaxErrorBytes - std::min(kMaxErrorBytes, errors_.size()));
        }
        message_.clear();
    }
}

}  // namespace PrinterUtils
