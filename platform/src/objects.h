// The table of live platform objects. Every object registers itself on creation and
// leaves on destruction; operations validate the pointers they are handed here first.
#pragma once
#include <mutex>

#include "lw/ddraw.h"

namespace lw::detail {

enum class Kind { DirectDraw, Surface, DeviceContext, Bitmap, GLContext };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  DWORD handle = 0;
  LONG refs = 1;
};

// One mutex guards the object table and every object's bookkeeping.
std::mutex& TableMutex();

// Both require TableMutex held.
DWORD Register(Object* object);
void Unregister(Object* object);
// The live object at this address, if it is of the given kind; else null.
Object* Find(const void* address, Kind kind);
Object* FindHandle(DWORD handle, Kind kind);

template <class T>
T* Live(const void* address, Kind kind) {
  return static_cast<T*>(Find(address, kind));
}

}  // namespace lw::detail
