// SPDX-License-Identifier: Apache-2.0
#include "Commands.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "Console.h"
#include "Output.h"

namespace Cli {

namespace {

// A command whose output did not reach its reader has failed, whatever it
// did otherwise: one line on the error stream says why.
int CheckOutput(int status)
{
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (flushed && !std::ferror(stdout)) return status;
    const int err = errno ? errno : OutputError();
    Write(stderr, std::string("quellmark: cannot write the output: ") + std::strerror(err ? err : EIO) + "\n");
    return kExitFailed;
}

// A failure that is no single printer's: one line, and the exit status.
// A monitoring system reads any exit status above 3 as an error of its own,
// so check says every such failure as UNKNOWN on its status line.
int Fail(bool check, bool usage, const std::string& message)
{
    std::fflush(stdout);
    if (check) {
        Write(stdout, "PRINTER UNKNOWN - " + PlainText(message) + "\n");
        return kExitCheckUnknown;
    }
    Write(stderr, "quellmark: " + PlainText(message) + (usage ? "\nTry 'quellmark --help'.\n" : "\n"));
    return usage ? kExitUsage : kExitFailed;
}

int Run(const std::vector<std::string>& args)
{
    PrepareConsole();
    const bool check = !args.empty() && args[0] == "check";
    try {
        const TOptions options = ParseCommandLine(args);
        switch (options.command) {
        case TCommand::Help: Write(stdout, HelpText()); return kExitOk;
        case TCommand::Version: Write(stdout, "quellmark " QUELLMARK_VERSION "\n"); return kExitOk;
        case TCommand::List: return RunList(options);
        case TCommand::Print: return RunPrint(options);
        case TCommand::Query: return RunQuery(options);
        case TCommand::Report: return RunReport(options);
        case TCommand::Check: return RunCheck(options);
        }
    } catch (const EUsage& e) {
        return Fail(check, true, e.Message());
    } catch (const std::exception& e) {
        return Fail(check, false, e.what());
    }
    return kExitFailed;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& args)
{
    return CheckOutput(Run(args));
}

}  // namespace Cli
