// A process-wide registry of the current user's keys, as the host and the plug-ins
// share it: keys by path (case-insensitive, backslash-separated), values as bytes.
#pragma once
#include <cstddef>

#include "lw/api.h"

namespace lw {

using HKEY = DWORD;  // an open key; 0 is never one

constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_INVALID_PARAMETER = 87;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr LONG ERROR_ACCESS_DENIED = 5;

constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// Opens the key under the current user's root, creating it (and its parents) when it
// does not exist; *disposition tells which happened.
LW_API LONG RegCreateKeyEx(const char* subKey, HKEY* out, DWORD* disposition);
// Reads a value into data, whose capacity is *size bytes; *size receives the value's
// size. A buffer too small gives ERROR_MORE_DATA and leaves data untouched.
LW_API LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, void* data,
                            DWORD* size);
LW_API LONG RegCloseKey(HKEY key);

// Host side: set, delete, inspect, reset.
LW_API LONG RegSetValueEx(const char* subKey, const char* name, DWORD type, const void* data,
                          DWORD size);
LW_API LONG RegSetDword(const char* subKey, const char* name, DWORD value);
LW_API LONG RegDeleteValue(const char* subKey, const char* name);
LW_API LONG RegDeleteKey(const char* subKey);  // the key and every key below it
LW_API bool RegKeyExists(const char* subKey);
LW_API std::size_t RegValueCount(const char* subKey);
LW_API std::size_t RegOpenKeyCount();
LW_API void RegReset();  // every key and open handle gone

}  // namespace lw
