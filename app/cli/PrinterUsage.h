// SPDX-License-Identifier: Apache-2.0
// What each printer did in a period, from its readings in the history:
// pages printed, counter resets, supplies used and replaced. A printer is
// followed by its serial number across addresses; a printer that gave no
// serial by its address.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "HistoryStore.h"

namespace Cli {

// A supply whose level rises by at least this many points was replaced;
// a smaller rise is the gauge wavering.
inline constexpr double kReplacedRisePoints = 10;

// A page counter that went down between two readings (a new board).
struct TCounterReset {
    std::int64_t time = 0;  // of the lower reading
    long long before = 0;
    long long after = 0;
};

struct TSupplyUse {
    std::string name;
    std::string color;
    std::optional<double> startLevel, endLevel;
    double usedPoints = 0;  // the sum of the falls, in percent points
    int replaced = 0;
};

struct TPrinterUsage {
    std::optional<std::string> serial;
    std::optional<std::string> makeAndModel;  // the last one given
    std::vector<std::string> addresses;       // in the order seen; the last is the current one
    bool seen = false;                        // answered in the period
    std::int64_t lastSeen = 0;
    std::optional<long long> startCount, endCount;
    long long pages = 0;  // the sum of the counter's rises, never a fall
    std::vector<TCounterReset> resets;
    std::vector<TSupplyUse> supplies;
};

// readings: in order of time, as THistory::Answered gives them; those
// before since are each printer's starting point only. The printers seen
// in the period come first, each group by current address.
std::vector<TPrinterUsage> PrinterUsage(const std::vector<TReading>& readings, std::int64_t since);

}  // namespace Cli
