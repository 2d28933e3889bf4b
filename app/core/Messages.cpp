// SPDX-License-Identifier: Apache-2.0
#include "Messages.h"

#include "OsUtils.h"
#include "SysUtils.h"

namespace Messages {

std::string ApplicationTitleFromPath(std::string_view executablePath)
{
    std::string_view path = executablePath.substr(0, 255);
    const auto slash = path.find_last_of(OsUtils::kPathSeparators);
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find('.');
    if (dot != std::string_view::npos) name = name.substr(0, dot);
    std::string title(name);
    for (std::size_t i = 1; i < title.size(); ++i)
        if (title[i] >= 'A' && title[i] <= 'Z') title[i] = static_cast<char>(title[i] - 'A' + 'a');
    return title;
}

const std::string& ApplicationTitle()
{
    static const std::string title = ApplicationTitleFromPath(OsUtils::ExecutablePath());
    return title;
}

std::string ApplyPeriodRule(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

std::string NotPostScriptText(std::string_view printer, std::string_view languages)
{
    return std::string(printer) + " does not take PostScript (it takes: " + std::string(languages) +
           "). Sent anyway, the page would print as text or not at all.";
}

std::string NotPostScriptQuestion(std::string_view printer, std::string_view languages)
{
    return NotPostScriptText(printer, languages) + " Send anyway?";
}

namespace {

std::string IoKindText(OsUtils::IoErrorKind kind, int code)
{
    switch (kind) {
    case OsUtils::IoErrorKind::FileNotFound: return "File not found";
    case OsUtils::IoErrorKind::InvalidFilename: return "Invalid filename";
    case OsUtils::IoErrorKind::TooManyOpenFiles: return "Too many open files";
    case OsUtils::IoErrorKind::AccessDenied: return "File access denied";
    case OsUtils::IoErrorKind::ReadBeyondEnd: return "Read beyond end of file";
    case OsUtils::IoErrorKind::DiskFull: return "Disk full";
    case OsUtils::IoErrorKind::InvalidNumericInput: return "Invalid numeric input";
    case OsUtils::IoErrorKind::Other: break;
    }
    return SysUtils::Format("I/O error %d", code);
}

}  // namespace

std::string InOutErrorText(int osCode)
{
    return IoKindText(OsUtils::ClassifyIoError(osCode), osCode);
}

std::string TextFileErrorText(int code)
{
    switch (code) {
    case kIoReadBeyondEnd: return IoKindText(OsUtils::IoErrorKind::ReadBeyondEnd, code);
    case kIoDiskFull: return IoKindText(OsUtils::IoErrorKind::DiskFull, code);
    case kIoInvalidNumericInput: return IoKindText(OsUtils::IoErrorKind::InvalidNumericInput, code);
    default: return IoKindText(OsUtils::IoErrorKind::Other, code);
    }
}

std::string LastResortText(std::string_view className, std::string_view moduleName, const void* address,
                           std::string_view message)
{
    const bool needsPeriod = !message.empty() && message.back() != '.';
    return SysUtils::Format("Exception %.*s in module %.*s at %p.\r\n%.*s%s\r\n", static_cast<int>(className.size()),
                            className.data(), static_cast<int>(moduleName.size()), moduleName.data(), address,
                            static_cast<int>(message.size()), message.data(), needsPeriod ? "." : "");
}

}  // namespace Messages
