// SPDX-License-Identifier: Apache-2.0
#include "AlertSeverity.h"

#include <cctype>
#include <string_view>
#include <utility>

namespace Cli {

namespace {

using S = TAlertSeverity;

// The first entry whose words the alert holds, as whole words, decides; IPP's own severity
// suffix comes first, and "nearly" and "low" before the words of a stop, so
// "waste toner box nearly full" warns while "waste toner box full" does not.
constexpr std::pair<std::string_view, S> kWords[] = {
    {"(report)", S::None},
    {"(error)", S::Critical},
    {"(warning)", S::Warning},
    {"power saver", S::None},
    {"warming up", S::None},
    {"powered up", S::None},
    {"ready to print", S::None},
    {"configuration changed", S::None},
    {"sleep", S::None},
    {"nearly", S::Warning},
    {"low", S::Warning},
    {"input tray empty", S::Warning},
    {"tray missing", S::Warning},
    {"jam", S::Critical},
    {"open", S::Critical},
    {"opened", S::Critical},
    {"offline", S::Critical},
    {"out of", S::Critical},
    {"empty", S::Critical},
    {"missing", S::Critical},
    {"end of life", S::Critical},
    {"full", S::Critical},
    {"unrecoverable", S::Critical},
    {"service requested", S::Critical},
    {"memory exhausted", S::Critical},
    {"over temperature", S::Critical},
};

// The words stand in the text on their own: "low" is not in "yellow".
bool HasWords(const std::string& text, std::string_view words)
{
    const auto letter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
    for (std::size_t at = text.find(words); at != std::string::npos; at = text.find(words, at + 1)) {
        const std::size_t after = at + words.size();
        if ((at == 0 || !letter(text[at - 1])) && (after == text.size() || !letter(text[after]))) return true;
    }
    return false;
}

}  // namespace

TAlertSeverity AlertSeverity(const std::string& alert)
{
    std::string lower = alert;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const auto& [words, severity] : kWords)
        if (HasWords(lower, words)) return severity;
    // An alert no word above explains still deserves a look.
    return S::Warning;
}

}  // namespace Cli
