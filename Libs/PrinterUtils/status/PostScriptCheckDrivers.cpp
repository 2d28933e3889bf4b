// SPDX-License-Identifier: Apache-2.0
// What drivers' own descriptions say a printer takes: a PPD's filter lines,
// an IEEE 1284 device id's command set, a Windows driver's name. Text only,
// from the spooler: every list is capped.
#include <algorithm>
#include <cctype>
#include <string>

#include "PostScriptCheckProbe.h"

namespace PrinterUtils {

namespace {

// More entries than any real device id or PPD has.
constexpr std::size_t kMaxEntries = 32;

std::string Lower(std::string_view text)
{
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

void Add(std::vector<std::string>& list, std::string item)
{
    if (!item.empty() && list.size() < kMaxEntries && std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(std::move(item));
}

bool Has(const std::vector<std::string>& list, const char* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// A command set entry, upper-cased: the language it names, or "".
std::string CommandLanguage(std::string_view entry)
{
    if (StartsWith(entry, "POSTSCRIPT") || entry == "PS" || entry == "PS2" || entry == "PS3" ||
        StartsWith(entry, "BR-SCRIPT") || StartsWith(entry, "KPDL"))
        return "PostScript";
    if (entry == "PCLXL" || entry == "PCL-XL" || entry == "PCL6") return "PCL XL";
    if (entry == "PCLM") return "PCLm";
    if (StartsWith(entry, "PCL")) return "PCL";
    if (StartsWith(entry, "ESCP") || StartsWith(entry, "ESC/P")) return "ESC/P";
    if (entry == "PWG" || entry == "PWGRASTER" || entry == "PWG-RASTER") return "PWG Raster";
    for (const char* same : {"PDF", "PJL", "URF", "XPS", "JPEG"})
        if (entry == same) return same;
    return "";
}

// The quoted value of a PPD line ("*Keyword: "value""), or the rest of the
// line when it has no quotes.
std::string_view QuotedValue(std::string_view line)
{
    line = line.substr(std::min(line.find(':'), line.size()));
    if (!line.empty()) line.remove_prefix(1);
    const std::size_t open = line.find('"');
    if (open == std::string_view::npos) return Trim(line);
    line.remove_prefix(open + 1);
    return line.substr(0, line.find('"'));
}

std::vector<std::string_view> Words(std::string_view text)
{
    std::vector<std::string_view> words;
    while (words.size() < 8) {
        text = Trim(text);
        if (text.empty()) break;
        std::size_t end = 0;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

}  // namespace

std::string ReadableFormat(std::string_view mimeType)
{
    static constexpr std::pair<const char*, const char*> kFormats[] = {
        {"application/postscript", "PostScript"},
        {"application/vnd.cups-postscript", "PostScript"},
        {"application/vnd.adobe-reader-postscript", "PostScript"},
        {"application/pdf", "PDF"},
        {"application/vnd.cups-pdf", "PDF"},
        {"image/pwg-raster", "PWG Raster"},
        {"image/urf", "URF"},
        {"application/vnd.hp-pcl", "PCL"},
        {"application/vnd.hp-pclxl", "PCL XL"},
        {"application/pclm", "PCLm"},
        {"application/vnd.cups-raster", "CUPS Raster"},
        {"image/jpeg", "JPEG"},
        {"image/png", "PNG"},
        {"text/plain", "Text"},
    };
    const std::string type = Lower(Trim(mimeType));
    for (const auto& [mime, name] : kFormats)
        if (type == mime) return name;
    return type;
}

std::vector<std::string> CommandSetLanguages(std::string_view deviceId)
{
    std::vector<std::string> languages;
    for (std::size_t fields = 0; !deviceId.empty() && fields < kMaxEntries; ++fields) {
        const std::size_t end = std::min(deviceId.find(';'), deviceId.size());
        const std::string_view field = deviceId.substr(0, end);
        deviceId.remove_prefix(std::min(end + 1, deviceId.size()));
        const std::size_t colon = field.find(':');
        const std::string key = Lower(Trim(field.substr(0, colon)));
        if (colon == std::string_view::npos || (key != "cmd" && key != "command set")) continue;
        std::string_view commands = field.substr(colon + 1);
        for (std::size_t n = 0; !commands.empty() && n < kMaxEntries; ++n) {
            const std::size_t comma = std::min(commands.find(','), commands.size());
            std::string entry(Trim(commands.substr(0, comma)));
            for (char& c : entry) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            Add(languages, CommandLanguage(entry));
            commands.remove_prefix(std::min(comma + 1, commands.size()));
        }
    }
    return languages;
}

TQueueDriver DriverFromPpd(std::string_view ppd, std::string_view deviceId)
{
    std::vector<std::string> commands = CommandSetLanguages(deviceId);
    std::vector<std::string> formats;
    bool filters = false;
    while (!ppd.empty()) {
        const std::size_t end = std::min(ppd.find('\n'), ppd.size());
        const std::string_view line = ppd.substr(0, end);
        ppd.remove_prefix(std::min(end + 1, ppd.size()));
        if (StartsWith(line, "*1284DeviceID:")) {
            for (std::string& language : CommandSetLanguages(QuotedValue(line))) Add(commands, std::move(language));
            continue;
        }
        const bool two = StartsWith(line, "*cupsFilter2:");
        if (!two && !StartsWith(line, "*cupsFilter:")) continue;
        filters = true;
        // *cupsFilter2: "source destination cost program": the printer
        // takes the destination. *cupsFilter: "source cost program": the
        // program makes the printer's own language, which only "-" (hand
        // on unchanged) names.
        const std::vector<std::string_view> words = Words(QuotedValue(line));
        if (two && words.size() >= 2) Add(formats, ReadableFormat(words[1]));
        if (!two && words.size() >= 3 && words[2] == "-") Add(formats, ReadableFormat(words[0]));
    }
    TQueueDriver driver;
    if (!filters || Has(formats, "PostScript") || Has(commands, "PostScript")) {
        driver.kind = TQueueDriver::TKind::PostScript;
        return driver;
    }
    driver.kind = TQueueDriver::TKind::Other;
    driver.languages = std::move(formats);
    for (std::string& language : commands) Add(driver.languages, std::move(language));
    return driver;
}

TQueueDriver DriverFromName(std::string_view driverName)
{
    const std::string name = Lower(driverName);
    TQueueDriver driver;
    if (name == "generic / text only") {
        driver.kind = TQueueDriver::TKind::Raw;
        return driver;
    }
    const auto has = [&name](const char* word) { return name.find(word) != std::string::npos; };
    if (has("pcl 6") || has("pcl6") || has("pcl xl") || has("pclxl"))
        driver.languages.emplace_back("PCL XL");
    else if (has("pclm"))
        driver.languages.emplace_back("PCLm");
    else if (has("pcl"))
        driver.languages.emplace_back("PCL");
    if (has("xps")) driver.languages.emplace_back("XPS");
    if (has("pdf")) driver.languages.emplace_back("PDF");
    if (!driver.languages.empty()) driver.kind = TQueueDriver::TKind::Other;
    return driver;
}

}  // namespace PrinterUtils
