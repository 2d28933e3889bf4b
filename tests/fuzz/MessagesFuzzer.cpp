// SPDX-License-Identifier: Apache-2.0
// The error-box period rule, the application title and the OS error texts
// on arbitrary input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "Messages.h"
#include "OsUtils.h"
#include "SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    // The rule only ever appends one period, and never to its own result.
    const std::string shown = Messages::ApplyPeriodRule(input);
    if (shown != input && shown != std::string(input) + '.') std::abort();
    if (Messages::ApplyPeriodRule(shown) != shown) std::abort();

    const std::string title = Messages::ApplicationTitleFromPath(input);
    if (title.size() > 255 || title.find_first_of(OsUtils::kPathSeparators) != std::string::npos ||
        title.find('.') != std::string::npos)
        std::abort();
    for (std::size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z') std::abort();

    int code = 0;
    if (size >= sizeof code) std::memcpy(&code, data, sizeof code);
    const std::string io = Messages::InOutErrorText(code);
    if (io.empty()) std::abort();

    // Contexts are C strings: cut at the first NUL as the formatting does.
    const std::string context(input.substr(0, std::min<std::size_t>(64, input.find('\0'))));
    OsUtils::SetLastOSError(code, size % 2 ? std::optional<std::string>(std::string(input)) : std::nullopt);
    try {
        OsUtils::CheckOSBool(false, context);
        std::abort();
    } catch (const SysUtils::EOSError& e) {
        if (e.Code() != code || e.Message().rfind(context + ": Error code ", 0) != 0) std::abort();
    }
    const std::string system = OsUtils::SystemErrorMessage(OsUtils::GetLastOSError());
    if (code == 0 ? system != "A call to an OS function failed" : system.rfind("System Error.  Code: ", 0) != 0)
        std::abort();
    return 0;
}
