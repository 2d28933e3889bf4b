// SPDX-License-Identifier: Apache-2.0
#include "QuerySink.h"

namespace Cli {

std::unique_ptr<TQuerySink> NewHistorySink(const std::string&)
{
    throw SysUtils::Exception("the history is not built yet");
}

}  // namespace Cli
