#pragma once
// Small MP3 files made by the tests themselves with sox and lame, in a private folder.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace sound_test {

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A fresh folder under the temp dir, removed with the object.
class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tolvan-sound-XXXXXX";
    const char* d = mkdtemp(tmpl);
    path = d ? d : "";
  }
  ~TempDir() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  std::string File(const std::string& name) const { return path + "/" + name; }
  std::string path;
};

// Makes `out` (MP3) from a sox synth recipe: "sox -n -r <rate> -c <channels> x.wav <recipe>"
// then "lame <lame_args> x.wav out". False when a tool failed.
inline bool MakeMp3(const std::string& out, int rate, int channels, const std::string& recipe,
                    const std::string& lame_args = "-b 128") {
  const std::string wav = out + ".wav";
  const std::string cmd = "sox -q -n -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " '" + wav +
                          "' " + recipe + " && lame --quiet " + lame_args + " '" + wav + "' '" + out + "'" +
                          " && rm -f '" + wav + "'";
  return std::system(cmd.c_str()) == 0;
}

// An ID3v2.3 tag of `body` bytes (synch-safe size), optionally with the footer flag.
inline std::vector<uint8_t> Id3Tag(const std::vector<uint8_t>& body, bool footer = false) {
  std::vector<uint8_t> tag = {'I', 'D', '3', footer ? uint8_t{4} : uint8_t{3}, 0, footer ? uint8_t{0x10} : uint8_t{0}};
  const size_t n = body.size();
  tag.push_back(static_cast<uint8_t>((n >> 21) & 0x7F));
  tag.push_back(static_cast<uint8_t>((n >> 14) & 0x7F));
  tag.push_back(static_cast<uint8_t>((n >> 7) & 0x7F));
  tag.push_back(static_cast<uint8_t>(n & 0x7F));
  tag.insert(tag.end(), body.begin(), body.end());
  if (footer) {
    std::vector<uint8_t> foot(tag.begin(), tag.begin() + 10);
    foot[0] = '3', foot[1] = 'D', foot[2] = 'I';
    tag.insert(tag.end(), foot.begin(), foot.end());
  }
  return tag;
}

// Occurrences of `needle` in `hay` (non-overlapping).
inline int CountOccurrences(const std::vector<uint8_t>& hay, const std::vector<uint8_t>& needle) {
  if (needle.empty() || hay.size() < needle.size()) return 0;
  int n = 0;
  auto it = hay.begin();
  while ((it = std::search(it, hay.end(), needle.begin(), needle.end())) != hay.end()) {
    ++n;
    it += static_cast<std::ptrdiff_t>(needle.size());
  }
  return n;
}

}  // namespace sound_test
