// SPDX-License-Identifier: Apache-2.0
// OsUtils: the temporary directory, unique temporary files, the last OS error
// of a failed call, and the checks that turn failures into EOSError.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace OsUtils {

// kFileReplacedError: the code a file opened by name reports when the name
// no longer leads to the file that was created under it.
#if defined(_WIN32)
inline constexpr char kPathDelim = '\\';
inline constexpr const char* kPathSeparators = "\\/";
inline constexpr int kFileReplacedError = 80;  // ERROR_FILE_EXISTS
#else
inline constexpr char kPathDelim = '/';
inline constexpr const char* kPathSeparators = "/";
inline constexpr int kFileReplacedError = 17;  // EEXIST
#endif

// Size of the caller's buffer for CreateUniqueFile: 259 characters and a NUL.
inline constexpr std::size_t kUniqueNameBufferSize = 261;
inline constexpr std::size_t kMaxUniqueNameLength = 259;

// The user's temporary directory with its trailing separator; "" when the OS
// has none.
std::string GetTempDirectory();

// The path unchanged when empty or already ending in a separator ('\' or
// '/'), else the path followed by the platform's separator.
std::string IncludeTrailingSlash(std::string_view path);

// Names one file on its file system: two names or handles of the same file
// give the same identity.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Creates a new, empty, closed file named <dir><prefix><counter in upper-case
// hex>.<ext> and writes the name (NUL-terminated, at most 259 characters) into
// buffer, which must hold kUniqueNameBufferSize bytes. Returns false when no
// file could be created, also when the 259-character cut reaches the
// counter and the name is taken (later counters would give the same name);
// never raises for OS failures.
bool CreateUniqueFile(std::string_view dir, std::string_view prefix, std::string_view ext, char* buffer);

// The same with a buffer of its own; name receives the last name tried, also
// after a failure. identity, when given, receives the created file's.
bool CreateUniqueFileName(std::string_view dir, std::string_view prefix, std::string_view ext, std::string& name,
                          FileIdentity* identity = nullptr);

// Returns ok; when false, raises EOSError "<context>: Error code <n>: <text>"
// from the last OS error.
bool CheckOSBool(bool ok, std::string_view context);

// Returns value; when 0, raises EOSError as CheckOSBool does.
long long CheckOSInt(long long value, std::string_view context);

// The system's message text for an OS error code, trimmed of leading and
// trailing characters up to the blank; "FormatMessage() failed!" when the
// system has no text for it.
std::string SysErrorText(int code);

// The last error of a failed OS or spooler call on this thread. Platform
// primitives record it right after the failure, before any other call; text
// is the error's own message when it carries one (a spooler status, say),
// otherwise the system's text for the code is looked up when it is shown.
struct OSErrorInfo {
    int code = 0;
    std::optional<std::string> text;
};
void SetLastOSError(int code, std::optional<std::string> text = std::nullopt);
OSErrorInfo GetLastOSError();

// Raises the last OS error as EOSError "System Error.  Code: %d.\r\n%s", or
// "A call to an OS function failed" when the code is 0.
[[noreturn]] void RaiseLastOSError();
// The text RaiseLastOSError raises for that error.
std::string SystemErrorMessage(const OSErrorInfo& error);

// What kind of failure an OS error code of a file operation stands for; the
// text-file layer chooses its messages by kind. ReadBeyondEnd, DiskFull and
// InvalidNumericInput are the text-file layer's own conditions: on Windows,
// whose codes share one number space with that layer's (100, 101, 106), a
// system code of that number reads as the layer's; elsewhere no system code does.
enum class IoErrorKind {
    FileNotFound,
    InvalidFilename,
    TooManyOpenFiles,
    AccessDenied,
    ReadBeyondEnd,
    DiskFull,
    InvalidNumericInput,
    Other
};
IoErrorKind ClassifyIoError(int code);

// While registered, the file at path is removed when a signal ends the
// process (SIGINT, SIGTERM, SIGHUP, SIGPIPE; on Windows the console's
// Ctrl+C, Ctrl+Break and close), which then ends as the signal asks.
// Signals the process ignores stay ignored. Safe from several threads.
void RemoveOnTermination(const std::string& path);
// Ends that registration: the file is the caller's again.
void KeepOnTermination(const std::string& path);

// Full path of the running executable, at most 255 characters; "" when unknown.
std::string ExecutablePath();

}  // namespace OsUtils
