// SPDX-License-Identifier: Apache-2.0
#include "PrinterUsage.h"

#include <algorithm>
#include <map>

namespace Cli {

namespace {

void AddCount(TPrinterUsage& p, long long count, std::int64_t time)
{
    if (p.endCount && count < *p.endCount)
        p.resets.push_back({time, *p.endCount, count});
    else if (p.endCount)
        p.pages += count - *p.endCount;
    if (!p.startCount) p.startCount = count;
    p.endCount = count;
}

void AddSupply(TPrinterUsage& p, const TSupplyReading& s)
{
    auto use = std::find_if(p.supplies.begin(), p.supplies.end(),
                            [&](const TSupplyUse& u) { return u.name == s.name && u.color == s.color; });
    if (use == p.supplies.end()) use = p.supplies.insert(p.supplies.end(), TSupplyUse{s.name, s.color, {}, {}, 0, 0});
    if (!s.levelPercent) return;
    const double level = *s.levelPercent;
    if (use->endLevel && level < *use->endLevel) use->usedPoints += *use->endLevel - level;
    if (use->endLevel && level >= *use->endLevel + kReplacedRisePoints) ++use->replaced;
    if (!use->startLevel) use->startLevel = level;
    use->endLevel = level;
}

}  // namespace

std::vector<TPrinterUsage> PrinterUsage(const std::vector<TReading>& readings, std::int64_t since)
{
    std::vector<TPrinterUsage> printers;
    std::map<std::string, std::size_t> byKey;
    // A reading without a serial belongs to the printer last seen with one
    // at its address: a partial answer does not split a printer in two.
    std::map<std::string, std::string> serialAt;
    for (const TReading& r : readings) {
        if (r.serial) serialAt[r.printer] = *r.serial;
        const auto known = serialAt.find(r.printer);
        const std::string key = known != serialAt.end() ? "serial " + known->second : "address " + r.printer;
        const auto [at, added] = byKey.try_emplace(key, printers.size());
        if (added) printers.emplace_back();
        TPrinterUsage& p = printers[at->second];
        if (known != serialAt.end()) p.serial = known->second;
        if (r.makeAndModel) p.makeAndModel = r.makeAndModel;
        std::erase(p.addresses, r.printer);
        p.addresses.push_back(r.printer);
        // Only a printer's last reading before the period is its starting
        // point: what it did between older ones belongs to earlier periods.
        if (r.time < since) {
            p.startCount = p.endCount = std::nullopt;
            p.supplies.clear();
        }
        p.seen = p.seen || r.time >= since;
        p.lastSeen = r.time;
        if (r.pageCount) AddCount(p, *r.pageCount, r.time);
        for (const TSupplyReading& s : r.supplies) AddSupply(p, s);
    }
    std::stable_sort(printers.begin(), printers.end(), [](const TPrinterUsage& a, const TPrinterUsage& b) {
        if (a.seen != b.seen) return a.seen;
        return a.addresses.back() < b.addresses.back();
    });
    return printers;
}

}  // namespace Cli
