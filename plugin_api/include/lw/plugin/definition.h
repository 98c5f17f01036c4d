// LW_DEFINE_PLUGIN: what a plug-in folder's source writes to make one deliverable: its
// identity row, the hooks of its effect, and the resources a host reads from the file
// (the thumbnail and the module name, each in an ELF section of its own).
#pragma once
#include <array>

#include "lw/plugin/entry_points.h"
#include "lw/plugin/thumbnail.h"

namespace lw::plugin {

constexpr std::array<char, kNameCapacity> NameArray(std::string_view name) {
  std::array<char, kNameCapacity> out{};
  for (std::size_t i = 0; i < name.size() && i + 1 < kNameCapacity; ++i) out[i] = name[i];
  return out;
}

constexpr const PluginIdentity& RequireIdentity(std::string_view deliverable) {
  const int i = IdentityIndex(deliverable);
  if (i < 0) throw "unknown deliverable";  // a compile-time error
  return kPluginIdentities[static_cast<std::size_t>(i)];
}

}  // namespace lw::plugin

#define LW_DEFINE_PLUGIN(deliverable, hooks, thumbnailLabel)                                   \
  namespace lw::plugin {                                                                      \
  namespace {                                                                                 \
  constexpr const PluginIdentity& kIdentity = RequireIdentity(deliverable);                   \
  constexpr std::array<char, kNameCapacity> kName = NameArray(kIdentity.name);                \
  }                                                                                           \
  const PluginDefinition& ThisPlugin() {                                                      \
    static const PluginDefinition definition{&kIdentity, kName.data(), &(hooks)};             \
    return definition;                                                                        \
  }                                                                                           \
  }                                                                                           \
  [[gnu::used, gnu::section(".lw_resources")]] static constinit const ::lw::plugin::ResourceRecord      \
      lwThumbnailResource = ::lw::plugin::MakeThumbnailRecord(                                \
          thumbnailLabel,                                                                     \
          ::lw::plugin::RequireIdentity(deliverable).type ==                                  \
              ::lw::plugin::PluginType::Composition);                                         \
  [[gnu::used, gnu::section(".lw_module")]] static const char lwModuleName[] = "LUMAWEAVE_PLUGIN.dll"
