// SPDX-License-Identifier: Apache-2.0
// The file calls the text-file writer, the Print action and the raw job's
// input files are written against. Each platform implements
// SystemFilePrimitives() in its own file. A call that fails sets error to
// the system's code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "OsUtils.h"

namespace OsUtils {

using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFileHandle = -1;

class FilePrimitives {
public:
    virtual ~FilePrimitives() = default;
    // Opens path for writing, creating it when missing but keeping its
    // contents, others may read; never through a symbolic link, never
    // waiting on a FIFO. kInvalidFileHandle with error set on failure.
    virtual FileHandle OpenForWrite(const std::string& path, int& error) = 0;
    // The identity of the open file; false with error set on failure.
    virtual bool Identify(FileHandle file, FileIdentity& identity, int& error) = 0;
    // Cuts the open file to nothing; false with error set on failure.
    virtual bool Truncate(FileHandle file, int& error) = 0;
    // Writes count bytes; the bytes written (fewer only when the system
    // stopped short), or -1 with error set.
    virtual long long Write(FileHandle file, const char* data, std::size_t count, int& error) = 0;
    // Opens an existing regular file for sequential reading; never through a
    // symbolic link, never waiting on a FIFO or a device.
    // kInvalidFileHandle with error set on failure.
    virtual FileHandle OpenForRead(const std::string& path, int& error) = 0;
    // Reads up to count bytes, fewer only at the end of the file (0 there);
    // -1 with error set.
    virtual long long Read(FileHandle file, char* data, std::size_t count, int& error) = 0;
    // Releases the handle, also when it fails; false with error set on failure.
    virtual bool Close(FileHandle file, int& error) = 0;
    // Removes the file; false when it could not be removed.
    virtual bool Delete(const std::string& path) = 0;
};

FilePrimitives& SystemFilePrimitives();

}  // namespace OsUtils
