// SPDX-License-Identifier: Apache-2.0
// The printer-name parser, written once for every platform.
#include "PrinterTarget.h"

#include <cctype>

#include "SysUtils.h"

namespace PrinterUtils {

namespace {

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
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
bool ParseAuthority(const std::string& authority, TPrinterTarget& address, std::string& error)
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

}  // namespace

TPrinterTarget ParsePrinterTarget(const std::string& name)
{
    TPrinterTarget target;
    target.name = name;
    const std::size_t sep = name.find("://");
    if (sep == std::string::npos) return target;
    const std::string scheme = Lower(name.substr(0, sep));
    if (scheme == "socket")
        target.kind = TargetKind::Socket;
    else if (scheme == "ipp")
        target.kind = TargetKind::Ipp;
    else if (scheme == "ipps")
        target.kind = TargetKind::Ipps;
    else if (scheme == "snmp")
        target.kind = TargetKind::Snmp;
    else {
        target.kind = TargetKind::Unknown;
        target.problem = SysUtils::Format("the address scheme \"%s://\" is not supported", name.substr(0, sep).c_str());
        return target;
    }
    const std::string rest = name.substr(sep + 3);
    const std::size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    // An SNMP address may name its community before the host; any other
    // user name or password is never taken, and never repeated back.
    const std::size_t at = authority.rfind('@');
    if (at != std::string::npos && target.kind == TargetKind::Snmp) {
        target.community = authority.substr(0, at);
        authority.erase(0, at + 1);
    } else if (at != std::string::npos) {
        const std::string shown = name.substr(0, sep + 3) + "***" + rest.substr(at);
        target.problem = SysUtils::Format("\"%s\" is not a valid printer address: a printer address takes no user "
                                          "name or password",
                                          shown.c_str());
        return target;
    }
    const std::string path = slash == std::string::npos ? std::string() : rest.substr(slash);
    std::string why;
    bool ok = ParseAuthority(authority, target, why);
    if (ok) {
        for (char c : path) {
            if (!IsPathChar(c)) {
                why = "the address contains a blank, a control character or a non-ASCII byte";
                ok = false;
                break;
            }
        }
    }
    if (ok && target.kind == TargetKind::Snmp) {
        if (path.size() > 1) {
            why = "an snmp:// address has no path";
            ok = false;
        }
        if (target.port == 0) target.port = kSnmpDefaultPort;
    } else if (ok && target.kind == TargetKind::Socket) {
        // An AppSocket printer has no paths: a lone trailing '/' is allowed.
        if (path.size() > 1) {
            why = "a socket:// address has no path";
            ok = false;
        }
        if (target.port == 0) target.port = kAppSocketDefaultPort;
    } else if (ok) {
        if (path.size() < 2) {
            why = "an ipp:// or ipps:// address needs the printer's path, such as /ipp/print";
            ok = false;
        }
        target.resource = path;
        if (target.port == 0) target.port = kIppDefaultPort;
    }
    if (!ok) {
        const std::string shown = target.community.empty() ? name : name.substr(0, sep + 3) + "***" + rest.substr(at);
        target.problem = SysUtils::Format("\"%s\" is not a valid printer address: %s", shown.c_str(), why.c_str());
        target.host.clear();
        target.port = 0;
        target.resource.clear();
        target.community.clear();
    }
    return target;
}

const char* SchemeName(TargetKind kind) noexcept
{
    switch (kind) {
    case TargetKind::Socket: return "socket";
    case TargetKind::Ipp: return "ipp";
    case TargetKind::Ipps: return "ipps";
    case TargetKind::Snmp: return "snmp";
    case TargetKind::Queue:
    case TargetKind::Unknown: break;
    }
    return "";
}

std::string TPrinterTarget::HostAndPort() const
{
    return SysUtils::Format(host.find(':') != std::string::npos ? "[%s]:%d" : "%s:%d", host.c_str(), port);
}

}  // namespace PrinterUtils
