// SPDX-License-Identifier: Apache-2.0
// An IPv4 address range as administrators write it, "A.B.C.D/N": every
// address of the network, for scanning a fleet. At most /16 (65,536
// addresses), so a typo cannot start a scan of millions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace PrinterUtils {

inline constexpr int kWidestAddressRange = 16;

struct TAddressRange {
    std::uint32_t first = 0;  // the first host address, host byte order
    std::uint32_t count = 0;  // how many host addresses follow from first

    // The i-th host address as text (i < count).
    std::string Address(std::uint32_t i) const;
};

// The hosts of "A.B.C.D/N" (host bits in A.B.C.D are ignored): for N up to
// 30 the network's own address and its broadcast address are left out, /31
// and /32 keep both. nullopt when text is no such range (it then names a
// printer); a range wider than /16 sets problem.
std::optional<TAddressRange> ParseAddressRange(const std::string& text, std::string& problem);

}  // namespace PrinterUtils
