// Discovery of the host's DirectDraw objects through the registry, and the private
// surfaces a plug-in makes from them. All of it is library-wide state of the plug-in.
#pragma once
#include <cstdint>

#include "lw/ddraw.h"

namespace lw::plugin {

inline constexpr const char* kDDKey = "Software\\VELMORA\\lumaweave\\DD";
inline constexpr const char* kScreen2Key = "Software\\VELMORA\\lumaweave\\screen2";

// One 32-bit slot per registry value, zero at load; each keeps the last value read.
struct HostObjects {
  std::uint32_t CommandDD = 0;
  std::uint32_t CommandDD2 = 0;
  std::uint32_t ScreenDD = 0;
  std::uint32_t ScreenDD2 = 0;
  std::uint32_t CommandSurface = 0;
  std::uint32_t PartsSurface = 0;
  std::uint32_t WindowScreen = 0;
};

// Which registry values a plug-in needs: the pixel plug-ins only the DD key, the
// OpenGL plug-ins the screen2 key too.
enum class HostRole { Pixel, Gl };

HostObjects& TheHostObjects();

std::int32_t ReadHostObjects(HostRole role);
// The OpenGL plug-ins' CheckDll.
std::int32_t CheckHost();
// Picks the creating DirectDraw object (ScreenDD2, else CommandDD2) and creates the
// 320 by 240 WorkSurface from it; 0 when there is none or creation fails.
std::int32_t CreateWorkSurface(HostRole role);
// The 256 by 128 SmallSurface, from the object that made the WorkSurface.
std::int32_t CreateSmallSurface();
void ClearWorkSurface();
void PresentWorkSurface(Surface* host);
void ReleaseSurfaces();

Surface* WorkSurface();
Surface* SmallSurface();

constexpr std::uint32_t kWorkWidth = 320;
constexpr std::uint32_t kWorkHeight = 240;
constexpr std::uint32_t kSmallWidth = 256;
constexpr std::uint32_t kSmallHeight = 128;

}  // namespace lw::plugin
