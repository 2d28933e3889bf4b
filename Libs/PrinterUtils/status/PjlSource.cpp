// SPDX-License-Identifier: Apache-2.0
// PJL over AppSocket: the request, the bounded read of the answers and the
// reading of each category into the record. Written once over the platform's
// TCP calls (SocketPrimitives.h), so the same file serves Linux and Windows.
//
// What STATUS codes mean here (the first two digits say the class):
//   10000, 10001 ready (idle); 10002 offline (stopped); 10006 toner low
//   (idle, an alert); other 10xxx busy (warming up, processing, canceling).
//   11xxx tray information: idle, an alert.
//   20xxx-29xxx, 32xxx: the PJL parser's and file system's words on the
//   request itself, not the printer's state: ignored.
//   30xxx: auto-continuable warnings: the state ONLINE says, an alert.
//   35xxx and above (40xxx operator intervention, 41xxx load paper, 42xxx and
//   44xxx jams, 43xxx paper handling devices, 5xxxx hardware): stopped, an
//   alert. ONLINE=FALSE means stopped whatever the code.
#include "PjlSource.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "OsUtils.h"
#include "PjlText.h"
#include "PrinterBounds.h"
#include "SocketPrimitives.h"
#include "SysUtils.h"

namespace PrinterUtils {

namespace {

using Clock = std::chrono::steady_clock;

// Six INFO requests and an ECHO whose answer marks the end: a printer that
// skips a category it does not know still ends the exchange at once.
constexpr std::string_view kRequest =
    "\x1b%-12345X@PJL\r\n@PJL INFO ID\r\n@PJL INFO CONFIG\r\n@PJL INFO MEMORY\r\n@PJL INFO PAGECOUNT\r\n"
    "@PJL INFO STATUS\r\n@PJL INFO FILESYS\r\n@PJL ECHO QUELLMARK END\r\n\x1b%-12345X";
constexpr int kCategoryCount = 6;
constexpr std::string_view kEchoMarker = "@PJL ECHO QUELLMARK END";
// Bounds on lists a printer names, so a hostile answer cannot grow the record.
constexpr std::size_t kMaxItems = 64;

struct Reading {
    bool languagesListed = false;
    bool postScriptListed = false;
    std::optional<long long> installedMemory;  // CONFIG MEMORY=
    std::optional<long long> freeMemory;       // MEMORY TOTAL=
};

// A language as the record names it.
std::string LanguageName(std::string_view item)
{
    const std::string word = PjlText::Normalize(PjlText::Unquote(item));
    if (word == "POSTSCRIPT" || word.starts_with("POSTSCRIPT ")) return "PostScript";
    if (word == "PCLXL" || word == "PCL XL" || word == "PCL6") return "PCL XL";
    if (word == "PCL" || word == "PCL5" || word == "PCL5E" || word == "PCL5C") return "PCL";
    if (word == "PDF" || word == "XPS" || word == "PJL") return word;
    return PjlText::Clean(item);
}

void AddLanguage(std::string name, TPrinterStatus& status)
{
    if (name.empty() || status.languages.size() >= kMaxItems) return;
    if (std::find(status.languages.begin(), status.languages.end(), name) == status.languages.end())
        status.languages.push_back(std::move(name));
}

// "INTRAY2 PC" and the like: a tray, numbered when the printer numbers it.
void AddTray(std::string_view item, TPrinterStatus& status)
{
    TTray tray;
    tray.name = PjlText::Clean(item);
    if (tray.name.empty() || status.inputTrays.size() >= kMaxItems) return;
    const std::string word = PjlText::Normalize(PjlText::Unquote(item));
    const std::string_view first = std::string_view(word).substr(0, word.find(' '));
    for (std::string_view prefix : {"INTRAY", "TRAY"}) {
        if (first.starts_with(prefix)) {
            const std::optional<long long> n = PjlText::Number(first.substr(prefix.size()));
            if (n && *n <= INT_MAX) tray.number = static_cast<int>(*n);
        }
    }
    for (const TTray& known : status.inputTrays)
        if (known.name == tray.name || (tray.number && known.number == tray.number)) return;
    status.inputTrays.push_back(std::move(tray));
}

void ReadConfig(const std::vector<std::string_view>& lines, TPrinterStatus& status, Reading& reading)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string name;
        std::size_t count = 0;
        if (PjlText::ListHeader(lines[i], name, count)) {
            // The list's items are the next count lines, whatever their indent.
            const std::size_t end = i + 1 + std::min(count, lines.size() - i - 1);
            const bool languages = name == "LANGUAGES";
            const bool trays = name == "IN TRAYS" || name == "INTRAYS" || name == "INPUT TRAYS";
            reading.languagesListed = reading.languagesListed || languages;
            for (std::size_t item = i + 1; item < end; ++item) {
                if (PjlText::Trim(lines[item]).empty()) continue;
                if (languages) {
                    std::string language = LanguageName(lines[item]);
                    reading.postScriptListed = reading.postScriptListed || language == "PostScript";
                    AddLanguage(std::move(language), status);
                } else if (trays) {
                    AddTray(lines[item], status);
                }
            }
            i = end - 1;
            continue;
        }
        std::string key;
        std::string_view value;
        if (PjlText::KeyValue(lines[i], key, value)) {
            if (key == "MEMORY") {
                reading.installedMemory = PjlText::Bytes(value);
            } else if (key.starts_with("FIRMWARE") || key == "DATECODE") {
                std::string firmware = PjlText::Clean(value);
                if (!firmware.empty()) status.firmware = std::move(firmware);
            } else if (key == "SERIAL NUMBER" || key == "SERIALNUMBER") {
                std::string serial = PjlText::Clean(value);
                if (!serial.empty()) status.serialNumber = std::move(serial);
            }
        } else if (PjlText::Normalize(lines[i]).starts_with("INTRAY")) {
            AddTray(lines[i], status);
        }
    }
}

