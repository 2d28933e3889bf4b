// SPDX-License-Identifier: Apache-2.0
#include "Output.h"

#include <atomic>
#include <cerrno>

#include <nlohmann/json.hpp>

namespace Cli {

TJson JsonText(std::string_view text)
{
    return TJson(ToUtf8(text));
}

namespace {

void AppendLine(std::string& out, const TJson& value)
{
    if (value.is_object()) {
        out += '{';
        for (auto member = value.begin(); member != value.end(); ++member) {
            if (member != value.begin()) out += ", ";
            AppendLine(out, TJson(member.key()));
            out += ": ";
            AppendLine(out, member.value());
        }
        out += '}';
    } else if (value.is_array()) {
        out += '[';
        for (auto element = value.begin(); element != value.end(); ++element) {
            if (element != value.begin()) out += ", ";
            AppendLine(out, *element);
        }
        out += ']';
    } else {
        // Texts arrive as UTF-8 through JsonText; a byte that is not would
        // become U+FFFD rather than end the output halfway through an array.
        out += value.dump(-1, ' ', false, TJson::error_handler_t::replace);
    }
}

}  // namespace

std::string JsonLine(const TJson& value)
{
    std::string out;
    AppendLine(out, value);
    return out;
}

namespace {

// The first failure to write the standard output, as its errno.
std::atomic<int> firstOutputError{0};

}  // namespace

void Write(std::FILE* stream, std::string_view text)
{
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && stream == stdout) {
        int none = 0;
        firstOutputError.compare_exchange_strong(none, errno ? errno : EIO);
    }
}

int OutputError() noexcept
{
    return firstOutputError;
}

TJsonArrayWriter::TJsonArrayWriter()
{
    Write(stdout, "[");
}

void TJsonArrayWriter::Add(const TJson& element)
{
    Write(stdout, (count_++ == 0 ? "\n  " : ",\n  ") + JsonLine(element));
    std::fflush(stdout);
}

void TJsonArrayWriter::Finish()
{
    Write(stdout, count_ == 0 ? "]\n" : "\n]\n");
    std::fflush(stdout);
}

}  // namespace Cli
