// SPDX-License-Identifier: Apache-2.0
#include "BackChannel.h"

#include <algorithm>

#include "PrinterBounds.h"

namespace PrinterUtils {

namespace {

// A PostScript printer's messages on its back channel.
constexpr const char* kMessageStart = "%%[";
constexpr const char* kMessageEnd = "]%%";
// A message longer than this is not one: it is dropped unread.
constexpr std::size_t kMaxMessageBytes = 1024;
// At most this much of the error messages is kept for the report.
constexpr std::size_t kMaxErrorBytes = 4096;

}  // namespace

void BackChannel::Append(const char* data, std::size_t size)
{
    if (kept_.size() < kBackChannelMaxBytes) kept_.append(data, std::min(size, kBackChannelMaxBytes - kept_.size()));
    for (std::size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (!inMessage_) {
            // Find "%%[" across reads: marker_ counts its characters seen so
            // far. Any run of '%' ends in "%%", so "%%%[" still opens one.
            if (c == '%')
                marker_ = std::min(marker_ + 1, 2);
            else
                marker_ = c == kMessageStart[marker_] ? marker_ + 1 : 0;
            if (marker_ == 3) {
                inMessage_ = true;
                marker_ = 0;
                message_ = kMessageStart;
            }
            continue;
        }
        message_ += c;
        if (message_.size() > kMaxMessageBytes) {
            inMessage_ = false;
            message_.clear();
            continue;
        }
        if (message_.size() < 6 || message_.compare(message_.size() - 3, 3, kMessageEnd) != 0) continue;
        inMessage_ = false;
        // "%%[ Error: ..." or "%%[ Flushing: ..." report a failed job;
        // others (status, PrinterError) are the printer talking.
        const std::size_t word = message_.find_first_not_of(' ', 3);
        if (word != std::string::npos &&
            (message_.compare(word, 6, "Error:") == 0 || message_.compare(word, 9, "Flushing:") == 0)) {
            // The messages together, blanks between them included, stay
            // within kMaxErrorBytes: once full, later ones are dropped.
            const std::size_t separator = errors_.empty() ? 0 : 1;
            if (errors_.size() + separator < kMaxErrorBytes) {
                if (separator) errors_ += ' ';
                errors_.append(message_, 0, kMaxErrorBytes - errors_.size());
            }
        }
        message_.clear();
    }
}

}  // namespace PrinterUtils
