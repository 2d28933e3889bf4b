// SPDX-License-Identifier: Apache-2.0
#include "SysUtils.h"

#include <cstdarg>
#include <cstdio>

namespace SysUtils {

std::string Format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (needed > 0) {
        out.resize(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<std::size_t>(needed));
    }
    va_end(args);
    return out;
}

std::string AssertionText(std::string_view message, std::string_view sourceFile, int line)
{
    // The module is the file name without folder or extension; both separators
    // occur, since __FILE__ may come from either platform's build.
    const auto slash = sourceFile.find_last_of("/\\");
    std::string_view module = slash == std::string_view::npos ? sourceFile : sourceFile.substr(slash + 1);
    const auto dot = module.find('.');
    if (dot != std::string_view::npos) module = module.substr(0, dot);
    const std::string text = message.empty() ? std::string("Assertion failed") : std::string(message);
    return Format("%s (%.*s, line %d)", text.c_str(), static_cast<int>(module.size()), module.data(), line);
}

void RaiseAssertion(std::string_view message, const char* sourceFile, int line)
{
    throw EAssertionFailed(AssertionText(message, sourceFile ? sourceFile : "", line));
}

}  // namespace SysUtils
