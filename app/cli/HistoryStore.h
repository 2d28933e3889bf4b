// SPDX-License-Identifier: Apache-2.0
// The history query --record keeps and report reads: one reading per
// printer and time, with the values report adds up as columns of their own
// and the whole record as query's JSON beside them.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Cli {

struct TSupplyReading {
    std::string name;
    std::string kind;
    std::string color;
    std::optional<double> levelPercent;
};

// One printer's answer at one time. A failed answer is kept too (status
// "failed", no values), so that the history shows when a printer was asked.
struct TReading {
    std::int64_t time = 0;
    std::string printer;  // the name or address it was asked at
    std::string status;   // "completed", "partial", "failed"
    std::string message;
    std::optional<std::string> serial;
    std::optional<std::string> makeAndModel;
    std::optional<long long> pageCount;
    std::optional<std::string> state;
    std::vector<TSupplyReading> supplies;
};

// The default history file: $XDG_DATA_HOME/quellmark/history.sqlite, else
// ~/.local/share/quellmark/history.sqlite.
std::string DefaultHistoryFile();

class THistory {
public:
    enum class TMode { Record, Read };
    // Opens the history at path ("" for the default file). Record creates a
    // missing file (and the default file's folder); Read never creates.
    // Raises, naming the file, when it cannot be opened, is not an SQLite
    // file, belongs to another application or comes from a newer version;
    // such a file is left exactly as it was.
    THistory(const std::string& path, TMode mode);
    ~THistory();
    THistory(const THistory&) = delete;
    THistory& operator=(const THistory&) = delete;

    const std::string& File() const noexcept;

    // Keeps the reading and its JSON record in one transaction; raises when
    // it did not land.
    void Add(const TReading& reading, const std::string& recordJson);

    // The answered readings (status not "failed") from since to before
    // until, and for each printer and serial the last one before since:
    // in order of time.
    std::vector<TReading> Answered(std::int64_t since, std::int64_t until) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> impl_;
};

}  // namespace Cli
