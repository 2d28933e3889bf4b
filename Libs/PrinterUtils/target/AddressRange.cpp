// SPDX-License-Identifier: Apache-2.0
#include "AddressRange.h"

#include <cstdio>

namespace PrinterUtils {

std::string TAddressRange::Address(std::uint32_t i) const
{
    const std::uint32_t a = first + i;
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", a >> 24, (a >> 16) & 255, (a >> 8) & 255, a & 255);
    return text;
}

std::optional<TAddressRange> ParseAddressRange(const std::string& text, std::string& problem)
{
    unsigned octets[4], bits = 0;
    int end = 0;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u.%3u/%2u%n", &octets[0], &octets[1], &octets[2], &octets[3], &bits,
                    &end) != 5 ||
        static_cast<std::size_t>(end) != text.size() || text.find_first_of(" +-") != std::string::npos)
        return std::nullopt;
    std::uint32_t address = 0;
    for (unsigned octet : octets) {
        if (octet > 255) {
            problem = "\"" + text + "\" is not an address range: each part of an address is at most 255";
            return std::nullopt;
        }
        address = address << 8 | octet;
    }
    if (bits > 32 || bits < kWidestAddressRange) {
        problem = "\"" + text + "\" is not an address range quellmark scans: from /16 (65,536 addresses) to /32";
        return std::nullopt;
    }
    const std::uint64_t size = std::uint64_t{1} << (32 - bits);
    const std::uint32_t network = static_cast<std::uint32_t>(address & ~(size - 1));
    if (bits >= 31) return TAddressRange{network, static_cast<std::uint32_t>(size)};
    return TAddressRange{network + 1, static_cast<std::uint32_t>(size - 2)};
}

}  // namespace PrinterUtils
