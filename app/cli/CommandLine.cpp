// SPDX-License-Identifier: Apache-2.0
#include "CommandLine.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace Cli {

namespace {

bool Takes(TCommand command, const std::string& option)
{
    if (option == "--json") return command != TCommand::Help && command != TCommand::Version;
    if (option == "--timeout" || option == "--jobs") return command == TCommand::Print || command == TCommand::Query;
    if (option == "--minimal" || option == "--wait" || option == "--all") return command == TCommand::Print;
    return false;
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
    else
        throw EUsage(SysUtils::Format("unknown command '%s'", command.c_str()));

    bool operandsOnly = false;
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
        const bool wantsValue = name == "--timeout" || name == "--jobs";
        if (wantsValue && !hasValue) {
            if (i + 1 == args.size()) throw EUsage(SysUtils::Format("%s wants a value", name.c_str()));
            value = args[++i];
        } else if (!wantsValue && hasValue) {
            throw EUsage(SysUtils::Format("%s takes no value", name.c_str()));
        }
        if (name == "--json")
            options.json = true;
        else if (name == "--minimal")
            options.minimal = true;
        else if (name == "--wait")
            options.wait = true;
        else if (name == "--all")
            options.all = true;
        else if (name == "--jobs")
            options.jobs = WholeNumber(name, value, 1, kMaxJobs);
        else if (name == "--timeout")
            options.timeoutMs = TimeoutMs(value);
    }

    if (options.command == TCommand::List && !options.printers.empty()) throw EUsage("list takes no printers");
    if (options.command == TCommand::Print && options.all && !options.printers.empty())
        throw EUsage("print takes either --all or printers, not both");
    if (options.command == TCommand::Print && !options.all && options.printers.empty())
        throw EUsage("print wants --all or at least one printer");
    if (options.command == TCommand::Query && options.printers.empty())
        throw EUsage("query wants at least one printer address");
    return options;
}

std::string HelpText()
{
    return "Usage: quellmark list [--json]\n"
           "       quellmark print [--minimal] [--wait] [--timeout SECONDS] [--jobs N] [--json]\n"
           "                       (--all | PRINTER|ADDRESS ...)\n"
           "       quellmark query [--json] [--timeout SECONDS] [--jobs N] ADDRESS ...\n"
           "       quellmark --help | --version\n"
           "\n"
           "Prints PostScript printers' own status pages, or reads their status without paper.\n"
           "\n"
           "Commands:\n"
           "  list         the printers the window lists, with their kind and the default\n"
           "  print        one status page per printer, as one raw job named \"Corvane Status Page\"\n"
           "  query        a printer's status values read back from its answer, no sheet printed\n"
           "\n"
           "Options:\n"
           "  --all            print: every printer of the print server\n"
           "  --minimal        print: the one-line page instead of the full page\n"
           "  --wait           print: follow each job to its end (completed, aborted or canceled)\n"
           "  --timeout SECONDS  how long to wait for each printer's outcome or answer\n"
           "  --jobs N         printers served at a time (default 8, at most 256)\n"
           "  --json           machine-readable output (UTF-8 JSON)\n"
           "\n"
           "A printer is a queue name or an address: socket://HOST[:PORT] (port 9100 when\n"
           "left out), ipp://HOST[:PORT]/PATH or ipps://HOST[:PORT]/PATH. query needs a\n"
           "socket:// address: only that connection carries the printer's answer back.\n"
           "\n"
           "Exit status: 0 when every printer succeeded, 1 when any failed, 2 on bad usage.\n";
}

}  // namespace Cli