void AddAlert(std::string text, TPrinterStatus& status)
{
    if (text.empty() || status.alerts.size() >= kMaxItems) return;
    if (std::find(status.alerts.begin(), status.alerts.end(), text) == status.alerts.end())
        status.alerts.push_back(std::move(text));
}

void ReadStatus(const std::vector<std::string_view>& lines, TPrinterStatus& status)
{
    std::optional<long long> code;
    std::string display;
    std::optional<bool> online;
    for (std::string_view line : lines) {
        std::string key;
        std::string_view value;
        if (!PjlText::KeyValue(line, key, value)) continue;
        if (key == "CODE")
            code = PjlText::Number(value);
        else if (key == "DISPLAY")
            display = PjlText::Clean(value);
        else if (key == "ONLINE")
            online = PjlText::Normalize(PjlText::Unquote(value)) != "FALSE";
    }
    if (!code) return;
    const long long kind = *code / 1000;
    std::optional<std::string> state;
    bool alert = false;
    if (kind == 10) {
        if (*code == 10000 || *code == 10001 || *code == 10006)
            state = "idle";
        else if (*code == 10002)
            state = "stopped";
        else
            state = "processing";
        alert = *code == 10006;
    } else if (kind == 11) {
        state = "idle";
        alert = true;
    } else if ((kind >= 20 && kind <= 29) || kind == 32) {
        return;
    } else if (kind == 30) {
        state = "idle";
        alert = true;
    } else if (kind >= 35) {
        state = "stopped";
        alert = true;
    } else {
        alert = true;
    }
    if (online == false) state = "stopped";
    if (state) status.state = *state;
    if (alert) AddAlert(display.empty() ? "PJL status " + std::to_string(*code) : display, status);
}

// One category's values (the lines after the echoed request) into the record.
void ReadCategory(std::string_view category, const std::vector<std::string_view>& lines, TPrinterStatus& status,
                  Reading& reading)
{
    if (category == "ID") {
        for (std::string_view line : lines) {
            std::string model = PjlText::Clean(line);
            if (model.empty()) continue;
            status.makeAndModel = std::move(model);
            break;
        }
    } else if (category == "CONFIG") {
        ReadConfig(lines, status, reading);
    } else if (category == "MEMORY") {
        std::string key;
        std::string_view value;
        for (std::string_view line : lines)
            if (PjlText::KeyValue(line, key, value) && key == "TOTAL") reading.freeMemory = PjlText::Bytes(value);
    } else if (category == "PAGECOUNT") {
        for (std::string_view line : lines) {
            std::string key;
            std::string_view value = line;
            if (PjlText::KeyValue(line, key, value) && key != "PAGECOUNT") continue;
            if (PjlText::Trim(value).empty()) continue;
            if (const std::optional<long long> count = PjlText::Number(value)) status.pageCount = count;
            break;
        }
    } else if (category == "STATUS") {
        ReadStatus(lines, status);
    }
}

// Splits one category's answer into lines; the first "@PJL INFO" line names
// the category, and what follows it are its values.
bool SplitCategory(std::string_view chunk, std::string& category, std::vector<std::string_view>& values)
{
    std::vector<std::string_view> lines = PjlText::Lines(chunk);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string line = PjlText::Normalize(lines[i]);
        if (!line.starts_with("@PJL INFO ")) continue;
        const std::string_view rest = std::string_view(line).substr(10);
        category = std::string(rest.substr(0, rest.find(' ')));
        values.assign(lines.begin() + static_cast<std::ptrdiff_t>(i) + 1, lines.end());
        return true;
    }
    return false;
}

void Name(TPrinterStatus& status, const char* key, bool filled)
{
    if (filled) status.sources[key] = TStatusSource::Pjl;
}

