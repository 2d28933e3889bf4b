// SPDX-License-Identifier: Apache-2.0
// The platform calls the portable OsUtils algorithms are written against.
// Each platform implements SystemOsPrimitives() in its own file; tests drive
// the algorithms with a recording fake.
#pragma once

#include <cstdint>
#include <string>

#include "OsUtils.h"

namespace OsUtils {

enum class CreateOutcome { Created, Exists, AccessDenied, Failed };

class OsPrimitives {
public:
    virtual ~OsPrimitives() = default;
    // The temporary directory as the OS reports it; "" when the call fails.
    virtual std::string TempPath() = 0;
    // Milliseconds from a monotonic clock, truncated to 32 bits.
    virtual std::uint32_t TickCount() = 0;
    // Creates path exclusively (never through a symbolic link) and closes it;
    // identity receives the new file's. On failure the outcome classifies the
    // error and the last OS error is set.
    virtual CreateOutcome CreateNewFile(const std::string& path, FileIdentity& identity) = 0;
    virtual bool IsDirectory(const std::string& path) = 0;
};

OsPrimitives& SystemOsPrimitives();

// The algorithms, parameterised by the primitives they run on.
std::string GetTempDirectory(OsPrimitives& os);
bool CreateUniqueFile(OsPrimitives& os, std::string_view dir, std::string_view prefix, std::string_view ext,
                      char* buffer, FileIdentity* identity = nullptr);

// Platform text for a code, untrimmed; nullopt when the system has none.
std::optional<std::string> PlatformErrorText(int code);

}  // namespace OsUtils
