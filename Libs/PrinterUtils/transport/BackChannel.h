// SPDX-License-Identifier: Apache-2.0
// What a PostScript printer writes back on an AppSocket connection while it
// runs a job: its %stdout and its messages.
#pragma once

#include <cstddef>
#include <string>

namespace PrinterUtils {

// Collects a printer's back channel: keeps the first kBackChannelMaxBytes,
// drops the rest, and picks out the PostScript error messages
// ("%%[ Error: ... ]%%", "%%[ Flushing: ... ]%%") wherever they come, with
// memory that does not grow however much arrives.
class BackChannel {
public:
    void Append(const char* data, std::size_t size);
    const std::string& Kept() const noexcept { return kept_; }
    // The printer's error messages, one after the other; "" when none.
    const std::string& Errors() const noexcept { return errors_; }

private:
    std::string kept_;
    std::string message_;  // a "%%[ ... ]%%" message being read
    std::string errors_;
    int marker_ = 0;  // how much of "%%[" was just seen
    bool inMessage_ = false;
};

}  // namespace PrinterUtils
