// SPDX-License-Identifier: Apache-2.0
// A threshold range as monitoring plugins take them: [@]START:END, where
// START may be "~" (minus infinity) and is 0 when left out with its colon
// ("10" is 0:10), END is infinity when left out after the colon ("10:").
// A value outside the range alerts; with "@", a value inside it does. The
// ends belong to the range.
#pragma once

#include <limits>
#include <string>

namespace Cli {

struct TMonitoringRange {
    double start = 0;
    double end = std::numeric_limits<double>::infinity();
    bool inside = false;  // "@": alert inside the range, ends included
    std::string text;     // as given, for the performance data

    // True when the value sets the state this range stands for.
    bool Alerts(double value) const noexcept;
};

// The range in text; raises EUsage naming option ("--warning") when the
// text is not a range or its start lies above its end.
TMonitoringRange ParseMonitoringRange(const std::string& option, const std::string& text);

}  // namespace Cli
