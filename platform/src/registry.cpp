#include "lw/registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "lw/faults.h"

namespace lw {
namespace {

struct Value {
  DWORD type = REG_BINARY;
  std::vector<unsigned char> bytes;
};

struct Key {
  std::map<std::string, Value> values;  // by lower-case name
};

struct Registry {
  std::mutex mutex;
  std::map<std::string, Key> keys;         // by normalised path
  std::map<HKEY, std::string> openKeys;    // handle -> normalised path
  HKEY nextHandle = 0x100;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::string Lower(const char* text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

// Lower case, single backslashes, none at either end; empty for an invalid path.
std::string NormalisePath(const char* path) {
  std::string out;
  for (char c : Lower(path)) {
    if (c == '/') c = '\\';
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

// Requires the mutex. Creates the key and its parents; true when it was new.
bool EnsureKey(Registry& r, const std::string& path) {
  bool created = false;
  for (std::size_t pos = 0; pos != std::string::npos;) {
    pos = path.find('\\', pos + 1);
    std::string prefix = path.substr(0, pos);
    created = r.keys.try_emplace(prefix).second;
  }
  return created;
}

}  // namespace

LONG RegCreateKeyEx(const char* subKey, HKEY* out, DWORD* disposition) {
  if (subKey == nullptr || out == nullptr) return ERROR_INVALID_PARAMETER;
  std::string path = NormalisePath(subKey);
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  if (TakeFault(Fault::RegistryOpen)) return ERROR_ACCESS_DENIED;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  bool created = EnsureKey(r, path);
  HKEY handle = ++r.nextHandle;
  if (handle == 0) handle = ++r.nextHandle;
  r.openKeys[handle] = path;
  *out = handle;
  if (disposition != nullptr) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, void* data, DWORD* size) {
  if (name == nullptr) return ERROR_INVALID_PARAMETER;
  if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto open = r.openKeys.find(key);
  if (open == r.openKeys.end()) return ERROR_INVALID_HANDLE;
  if (TakeFault(Fault::RegistryRead)) return ERROR_ACCESS_DENIED;
  auto k = r.keys.find(open->second);
  if (k == r.keys.end()) return ERROR_FILE_NOT_FOUND;  // deleted while open
  auto v = k->second.values.find(Lower(name));
  if (v == k->second.values.end()) return ERROR_FILE_NOT_FOUND;
  const auto stored = static_cast<DWORD>(v->second.bytes.size());
  if (type != nullptr) *type = v->second.type;
  if (data == nullptr) {
    if (size != nullptr) *size = stored;
    return ERROR_SUCCESS;
  }
  if (*size < stored) {
    *size = stored;
    return ERROR_MORE_DATA;
  }
  if (stored != 0) std::memcpy(data, v->second.bytes.data(), stored);
  *size = stored;
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.openKeys.erase(key) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegSetValueEx(const char* subKey, const char* name, DWORD type, const void* data,
                   DWORD size) {
  if (subKey == nullptr || name == nullptr || (data == nullptr && size != 0))
    return ERROR_INVALID_PARAMETER;
  std::string path = NormalisePath(subKey);
  if (path.empty()) return ERROR_INVALID_PARAMETER;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  EnsureKey(r, path);
  Value& v = r.keys[path].values[Lower(name)];
  v.type = type;
  const auto* bytes = static_cast<const unsigned char*>(data);
  v.bytes.assign(bytes, bytes + size);
  return ERROR_SUCCESS;
}

LONG RegSetDword(const char* subKey, const char* name, DWORD value) {
  return RegSetValueEx(subKey, name, REG_DWORD, &value, sizeof value);
}

LONG RegDeleteValue(const char* subKey, const char* name) {
  if (subKey == nullptr || name == nullptr) return ERROR_INVALID_PARAMETER;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto k = r.keys.find(NormalisePath(subKey));
  if (k == r.keys.end()) return ERROR_FILE_NOT_FOUND;
  return k->second.values.erase(Lower(name)) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}

LONG RegDeleteKey(const char* subKey) {
  if (subKey == nullptr) return ERROR_INVALID_PARAMETER;
  std::string path = NormalisePath(subKey);
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  if (r.keys.erase(path) == 0) return ERROR_FILE_NOT_FOUND;
  const std::string below = path + "\\";
  for (auto it = r.keys.lower_bound(below); it != r.keys.end() && it->first.starts_with(below);)
    it = r.keys.erase(it);
  return ERROR_SUCCESS;
}

bool RegKeyExists(const char* subKey) {
  if (subKey == nullptr) return false;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.keys.count(NormalisePath(subKey)) != 0;
}

std::size_t RegValueCount(const char* subKey) {
  if (subKey == nullptr) return 0;
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto k = r.keys.find(NormalisePath(subKey));
  return k == r.keys.end() ? 0 : k->second.values.size();
}

std::size_t RegOpenKeyCount() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.openKeys.size();
}

void RegReset() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.keys.clear();
  r.openKeys.clear();
}

}  // namespace lw
