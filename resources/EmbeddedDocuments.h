// SPDX-License-Identifier: Apache-2.0
// The table of embedded resources that DocumentAssembler generates at build
// time (EmbeddedDocuments.cpp in the build tree).
#pragma once

#include <cstddef>

namespace Resources::Embedded {

struct TEntry {
    const char* name;
    const char* type;
    const char* data;
    std::size_t size;
};

extern const TEntry kEntries[];
extern const std::size_t kEntryCount;

}  // namespace Resources::Embedded
