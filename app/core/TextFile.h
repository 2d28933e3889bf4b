// SPDX-License-Identifier: Apache-2.0
// Writing a text file the way the Print action needs it.
#pragma once

#include <string>
#include <string_view>

#include "FilePrimitives.h"

namespace AppCore {

// Size of the text-file buffer: it goes to disk whenever it fills and at closing.
inline constexpr std::size_t kTextFileBufferSize = 128;

// Creates or truncates path (write access, others may read) and writes text
// byte for byte. With expected, path must still be that file (a name in a
// shared directory can be swapped for another file or a link): otherwise
// EInOutError with the OS code, before anything is changed. Raises
// EInOutError with the OS code after a failed open, write or close; 101
// ("Disk full") when the system wrote fewer bytes than asked. The file
// handle is released on every path.
void WriteTextFile(OsUtils::FilePrimitives& files, const std::string& path, std::string_view text,
                   const OsUtils::FileIdentity* expected = nullptr);
void WriteTextFile(const std::string& path, std::string_view text, const OsUtils::FileIdentity* expected = nullptr);

}  // namespace AppCore
