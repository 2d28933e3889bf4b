// SPDX-License-Identifier: Apache-2.0
// POSIX file primitives: errno as the I/O code.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "FilePrimitives.h"

namespace OsUtils {

namespace {

class PosixFilePrimitives final : public FilePrimitives {
public:
    FileHandle OpenForWrite(const std::string& path, int& error) override
    {
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = errno;
            return kInvalidFileHandle;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        return fd;
    }

    bool Identify(FileHandle file, FileIdentity& identity, int& error) override
    {
        struct stat st {};
        if (::fstat(static_cast<int>(file), &st) != 0) {
            error = errno;
            return false;
        }
        identity = FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
        return true;
    }

    bool Truncate(FileHandle file, int& error) override
    {
        if (::ftruncate(static_cast<int>(file), 0) == 0) return true;
        error = errno;
        return false;
    }

    long long Write(FileHandle file, const char* data, std::size_t count, int& error) override
    {
        // write() may take fewer bytes than asked; keep going until the
        // system fails (its code is the I/O code, as with a full disk) or
        // takes nothing, which the caller reads as a full disk.
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(static_cast<int>(file), data + done, count - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                error = errno;
                return -1;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<long long>(done);
    }

    FileHandle OpenForRead(const std::string& path, int& error) override
    {
        const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = errno;
            return kInvalidFileHandle;
        }
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            error = st.st_mode == 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
            ::close(fd);
            return kInvalidFileHandle;
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
        return fd;
    }

    long long Read(FileHandle file, char* data, std::size_t count, int& error) override
    {
        // Fill the block unless the end comes first, so that what is read
        // in blocks is framed alike whatever the system hands over at once.
        std::size_t done = 0;
        while (done < count) {
            const ssize_t n = ::read(static_cast<int>(file), data + done, count - done);
            if (n < 0) {
                if (errno == EINTR) continue;
                error = errno;
                return -1;
            }
            if (n == 0) break;
            done += static_cast<std::size_t>(n);
        }
        return static_cast<long long>(done);
    }

    bool Close(FileHandle file, int& error) override
    {
        // The descriptor is released even when close() reports an error.
        if (::close(static_cast<int>(file)) == 0) return true;
        error = errno;
        return false;
    }

    bool Delete(const std::string& path) override { return ::unlink(path.c_str()) == 0; }
};

}  // namespace

FilePrimitives& SystemFilePrimitives()
{
    static PosixFilePrimitives primitives;
    return primitives;
}

}  // namespace OsUtils
