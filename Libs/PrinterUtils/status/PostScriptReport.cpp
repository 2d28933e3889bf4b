// SPDX-License-Identifier: Apache-2.0
#include "PostScriptReport.h"

#include <algorithm>

#include "SysUtils.h"

namespace PrinterUtils {

namespace {

// A printer's "%%[ Error: ... ]%%" message, or empty.
std::string PostScriptError(std::string_view answer)
{
    const std::size_t at = answer.find("%%[ Error:");
    if (at == std::string_view::npos) return {};
    std::size_t end = answer.find("]%%", at);
    end = end == std::string_view::npos ? std::min(answer.size(), at + 200) : end + 3;
    return std::string(answer.substr(at, end - at));
}

std::string Unescape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out.push_back(text[i]);
            continue;
        }
        switch (text[++i]) {
        case 't': out.push_back('\t'); break;
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case '\\': out.push_back('\\'); break;
        default: out.push_back('\\'); out.push_back(text[i]);
        }
    }
    return out;
}

std::vector<std::string_view> Split(std::string_view line, char separator)
{
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(separator, start)) != std::string_view::npos; start = at + 1)
        parts.push_back(line.substr(start, at - start));
    parts.push_back(line.substr(start));
    return parts;
}

TQueryTable& Table(TQueryReport& report, std::string_view name)
{
    for (TQueryTable& table : report.tables)
        if (table.name == name) return table;
    report.tables.push_back(TQueryTable{std::string(name), {}});
    return report.tables.back();
}

}  // namespace

bool ParseQueryReport(std::string_view answer, TQueryReport& report, std::string& error)
{
    report = TQueryReport{};
    for (const char* name : {"devices", "input_trays", "output_trays"}) Table(report, name);
    if (const std::string psError = PostScriptError(answer); !psError.empty()) {
        error = "the printer reported a PostScript error: " + psError;
        return false;
    }
    bool started = false;
    std::size_t lines = 0;
    std::size_t start = 0;
    while (start < answer.size()) {
        std::size_t end = answer.find('\n', start);
        if (end == std::string_view::npos) end = answer.size();
        std::string_view line = answer.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (!started) {
            started = line == "Q1";
            continue;
        }
        ++lines;
        if (line == "Q.") return true;
        const std::vector<std::string_view> parts = Split(line, '\t');
        if (parts[0] == "E" && parts.size() >= 2) {
            error = "the printer cannot answer the query: " + Unescape(parts[1]);
            return false;
        }
        if (parts[0] == "V" && parts.size() == 4) {
            report.values.push_back(TQueryValue{std::string(parts[1]), Unescape(parts[2]), Unescape(parts[3])});
        } else if (parts[0] == "R" && parts.size() >= 2) {
            TQueryRow row;
            for (std::size_t i = 2; i < parts.size(); ++i) {
                const std::size_t eq = parts[i].find('=');
                if (eq == std::string_view::npos) continue;
                row.emplace_back(std::string(parts[i].substr(0, eq)), Unescape(parts[i].substr(eq + 1)));
            }
            Table(report, parts[1]).rows.push_back(std::move(row));
        }
        // Other lines belong to later versions of the report: skipped.
    }
    if (answer.find_first_not_of(" \t\r\n") == std::string_view::npos)
        error = "the printer sent no answer";
    else if (!started)
        error = "the printer's answer is not a status report";
    else
        error = "the printer's answer ended before the end of the report (" + std::to_string(lines) + " lines)";
    return false;
}

}  // namespace PrinterUtils
