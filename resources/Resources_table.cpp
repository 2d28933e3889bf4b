// SPDX-License-Identifier: Apache-2.0
// Resource lookup in the table of documents that the build embeds.
#include "Resources.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "EmbeddedDocuments.h"
#include "SysUtils.h"

namespace Resources {

namespace {

// Resource names and types compare without regard to ASCII case, as the
// Windows resource loader compares them.
bool SameName(std::string_view a, const char* b)
{
    const std::size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (std::size_t i = 0; i < n; ++i) {
        auto upper = [](unsigned char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
        if (upper(static_cast<unsigned char>(a[i])) != upper(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

}  // namespace

TResourceStream::TResourceStream(std::string_view name, std::string_view type)
{
    for (std::size_t i = 0; i < Embedded::kEntryCount; ++i) {
        const Embedded::TEntry& entry = Embedded::kEntries[i];
        if (SameName(name, entry.name) && SameName(type, entry.type)) {
            data_ = entry.data;
            size_ = entry.size;
            return;
        }
    }
    throw SysUtils::EResNotFound(SysUtils::Format("Resource %s not found", std::string(name).c_str()));
}

std::size_t TResourceStream::Read(void* buffer, std::size_t count) noexcept
{
    const std::size_t n = std::min(count, size_ - position_);
    if (n > 0) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

}  // namespace Resources
