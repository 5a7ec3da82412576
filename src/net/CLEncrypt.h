#pragma once
#include <cstddef>
#include <cstdint>

// Scrambles the account id carried in login requests into upper-case hex.
class CLEncrypt {
 public:
  virtual ~CLEncrypt() = default;
  // Writes 2n hex characters (no terminator) for a text of n <= 30 bytes; returns 1.
  // Longer texts fail with nothing written.
  int ScrambleText(const char* text, char* out) const;

 private:
  uint32_t m_multiplier = 91823;
  uint32_t m_increment = 22691;
};
