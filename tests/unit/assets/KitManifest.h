// Reading the asset kit's manifest (assets/manifest.tsv) for the kit tests.
#pragma once

#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace kit {

struct Entry {
  std::string path, kind;
  int width = 0, height = 0, cols = 0, rows = 0;
  std::string style, params, description;
  int columns_found = 0;
};

inline Entry MakeEntry(const std::string& path, const std::string& kind, int w = 0, int h = 0, int cols = 0,
                       int rows = 0) {
  Entry e;
  e.path = path;
  e.kind = kind;
  e.width = w;
  e.height = h;
  e.cols = cols;
  e.rows = rows;
  return e;
}

inline std::string SourceDir() {
  const char* s = std::getenv("TOLVAN_TEST_SOURCE_DIR");
  return s ? s : "";
}

// The build folder holding the generated kit: from the environment when CTest sets it,
// else the folder this test program was configured for.
inline std::string BuildDir() {
  const char* s = std::getenv("TOLVAN_BUILD_DIR");
  if (s && *s) return s;
#ifdef TOLVAN_KIT_DIR
  return TOLVAN_KIT_DIR;
#else
  return "";
#endif
}

inline int Num(const std::string& s) { return s == "-" ? 0 : std::atoi(s.c_str()); }

inline std::vector<Entry> LoadManifest() {
  std::vector<Entry> out;
  std::ifstream in(SourceDir() + "/assets/manifest.tsv");
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> f;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) f.push_back(field);
    Entry e;
    e.columns_found = static_cast<int>(f.size());
    f.resize(9);
    e.path = f[0];
    e.kind = f[1];
    e.width = Num(f[2]);
    e.height = Num(f[3]);
    e.cols = Num(f[4]);
    e.rows = Num(f[5]);
    e.style = f[6];
    e.params = f[7];
    e.description = f[8];
    out.push_back(e);
  }
  return out;
}

inline std::vector<Entry> OfKind(const std::vector<Entry>& all, const std::string& kind) {
  std::vector<Entry> out;
  for (const auto& e : all)
    if (e.kind == kind) out.push_back(e);
  return out;
}

// What a file name literal in the client's code must find in the manifest. Literals are
// written as the client opens them ("./raw/card.png"), possibly as printf formats
// ("./raw/item/character_%02d.png"), as folder prefixes ("./raw/shoot/") or as bare
// shared-image names ("btn_close_b.png", "item/emoticon01.png", loaded from "./raw/").
// Returns true when the manifest has a matching asset.
inline bool ManifestCovers(const std::vector<Entry>& manifest, std::string literal) {
  if (literal.rfind("./", 0) == 0) literal = literal.substr(2);
  else literal = "raw/" + literal;
  if (!literal.empty() && literal.back() == '/') {
    for (const auto& e : manifest)
      if (e.path.rfind(literal, 0) == 0) return true;
    return false;
  }
  if (literal.find('%') == std::string::npos) {
    for (const auto& e : manifest)
      if (e.path == literal) return true;
    return false;
  }
  // printf conversions become patterns: %d / %02d digits, %s any text.
  std::string pattern;
  for (size_t i = 0; i < literal.size(); ++i) {
    char c = literal[i];
    if (c == '%') {
      size_t j = i + 1;
      std::string width;
      while (j < literal.size() && std::isdigit(static_cast<unsigned char>(literal[j]))) width += literal[j++];
      char conv = j < literal.size() ? literal[j] : 's';
      if (conv == 'd' || conv == 'u' || conv == 'i')
        pattern += width.empty() ? "[0-9]+" : "[0-9]{" + std::to_string(std::atoi(width.c_str())) + "}";
      else
        pattern += ".+";
      i = j;
    } else if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos) {
      pattern += '\\';
      pattern += c;
    } else {
      pattern += c;
    }
  }
  std::regex re(pattern);
  for (const auto& e : manifest)
    if (std::regex_match(e.path, re)) return true;
  return false;
}

}  // namespace kit
