// Offscreen OpenGL on a memory device context: the pixel format and the rendering
// context, in the manner of the host platform's WGL.
//
// A context is a compatibility-profile desktop GL context (Mesa, through EGL on the
// surfaceless platform: no window system, no GPU) that draws into a framebuffer object
// the size of the memory context's bitmap, with an RGBA8 colour buffer and a 32-bit
// depth buffer (24 where the driver refuses 32). Releasing the context reads the
// picture back into the bitmap, so the bitmap holds what was drawn as soon as the
// context is released.
#pragma once
#include "lw/gdi.h"

namespace lw {

struct GLContext;
using HGLRC = GLContext*;

constexpr DWORD PFD_DOUBLEBUFFER = 0x1;
constexpr DWORD PFD_DRAW_TO_WINDOW = 0x4;
constexpr DWORD PFD_DRAW_TO_BITMAP = 0x8;
constexpr DWORD PFD_SUPPORT_OPENGL = 0x20;
constexpr BYTE PFD_TYPE_RGBA = 0;
constexpr BYTE PFD_MAIN_PLANE = 0;

struct PIXELFORMATDESCRIPTOR {
  WORD nSize;
  WORD nVersion;
  DWORD dwFlags;
  BYTE iPixelType;
  BYTE cColorBits;
  BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
  BYTE cAlphaBits, cAlphaShift;
  BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
  BYTE cDepthBits;
  BYTE cStencilBits;
  BYTE cAuxBuffers;
  BYTE iLayerType;
  BYTE bReserved;
  DWORD dwLayerMask, dwVisibleMask, dwDamageMask;
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

// The one pixel format the layer offers: RGBA drawing to a memory context's bitmap
// with OpenGL, single-buffered. Returns its index (1), or 0 when the request or the
// context does not fit it.
LW_API int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
// Once per memory context.
LW_API BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd);

// A rendering context for a memory context whose pixel format is set and which holds
// a bitmap; its framebuffer has the bitmap's size. Null on failure.
LW_API HGLRC CreateGLContext(HDC dc);
// Makes `context` current on the calling thread, drawing for `dc` (a memory context
// with the context's pixel format and a bitmap of the framebuffer's size). With both
// null it releases: the picture is read back into the bitmap of the context that was
// current and the thread gets back the context it had current before.
LW_API BOOL MakeCurrent(HDC dc, HGLRC context);
// Fails while the context is current on another thread; current on this one, it is
// released first.
LW_API BOOL DeleteGLContext(HGLRC context);

// Bits of the depth buffer the context got (32, or 24 where 32 was refused); 0 for no
// context.
LW_API int GLContextDepthBits(HGLRC context);
LW_API std::size_t LiveGLContextCount();

}  // namespace lw
