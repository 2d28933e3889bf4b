// SPDX-License-Identifier: Apache-2.0
#include "Commands.h"

namespace Cli {

int RunReport(const TOptions&)
{
    throw SysUtils::Exception("this command is not built yet");
}

}  // namespace Cli
