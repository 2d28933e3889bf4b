// SPDX-License-Identifier: Apache-2.0
// One record from several sources: each value from the first source in its
// order that has it, and the record names that source.
#include <gtest/gtest.h>

#include "PrinterStatus.h"

using namespace PrinterUtils;

TEST(StatusMerge, EachValueFromTheFirstSourceInItsOrder)
{
    std::map<TStatusSource, TPrinterStatus> readings;
    for (TStatusSource source :
         {TStatusSource::PostScript, TStatusSource::Pjl, TStatusSource::Ipp, TStatusSource::Snmp}) {
        TPrinterStatus& r = readings[source];
        r.makeAndModel = SourceName(source);
        r.pageCount = static_cast<long long>(source);
        r.memoryBytes = static_cast<long long>(source);
        r.languages = {SourceName(source)};
    }
    // A source without a value gives way to the next one.
    readings[TStatusSource::Snmp].pageCount.reset();
    readings[TStatusSource::Ipp].firmware = "2.1";
    const TPrinterStatus merged = MergeStatus(readings);

    struct Expect {
        const char* key;
        TStatusSource source;
    };
    for (const Expect& e : {Expect{"make_and_model", TStatusSource::Ipp}, Expect{"page_count", TStatusSource::Pjl},
                            Expect{"memory_bytes", TStatusSource::PostScript}, Expect{"languages", TStatusSource::Snmp},
                            Expect{"firmware", TStatusSource::Ipp}}) {
        ASSERT_EQ(merged.sources.count(e.key), 1u) << e.key;
        EXPECT_EQ(merged.sources.at(e.key), e.source) << e.key;
    }
    EXPECT_EQ(merged.makeAndModel, "ipp");
    EXPECT_EQ(merged.pageCount, static_cast<long long>(TStatusSource::Pjl));
    EXPECT_EQ(merged.languages, std::vector<std::string>{"snmp"});
    // Keys no source filled name no source.
    EXPECT_EQ(merged.sources.count("serial_number"), 0u);
    EXPECT_FALSE(merged.serialNumber.has_value());
}
