// SPDX-License-Identifier: Apache-2.0
#include "SysUtils.h"

#include <stdexcept>

namespace SysUtils {

void TStrings::Insert(int index, std::string s)
{
    if (index < 0 || index > Count()) throw std::out_of_range("TStrings::Insert: index out of range");
    items_.insert(items_.begin() + index, std::move(s));
}

std::string TStrings::Text() const
{
    std::size_t size = 0;
    for (const auto& line : items_) size += line.size() + 2;
    std::string text;
    text.reserve(size);
    for (const auto& line : items_) {
        text += line;
        text += "\r\n";
    }
    return text;
}

void TStrings::SetText(std::string_view text)
{
    items_.clear();
    const auto nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);

    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            items_.emplace_back(text.substr(start, i - start));
            // CR LF is one break; LF CR is two.
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) items_.emplace_back(text.substr(start));
}

namespace {
char AsciiLower(char c) noexcept
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
}  // namespace

int TStrings::IndexOf(std::string_view s) const noexcept
{
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const std::string& item = items_[i];
        if (item.size() != s.size()) continue;
        bool same = true;
        for (std::size_t k = 0; k < s.size() && same; ++k) same = AsciiLower(item[k]) == AsciiLower(s[k]);
        if (same) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace SysUtils
