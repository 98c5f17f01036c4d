// Pixel formats and rendering contexts on memory device contexts, with Mesa's
// surfaceless EGL platform underneath: each context draws into a framebuffer object of
// its bitmap's size, and releasing it reads the picture back into the bitmap.
#define GL_GLEXT_PROTOTYPES 1
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstring>
#include <vector>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <mutex>
#include <thread>

#include "gdi_objects.h"
#include "lw/faults.h"
#include "lw/glcontext.h"

namespace lw {

struct GLContext : detail::Object {
  GLContext() : Object(detail::Kind::GLContext) {}
  EGLContext egl = EGL_NO_CONTEXT;
  GLuint framebuffer = 0, colour = 0, depth = 0;
  LONG width = 0, height = 0;
  int depthBits = 0;
  int pixelFormat = 0;
  bool current = false;
  std::thread::id thread;  // where it is current
};

namespace {

using detail::Kind;
using detail::TableMutex;

constexpr int kOnlyPixelFormat = 1;
std::size_t gGLContextsLive = 0;

// The one EGL display of the process, initialised on first use and kept: terminating
// it would pull the ground from under every other plug-in's context.
EGLDisplay TheDisplay() {
  static EGLDisplay display = [] {
    auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
        eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (getPlatformDisplay == nullptr) return EGL_NO_DISPLAY;
    EGLDisplay d = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (d == EGL_NO_DISPLAY) return EGL_NO_DISPLAY;
    EGLint major = 0, minor = 0;
    if (!eglInitialize(d, &major, &minor)) return EGL_NO_DISPLAY;
    return d;
  }();
  return display;
}

// What a thread had current, to be put back afterwards.
struct ThreadBinding {
  EGLenum api = EGL_OPENGL_ES_API;
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLSurface draw = EGL_NO_SURFACE, read = EGL_NO_SURFACE;
  EGLContext context = EGL_NO_CONTEXT;

  static ThreadBinding Capture() {
    ThreadBinding b;
    b.api = eglQueryAPI();
    b.context = eglGetCurrentContext();
    if (b.context != EGL_NO_CONTEXT) {
      b.display = eglGetCurrentDisplay();
      b.draw = eglGetCurrentSurface(EGL_DRAW);
      b.read = eglGetCurrentSurface(EGL_READ);
    }
    return b;
  }
  // Call with the OpenGL API bound and our context current (or none).
  void Restore() const {
    eglMakeCurrent(TheDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    eglBindAPI(api);
    if (context != EGL_NO_CONTEXT) eglMakeCurrent(display, draw, read, context);
  }
};

// Per thread: which of our contexts is current, for which device context, and what
// the thread had before the first of them was made current.
struct ThreadState {
  GLContext* current = nullptr;
  DeviceContext* dc = nullptr;
  ThreadBinding before;
};
thread_local ThreadState tState;

bool BindOurs(EGLContext context) {
  return eglBindAPI(EGL_OPENGL_API) &&
         eglMakeCurrent(TheDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, context);
}

// Requires our context current. Colour RGBA8 and the depth buffer asked for, 32 bits
// falling back to 24 where refused.
bool MakeFramebuffer(GLContext* c, int depthBitsAsked) {
  glGenFramebuffers(1, &c->framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, c->framebuffer);
  glGenRenderbuffers(1, &c->colour);
  glBindRenderbuffer(GL_RENDERBUFFER, c->colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, c->width, c->height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, c->colour);
  if (depthBitsAsked > 0) {
    const struct {
      GLenum format;
      int bits;
    } depths[] = {{GL_DEPTH_COMPONENT32, 32}, {GL_DEPTH_COMPONENT24, 24}, {GL_DEPTH_COMPONENT16, 16}};
    for (const auto& d : depths) {
      if (d.bits > depthBitsAsked && d.bits != 24) continue;
      while (glGetError() != GL_NO_ERROR) {
      }
      glGenRenderbuffers(1, &c->depth);
      glBindRenderbuffer(GL_RENDERBUFFER, c->depth);
      glRenderbufferStorage(GL_RENDERBUFFER, d.format, c->width, c->height);
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, c->depth);
      if (glGetError() == GL_NO_ERROR &&
          glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE) {
        c->depthBits = d.bits;
        break;
      }
      glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
      glDeleteRenderbuffers(1, &c->depth);
      c->depth = 0;
    }
  }
  glBindRenderbuffer(GL_RENDERBUFFER, 0);
  if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) return false;
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  // Without a window the default viewport would be empty: the whole bitmap, as a
  // context on a memory device context has it.
  glViewport(0, 0, c->width, c->height);
  // A new renderbuffer's content is undefined, and every release reads it back into the
  // bitmap: start black (and at the far depth), as a fresh bitmap is, so a frame shown
  // before anything was drawn is black on every driver. The clear values are GL's
  // defaults, so no state the plug-ins see changes.
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  return true;
}

// Red and blue trade places: RGBA bytes become the bitmap's blue, green, red, unused.
#if defined(__x86_64__)
__attribute__((target("avx2"))) std::size_t SwapRedAndBlueAvx2(std::uint32_t* p, std::size_t count) {
  const __m256i order = _mm256_setr_epi8(2, 1, 0, 3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15, 2, 1, 0,
                                         3, 6, 5, 4, 7, 10, 9, 8, 11, 14, 13, 12, 15);
  std::size_t i = 0;
  for (; i + 8 <= count; i += 8) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p + i), _mm256_shuffle_epi8(v, order));
  }
  return i;
}
#endif

