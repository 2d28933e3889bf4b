// SPDX-License-Identifier: Apache-2.0
#include "CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <utility>

namespace Cli {

namespace {

// The options that ask a printer (query and check); each wants a value.
constexpr const char* kQueryOptions[] = {"--protocols", "--community", "--snmp-version", "--snmp-user",
                                         "--snmp-auth", "--snmp-priv", "--snmp-secrets"};
// The other options that want a value.
constexpr const char* kValueOptions[] = {"--timeout", "--jobs", "--since", "--until", "--warning", "--critical"};

bool Asks(TCommand command)
{
    return command == TCommand::Query || command == TCommand::Check;
}

bool Takes(TCommand command, const std::string& option)
{
    if (option == "--json") return command != TCommand::Check;
    if (option == "--csv") return command == TCommand::Query || command == TCommand::Report;
    if (option == "--ndjson" || option == "--prometheus" || option == "--discover" || option == "--record" ||
        option == "--jobs")
        return command == TCommand::Query || (option == "--jobs" && command == TCommand::Print);
    if (option == "--timeout") return command == TCommand::Print || Asks(command);
    if (option == "--minimal" || option == "--wait" || option == "--all" || option == "--force")
        return command == TCommand::Print;
    if (option == "--since" || option == "--until") return command == TCommand::Report;
    if (option == "--warning" || option == "--critical") return command == TCommand::Check;
    for (const char* query : kQueryOptions)
        if (option == query) return Asks(command);
    return false;
}

bool WantsValue(const std::string& option)
{
    return std::find(std::begin(kQueryOptions), std::end(kQueryOptions), option) != std::end(kQueryOptions) ||
           std::find(std::begin(kValueOptions), std::end(kValueOptions), option) != std::end(kValueOptions);
}

void SetOutput(TOptions& options, TOutput output, const std::string& option)
{
    if (options.output != TOutput::Text && options.output != output)
        throw EUsage(SysUtils::Format("%s cannot go with another output format", option.c_str()));
    options.output = output;
}

// A comma-separated list of protocols, each known.
std::vector<std::string> Protocols(const std::string& text)
{
    std::vector<std::string> protocols;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string name = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (name != "postscript" && name != "pjl" && name != "ipp" && name != "snmp")
            throw EUsage(
                SysUtils::Format("--protocols wants postscript, pjl, ipp or snmp, separated by commas, not '%s'",
                                 text.c_str()));
        if (std::find(protocols.begin(), protocols.end(), name) == protocols.end()) protocols.push_back(name);
        if (comma == std::string::npos) return protocols;
        start = comma + 1;
    }
}

std::string OneOf(const std::string& option, const std::string& value, std::initializer_list<const char*> allowed)
{
    std::string list;
    for (const char* word : allowed) {
        if (value == word) return value;
        list += list.empty() ? word : std::string(", ") + word;
    }
    throw EUsage(SysUtils::Format("%s wants one of %s, not '%s'", option.c_str(), list.c_str(), value.c_str()));
}

// The secrets of the environment, then of the file, which wins.
void ReadSecrets(TSnmpOptions& snmp, const std::string& file)
{
    for (const auto& [variable, field] : {std::pair{"QUELLMARK_SNMP_COMMUNITY", &TSnmpOptions::community},
                                          std::pair{"QUELLMARK_SNMP_AUTH_PASSWORD", &TSnmpOptions::authPassword},
                                          std::pair{"QUELLMARK_SNMP_PRIV_PASSWORD", &TSnmpOptions::privPassword}}) {
        if (const char* value = std::getenv(variable)) snmp.*field = value;
    }
    if (file.empty()) return;
    std::ifstream in(file);
    if (!in) throw EUsage(SysUtils::Format("--snmp-secrets: cannot read '%s'", file.c_str()));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const std::string value = line.substr(eq + 1);
        if (key == "community")
            snmp.community = value;
        else if (key == "auth_password")
            snmp.authPassword = value;
        else if (key == "priv_password")
            snmp.privPassword = value;
        else
            throw EUsage(SysUtils::Format("--snmp-secrets: unknown key '%s' in '%s'", key.c_str(), file.c_str()));
    }
}

// A whole number from first to last, or EUsage naming the option.
int WholeNumber(const std::string& option, const std::string& text, int first, int last)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < first || value > last)
        throw EUsage(SysUtils::Format("%s wants a whole number from %d to %d, not '%s'", option.c_str(), first, last,
                                      text.c_str()));
    return static_cast<int>(value);
}

// Seconds, fractions allowed, above 0 and at most kMaxTimeoutSeconds.
int TimeoutMs(const std::string& text)
{
    errno = 0;
    char* end = nullptr;
    const double seconds = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || errno != 0 || !std::isfinite(seconds) || seconds <= 0 ||
        seconds > kMaxTimeoutSeconds)
        throw EUsage(SysUtils::Format("--timeout wants seconds above 0 and at most %d, not '%s'", kMaxTimeoutSeconds,
                                      text.c_str()));
    return std::max(1, static_cast<int>(std::lround(seconds * 1000)));
}

}  // namespace

