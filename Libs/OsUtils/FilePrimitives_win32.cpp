// SPDX-License-Identifier: Apache-2.0
// Windows file primitives: CreateFileA, WriteFile, CloseHandle and
// DeleteFileA, with GetLastError() as the I/O code.
#include <windows.h>

#include <algorithm>

#include "FilePrimitives.h"

namespace OsUtils {

namespace {

HANDLE AsHandle(FileHandle file) noexcept
{
    return reinterpret_cast<HANDLE>(file);
}

class Win32FilePrimitives final : public FilePrimitives {
public:
    FileHandle OpenForWrite(const std::string& path, int& error) override
    {
        const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = static_cast<int>(::GetLastError());
            return kInvalidFileHandle;
        }
        return reinterpret_cast<FileHandle>(file);
    }

    bool Identify(FileHandle file, FileIdentity& identity, int& error) override
    {
        BY_HANDLE_FILE_INFORMATION info{};
        if (!::GetFileInformationByHandle(AsHandle(file), &info)) {
            error = static_cast<int>(::GetLastError());
            return false;
        }
        identity = FileIdentity{info.dwVolumeSerialNumber,
                                (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
        return true;
    }

    bool Truncate(FileHandle file, int& error) override
    {
        LARGE_INTEGER start{};
        if (::SetFilePointerEx(AsHandle(file), start, nullptr, FILE_BEGIN) && ::SetEndOfFile(AsHandle(file)))
            return true;
        error = static_cast<int>(::GetLastError());
        return false;
    }

    long long Write(FileHandle file, const char* data, std::size_t count, int& error) override
    {
        // WriteFile may take fewer bytes than asked; keep going until it
        // fails (its code is the I/O code, as with a full disk) or takes
        // nothing, which the caller reads as a full disk.
        std::size_t done = 0;
        while (done < count) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 0x40000000));
            DWORD n = 0;
            if (!::WriteFile(AsHandle(file), data + done, chunk, &n, nullptr)) {
                error = static_cast<int>(::GetLastError());
                return -1;
            }
            if (n == 0) break;
            done += n;
        }
        return static_cast<long long>(done);
    }

    FileHandle OpenForRead(const std::string& path, int& error) override
    {
        const HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = static_cast<int>(::GetLastError());
            return kInvalidFileHandle;
        }
        return reinterpret_cast<FileHandle>(file);
    }

    long long Read(FileHandle file, char* data, std::size_t count, int& error) override
    {
        // Fills the buffer unless the file ends first.
        std::size_t done = 0;
        while (done < count) {
            DWORD step = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
            if (!::ReadFile(AsHandle(file), data + done, chunk, &step, nullptr)) {
                error = static_cast<int>(::GetLastError());
                return -1;
            }
            if (step == 0) break;
            done += step;
        }
        return static_cast<long long>(done);
    }

    bool Close(FileHandle file, int& error) override
    {
        if (::CloseHandle(AsHandle(file))) return true;
        error = static_cast<int>(::GetLastError());
        return false;
    }

    bool Delete(const std::string& path) override { return ::DeleteFileA(path.c_str()) != 0; }
};

}  // namespace

FilePrimitives& SystemFilePrimitives()
{
    static Win32FilePrimitives primitives;
    return primitives;
}

}  // namespace OsUtils
