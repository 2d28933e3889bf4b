// SPDX-License-Identifier: Apache-2.0
// A printer's IPP answer: the bytes decoded by libcups under the same cap
// on parsed pieces as the answer reader, then the record filled from what
// was decoded (a partial answer included); and the same bytes read as an
// IEEE 1284 device id.
#include <cups/ipp.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "IppSource.h"
#include "PrinterBounds.h"

namespace {

struct Cursor {
    const std::uint8_t* next;
    const std::uint8_t* end;
    std::size_t parts = 0;
};

ssize_t ReadBytes(void* context, ipp_uchar_t* buffer, size_t length)
{
    auto* cursor = static_cast<Cursor*>(context);
    if (++cursor->parts > PrinterUtils::kAnswerMaxParts) return -1;
    const size_t count = std::min(length, static_cast<size_t>(cursor->end - cursor->next));
    std::memcpy(buffer, cursor->next, count);
    cursor->next += count;
    return static_cast<ssize_t>(count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    PrinterUtils::ParseDeviceId(std::string_view(reinterpret_cast<const char*>(data), size));
    ipp_t* response = ippNew();
    Cursor cursor{data, data + size};
    ipp_state_t state = IPP_STATE_IDLE;
    do {
        state = ippReadIO(&cursor, ReadBytes, 1, nullptr, response);
    } while (state != IPP_STATE_DATA && state != IPP_STATE_ERROR);
    PrinterUtils::TPrinterStatus status;
    PrinterUtils::FillFromIppAttributes(response, status);
    ippDelete(response);
    return 0;
}
