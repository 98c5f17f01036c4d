// The live preview's keyboard: SDL's key positions as the set-1 keyboard scan codes the
// plug-ins take (the arrow keys up and down are 200 and 208).
#pragma once
#include <cstdint>

namespace lw::host {

// The scan code for an SDL_Scancode value; 0 for keys that have none.
std::uint32_t SetOneScanCode(int sdlScancode);

}  // namespace lw::host
