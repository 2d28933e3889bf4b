// SPDX-License-Identifier: Apache-2.0
#include <string>
#include <vector>

#include "Commands.h"

int main(int argc, char** argv)
{
    return Cli::RunCommandLine(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
}
