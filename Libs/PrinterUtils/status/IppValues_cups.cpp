// SPDX-License-Identifier: Apache-2.0
#include "IppValues.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace PrinterUtils::IppValues {

namespace {

// Longer texts are cut: no printer names a supply or a tray at such length.
constexpr std::size_t kTextMaxBytes = 256;

// The length of the UTF-8 sequence at text[i] and its code point; 0 when
// the bytes there are no valid sequence.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& cp)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    cp = lead;
    if (lead < 0x80) return 1;
    std::size_t n = (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
    if (n == 0 || i + n > text.size()) return 0;
    cp = lead & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (next & 0x3F);
    }
    static constexpr std::uint32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kShortest[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

bool IsStringTag(ipp_tag_t tag)
{
    return tag == IPP_TAG_TEXTLANG || tag == IPP_TAG_NAMELANG || (tag >= IPP_TAG_TEXT && tag <= IPP_TAG_MIMETYPE);
}

}  // namespace

// The text as it can be shown: valid UTF-8 kept, an invalid byte as '?',
// control characters (C0, DEL, C1) dropped, whitespace controls as a space,
// trimmed, at most kTextMaxBytes.
std::string CleanText(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        std::uint32_t cp = 0;
        const std::size_t n = DecodeUtf8(text, i, cp);
        std::string_view piece = n ? text.substr(i, n) : std::string_view("?");
        if (cp == '\t' || cp == '\n' || cp == '\r')
            piece = " ";
        else if (n && (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F)))
            piece = {};
        if (out.size() + piece.size() > kTextMaxBytes) break;
        out.append(piece);
        i += n ? n : 1;
    }
    const std::size_t first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

std::string Lower(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Upper(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The attribute's values as raw strings (octetStrings included), at most
// kIppListMax; empty when it is absent or holds no strings.
std::vector<std::string> Strings(ipp_t* response, const char* name)
{
    std::vector<std::string> values;
    ipp_attribute_t* attr = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (!attr) return values;
    const ipp_tag_t tag = ippGetValueTag(attr);
    const int count = std::min(ippGetCount(attr), kIppListMax);
    for (int i = 0; i < count; ++i) {
        if (tag == IPP_TAG_STRING) {
            int length = 0;
            const auto* data = static_cast<const char*>(ippGetOctetString(attr, i, &length));
            values.emplace_back(data ? std::string(data, static_cast<std::size_t>(std::max(length, 0))) : "");
        } else if (IsStringTag(tag)) {
            const char* text = ippGetString(attr, i, nullptr);
            values.emplace_back(text ? text : "");
        }
    }
    return values;
}

// The attribute's integer (or enum) values, at most kIppListMax.
std::vector<int> Integers(ipp_t* response, const char* name)
{
    std::vector<int> values;
    ipp_attribute_t* attr = ippFindAttribute(response, name, IPP_TAG_ZERO);
    if (!attr || (ippGetValueTag(attr) != IPP_TAG_INTEGER && ippGetValueTag(attr) != IPP_TAG_ENUM)) return values;
    const int count = std::min(ippGetCount(attr), kIppListMax);
    for (int i = 0; i < count; ++i) values.push_back(ippGetInteger(attr, i));
    return values;
}

// "key=value;key=value;" (printer-supply, printer-input-tray): keys in
// lower case, values cleaned; the first of a repeated key wins.
std::map<std::string, std::string> ParsePairs(std::string_view text)
{
    std::map<std::string, std::string> pairs;
    for (int n = 0; !text.empty() && n < kIppListMax; ++n) {
        const std::size_t end = std::min(text.find(';'), text.size());
        const std::string_view pair = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (const std::size_t eq = pair.find('='); eq != std::string_view::npos)
            pairs.emplace(Lower(CleanText(pair.substr(0, eq))), CleanText(pair.substr(eq + 1)));
    }
    return pairs;
}

std::optional<int> Number(const std::map<std::string, std::string>& pairs, const char* key)
{
    const auto it = pairs.find(key);
    if (it == pairs.end() || it->second.empty() || it->second.size() > 9) return std::nullopt;
    const std::string& text = it->second;
    const bool negative = text[0] == '-';
    if (text.size() == (negative ? 1u : 0u) ||
        !std::all_of(text.begin() + (negative ? 1 : 0), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoi(text);
}

std::string Value(const std::map<std::string, std::string>& pairs, const char* key)
{
    const auto it = pairs.find(key);
    return it == pairs.end() ? std::string() : it->second;
}

}  // namespace PrinterUtils::IppValues
