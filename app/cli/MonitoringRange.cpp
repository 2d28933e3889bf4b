// SPDX-License-Identifier: Apache-2.0
#include "MonitoringRange.h"

#include <charconv>
#include <cmath>
#include <string_view>

#include "CommandLine.h"

namespace Cli {

namespace {

// A finite decimal number and nothing else: from_chars reads no locale, no
// leading '+' or space, no hexadecimal, so "1,5" and " 5" are refused, and
// "inf" and "nan" are no thresholds.
bool ReadNumber(std::string_view text, double& value)
{
    if (text.empty()) return false;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    return error == std::errc() && stop == end && std::isfinite(value);
}

}  // namespace

bool TMonitoringRange::Alerts(double value) const noexcept
{
    const bool within = value >= start && value <= end;
    return inside ? within : !within;
}

TMonitoringRange ParseMonitoringRange(const std::string& option, const std::string& text)
{
    const auto bad = [&](const std::string& why) {
        return EUsage(option + " '" + text + "' is not a range: " + why + " (a range is [@]START:END, e.g. @0:20)");
    };
    TMonitoringRange range;
    range.text = text;
    std::string_view rest = text;
    if (rest.starts_with('@')) {
        range.inside = true;
        rest.remove_prefix(1);
    }
    if (rest.empty()) throw bad("it is empty");
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
        if (!ReadNumber(rest, range.end)) throw bad("the end is no number");
    } else {
        const std::string_view start = rest.substr(0, colon), end = rest.substr(colon + 1);
        // An empty start is 0, as in "10".
        if (start == "~")
            range.start = -std::numeric_limits<double>::infinity();
        else if (!start.empty() && !ReadNumber(start, range.start))
            throw bad("the start is no number");
        if (!end.empty() && !ReadNumber(end, range.end)) throw bad("the end is no number");
    }
    if (range.start > range.end) throw bad("the start lies above the end");
    return range;
}

}  // namespace Cli
