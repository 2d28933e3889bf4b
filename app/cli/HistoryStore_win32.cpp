// SPDX-License-Identifier: Apache-2.0
// The Windows build has no SQLite (the cross toolchain ships none), so it
// keeps no history: every use of it says so instead of failing later.
#include "HistoryStore.h"
#include "SysUtils.h"

namespace Cli {

namespace {

constexpr const char* kNoHistory = "this build keeps no history: it was built without SQLite (query --record and "
                                   "report need the Linux build)";

}  // namespace

struct THistory::TImpl {};

std::string DefaultHistoryFile()
{
    throw SysUtils::Exception(kNoHistory);
}

THistory::THistory(const std::string&, TMode)
{
    throw SysUtils::Exception(kNoHistory);
}

THistory::~THistory() = default;

const std::string& THistory::File() const noexcept
{
    static const std::string none;
    return none;
}

void THistory::Add(const TReading&, const std::string&)
{
    throw SysUtils::Exception(kNoHistory);
}

std::vector<TReading> THistory::Answered(std::int64_t, std::int64_t) const
{
    throw SysUtils::Exception(kNoHistory);
}

}  // namespace Cli
