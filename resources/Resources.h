// SPDX-License-Identifier: Apache-2.0
// Lookup of the documents embedded in the executable, by resource name and type.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace Resources {

// A read-only view of one embedded resource. The bytes belong to the
// executable image; the stream only reads them.
class TResourceStream {
public:
    // Raises SysUtils::EResNotFound "Resource <name> not found" when the
    // executable holds no resource of that name and type.
    TResourceStream(std::string_view name, std::string_view type);

    const char* Data() const noexcept { return data_; }
    std::size_t Size() const noexcept { return size_; }
    std::string_view Bytes() const noexcept { return {data_, size_}; }

    // Sequential read from the current position; returns the bytes copied.
    std::size_t Read(void* buffer, std::size_t count) noexcept;

private:
    const char* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t position_ = 0;
};

}  // namespace Resources
