#include "objects.h"

#include <unordered_map>

namespace lw::detail {
namespace {

struct Table {
  std::unordered_map<const void*, Object*> byAddress;
  std::unordered_map<DWORD, Object*> byHandle;
  DWORD nextHandle = 0x10;
};

Table& TheTable() {
  static Table table;
  return table;
}

}  // namespace

std::mutex& TableMutex() {
  static std::mutex mutex;
  return mutex;
}

DWORD Register(Object* object) {
  Table& t = TheTable();
  // Handles are never reused, so a stale handle can never name a newer object.
  do {
    ++t.nextHandle;
  } while (t.nextHandle == 0 || t.byHandle.count(t.nextHandle) != 0);
  object->handle = t.nextHandle;
  t.byAddress[object] = object;
  t.byHandle[object->handle] = object;
  return object->handle;
}

void Unregister(Object* object) {
  Table& t = TheTable();
  t.byAddress.erase(object);
  t.byHandle.erase(object->handle);
}

Object* Find(const void* address, Kind kind) {
  if (address == nullptr) return nullptr;
  Table& t = TheTable();
  auto it = t.byAddress.find(address);
  if (it == t.byAddress.end() || it->second->kind != kind) return nullptr;
  return it->second;
}

Object* FindHandle(DWORD handle, Kind kind) {
  if (handle == 0) return nullptr;
  Table& t = TheTable();
  auto it = t.byHandle.find(handle);
  if (it == t.byHandle.end() || it->second->kind != kind) return nullptr;
  return it->second;
}

}  // namespace lw::detail
