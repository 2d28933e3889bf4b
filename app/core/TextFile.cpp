// SPDX-License-Identifier: Apache-2.0
#include "TextFile.h"

#include "Messages.h"
#include "SysUtils.h"

namespace AppCore {

namespace {

// A failed step: its I/O code, and whether the code is the text-file layer's
// own rather than the OS error of a call.
struct IoFailure {
    int code = 0;
    bool own = false;
    explicit operator bool() const { return code != 0; }
};

IoFailure OsFailure(int code)
{
    return {code, false};
}

[[noreturn]] void RaiseInOutError(IoFailure failure)
{
    throw SysUtils::EInOutError(failure.own ? Messages::TextFileErrorText(failure.code)
                                            : Messages::InOutErrorText(failure.code),
                                failure.code);
}

// The open file; closes it, ignoring the outcome, when an error leaves early.
class OpenTextFile {
public:
    OpenTextFile(OsUtils::FilePrimitives& files, const std::string& path, const OsUtils::FileIdentity* expected)
        : files_(files)
    {
        int error = 0;
        handle_ = files_.OpenForWrite(path, error);
        if (handle_ == OsUtils::kInvalidFileHandle) RaiseInOutError(OsFailure(error));
        // Checked before truncating, so a swapped-in file is never changed.
        if (expected) {
            OsUtils::FileIdentity opened;
            if (!files_.Identify(handle_, opened, error)) RaiseInOutError(OsFailure(error));
            if (opened != *expected) RaiseInOutError(OsFailure(OsUtils::kFileReplacedError));
        }
        if (!files_.Truncate(handle_, error)) RaiseInOutError(OsFailure(error));
    }
    OpenTextFile(const OpenTextFile&) = delete;
    OpenTextFile& operator=(const OpenTextFile&) = delete;
    ~OpenTextFile()
    {
        if (handle_ == OsUtils::kInvalidFileHandle) return;
        int ignored = 0;
        files_.Close(handle_, ignored);
    }

    // Sends the buffered bytes to disk; a short write is the layer's "Disk full".
    IoFailure Flush()
    {
        if (used_ == 0) return {};
        int error = 0;
        const long long written = files_.Write(handle_, buffer_, used_, error);
        if (written < 0) return OsFailure(error);
        if (static_cast<std::size_t>(written) != used_) return {Messages::kIoDiskFull, true};
        used_ = 0;
        return {};
    }

    // Buffers text, flushing each time the buffer fills; stops at the first failure.
    IoFailure Write(std::string_view text)
    {
        for (const char c : text) {
            buffer_[used_++] = c;
            if (used_ == sizeof buffer_) {
                if (const IoFailure failure = Flush()) return failure;
            }
        }
        return {};
    }

    // Flushes the rest and closes; the handle is gone afterwards either way.
    IoFailure Close()
    {
        const IoFailure flushFailure = Flush();
        int closeError = 0;
        const bool closed = files_.Close(handle_, closeError);
        handle_ = OsUtils::kInvalidFileHandle;
        if (flushFailure) return flushFailure;
        return closed ? IoFailure{} : OsFailure(closeError);
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
    if (const IoFailure failure = file.Write(text)) RaiseInOutError(failure);
    if (const IoFailure failure = file.Close()) RaiseInOutError(failure);
}

void WriteTextFile(const std::string& path, std::string_view text, const OsUtils::FileIdentity* expected)
{
    WriteTextFile(OsUtils::SystemFilePrimitives(), path, text, expected);
}

}  // namespace AppCore
