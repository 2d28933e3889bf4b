// SPDX-License-Identifier: Apache-2.0
// FillFromSnmpValues with any values an agent could answer: OIDs under the
// tables it reads (so the input reaches the row logic), any type, any
// integer, any bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

#include "SnmpSource.h"

namespace {

const std::vector<unsigned long> kRoots[] = {
    {1, 3, 6, 1, 2, 1, 1, 1},         {1, 3, 6, 1, 2, 1, 1, 3},         {1, 3, 6, 1, 2, 1, 25, 2, 3, 1},
    {1, 3, 6, 1, 2, 1, 25, 3, 2, 1},  {1, 3, 6, 1, 2, 1, 25, 3, 5, 1},  {1, 3, 6, 1, 2, 1, 43, 5, 1, 1, 17},
    {1, 3, 6, 1, 2, 1, 43, 8, 2, 1},  {1, 3, 6, 1, 2, 1, 43, 9, 2, 1},  {1, 3, 6, 1, 2, 1, 43, 10, 2, 1},
    {1, 3, 6, 1, 2, 1, 43, 11, 1, 1}, {1, 3, 6, 1, 2, 1, 43, 12, 1, 1}, {1, 3, 6, 1, 2, 1, 43, 15, 1, 1},
    {1, 3, 6, 1, 2, 1, 43, 18, 1, 1},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider input(data, size);
    std::vector<PrinterUtils::TSnmpValue> values;
    while (input.remaining_bytes() > 0 && values.size() < 4000) {
        PrinterUtils::TSnmpValue value;
        value.oid = kRoots[input.ConsumeIntegralInRange<std::size_t>(0, std::size(kRoots) - 1)];
        for (int i = input.ConsumeIntegralInRange(0, 4); i > 0; --i)
            value.oid.push_back(input.ConsumeBool() ? input.ConsumeIntegralInRange<unsigned long>(0, 24)
                                                    : input.ConsumeIntegral<unsigned long>());
        value.type = static_cast<PrinterUtils::TSnmpType>(input.ConsumeIntegralInRange(0, 5));
        value.integer = input.ConsumeBool() ? input.ConsumeIntegralInRange<long long>(-3, 1200)
                                            : input.ConsumeIntegral<long long>();
        value.bytes = input.ConsumeRandomLengthString(2048);
        values.push_back(std::move(value));
    }
    PrinterUtils::TPrinterStatus status;
    PrinterUtils::FillFromSnmpValues(values, status);
    return 0;
}