std::int64_t ParseDate(const std::string& option, const std::string& text)
{
    std::tm tm{};
    int consumed = 0;
    const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &consumed);
    bool valid = fields == 3 && consumed == 10;
    if (valid && text.size() > 10) {
        int more = 0;
        const int timeFields =
            std::sscanf(text.c_str() + 10, "T%2d:%2d%n:%2d%n", &tm.tm_hour, &tm.tm_min, &more, &tm.tm_sec, &more);
        valid = timeFields >= 2 && 10 + static_cast<std::size_t>(more) == text.size();
    }
    const int month = tm.tm_mon, day = tm.tm_mday, hour = tm.tm_hour, minute = tm.tm_min, second = tm.tm_sec;
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    const std::time_t when = valid ? std::mktime(&tm) : std::time_t(-1);
    // mktime normalises 2026-02-30 into March: a date that moved was not a date.
    if (!valid || when == std::time_t(-1) || tm.tm_mon + 1 != month || tm.tm_mday != day || tm.tm_hour != hour ||
        tm.tm_min != minute || tm.tm_sec != second)
        throw EUsage(SysUtils::Format("%s wants a date as YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS], not '%s'",
                                      option.c_str(), text.c_str()));
    return static_cast<std::int64_t>(when);
}

TOptions ParseCommandLine(const std::vector<std::string>& args)
{
    TOptions options;
    if (args.empty()) throw EUsage("no command given");
    const std::string& command = args[0];
    if (command == "--help" || command == "-h" || command == "help") return options;
    if (command == "--version") {
        options.command = TCommand::Version;
        return options;
    }
    if (command == "list")
        options.command = TCommand::List;
    else if (command == "print")
        options.command = TCommand::Print;
    else if (command == "query")
        options.command = TCommand::Query;
    else if (command == "report")
        options.command = TCommand::Report;
    else if (command == "check")
        options.command = TCommand::Check;
    else
        throw EUsage(SysUtils::Format("unknown command '%s'", command.c_str()));

    bool operandsOnly = false;
    std::string secrets;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            options.printers.push_back(arg);
            continue;
        }
        if (arg == "--") {
            operandsOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            options.command = TCommand::Help;
            return options;
        }
        // --option=value and --option value
        std::string name = arg;
        std::string value;
        bool hasValue = false;
        if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        if (!Takes(options.command, name))
            throw EUsage(SysUtils::Format("%s does not take the option '%s'", command.c_str(), name.c_str()));
        // --record takes its file only as --record=FILE: the next argument
        // is a printer.
        const bool wantsValue = WantsValue(name);
        if (name == "--record") {
            options.record = value;
            if (hasValue && value.empty()) throw EUsage("--record= wants a file name");
            continue;
        }
        if (wantsValue && !hasValue) {
            if (i + 1 == args.size()) throw EUsage(SysUtils::Format("%s wants a value", name.c_str()));
            value = args[++i];
        } else if (!wantsValue && hasValue) {
            throw EUsage(SysUtils::Format("%s takes no value", name.c_str()));
        }
        if (name == "--json")
            SetOutput(options, TOutput::Json, name);
        else if (name == "--ndjson")
            SetOutput(options, TOutput::Ndjson, name);
        else if (name == "--csv")
            SetOutput(options, TOutput::Csv, name);
        else if (name == "--prometheus")
            SetOutput(options, TOutput::Prometheus, name);
        else if (name == "--force")
            options.force = true;
        else if (name == "--discover")
            options.discover = true;
        else if (name == "--since" || name == "--until")
            (name == "--since" ? options.since : options.until) = ParseDate(name, value);
        else if (name == "--warning")
            options.warning = value;
        else if (name == "--critical")
            options.critical = value;
        else if (name == "--minimal")
            options.minimal = true;
        else if (name == "--wait")
            options.wait = true;
        else if (name == "--all")
            options.all = true;
        else if (name == "--jobs")
            options.jobs = WholeNumber(name, value, 1, kMaxJobs), options.jobsGiven = true;
        else if (name == "--timeout")
            options.timeoutMs = TimeoutMs(value);
        else if (name == "--protocols")
            options.protocols = Protocols(value);
        else if (name == "--community")
            options.snmp.community = value;
        else if (name == "--snmp-version")
            options.snmp.version = OneOf(name, value, {"1", "2c", "3"});
        else if (name == "--snmp-user")
            options.snmp.user = value;
        else if (name == "--snmp-auth")
            options.snmp.authProtocol = OneOf(name, value, {"SHA", "MD5"});
        else if (name == "--snmp-priv")
            options.snmp.privProtocol = OneOf(name, value, {"AES", "DES"});
        else if (name == "--snmp-secrets")
            secrets = value;
    }
    if (Asks(options.command)) ReadSecrets(options.snmp, secrets);
    if (options.snmp.version == "3" && options.snmp.user.empty()) throw EUsage("--snmp-version 3 wants --snmp-user");

    if (options.command == TCommand::List && !options.printers.empty()) throw EUsage("list takes no printers");
    if (options.command == TCommand::Print && options.all && !options.printers.empty())
        throw EUsage("print takes either --all or printers, not both");
    if (options.command == TCommand::Print && !options.all && options.printers.empty())
        throw EUsage("print wants --all or at least one printer");
    if (options.command == TCommand::Query && options.printers.empty() && !options.discover)
        throw EUsage("query wants at least one printer address, an address range or --discover");
    if (options.command == TCommand::Report && options.printers.size() > 1)
        throw EUsage("report takes at most one history file");
    if (options.since && options.until && *options.until <= *options.since)
        throw EUsage("--until must come after --since");
    if (options.command == TCommand::Check && options.printers.size() != 1)
        throw EUsage("check wants exactly one printer");
    return options;
}

