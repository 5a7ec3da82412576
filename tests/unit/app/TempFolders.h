#pragma once
// Points the settings and data folders at a fresh temporary folder for one test and
// removes it afterwards.
#include <ftw.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>

namespace testing_support {

class TempFolders {
 public:
  TempFolders() {
    char tmpl[] = "/tmp/tolvan_app_test_XXXXXX";
    const char* made = mkdtemp(tmpl);
    root = made ? made : "/tmp";
    config = root + "/config";
    data = root + "/data";
    Save("TOLVAN_CONFIG_DIR", &m_old_config, &m_had_config);
    Save("TOLVAN_DATA_DIR", &m_old_data, &m_had_data);
    setenv("TOLVAN_CONFIG_DIR", config.c_str(), 1);
    setenv("TOLVAN_DATA_DIR", data.c_str(), 1);
  }
  ~TempFolders() {
    Restore("TOLVAN_CONFIG_DIR", m_old_config, m_had_config);
    Restore("TOLVAN_DATA_DIR", m_old_data, m_had_data);
    if (root != "/tmp") nftw(root.c_str(), &RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
  }
  TempFolders(const TempFolders&) = delete;
  TempFolders& operator=(const TempFolders&) = delete;

  std::string root, config, data;

 private:
  static int RemoveOne(const char* path, const struct stat*, int, struct FTW*) { return remove(path); }
  static void Save(const char* name, std::string* value, bool* had) {
    const char* v = getenv(name);
    *had = v != nullptr;
    if (v) *value = v;
  }
  static void Restore(const char* name, const std::string& value, bool had) {
    if (had)
      setenv(name, value.c_str(), 1);
    else
      unsetenv(name);
  }
  std::string m_old_config, m_old_data;
  bool m_had_config = false, m_had_data = false;
};

}  // namespace testing_support
