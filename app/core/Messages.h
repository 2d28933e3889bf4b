// SPDX-License-Identifier: Apache-2.0
// The texts the user reads in the error box and the information dialog.
#pragma once

#include <string>
#include <string_view>

namespace Messages {

inline constexpr const char* kMinimalPageNotice =
    "The Minimal Status Page option is checked.\r\nOnly basic information will be displayed on the page.";
inline constexpr const char* kTempFileFailed = "Could not write temporary file to disk. Aborting operation.";
inline constexpr const char* kStatusPageSent = "Status Page successfully sent";
inline constexpr const char* kJobName = "Corvane Status Page";

// A printer known not to take PostScript (PostScriptCheck.h), named as in the
// printer box, with the languages it takes: the sentence the command line
// fails it with, and the window's question, which adds "Send anyway?".
std::string NotPostScriptText(std::string_view printer, std::string_view languages);
std::string NotPostScriptQuestion(std::string_view printer, std::string_view languages);
// The question's button that sends the page all the same.
inline constexpr const char* kSendAnyway = "&Send Anyway";

// Title from an executable path: at most its first 255 characters, the part
// after the last separator, cut at the first period, all but the first
// character lower-cased (ASCII).
std::string ApplicationTitleFromPath(std::string_view executablePath);

// The caption of both boxes, fixed from the running executable on first use.
const std::string& ApplicationTitle();

// The error box's text: one "." appended when the last byte, unsigned, is
// above '.'.
std::string ApplyPeriodRule(std::string_view message);

// The text-file layer's own I/O codes, for conditions no OS call reports.
inline constexpr int kIoReadBeyondEnd = 100;
inline constexpr int kIoDiskFull = 101;
inline constexpr int kIoInvalidNumericInput = 106;

// The text of an EInOutError for the OS error code of a failed create, write
// or close: the text of the code's kind, else "I/O error %d".
std::string InOutErrorText(int osCode);

// The text of an EInOutError for one of the text-file layer's own codes,
// else "I/O error %d".
std::string TextFileErrorText(int code);

// The last-resort box's text.
std::string LastResortText(std::string_view className, std::string_view moduleName, const void* address,
                           std::string_view message);

}  // namespace Messages
