#include <cstring>

#include "lw/plugin/entry_points.h"

namespace lw::plugin {

std::int32_t HandOutName(const char* name, const char** outName, std::uint32_t* outSize) {
  const auto size = static_cast<std::uint32_t>(std::strlen(name) + 1);
  if (outName != nullptr) *outName = name;
  if (outSize != nullptr) *outSize = size;
  return size < kNameCapacity ? 1 : 0;
}

}  // namespace lw::plugin
