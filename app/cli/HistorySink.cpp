// SPDX-License-Identifier: Apache-2.0
// query --record: each printer's record kept in the history as it arrives.
// A record that does not land is said at once and makes the run fail at
// its end; the other printers are still asked and recorded.
#include <cstdio>

#include <nlohmann/json.hpp>

#include "HistoryStore.h"
#include "Output.h"
#include "QueryOutput.h"
#include "QuerySink.h"

namespace Cli {

namespace {

std::optional<std::string> Utf8(const std::optional<std::string>& text)
{
    return text ? std::optional<std::string>(ToUtf8(*text)) : std::nullopt;
}

TReading Reading(const TQueryResult& result)
{
    const PrinterUtils::TPrinterStatus& record = result.outcome.record;
    TReading r;
    r.time = result.time;
    r.printer = ToUtf8(result.printer);
    r.status = result.outcome.status;
    r.message = ToUtf8(result.outcome.message);
    if (r.status == "failed") return r;
    r.serial = Utf8(record.serialNumber);
    r.makeAndModel = Utf8(record.makeAndModel);
    r.pageCount = record.pageCount;
    r.state = record.state;
    for (const PrinterUtils::TSupply& s : record.supplies)
        r.supplies.push_back({ToUtf8(s.name), s.kind, s.color, s.levelPercent});
    return r;
}

class THistorySink : public TQuerySink {
public:
    explicit THistorySink(const std::string& path) : history_(path, THistory::TMode::Record) {}

    void Add(const TQueryResult& result) override
    {
        try {
            history_.Add(Reading(result), QueryJson(result.printer, result.outcome).dump());
        } catch (const std::exception& e) {
            ++lost_;
            Write(stderr, "quellmark: " + PlainText(e.what()) + "\n");
        }
    }

    void Finish(const TScanSummary&) override
    {
        if (lost_ > 0)
            throw SysUtils::Exception(std::to_string(lost_) + " record(s) not kept in the history '" + history_.File() +
                                      "'");
    }

private:
    THistory history_;
    std::size_t lost_ = 0;
};

}  // namespace

std::unique_ptr<TQuerySink> NewHistorySink(const std::string& path)
{
    return std::make_unique<THistorySink>(path);
}

}  // namespace Cli
