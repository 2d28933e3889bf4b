// SPDX-License-Identifier: Apache-2.0
// Resource lookup in the executable's own resources (Documents.rc): the
// loader's FindResourceA, LoadResource, SizeofResource and LockResource.
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "Resources.h"
#include "SysUtils.h"

namespace Resources {

TResourceStream::TResourceStream(std::string_view name, std::string_view type)
{
    const std::string resourceName(name);
    const std::string resourceType(type);
    // The image's resources stay mapped for the life of the process, so the
    // locked bytes need no release.
    const HMODULE self = ::GetModuleHandleA(nullptr);
    const HRSRC found = ::FindResourceA(self, resourceName.c_str(), resourceType.c_str());
    const HGLOBAL loaded = found ? ::LoadResource(self, found) : nullptr;
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    if (!bytes) throw SysUtils::EResNotFound(SysUtils::Format("Resource %s not found", resourceName.c_str()));
    data_ = static_cast<const char*>(bytes);
    size_ = ::SizeofResource(self, found);
}

std::size_t TResourceStream::Read(void* buffer, std::size_t count) noexcept
{
    const std::size_t n = std::min(count, size_ - position_);
    if (n > 0) std::memcpy(buffer, data_ + position_, n);
    position_ += n;
    return n;
}

}  // namespace Resources
