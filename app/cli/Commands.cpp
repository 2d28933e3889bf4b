// SPDX-License-Identifier: Apache-2.0
#include "Commands.h"

#include "Console.h"
#include "Output.h"

namespace Cli {

int RunCommandLine(const std::vector<std::string>& args)
{
    PrepareConsole();
    TOptions options;
    try {
        options = ParseCommandLine(args);
    } catch (const EUsage& e) {
        Write(stderr, "quellmark: " + PlainText(e.Message()) + "\nTry 'quellmark --help'.\n");
        return kExitUsage;
    }
    try {
        switch (options.command) {
        case TCommand::Help: Write(stdout, HelpText()); return kExitOk;
        case TCommand::Version: Write(stdout, "quellmark " QUELLMARK_VERSION "\n"); return kExitOk;
        case TCommand::List: return RunList(options);
        case TCommand::Print: return RunPrint(options);
        case TCommand::Query: return RunQuery(options);
        }
    } catch (const std::exception& e) {
        std::fflush(stdout);
        Write(stderr, "quellmark: " + PlainText(e.what()) + "\n");
    }
    return kExitFailed;
}

}  // namespace Cli
