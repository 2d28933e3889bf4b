// SPDX-License-Identifier: Apache-2.0
#include "NumberText.h"

#include <charconv>

namespace Cli {

std::string NumberText(double value)
{
    // The shortest round-trip form of a double fits in 32 characters.
    char buffer[32];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return error == std::errc() ? std::string(buffer, end) : std::string("NaN");
}

}  // namespace Cli
