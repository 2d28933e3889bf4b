// SPDX-License-Identifier: Apache-2.0
// query's output formats on the standard output, each written as its
// printers finish.
#include <optional>

#include <nlohmann/json.hpp>

#include "CsvOutput.h"
#include "Output.h"
#include "PrometheusOutput.h"
#include "QueryOutput.h"
#include "QuerySink.h"
#include "RecordOutput.h"

namespace Cli {

// The printer's outcome as query's JSON object: printer, status, message,
// the PostScript report's values, then the record's keys.
TJson QueryJson(const std::string& printer, const PrinterUtils::TStatusOutcome& q)
{
    TJson out{{"printer", JsonText(printer)}, {"status", q.status}, {"message", JsonText(q.message)}};
    if (q.haveReport) AddReportJson(out, q.report);
    if (q.status != "failed") AddStatusJson(out, q.record);
    return out;
}

namespace {

// "printer:" and the record's lines, a blank line between printers; why a
// printer did not answer fully goes to the error stream.
class TTextSink : public TQuerySink {
public:
    void Add(const TQueryResult& result) override
    {
        const PrinterUtils::TStatusOutcome& q = result.outcome;
        if (q.status != "failed") {
            if (!first_) Write(stdout, "\n");
            Write(stdout, PlainText(result.printer) + ":\n" + AppCore::RecordText(q));
            first_ = false;
        }
        if (q.status != "completed")
            Write(stderr, "quellmark: " + PlainText(result.printer) + ": " + PlainText(q.message) + "\n");
        std::fflush(stdout);
    }
    void Finish(const TScanSummary&) override {}

private:
    bool first_ = true;
};

class TJsonSink : public TQuerySink {
public:
    void Add(const TQueryResult& result) override { json_.Add(QueryJson(result.printer, result.outcome)); }
    void Finish(const TScanSummary&) override { json_.Finish(); }

private:
    TJsonArrayWriter json_;
};

// One JSON object per line, the array's element, flushed as each printer
// finishes.
class TNdjsonSink : public TQuerySink {
public:
    void Add(const TQueryResult& result) override
    {
        Write(stdout, JsonLine(QueryJson(result.printer, result.outcome)) + "\n");
        std::fflush(stdout);
    }
    void Finish(const TScanSummary&) override {}
};

}  // namespace

std::unique_ptr<TQuerySink> NewOutputSink(const TOptions& options)
{
    switch (options.output) {
    case TOutput::Text: return std::make_unique<TTextSink>();
    case TOutput::Json: return std::make_unique<TJsonSink>();
    case TOutput::Ndjson: return std::make_unique<TNdjsonSink>();
    case TOutput::Csv: return NewCsvSink();
    case TOutput::Prometheus: return NewPrometheusSink();
    }
    throw EUsage("unknown output format");
}

}  // namespace Cli
