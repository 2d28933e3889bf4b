// SPDX-License-Identifier: Apache-2.0
// SysUtils: the exception hierarchy, argument assertions, printf-style
// formatting and the text-line list shared by every layer.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

namespace SysUtils {

// printf-style formatting into a std::string (no length limit).
std::string Format(const char* fmt, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Base of every exception the program raises; Message() is what the user reads.
class Exception : public std::exception {
public:
    explicit Exception(std::string message) : message_(std::move(message)) {}
    const std::string& Message() const noexcept { return message_; }
    const char* what() const noexcept override { return message_.c_str(); }
    // The class name shown by the last-resort error box.
    virtual const char* ClassName() const noexcept { return "Exception"; }

private:
    std::string message_;
};

// A failed operating-system or spooler call; Code() is the OS or IPP status code.
class EOSError : public Exception {
public:
    EOSError(std::string message, int code) : Exception(std::move(message)), code_(code) {}
    int Code() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EOSError"; }

private:
    int code_;
};

// A failed text-file create, write or close; Code() is the I/O code.
class EInOutError : public Exception {
public:
    EInOutError(std::string message, int code) : Exception(std::move(message)), code_(code) {}
    int Code() const noexcept { return code_; }
    const char* ClassName() const noexcept override { return "EInOutError"; }

private:
    int code_;
};

// A violated precondition: "%s (%s, line %d)".
class EAssertionFailed : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EAssertionFailed"; }
};

// A resource of the program's own executable that does not exist.
class EResNotFound : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EResNotFound"; }
};

// Silent exception: the error box shows nothing for it.
class EAbort : public Exception {
public:
    using Exception::Exception;
    const char* ClassName() const noexcept override { return "EAbort"; }
};

// Builds the assertion text: message (or "Assertion failed" when empty), the
// module's file name without folder or extension, and the line.
std::string AssertionText(std::string_view message, std::string_view sourceFile, int line);

[[noreturn]] void RaiseAssertion(std::string_view message, const char* sourceFile, int line);

// Raises EAssertionFailed naming this source file and line when cond is false.
#define SYS_ASSERT(cond, message)                                               \
    do {                                                                        \
        if (!(cond)) ::SysUtils::RaiseAssertion((message), __FILE__, __LINE__); \
    } while (0)

// An ordered list of 8-bit text lines.
class TStrings {
public:
    virtual ~TStrings() = default;

    int Count() const noexcept { return static_cast<int>(items_.size()); }
    const std::string& operator[](int index) const { return items_.at(static_cast<std::size_t>(index)); }
    const std::string& Strings(int index) const { return (*this)[index]; }

    void Add(std::string s) { items_.push_back(std::move(s)); }
    // index 0 puts the string first; index == Count() appends.
    void Insert(int index, std::string s);
    void Clear() noexcept { items_.clear(); }

    // Text form: every line followed by CR LF, the last one included.
    std::string Text() const;
    // Replaces the lines with the lines of text: stops at the first NUL and
    // ends a line at CR LF, a lone CR or a lone LF; a final line without a
    // break is a line, a final break adds no empty line.
    void SetText(std::string_view text);

    // Whole-string, ASCII case-insensitive search from the first item, as a
    // combo box searches its list; -1 when absent.
    int IndexOf(std::string_view s) const noexcept;

    const std::vector<std::string>& Lines() const noexcept { return items_; }

private:
    std::vector<std::string> items_;
};

class TStringList : public TStrings {};

}  // namespace SysUtils