void SwapRedAndBlue(std::uint32_t* p, std::size_t count) {
  std::size_t i = 0;
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  if (avx2) i = SwapRedAndBlueAvx2(p, count);
#endif
  for (; i < count; ++i)
    p[i] = (p[i] & 0xFF00FF00u) | ((p[i] >> 16) & 0xFF) | ((p[i] & 0xFF) << 16);
}

// Requires TableMutex and `c` current. Reads the framebuffer into the bitmap selected
// into `dc`, rows bottom-up as both keep them. The pixels are read as RGBA, which the
// driver copies as it stores them (reading BGRA directly costs ten times as much), and
// then put in the bitmap's order; depths below 32 bits keep the top bits of each
// channel, as every conversion of the layer does.
void ReadBack(GLContext* c, DeviceContext* dc) {
  if (detail::Live<DeviceContext>(dc, Kind::DeviceContext) == nullptr || dc->bitmap == nullptr) return;
  Bitmap* b = dc->bitmap;
  const LONG width = std::min(b->width, c->width), height = std::min(b->height, c->height);
  const bool whole = b->bitCount == 32 && width == b->width;
  glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glPixelStorei(GL_PACK_SKIP_ROWS, 0);
  glPixelStorei(GL_PACK_SKIP_PIXELS, 0);
  glBindFramebuffer(GL_FRAMEBUFFER, c->framebuffer);
  std::vector<std::uint8_t> scratch;
  std::uint8_t* rgba = b->bits.get();
  if (!whole) {
    scratch.resize(static_cast<std::size_t>(width) * height * 4);
    rgba = scratch.data();
  }
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  glPopClientAttrib();
  if (whole) {
    SwapRedAndBlue(reinterpret_cast<std::uint32_t*>(rgba), static_cast<std::size_t>(width) * height);
    return;
  }
  for (LONG y = 0; y < height; ++y) {
    const std::uint8_t* in = rgba + static_cast<std::size_t>(y) * width * 4;
    std::uint8_t* out = b->bits.get() + static_cast<std::size_t>(y) * b->stride;
    for (LONG x = 0; x < width; ++x, in += 4) {
      const unsigned red = in[0], green = in[1], blue = in[2];
      if (b->bitCount == 32 || b->bitCount == 24) {
        const int bytes = b->bitCount / 8;
        out[x * bytes] = static_cast<std::uint8_t>(blue);
        out[x * bytes + 1] = static_cast<std::uint8_t>(green);
        out[x * bytes + 2] = static_cast<std::uint8_t>(red);
      } else if (b->bitCount == 16) {
        const std::uint16_t p = Pack16(red, green, blue, b->layout16);
        std::memcpy(out + x * 2, &p, 2);
      } else {
        out[x] = static_cast<std::uint8_t>((red & 0xE0) | ((green & 0xE0) >> 3) | (blue >> 6));
      }
    }
  }
}

// Requires TableMutex: drops this thread's current context of ours, reading it back.
void ReleaseCurrent(bool readBack) {
  GLContext* c = tState.current;
  if (c == nullptr) return;
  if (readBack) ReadBack(c, tState.dc);
  c->current = false;
  tState.current = nullptr;
  tState.dc = nullptr;
  tState.before.Restore();
}

}  // namespace

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DeviceContext>(dc, Kind::DeviceContext);
  if (d == nullptr || d->type != DeviceContext::Type::Memory || pfd == nullptr) return 0;
  if (pfd->nSize != sizeof(PIXELFORMATDESCRIPTOR) || pfd->nVersion != 1) return 0;
  const DWORD needed = PFD_DRAW_TO_BITMAP | PFD_SUPPORT_OPENGL;
  if ((pfd->dwFlags & needed) != needed || (pfd->dwFlags & (PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW)))
    return 0;
  if (pfd->iPixelType != PFD_TYPE_RGBA) return 0;
  if (TakeFault(Fault::ChoosePixelFormat)) return 0;
  return kOnlyPixelFormat;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR* pfd) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DeviceContext>(dc, Kind::DeviceContext);
  if (d == nullptr || d->type != DeviceContext::Type::Memory || format != kOnlyPixelFormat ||
      d->pixelFormat != 0)
    return FALSE;
  if (TakeFault(Fault::SetPixelFormat)) return FALSE;
  d->pixelFormat = format;
  d->depthBitsAsked = pfd != nullptr ? pfd->cDepthBits : 32;
  return TRUE;
}

