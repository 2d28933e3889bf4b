// SPDX-License-Identifier: Apache-2.0
// Splitting arbitrary bytes into lines and writing them back as text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    SysUtils::TStringList list;
    list.SetText(input);

    for (const std::string& line : list.Lines())
        if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) std::abort();

    // The text form reads back as the same lines.
    const std::string text = list.Text();
    SysUtils::TStringList again;
    again.SetText(text);
    if (again.Lines() != list.Lines()) std::abort();
    if (again.Text() != text) std::abort();

    // Input made of CR LF lines without NUL is reproduced byte for byte.
    const std::string_view beforeNul = input.substr(0, input.find('\0'));
    bool crlfOnly = beforeNul.size() == input.size() && (input.empty() || input.ends_with("\r\n"));
    for (std::size_t i = 0; crlfOnly && i < input.size(); ++i) {
        if (input[i] == '\r')
            crlfOnly = i + 1 < input.size() && input[i + 1] == '\n';
        else if (input[i] == '\n')
            crlfOnly = i > 0 && input[i - 1] == '\r';
    }
    if (crlfOnly && text != input) std::abort();

    // The combo search finds every line (the first case-insensitive match).
    if (list.Count() > 0 && list.Count() < 64) {
        const int found = list.IndexOf(list[list.Count() - 1]);
        if (found < 0 || found >= list.Count()) std::abort();
    }
    return 0;
}
