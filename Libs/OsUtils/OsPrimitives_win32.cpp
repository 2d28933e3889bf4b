// SPDX-License-Identifier: Apache-2.0
// Windows primitives: GetTempPathA, GetTickCount, CreateFileA with CREATE_NEW,
// GetLastError as the last error and FormatMessageA for its text.
#include <windows.h>

#include <algorithm>

#include "FilePrimitives.h"
#include "OsPrimitives.h"

namespace OsUtils {

namespace {

class Win32OsPrimitives final : public OsPrimitives {
public:
    std::string TempPath() override
    {
        // Zero-filled, so that an answer longer than the buffer (which leaves
        // it unwritten) reads as the empty string.
        char buffer[MAX_PATH] = {};
        if (::GetTempPathA(MAX_PATH, buffer) == 0) return std::string();
        buffer[MAX_PATH - 1] = '\0';
        return std::string(buffer);
    }

    std::uint32_t TickCount() override { return static_cast<std::uint32_t>(::GetTickCount()); }

    CreateOutcome CreateNewFile(const std::string& path, FileIdentity& identity) override
    {
        const HANDLE file =
            ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            const DWORD err = ::GetLastError();
            SetLastOSError(static_cast<int>(err));
            if (err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS) return CreateOutcome::Exists;
            if (err == ERROR_ACCESS_DENIED) return CreateOutcome::AccessDenied;
            return CreateOutcome::Failed;
        }
        int ignored = 0;
        SystemFilePrimitives().Identify(reinterpret_cast<FileHandle>(file), identity, ignored);
        ::CloseHandle(file);
        return CreateOutcome::Created;
    }

    bool IsDirectory(const std::string& path) override
    {
        const DWORD attributes = ::GetFileAttributesA(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    }
};

}  // namespace

OsPrimitives& SystemOsPrimitives()
{
    static Win32OsPrimitives primitives;
    return primitives;
}

std::optional<std::string> PlatformErrorText(int code)
{
    char buffer[512];
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                          static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    if (length == 0) return std::nullopt;
    return std::string(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
}

IoErrorKind ClassifyIoError(int code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND: return IoErrorKind::FileNotFound;
    case ERROR_PATH_NOT_FOUND: return IoErrorKind::InvalidFilename;
    case ERROR_TOO_MANY_OPEN_FILES: return IoErrorKind::TooManyOpenFiles;
    case ERROR_ACCESS_DENIED: return IoErrorKind::AccessDenied;
    // The text-file layer's own codes share these numbers with the system's.
    case 100: return IoErrorKind::ReadBeyondEnd;
    case 101: return IoErrorKind::DiskFull;
    case 106: return IoErrorKind::InvalidNumericInput;
    default: return IoErrorKind::Other;
    }
}

std::string ExecutablePath()
{
    // A path longer than the buffer comes back cut; at most 255 characters count.
    char buffer[256];
    const DWORD length = ::GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (length == 0) return std::string();
    return std::string(buffer, std::min<std::size_t>(length, sizeof buffer - 1));
}

}  // namespace OsUtils
