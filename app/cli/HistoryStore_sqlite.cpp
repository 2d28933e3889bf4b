// SPDX-License-Identifier: Apache-2.0
// The history in an SQLite file. The file carries its own application id
// and schema version, so a file of anything else is recognised (by reads
// alone) before a single byte is written to it. Several quellmark processes
// may write at once: WAL lets readers go on beside the one writer, and
// every wait for the lock is bounded by the busy timeout.
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>

#include "HistoryStore.h"
#include "SysUtils.h"

namespace Cli {

namespace {

// "Qlmk": the file is a quellmark history.
constexpr int kApplicationId = 0x516c6d6b;
// Another writer holds the lock for milliseconds per record; this long a
// wait means something is wrong with it, not that it is busy.
constexpr int kBusyTimeoutMs = 10000;

// Step i takes the schema from version i to version i + 1; user_version
// says how many steps a file has had. A new version appends a step.
constexpr const char* kMigrations[] = {
    "CREATE TABLE reading ("
    "  id INTEGER PRIMARY KEY,"
    "  time INTEGER NOT NULL,"
    "  printer TEXT NOT NULL,"
    "  status TEXT NOT NULL,"
    "  message TEXT NOT NULL,"
    "  serial TEXT,"
    "  make_and_model TEXT,"
    "  page_count INTEGER,"
    "  state TEXT,"
    "  record TEXT NOT NULL);"
    "CREATE INDEX reading_time ON reading (time);"
    "CREATE TABLE supply ("
    "  reading INTEGER NOT NULL REFERENCES reading (id),"
    "  position INTEGER NOT NULL,"
    "  name TEXT NOT NULL,"
    "  kind TEXT NOT NULL,"
    "  color TEXT NOT NULL,"
    "  level REAL,"
    "  PRIMARY KEY (reading, position));",
};
constexpr int kVersion = static_cast<int>(std::size(kMigrations));

// The readings report looks at: the period's, and each printer's last one
// before it (SQLite takes the id of the row holding max(time)).
constexpr const char* kChosen =
    "WITH chosen AS ("
    "  SELECT id FROM reading WHERE status <> 'failed' AND time >= ?1 AND time < ?2"
    "  UNION SELECT id FROM (SELECT max(time), id FROM reading"
    "                        WHERE status <> 'failed' AND time < ?1 GROUP BY printer, serial)) ";

class TStatement {
public:
    TStatement(sqlite3* db, const std::string& sql) : db_(db)
    {
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement_, nullptr) != SQLITE_OK)
            throw SysUtils::Exception(sqlite3_errmsg(db));
    }
    ~TStatement() { sqlite3_finalize(statement_); }
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    void Bind(int i, std::int64_t value) { Check(sqlite3_bind_int64(statement_, i, value)); }
    void Bind(int i, const std::string& text)
    {
        Check(sqlite3_bind_text(statement_, i, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    }
    template <class T>
    void Bind(int i, const std::optional<T>& value)
    {
        if (value)
            Bind(i, *value);
        else
            Check(sqlite3_bind_null(statement_, i));
    }
    void Bind(int i, const std::optional<double>& value)
    {
        Check(value ? sqlite3_bind_double(statement_, i, *value) : sqlite3_bind_null(statement_, i));
    }
    // True while there is a row.
    bool Step()
    {
        const int rc = sqlite3_step(statement_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) throw SysUtils::Exception(sqlite3_errmsg(db_));
        return false;
    }
    void Reset()
    {
        sqlite3_reset(statement_);
        sqlite3_clear_bindings(statement_);
    }
    bool Null(int column) const { return sqlite3_column_type(statement_, column) == SQLITE_NULL; }
    std::int64_t Int(int column) const { return sqlite3_column_int64(statement_, column); }
    double Real(int column) const { return sqlite3_column_double(statement_, column); }
    std::string Text(int column) const
    {
        const auto* text = sqlite3_column_text(statement_, column);
        return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(statement_, column))
                    : std::string();
    }
    std::optional<std::string> OptionalText(int column) const
    {
        return Null(column) ? std::nullopt : std::optional<std::string>(Text(column));
    }

private:
    void Check(int rc)
    {
        if (rc != SQLITE_OK) throw SysUtils::Exception(sqlite3_errmsg(db_));
    }
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

// A failure already worded for the user, naming the file.
class EHistory : public SysUtils::Exception {
public:
    using Exception::Exception;
};

struct TIdentity {
    std::int64_t applicationId = 0;
    std::int64_t version = 0;
    std::int64_t objects = 0;  // tables, indexes ...: none in a new file
};

}  // namespace

std::string DefaultHistoryFile()
{
    // A relative XDG_DATA_HOME is invalid and ignored, as XDG says.
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data && data[0] == '/') return std::string(data) + "/quellmark/history.sqlite";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share/quellmark/history.sqlite";
    throw SysUtils::Exception("no default history file: neither XDG_DATA_HOME nor HOME is set; name one "
                              "with --record=FILE");
}

