#include "app/CRegistry.h"

#include <json/json.h>

#include <cstring>
#include <memory>
#include <mutex>

#include "framework/Log.h"
#include "framework/Paths.h"

namespace {
// Every read-modify-write of the settings file happens under this lock.
std::mutex g_settings_mutex;

bool ParseObject(const std::string& text, Json::Value* out) {
  Json::CharReaderBuilder builder;
  builder["collectComments"] = false;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value v;
  std::string errors;
  if (!reader->parse(text.data(), text.data() + text.size(), &v, &errors)) return false;
  if (!v.isObject()) return false;
  *out = std::move(v);
  return true;
}
// Login credentials are never kept in the settings: writes of these names are refused
// and a stored copy (left by an older version) is dropped by the next write.
constexpr const char* kSecretSettings[] = {"user_id", "user_pwd"};

bool IsSecretSetting(const char* name) {
  for (const char* secret : kSecretSettings) {
    if (std::strcmp(name, secret) == 0) return true;
  }
  return false;
}
}  // namespace

bool LoadJsonDocument(const std::string& path, Json::Value* out) {
  std::string text;
  if (!ReadWholeFile(path, &text)) return false;
  Json::Value v;
  if (ParseObject(text, &v)) {
    *out = std::move(v);
    return true;
  }
  Log(LOG_WARNING, "[WARNING]: LoadJsonDocument| %s is damaged, trying its backup", path.c_str());
  std::string backup;
  if (ReadWholeFile(path + ".bak", &backup) && ParseObject(backup, &v)) {
    *out = std::move(v);
    return true;
  }
  Log(LOG_WARNING, "[WARNING]: LoadJsonDocument| no good copy of %s, using defaults", path.c_str());
  return false;
}

bool SaveJsonDocument(const std::string& path, const Json::Value& doc) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = " ";
  builder["emitUTF8"] = true;
  const std::string text = Json::writeString(builder, doc) + "\n";
  if (!WriteFileAtomic(path, text)) {
    Log(LOG_WARNING, "[WARNING]: SaveJsonDocument| cannot write %s", path.c_str());
    return false;
  }
  if (!WriteFileAtomic(path + ".bak", text)) {
    Log(LOG_WARNING, "[WARNING]: SaveJsonDocument| cannot write the backup of %s", path.c_str());
  }
  return true;
}

CRegistry::CRegistry() = default;
CRegistry::~CRegistry() = default;

std::string CRegistry::FilePath() { return ConfigDir() + "/settings.json"; }

int CRegistry::WriteValue(const char* name, int type, const void* data, size_t size) {
  if (!name || !*name || (!data && size > 0)) return 0;
  if (IsSecretSetting(name)) {
    Log(LOG_WARNING, "[WARNING]: CRegistry::WriteValue| %s is not kept in the settings", name);
    return 0;
  }
  Json::Value value;
  if (type == REG_TYPE_DWORD) {
    if (size < 4) return 0;
    int32_t v;
    std::memcpy(&v, data, 4);
    value = Json::Value(v);
  } else if (type == REG_TYPE_STRING) {
    const char* text = static_cast<const char*>(data);
    size_t n = 0;
    while (n < size && text[n]) ++n;
    value = Json::Value(std::string(text, n));
  } else {
    return 0;
  }
  std::lock_guard<std::mutex> lock(g_settings_mutex);
  const std::string path = FilePath();
  Json::Value doc(Json::objectValue);
  // A damaged file with no good backup is replaced: its values are unreadable anyway.
  LoadJsonDocument(path, &doc);
  for (const char* secret : kSecretSettings) doc.removeMember(secret);
  doc[name] = value;
  return SaveJsonDocument(path, doc) ? 1 : 0;
}

int CRegistry::ReadValue(const char* name, int type, void* buffer, size_t size) {
  if (!name || !buffer) return 0;
  Json::Value doc;
  {
    std::lock_guard<std::mutex> lock(g_settings_mutex);
    if (!LoadJsonDocument(FilePath(), &doc)) return 0;
  }
  if (!doc.isMember(name)) return 0;
  const Json::Value& v = doc[name];
  if (type == REG_TYPE_DWORD) {
    if (size < 4 || !v.isInt()) return 0;
    int32_t n = v.asInt();
    std::memcpy(buffer, &n, 4);
    return 1;
  }
  if (type == REG_TYPE_STRING) {
    if (!v.isString()) return 0;
    const std::string s = v.asString();
    if (s.size() + 1 > size) return 0;
    std::memcpy(buffer, s.c_str(), s.size() + 1);
    return 1;
  }
  return 0;
}

int CRegistry::WriteInt(const char* name, int32_t value) {
  CRegistry reg;
  return reg.WriteValue(name, REG_TYPE_DWORD, &value, sizeof(value));
}

int CRegistry::ReadInt(const char* name, int32_t* value) {
  CRegistry reg;
  return reg.ReadValue(name, REG_TYPE_DWORD, value, sizeof(*value));
}

int CRegistry::WriteString(const char* name, const char* text) {
  if (!text) text = "";
  CRegistry reg;
  return reg.WriteValue(name, REG_TYPE_STRING, text, std::strlen(text));
}

int CRegistry::ReadString(const char* name, char* buffer, size_t size) {
  CRegistry reg;
  return reg.ReadValue(name, REG_TYPE_STRING, buffer, size);
}
