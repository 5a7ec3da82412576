#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace Json {
class Value;
}

// Value types of the settings store.
enum : int { REG_TYPE_STRING = 1, REG_TYPE_DWORD = 4 };

// The client's persistent settings: named 32-bit numbers and texts kept in
// "settings.json" in the configuration folder. One helper object is made on the stack
// for every single read or write. Reads never create the file; a read that fails leaves
// the caller's buffer unchanged so its preset default survives. Every write replaces
// the whole file atomically, so a crash never leaves it half written.
class CRegistry {
 public:
  CRegistry();
  virtual ~CRegistry();

  // Stores `size` bytes of `data` under `name`: REG_TYPE_DWORD takes a 4-byte int32,
  // REG_TYPE_STRING a narrow text (at most `size` bytes, ending at its first zero).
  // Returns 1 on success, 0 when the file cannot be written.
  int WriteValue(const char* name, int type, const void* data, size_t size);
  // Reads the value into `buffer`: 4 bytes for a number, a zero-terminated text for a
  // string (which must fit `size` with its terminator). Returns 1 on success, 0 when
  // the value is absent, of another type or does not fit.
  int ReadValue(const char* name, int type, void* buffer, size_t size);

  static int WriteInt(const char* name, int32_t value);
  static int ReadInt(const char* name, int32_t* value);
  static int WriteString(const char* name, const char* text);
  static int ReadString(const char* name, char* buffer, size_t size);

  // Full path of the settings file.
  static std::string FilePath();
};

// JSON documents that must survive crashes: each save replaces the file atomically and
// then refreshes a backup copy beside it ("<path>.bak"). A load reads the file; when it
// is present but cut off or malformed, the backup's (last good) content is used
// instead. A missing file is not an error (the caller keeps its defaults).
// LoadJsonDocument returns true with `out` set to an object when a good copy was read.
bool LoadJsonDocument(const std::string& path, Json::Value* out);
bool SaveJsonDocument(const std::string& path, const Json::Value& doc);
