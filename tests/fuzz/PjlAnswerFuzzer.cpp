// SPDX-License-Identifier: Apache-2.0
// A printer's PJL answer, any bytes: the record stays bounded and every
// text in it is shown clean (valid UTF-8 without control characters).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "PjlSource.h"
#include "PjlText.h"

namespace {

// Well-formed UTF-8 (lead bytes and continuations) without C0, DEL or C1
// control characters.
void CheckText(const std::string& text)
{
    if (text.size() > PrinterUtils::PjlText::kMaxTextBytes) std::abort();
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        if (length == 0 || at + length > text.size() || lead > 0xF4) std::abort();
        for (std::size_t i = 1; i < length; ++i)
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) std::abort();
        if (lead < 0x20 || lead == 0x7F) std::abort();
        if (lead == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) std::abort();
        at += length;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    PrinterUtils::TPrinterStatus status;
    PrinterUtils::ParsePjlAnswer(answer, status);

    if (status.makeAndModel) CheckText(*status.makeAndModel);
    if (status.firmware) CheckText(*status.firmware);
    if (status.serialNumber) CheckText(*status.serialNumber);
    for (const std::string& alert : status.alerts) CheckText(alert);
    for (const std::string& language : status.languages) CheckText(language);
    for (const PrinterUtils::TTray& tray : status.inputTrays) CheckText(tray.name);
    if (status.alerts.size() > 64 || status.languages.size() > 64 || status.inputTrays.size() > 64) std::abort();
    if (status.pageCount && *status.pageCount < 0) std::abort();
    if (status.memoryBytes && *status.memoryBytes < 0) std::abort();
    // Whatever was read, the printer answered PJL and says so.
    if (!status.sources.empty() && status.languages.empty()) std::abort();
    return 0;
}