HGLRC CreateGLContext(HDC dc) {
  std::lock_guard lock(TableMutex());
  auto* d = detail::Live<DeviceContext>(dc, Kind::DeviceContext);
  if (d == nullptr || d->type != DeviceContext::Type::Memory || d->pixelFormat == 0 ||
      d->bitmap == nullptr)
    return nullptr;
  if (TakeFault(Fault::CreateContext)) return nullptr;
  EGLDisplay display = TheDisplay();
  if (display == EGL_NO_DISPLAY) return nullptr;

  const ThreadBinding before = ThreadBinding::Capture();
  if (!eglBindAPI(EGL_OPENGL_API)) return nullptr;
  // Drawing goes to a framebuffer object, so no config is needed where the display
  // allows that (Mesa's surfaceless platform may offer no config at all).
  EGLConfig config = EGL_NO_CONFIG_KHR;
  EGLint configs = 0;
  const EGLint configAttribs[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
  if (!eglChooseConfig(display, configAttribs, &config, 1, &configs) || configs < 1)
    config = EGL_NO_CONFIG_KHR;
  const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                   EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  EGLContext egl = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
  if (egl == EGL_NO_CONTEXT) {
    before.Restore();
    return nullptr;
  }
  auto* c = new GLContext;
  c->egl = egl;
  c->width = d->bitmap->width;
  c->height = d->bitmap->height;
  c->pixelFormat = d->pixelFormat;
  const bool made = eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, egl) &&
                    MakeFramebuffer(c, d->depthBitsAsked);
  before.Restore();
  if (!made) {
    eglDestroyContext(display, egl);
    delete c;
    return nullptr;
  }
  detail::Register(c);
  ++gGLContextsLive;
  return c;
}

BOOL MakeCurrent(HDC dc, HGLRC context) {
  std::lock_guard lock(TableMutex());
  if (dc == nullptr && context == nullptr) {
    ReleaseCurrent(true);
    return TRUE;
  }
  auto* d = detail::Live<DeviceContext>(dc, Kind::DeviceContext);
  auto* c = detail::Live<GLContext>(context, Kind::GLContext);
  if (d == nullptr || c == nullptr || d->type != DeviceContext::Type::Memory ||
      d->pixelFormat != c->pixelFormat || d->bitmap == nullptr || d->bitmap->width != c->width ||
      d->bitmap->height != c->height)
    return FALSE;
  if (c->current && c->thread != std::this_thread::get_id()) return FALSE;
  if (tState.current == c) {
    tState.dc = d;
    return TRUE;
  }
  if (tState.current != nullptr) {
    // Switching between two of ours: the first is released into its bitmap, and what
    // the thread had before either stays the binding to return to.
    ReadBack(tState.current, tState.dc);
    tState.current->current = false;
  } else {
    tState.before = ThreadBinding::Capture();
  }
  if (!BindOurs(c->egl)) {
    tState.current = nullptr;
    tState.dc = nullptr;
    tState.before.Restore();
    return FALSE;
  }
  glBindFramebuffer(GL_FRAMEBUFFER, c->framebuffer);
  c->current = true;
  c->thread = std::this_thread::get_id();
  tState.current = c;
  tState.dc = d;
  return TRUE;
}

BOOL DeleteGLContext(HGLRC context) {
  std::lock_guard lock(TableMutex());
  auto* c = detail::Live<GLContext>(context, Kind::GLContext);
  if (c == nullptr) return FALSE;
  if (c->current) {
    if (c->thread != std::this_thread::get_id()) return FALSE;
    ReleaseCurrent(false);
  }
  // The framebuffer and its buffers belong to the context and go with it.
  eglDestroyContext(TheDisplay(), c->egl);
  detail::Unregister(c);
  --gGLContextsLive;
  delete c;
  return TRUE;
}

int GLContextDepthBits(HGLRC context) {
  std::lock_guard lock(TableMutex());
  auto* c = detail::Live<GLContext>(context, Kind::GLContext);
  return c != nullptr ? c->depthBits : 0;
}

std::size_t LiveGLContextCount() {
  std::lock_guard lock(TableMutex());
  return gGLContextsLive;
}

}  // namespace lw