std::string HelpText()
{
    return "Usage: quellmark list [--json]\n"
           "       quellmark print [--minimal] [--force] [--wait] [--timeout SECONDS] [--jobs N] [--json]\n"
           "                       (--all | PRINTER|ADDRESS ...)\n"
           "       quellmark query [--protocols LIST] [--community NAME] [--snmp-version 1|2c|3]\n"
           "                       [--snmp-user NAME] [--snmp-auth SHA|MD5] [--snmp-priv AES|DES]\n"
           "                       [--snmp-secrets FILE] [--timeout SECONDS] [--jobs N] [--record[=FILE]]\n"
           "                       [--json|--ndjson|--csv|--prometheus] [--discover] [PRINTER|RANGE ...]\n"
           "       quellmark report [--since DATE] [--until DATE] [--csv|--json] [FILE]\n"
           "       quellmark check [--warning RANGE] [--critical RANGE] [--protocols LIST] [--community NAME]\n"
           "                       [--snmp-... as query] [--timeout SECONDS] PRINTER\n"
           "       quellmark --help | --version\n"
           "\n"
           "Prints PostScript printers' own status pages, or reads their status without paper.\n"
           "\n"
           "Commands:\n"
           "  list         the printers the window lists, with their kind and the default\n"
           "  print        one status page per printer, as one raw job named \"Corvane Status Page\"\n"
           "  query        a printer's status values read back from its answer, no sheet printed\n"
           "  report       pages printed and supplies used per printer, from the history query --record keeps\n"
           "  check        one printer as a monitoring plugin: exit 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN\n"
           "\n"
           "Options:\n"
           "  --all            print: every printer of the print server\n"
           "  --minimal        print: the one-line page instead of the full page\n"
           "  --force          print: send even to a printer known not to take PostScript\n"
           "  --wait           print: follow each job to its end (completed, aborted or canceled)\n"
           "  --timeout SECONDS  how long to wait for each printer's outcome or answer\n"
           "  --jobs N         printers served at a time (print: 8, query: 64 by default; at most 1024)\n"
           "  --json           machine-readable output (UTF-8 JSON)\n"
           "  --ndjson         query: one JSON object per line, as each printer finishes\n"
           "  --csv            query, report: comma-separated values (RFC 4180, CR LF) with a header line\n"
           "  --prometheus     query: the Prometheus text format, for node_exporter's textfile collector\n"
           "  --protocols LIST query, check: the protocols asked, of postscript,pjl,ipp,snmp\n"
           "  --community NAME query, check: the SNMP community (default public)\n"
           "  --snmp-version V query, check: 1, 2c (default) or 3; --snmp-user, --snmp-auth, --snmp-priv for 3\n"
           "  --snmp-secrets FILE  query, check: community=, auth_password=, priv_password= lines; also\n"
           "                   QUELLMARK_SNMP_COMMUNITY, QUELLMARK_SNMP_AUTH_PASSWORD, QUELLMARK_SNMP_PRIV_PASSWORD\n"
           "  --discover       query: also every printer found on the network (DNS-SD)\n"
           "  --record[=FILE]  query: keep each record in the history (an SQLite file)\n"
           "  --since DATE, --until DATE  report: the period, YYYY-MM-DD[THH:MM[:SS]] local time\n"
           "  --warning RANGE, --critical RANGE  check: each supply's level in percent (a waste box: its room\n"
           "                   left) as [@]START:END; the defaults @0:20 and @0:5 alert at or under 20%\n"
           "                   and 5%; --warning 20: warns under 20%\n"
           "\n"
           "A printer is a queue name or an address: socket://HOST[:PORT] (port 9100 when\n"
           "left out), ipp://HOST[:PORT]/PATH or ipps://HOST[:PORT]/PATH; query also takes\n"
           "snmp://[COMMUNITY@]HOST[:PORT], a bare host name or address, and address ranges\n"
           "as A.B.C.D/N (at most /16), asked over SNMP and IPP unless --protocols says\n"
           "otherwise. query never prints a sheet: PostScript and PJL go only to a printer\n"
           "that says it speaks them, or to a socket:// address they are asked for.\n"
           "\n"
           "Exit status: 0 when every printer succeeded, 1 when any failed, 2 on bad usage;\n"
           "check: 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN (bad usage included).\n";
}

}  // namespace Cli
