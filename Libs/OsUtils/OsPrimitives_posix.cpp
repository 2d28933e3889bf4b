// SPDX-License-Identifier: Apache-2.0
// POSIX primitives: $TMPDIR, a monotonic millisecond clock, exclusive
// creation that never follows a symbolic link, and errno as the last error.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "OsPrimitives.h"

namespace OsUtils {

namespace {

class PosixOsPrimitives final : public OsPrimitives {
public:
    std::string TempPath() override
    {
        // TMPDIR when it is set and fits the 260-character buffer, else /tmp/.
        const char* env = std::getenv("TMPDIR");
        std::string dir = (env && *env) ? env : "/tmp";
        if (dir.back() != '/') dir += '/';
        if (dir.size() > 259) dir = "/tmp/";
        return dir;
    }

    std::uint32_t TickCount() override
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        const auto ms = static_cast<unsigned long long>(ts.tv_sec) * 1000ull +
                        static_cast<unsigned long long>(ts.tv_nsec) / 1000000ull;
        return static_cast<std::uint32_t>(ms);
    }

    CreateOutcome CreateNewFile(const std::string& path, FileIdentity& identity) override
    {
        // O_EXCL fails on any existing entry, a symbolic link included, so a
        // link planted at the name is skipped and never written through.
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0) {
            const int err = errno;
            SetLastOSError(err);
            if (err == EEXIST) return CreateOutcome::Exists;
            if (err == EACCES) return CreateOutcome::AccessDenied;
            return CreateOutcome::Failed;
        }
        struct stat st {};
        if (::fstat(fd, &st) == 0)
            identity = FileIdentity{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
        ::close(fd);
        return CreateOutcome::Created;
    }

    bool IsDirectory(const std::string& path) override
    {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
};

}  // namespace

OsPrimitives& SystemOsPrimitives()
{
    static PosixOsPrimitives primitives;
    return primitives;
}

std::optional<std::string> PlatformErrorText(int code)
{
    // strerrordesc_np answers NULL for a code the system has no text for,
    // where strerror would invent "Unknown error N".
    const char* text = ::strerrordesc_np(code);
    if (!text) return std::nullopt;
    return std::string(text);
}

IoErrorKind ClassifyIoError(int code)
{
    switch (code) {
    case ENOENT: return IoErrorKind::FileNotFound;
    case ENAMETOOLONG: return IoErrorKind::InvalidFilename;
    case EMFILE:
    case ENFILE: return IoErrorKind::TooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS: return IoErrorKind::AccessDenied;
    default: return IoErrorKind::Other;
    }
}

std::string ExecutablePath()
{
    char buffer[256];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return std::string();
    return std::string(buffer, static_cast<std::size_t>(n));
}

}  // namespace OsUtils
