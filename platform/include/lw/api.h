// Visibility of the platform library's interface and the plain integer types its
// records use (32-bit values, as the host's ABI has them).
#pragma once
#include <cstdint>

#define LW_API __attribute__((visibility("default")))

namespace lw {
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using HRESULT = std::int32_t;
}  // namespace lw