// After `fresh` more bytes of the answer: counts the form feeds that end
// categories, and whether the end marker's answer came. Only the new bytes
// are looked at, so a printer that drips its answer costs no more.
void Progress(std::string_view answer, std::size_t fresh, int& answered, std::size_t& marker, bool& ended)
{
    const std::string_view added = answer.substr(answer.size() - fresh);
    answered += static_cast<int>(std::count(added.begin(), added.end(), '\f'));
    if (marker == std::string_view::npos) {
        const std::size_t from = answer.size() - fresh - std::min(answer.size() - fresh, kEchoMarker.size());
        marker = answer.find(kEchoMarker, from);
    }
    ended = marker != std::string_view::npos && answer.find('\f', marker) != std::string_view::npos;
}

bool Failed(const std::string& where, std::string& error)
{
    const OsUtils::OSErrorInfo last = OsUtils::GetLastOSError();
    error = where + ": " + (last.text ? *last.text : OsUtils::SysErrorText(last.code));
    return false;
}

}  // namespace

void ParsePjlAnswer(std::string_view answer, TPrinterStatus& status)
{
    Reading reading;
    bool answered = false;
    std::size_t start = 0;
    while (start < answer.size()) {
        std::size_t end = answer.find('\f', start);
        if (end == std::string_view::npos) end = answer.size();
        std::string category;
        std::vector<std::string_view> values;
        if (SplitCategory(answer.substr(start, end - start), category, values)) {
            answered = true;
            const bool refused = !values.empty() && PjlText::Trim(values.front()) == "?";
            if (!refused) ReadCategory(category, values, status, reading);
        }
        start = end + 1;
    }
    if (!answered) return;
    AddLanguage("PJL", status);
    if (reading.languagesListed) status.takesPostScript = reading.postScriptListed;
    if (reading.installedMemory)
        status.memoryBytes = reading.installedMemory;
    else if (reading.freeMemory)
        status.memoryBytes = reading.freeMemory;
    Name(status, "make_and_model", status.makeAndModel.has_value());
    Name(status, "serial_number", status.serialNumber.has_value());
    Name(status, "firmware", status.firmware.has_value());
    Name(status, "page_count", status.pageCount.has_value());
    Name(status, "state", status.state.has_value());
    Name(status, "alerts", !status.alerts.empty());
    Name(status, "input_trays", !status.inputTrays.empty());
    Name(status, "languages", !status.languages.empty());
    Name(status, "takes_postscript", status.takesPostScript.has_value());
    Name(status, "memory_bytes", status.memoryBytes.has_value());
}

bool ReadPjlStatus(const std::string& host, int port, int timeoutMs, TPrinterStatus& status, std::string& error)
{
    const std::string where = host + ":" + std::to_string(port);
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    const auto left = [&deadline] {
        return static_cast<int>(std::max<long long>(
            0, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count()));
    };
    SocketHandle socket = kNoSocket;
    if (!SocketConnect(host, port, timeoutMs, socket)) return Failed(where, error);
    struct Closer {
        SocketHandle socket;
        ~Closer() { SocketClose(socket); }
    } closer{socket};

    // The request is sent whole first; the sending side then stays open, as
    // the closing UEL already ends the job for the printer.
    std::size_t sent = 0;
    while (sent < kRequest.size()) {
        std::size_t now = 0;
        if (!SocketSend(socket, kRequest.data() + sent, kRequest.size() - sent, now)) return Failed(where, error);
        sent += now;
        if (sent == kRequest.size()) break;
        bool readable = false;
        bool writable = false;
        if (!SocketPoll(socket, true, left(), readable, writable)) return Failed(where, error);
        if (!readable && !writable) {
            error = SysUtils::Format("%s: the printer took no request within %d ms", where.c_str(), timeoutMs);
            return false;
        }
    }

    std::string answer;
    bool closed = false;
    bool timedOut = false;
    int answered = 0;
    std::size_t marker = std::string_view::npos;
    bool ended = false;
    while (!closed && !ended && answered < kCategoryCount && answer.size() < kBackChannelMaxBytes) {
        const int wait = left();
        bool readable = false;
        bool writable = false;
        if (wait > 0 && !SocketPoll(socket, false, wait, readable, writable)) return Failed(where, error);
        if (!readable) {
            timedOut = true;
            break;
        }
        char buffer[4096];
        std::size_t received = 0;
        if (!SocketReceive(socket, buffer, std::min(sizeof buffer, kBackChannelMaxBytes - answer.size()), received,
                           closed))
            return Failed(where, error);
        answer.append(buffer, received);
        Progress(answer, received, answered, marker, ended);
    }
    // Any category answered, even "?", shows a printer that speaks PJL.
    TPrinterStatus read;
    ParsePjlAnswer(answer, read);
    if (!read.sources.empty()) {
        status = std::move(read);
        return true;
    }
    if (timedOut)
        error = SysUtils::Format("%s: no PJL answer within %d ms", where.c_str(), timeoutMs);
    else if (closed)
        error = where + ": the printer closed the connection without a PJL answer";
    else
        error = where + ": the printer answered no PJL INFO request";
    return false;
}

}  // namespace PrinterUtils
