// SPDX-License-Identifier: Apache-2.0
// The history file as query --record and report use it, against real SNMP
// agents: runs at once into one new file all land, in the default place;
// a file that is not a quellmark history is refused by name and left byte
// for byte as it was.
#include <sqlite3.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "SnmpTestAgent.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = QUELLMARK_CLI;

// The shell command's standard output and error, and its exit status.
std::string Shell(const std::string& command, int& exitCode)
{
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    exitCode = ::pclose(pipe);
    return out;
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class HistoryFile : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }
    const std::string dir_ = ::testing::TempDir() + "quellmark-history-file";
};

TEST_F(HistoryFile, RunsAtOnceAllLandInTheDefaultFile)
{
    QuellmarkTest::SnmpTestAgent agent({"mono-laser.snmprec", "colour-mfp.snmprec"});
    const std::string port = std::to_string(agent.Port());
    const std::string query = "XDG_DATA_HOME='" + dir_ + "/data' '" + kProgram +
                              "' query --record --timeout 5 snmp://mono-laser@127.0.0.1:" + port +
                              " snmp://colour-mfp@127.0.0.1:" + port + " >/dev/null";
    // Four runs started together race to make the file and then to write it.
    int exitCode = -1;
    const std::string statuses = Shell("for i in 1 2 3 4; do " + query +
                                           " & p=\"$p $!\"; done; s=0; for j in $p; do wait $j || s=1; done; exit $s",
                                       exitCode);
    EXPECT_EQ(exitCode, 0) << statuses;

    const std::string file = dir_ + "/data/quellmark/history.sqlite";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
    std::string counts;
    sqlite3_exec(
        db,
        "SELECT (SELECT count(*) FROM reading WHERE status = 'completed'), (SELECT count(*) FROM supply),"
        " integrity_check FROM pragma_integrity_check",
        [](void* out, int n, char** values, char**) {
            for (int i = 0; i < n; ++i) *static_cast<std::string*>(out) += std::string(values[i]) + " ";
            return 0;
        },
        &counts, nullptr);
    sqlite3_close(db);
    // Each run: the mono laser's toner and the colour machine's six supplies.
    EXPECT_EQ(counts, "8 28 ok ");

    const nlohmann::json report =
        nlohmann::json::parse(Shell("'" + kProgram + "' report --json '" + file + "'", exitCode));
    EXPECT_EQ(exitCode, 0);
    EXPECT_EQ(report["printers"].size(), 2u) << report.dump(2);
}

TEST_F(HistoryFile, ForeignFilesAreRefusedAndLeftAsTheyWere)
{
    const std::string text = dir_ + "/notes.sqlite", other = dir_ + "/other.sqlite";
    std::ofstream(text) << "not a database, but somebody's notes\n";
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(other.c_str(), &db), SQLITE_OK);
    sqlite3_exec(db, "PRAGMA journal_mode = WAL; CREATE TABLE t (x); INSERT INTO t VALUES (1);", nullptr, nullptr,
                 nullptr);
    sqlite3_close(db);
    const struct {
        std::string file, why;
    } kFiles[] = {{text, "not an SQLite file"}, {other, "an SQLite file of another application"}};
    for (const auto& f : kFiles) {
        const std::string before = Bytes(f.file);
        for (const std::string& args :
             {"query --record='" + f.file + "' snmp://127.0.0.1:1 --timeout 1", "report '" + f.file + "'"}) {
            int exitCode = -1;
            const std::string out = Shell("'" + kProgram + "' " + args, exitCode);
            EXPECT_EQ(WEXITSTATUS(exitCode), 1) << args;
            EXPECT_NE(out.find("quellmark: the history '" + f.file + "': "), std::string::npos) << out;
            EXPECT_NE(out.find(f.why), std::string::npos) << out;
            EXPECT_EQ(Bytes(f.file), before) << f.file;
        }
    }
    // Nothing beside them either: no journal, no write-ahead log.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

}  // namespace
