// SPDX-License-Identifier: Apache-2.0
#include "TextFile.h"

#include "Messages.h"
#include "SysUtils.h"

namespace AppCore {

namespace {

constexpr int kDiskFull = 101;

[[noreturn]] void RaiseInOutError(int code)
{
    throw SysUtils::EInOutError(Messages::InOutErrorText(code), code);
}

// The open file; closes it, ignoring the outcome, when an error leaves early.
class OpenTextFile {
public:
    OpenTextFile(OsUtils::FilePrimitives& files, const std::string& path, const OsUtils::FileIdentity* expected)
        : files_(files)
    {
        int error = 0;
        handle_ = files_.OpenForWrite(path, error);
        if (handle_ == OsUtils::kInvalidFileHandle) RaiseInOutError(error);
        // Checked before truncating, so a swapped-in file is never changed.
        if (expected) {
            OsUtils::FileIdentity opened;
            if (!files_.Identify(handle_, opened, error)) RaiseInOutError(error);
            if (opened != *expected) RaiseInOutError(OsUtils::kFileReplacedError);
        }
        if (!files_.Truncate(handle_, error)) RaiseInOutError(error);
    }
    OpenTextFile(const OpenTextFile&) = delete;
    OpenTextFile& operator=(const OpenTextFile&) = delete;
    ~OpenTextFile()
    {
        if (handle_ == OsUtils::kInvalidFileHandle) return;
        int ignored = 0;
        files_.Close(handle_, ignored);
    }

    // Sends the buffered bytes to disk; the I/O code of a failure, else 0.
    int Flush()
    {
        if (used_ == 0) return 0;
        int error = 0;
        const long long written = files_.Write(handle_, buffer_, used_, error);
        if (written < 0) return error;
        if (static_cast<std::size_t>(written) != used_) return kDiskFull;
        used_ = 0;
        return 0;
    }

    // Buffers text, flushing each time the buffer fills; the first failure's code, else 0.
    int Write(std::string_view text)
    {
        for (const char c : text) {
            buffer_[used_++] = c;
            if (used_ == sizeof buffer_) {
                if (const int error = Flush()) return error;
            }
        }
        return 0;
    }

    // Flushes the rest and closes; the handle is gone afterwards either way.
    int Close()
    {
        const int flushError = Flush();
        int closeError = 0;
        const bool closed = files_.Close(handle_, closeError);
        handle_ = OsUtils::kInvalidFileHandle;
        if (flushError) return flushError;
        return closed ? 0 : closeError;
    }

private:
    OsUtils::FilePrimitives& files_;
    OsUtils::FileHandle handle_ = OsUtils::kInvalidFileHandle;
    char buffer_[kTextFileBufferSize] = {};
    std::size_t used_ = 0;
};

}  // namespace

void WriteTextFile(OsUtils::FilePrimitives& files, const std::string& path, std::string_view text,
                   const OsUtils::FileIdentity* expected)
{
    OpenTextFile file(files, path, expected);
    if (const int error = file.Write(text)) RaiseInOutError(error);
    if (const int error = file.Close()) RaiseInOutError(error);
}

void WriteTextFile(const std::string& path, std::string_view text, const OsUtils::FileIdentity* expected)
{
    WriteTextFile(OsUtils::SystemFilePrimitives(), path, text, expected);
}

}  // namespace AppCore
