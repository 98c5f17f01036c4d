// The identity of the fifteen plug-ins and the fixed codes of the entry points, as
// data: one row per deliverable, read by the entry-point frame, the contract tests and
// the host.
#pragma once
#include <array>
#include <cstdint>
#include <string_view>

namespace lw::plugin {

enum class PluginType : std::int32_t { Composition = 1, Effect = 2 };
enum class Family { Gl, Pixel };

// Capability codes the host interprets.
constexpr std::int32_t kGlCapability = 1;
constexpr std::int32_t kPixelCapability = 3;

// Codes that are the same in every plug-in.
constexpr std::int32_t kInterfaceVersion = 2;
constexpr std::int32_t kGenerateOutResult = 0;
constexpr std::int32_t kStreamOutPauseResult = 0;
constexpr std::int32_t kStreamOutStopResult = 0;
constexpr std::int32_t kOnKeyTrigeredResult = 1;
constexpr std::int32_t kOnKeyUntrigeredResult = 1;
constexpr std::int32_t kOnForcusResult = 1;
constexpr std::int32_t kOnUnforcusResult = 1;
constexpr std::int32_t kReleaseDllResult = 1;
// What an entry point that does no work for this plug-in returns.
constexpr std::int32_t kIdleCheckDllResult = 1;
constexpr std::int32_t kIdleCeateDllResult = 1;
constexpr std::int32_t kIdleFrameResult = 0;  // EffectOut / CompositionOut of the other type

// Names are handed out from a zero-filled array of this size; a size (length plus the
// terminating zero) of this or more is refused.
constexpr std::size_t kNameCapacity = 128;

struct PluginIdentity {
  std::string_view deliverable;
  std::string_view name;
  PluginType type;
  Family family;
  std::int32_t streamOutPlayResult;
};

constexpr std::int32_t CapabilityOf(Family f) {
  return f == Family::Gl ? kGlCapability : kPixelCapability;
}

inline constexpr std::array<PluginIdentity, 15> kPluginIdentities = {{
    {"gl_split_mulch_rotation", "GL Split Mulch Rotation Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_mulch_rotation", "GL Mulch Rotation Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_mulch_cylinder", "GL Mulch Cylinder Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_flat_resize", "GL Flat Resize Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_planes", "GL Planes Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_room", "GL Room Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_flat_rotation", "GL Flat Rotation Effect", PluginType::Effect, Family::Gl, 0},
    {"gl_flat_move", "GL Flat Move Effect", PluginType::Effect, Family::Gl, 0},
    {"feedback", "Feedback Effect", PluginType::Effect, Family::Pixel, 1},
    {"v_wrapped_slide", "V Wrapped Slide Effect", PluginType::Effect, Family::Pixel, 1},
    {"mosaic", "Mosaic Effect", PluginType::Effect, Family::Pixel, 0},
    {"h_wrapped_slide", "H Wrapped Slide Effect", PluginType::Effect, Family::Pixel, 1},
    {"interlaced_composition", "Interlaced Composition", PluginType::Composition, Family::Pixel, 0},
    {"v_slide", "V Slide Effect", PluginType::Effect, Family::Pixel, 0},
    {"h_slide", "H Slide Effect", PluginType::Effect, Family::Pixel, 0},
}};

// The index of a deliverable's row, or -1.
constexpr int IdentityIndex(std::string_view deliverable) {
  for (std::size_t i = 0; i < kPluginIdentities.size(); ++i)
    if (kPluginIdentities[i].deliverable == deliverable) return static_cast<int>(i);
  return -1;
}

// The row of a deliverable, or null.
inline const PluginIdentity* FindIdentity(std::string_view deliverable) {
  const int i = IdentityIndex(deliverable);
  return i < 0 ? nullptr : &kPluginIdentities[static_cast<std::size_t>(i)];
}

}  // namespace lw::plugin