struct THistory::TImpl {
    std::string file;
    sqlite3* db = nullptr;

    ~TImpl() { sqlite3_close_v2(db); }

    [[noreturn]] void Fail(const std::string& why) const { throw EHistory("the history '" + file + "': " + why); }

    void Exec(const char* sql)
    {
        if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) throw SysUtils::Exception(Error());
    }

    // SQLite's text, and what a lock held too long means here.
    std::string Error() const
    {
        std::string text = sqlite3_errmsg(db);
        if ((sqlite3_extended_errcode(db) & 0xff) == SQLITE_BUSY)
            text += SysUtils::Format(" (another program held it for more than %d s)", kBusyTimeoutMs / 1000);
        return text;
    }

    // Reads only: the header's application id and version, and whether the
    // file holds anything.
    TIdentity Identity()
    {
        TIdentity id;
        try {
            TStatement application(db, "PRAGMA application_id");
            if (application.Step()) id.applicationId = application.Int(0);
        } catch (const SysUtils::Exception& e) {
            if ((sqlite3_extended_errcode(db) & 0xff) != SQLITE_NOTADB) Fail("cannot read it: " + Error());
            Fail("not an SQLite file, so not a quellmark history (" + e.Message() + "); it is left as it was");
        }
        TStatement version(db, "PRAGMA user_version");
        if (version.Step()) id.version = version.Int(0);
        TStatement objects(db, "SELECT count(*) FROM sqlite_schema");
        if (objects.Step()) id.objects = objects.Int(0);
        return id;
    }

    [[noreturn]] void Foreign(const TIdentity& id) const
    {
        if (id.applicationId == 0 && id.objects == 0) Fail("an empty file, not a quellmark history");
        const std::string owner =
            id.applicationId == 0
                ? std::string("tables of its own")
                : SysUtils::Format("application id 0x%08x", static_cast<std::uint32_t>(id.applicationId));
        Fail("an SQLite file of another application (" + owner + "), not a quellmark history; it is left as it was");
    }

    // Brings a new or older file to kVersion in one transaction, checking
    // it again under the write lock: another process may have made it since.
    void Migrate()
    {
        Exec("BEGIN IMMEDIATE");
        try {
            const TIdentity id = Identity();
            const bool fresh = id.applicationId == 0 && id.objects == 0 && id.version == 0;
            if (!fresh && id.applicationId != kApplicationId) Foreign(id);
            if (fresh) Exec(SysUtils::Format("PRAGMA application_id = %d", kApplicationId).c_str());
            for (std::int64_t v = id.version; v < kVersion; ++v) Exec(kMigrations[v]);
            Exec(SysUtils::Format("PRAGMA user_version = %d", kVersion).c_str());
            Exec("COMMIT");
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
};

THistory::THistory(const std::string& path, TMode mode) : impl_(std::make_unique<TImpl>())
{
    TImpl& h = *impl_;
    h.file = path.empty() ? DefaultHistoryFile() : path;
    const bool record = mode == TMode::Record;
    namespace fs = std::filesystem;
    std::error_code ec;
    // The history holds printer addresses, communities among them: only its
    // owner reads it (SQLite gives its journal files the file's mode).
    if (record && path.empty()) {
        const fs::path folder = fs::path(h.file).parent_path();
        if (fs::create_directories(folder, ec)) fs::permissions(folder, fs::perms::owner_all, ec);
        if (ec) h.Fail("cannot make its folder: " + ec.message());
    }
    if (record) {
        const int fd = ::open(h.file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0 && errno != EEXIST) h.Fail(std::string("cannot make it: ") + std::strerror(errno));
        if (fd >= 0) ::close(fd);
    } else if (!fs::exists(h.file, ec)) {
        h.Fail("no such file (query --record keeps one)");
    }
    // Opening an existing file never changes it: SQLite itself creates nothing.
    if (sqlite3_open_v2(h.file.c_str(), &h.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        h.Fail(std::string("cannot open it: ") + (h.db ? sqlite3_errmsg(h.db) : "out of memory"));
    sqlite3_extended_result_codes(h.db, 1);
    sqlite3_busy_timeout(h.db, kBusyTimeoutMs);
    try {
        const TIdentity id = h.Identity();
        const bool fresh = id.applicationId == 0 && id.objects == 0 && id.version == 0;
        if (id.applicationId != kApplicationId && !(fresh && record)) h.Foreign(id);
        if (id.version > kVersion)
            h.Fail(SysUtils::Format("history version %lld, newer than this quellmark's %d",
                                    static_cast<long long>(id.version), kVersion));
        if (id.version < kVersion) h.Migrate();
        // WAL persists in the file: set once, after the file is known to be ours.
        if (record) {
            TStatement wal(h.db, "PRAGMA journal_mode = WAL");
            if (!wal.Step() || wal.Text(0) != "wal") h.Fail("cannot switch it to write-ahead logging");
        }
    } catch (const EHistory&) {
        throw;
    } catch (const SysUtils::Exception& e) {
        h.Fail(e.Message());
    }
}

THistory::~THistory() = default;

const std::string& THistory::File() const noexcept
{
    return impl_->file;
}

void THistory::Add(const TReading& r, const std::string& recordJson)
{
    TImpl& h = *impl_;
    try {
        h.Exec("BEGIN IMMEDIATE");
        try {
            TStatement reading(h.db, "INSERT INTO reading (time, printer, status, message, serial, make_and_model,"
                                     " page_count, state, record) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
            reading.Bind(1, r.time);
            reading.Bind(2, r.printer);
            reading.Bind(3, r.status);
            reading.Bind(4, r.message);
            reading.Bind(5, r.serial);
            reading.Bind(6, r.makeAndModel);
            reading.Bind(7, r.pageCount ? std::optional<std::int64_t>(*r.pageCount) : std::nullopt);
            reading.Bind(8, r.state);
            reading.Bind(9, recordJson);
            reading.Step();
            const std::int64_t id = sqlite3_last_insert_rowid(h.db);
            TStatement supply(h.db, "INSERT INTO supply (reading, position, name, kind, color, level)"
                                    " VALUES (?, ?, ?, ?, ?, ?)");
            for (std::size_t i = 0; i < r.supplies.size(); ++i) {
                const TSupplyReading& s = r.supplies[i];
                supply.Bind(1, id);
                supply.Bind(2, static_cast<std::int64_t>(i));
                supply.Bind(3, s.name);
                supply.Bind(4, s.kind);
                supply.Bind(5, s.color);
                supply.Bind(6, s.levelPercent);
                supply.Step();
                supply.Reset();
            }
            h.Exec("COMMIT");
        } catch (...) {
            sqlite3_exec(h.db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (const SysUtils::Exception& e) {
        h.Fail("cannot keep the record of " + r.printer + ": " + e.Message());
    }
}

std::vector<TReading> THistory::Answered(std::int64_t since, std::int64_t until) const
{
    TImpl& h = *impl_;
    std::vector<TReading> readings;
    try {
        // One read transaction: both queries see the same file.
        h.Exec("BEGIN");
        std::map<std::int64_t, std::size_t> index;
        TStatement rows(h.db, std::string(kChosen) +
                                  "SELECT r.id, r.time, r.printer, r.status, r.message, r.serial, r.make_and_model,"
                                  " r.page_count, r.state FROM reading r JOIN chosen USING (id)"
                                  " ORDER BY r.time, r.id");
        rows.Bind(1, since);
        rows.Bind(2, until);
        while (rows.Step()) {
            index[rows.Int(0)] = readings.size();
            TReading& r = readings.emplace_back();
            r.time = rows.Int(1);
            r.printer = rows.Text(2);
            r.status = rows.Text(3);
            r.message = rows.Text(4);
            r.serial = rows.OptionalText(5);
            r.makeAndModel = rows.OptionalText(6);
            if (!rows.Null(7)) r.pageCount = rows.Int(7);
            r.state = rows.OptionalText(8);
        }
        TStatement supplies(h.db, std::string(kChosen) +
                                      "SELECT s.reading, s.name, s.kind, s.color, s.level FROM supply s"
                                      " JOIN chosen ON s.reading = chosen.id ORDER BY s.reading, s.position");
        supplies.Bind(1, since);
        supplies.Bind(2, until);
        while (supplies.Step()) {
            TSupplyReading s{supplies.Text(1), supplies.Text(2), supplies.Text(3), std::nullopt};
            if (!supplies.Null(4)) s.levelPercent = supplies.Real(4);
            readings[index.at(supplies.Int(0))].supplies.push_back(std::move(s));
        }
        h.Exec("COMMIT");
    } catch (const SysUtils::Exception& e) {
        sqlite3_exec(h.db, "ROLLBACK", nullptr, nullptr, nullptr);
        h.Fail("cannot read it: " + e.Message());
    }
    return readings;
}

}  // namespace Cli
