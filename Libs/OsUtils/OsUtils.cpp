// SPDX-License-Identifier: Apache-2.0
#include "OsUtils.h"

#include <algorithm>
#include <cstring>

#include "OsPrimitives.h"
#include "SysUtils.h"

namespace OsUtils {

namespace {

// This thread's last error, as plain data: a thread_local object with a
// destructor crashes statically linked mingw-w64 programs when a thread
// other than the main one ends (seen under Wine), so the text lives in a
// fixed buffer, cut at its size.
struct LastError {
    int code;
    bool hasText;
    std::size_t length;
    char text[1024];
};
thread_local LastError lastError;

bool IsBlankOrControl(char c) noexcept
{
    return static_cast<unsigned char>(c) <= 32;
}

std::uint32_t NextCounter(std::uint32_t counter) noexcept
{
    return counter < 0xFFFFFFFEu ? counter + 1 : 0;
}

}  // namespace

void SetLastOSError(int code, std::optional<std::string> text)
{
    lastError.code = code;
    lastError.hasText = text.has_value();
    lastError.length = text ? std::min(text->size(), sizeof lastError.text) : 0;
    if (text) std::memcpy(lastError.text, text->data(), lastError.length);
}

OSErrorInfo GetLastOSError()
{
    OSErrorInfo error;
    error.code = lastError.code;
    if (lastError.hasText) error.text = std::string(lastError.text, lastError.length);
    return error;
}

std::string GetTempDirectory(OsPrimitives& os)
{
    return os.TempPath();
}

std::string GetTempDirectory()
{
    return GetTempDirectory(SystemOsPrimitives());
}

std::string IncludeTrailingSlash(std::string_view path)
{
    if (path.empty() || path.back() == '\\' || path.back() == '/') return std::string(path);
    std::string out(path);
    out += kPathDelim;
    return out;
}

bool CreateUniqueFile(OsPrimitives& os, std::string_view dir, std::string_view prefix, std::string_view ext,
                      char* buffer, FileIdentity* identity)
{
    const std::string folder = IncludeTrailingSlash(dir);
    std::uint32_t counter = os.TickCount();
    for (;;) {
        std::string candidate = SysUtils::Format("%s%.*s%X.%.*s", folder.c_str(), static_cast<int>(prefix.size()),
                                                 prefix.data(), counter, static_cast<int>(ext.size()), ext.data());
        // Where the cut reaches the counter's digits, the next counters give
        // the same names again: a taken name then ends the search.
        const std::size_t digitsEnd = candidate.size() - ext.size() - 1;
        const bool counterCut = kMaxUniqueNameLength < digitsEnd;
        if (candidate.size() > kMaxUniqueNameLength) candidate.resize(kMaxUniqueNameLength);
        std::memcpy(buffer, candidate.c_str(), candidate.size() + 1);

        FileIdentity made;
        const CreateOutcome outcome = os.CreateNewFile(candidate, made);
        counter = NextCounter(counter);
        switch (outcome) {
        case CreateOutcome::Created:
            if (identity) *identity = made;
            return true;
        case CreateOutcome::Exists:
            if (counterCut) return false;
            continue;
        case CreateOutcome::AccessDenied:
            // A directory of that name denies creation; any other denial is final.
            if (!counterCut && os.IsDirectory(candidate)) continue;
            return false;
        case CreateOutcome::Failed: return false;
        }
    }
}

bool CreateUniqueFile(std::string_view dir, std::string_view prefix, std::string_view ext, char* buffer)
{
    return CreateUniqueFile(SystemOsPrimitives(), dir, prefix, ext, buffer, nullptr);
}

bool CreateUniqueFileName(std::string_view dir, std::string_view prefix, std::string_view ext, std::string& name,
                          FileIdentity* identity)
{
    char buffer[kUniqueNameBufferSize] = {};
    const bool created = CreateUniqueFile(SystemOsPrimitives(), dir, prefix, ext, buffer, identity);
    name = buffer;
    return created;
}

namespace {

std::string TrimBlanks(std::string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlankOrControl(text[begin])) ++begin;
    while (end > begin && IsBlankOrControl(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}

constexpr const char* kNoSystemText = "FormatMessage() failed!";
constexpr std::size_t kSysErrorTextLimit = 511;

std::string CheckText(const OSErrorInfo& error)
{
    std::optional<std::string> raw = error.text ? error.text : PlatformErrorText(error.code);
    if (!raw || raw->empty()) return kNoSystemText;
    if (raw->size() > kSysErrorTextLimit) raw->resize(kSysErrorTextLimit);
    return TrimBlanks(*raw);
}

[[noreturn]] void RaiseCheckFailure(std::string_view context)
{
    // Take the error before anything else can overwrite it.
    const OSErrorInfo error = GetLastOSError();
    const std::string text = CheckText(error);
    throw SysUtils::EOSError(SysUtils::Format("%.*s: Error code %d: %s", static_cast<int>(context.size()),
                                              context.data(), error.code, text.c_str()),
                             error.code);
}

}  // namespace

std::string SysErrorText(int code)
{
    return CheckText(OSErrorInfo{code, std::nullopt});
}

bool CheckOSBool(bool ok, std::string_view context)
{
    if (!ok) RaiseCheckFailure(context);
    return ok;
}

long long CheckOSInt(long long value, std::string_view context)
{
    if (value == 0) RaiseCheckFailure(context);
    return value;
}

std::string SystemErrorMessage(const OSErrorInfo& error)
{
    if (error.code == 0) return "A call to an OS function failed";
    // The system text is read into a 256-byte buffer; blanks, control
    // characters and periods are stripped from its end only.
    std::string text = error.text ? *error.text : PlatformErrorText(error.code).value_or(std::string());
    if (text.size() > 255) text.resize(255);
    while (!text.empty() && (IsBlankOrControl(text.back()) || text.back() == '.')) text.pop_back();
    return SysUtils::Format("System Error.  Code: %d.\r\n%s", error.code, text.c_str());
}

void RaiseLastOSError()
{
    const OSErrorInfo error = GetLastOSError();
    throw SysUtils::EOSError(SystemErrorMessage(error), error.code);
}

}  // namespace OsUtils
