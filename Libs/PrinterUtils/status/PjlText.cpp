// SPDX-License-Identifier: Apache-2.0
#include "PjlText.h"

#include <charconv>
#include <climits>

namespace PrinterUtils::PjlText {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The length of the well-formed UTF-8 sequence at text[at] and its code
// point; 0 when the bytes there are not one.
std::size_t Utf8Sequence(std::string_view text, std::size_t at, char32_t& point)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = 0;
    if (lead < 0x80) {
        point = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
        point = (point << 6) | (byte(at + i) & 0x3F);
    }
    // Overlong forms, surrogates and points past U+10FFFF are not UTF-8.
    const char32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (point < least || (point >= 0xD800 && point <= 0xDFFF) || point > 0x10FFFF) return 0;
    return length;
}

bool IsUtf8(std::string_view text)
{
    char32_t point = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = Utf8Sequence(text, at, point);
        if (length == 0) return false;
        at += length;
    }
    return true;
}

bool IsControl(char32_t point)
{
    return point < 0x20 || (point >= 0x7F && point <= 0x9F);
}

}  // namespace

std::vector<std::string_view> Lines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view Unquote(std::string_view text)
{
    text = Trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = Trim(text.substr(1, text.size() - 2));
    return text;
}

std::string Normalize(std::string_view text)
{
    std::string out;
    for (char c : Trim(text)) {
        if (IsBlank(c)) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        if (out.size() >= kMaxTextBytes) break;
    }
    return out;
}

std::string Clean(std::string_view text)
{
    text = Unquote(text);
    const bool utf8 = IsUtf8(text);
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        char32_t point = 0;
        const std::size_t length = utf8 ? Utf8Sequence(text, at, point) : 1;
        if (!utf8) point = static_cast<unsigned char>(text[at]);
        const std::size_t start = at;
        at += length;
        std::string piece;
        if (point == '\t')
            piece = " ";
        else if (IsControl(point))
            continue;
        else if (utf8)
            piece = std::string(text.substr(start, length));
        else if (point < 0x80)
            piece = std::string(1, static_cast<char>(point));
        else
            piece = {static_cast<char>(0xC0 | (point >> 6)), static_cast<char>(0x80 | (point & 0x3F))};
        // Runs of blanks (tabs and spaces printers pad with) shown as one.
        if (piece == " " && (out.empty() || out.back() == ' ')) continue;
        if (out.size() + piece.size() > kMaxTextBytes) break;
        out += piece;
    }
    return std::string(Trim(out));
}

std::optional<long long> Number(std::string_view text)
{
    text = Unquote(text);
    long long value = 0;
    const char* end = text.data() + text.size();
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    const auto [rest, failure] = std::from_chars(text.data(), end, value);
    if (failure != std::errc() || rest != end) return std::nullopt;
    return value;
}

std::optional<long long> Bytes(std::string_view text)
{
    text = Unquote(text);
    std::size_t digits = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
    const std::optional<long long> number = Number(text.substr(0, digits));
    if (!number) return std::nullopt;
    const std::string unit = Normalize(text.substr(digits));
    long long scale = 1;
    if (unit == "K" || unit == "KB")
        scale = 1024;
    else if (unit == "M" || unit == "MB")
        scale = 1024 * 1024;
    else if (!unit.empty() && unit != "B" && unit != "BYTES")
        return std::nullopt;
    if (*number > LLONG_MAX / scale) return std::nullopt;
    return *number * scale;
}

bool KeyValue(std::string_view line, std::string& key, std::string_view& value)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return false;
    key = Normalize(line.substr(0, equals));
    value = line.substr(equals + 1);
    return !key.empty();
}

bool ListHeader(std::string_view line, std::string& name, std::size_t& count)
{
    line = Trim(line);
    const std::size_t open = line.find('[');
    if (open == std::string_view::npos || line.back() != ']' || line.find('=') != std::string_view::npos) return false;
    const std::string inside = Normalize(line.substr(open + 1, line.size() - open - 2));
    const std::optional<long long> n = Number(std::string_view(inside).substr(0, inside.find(' ')));
    if (!n || inside.find(' ') == std::string::npos) return false;
    name = Normalize(line.substr(0, open));
    count = static_cast<std::size_t>(*n);
    return !name.empty();
}

}  // namespace PrinterUtils::PjlText
