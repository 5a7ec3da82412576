#include "net/CLEncrypt.h"

#include <cstring>

int CLEncrypt::ScrambleText(const char* text, char* out) const {
  if (!text || !out) return 0;
  size_t n = std::strlen(text);
  if (2 * n > 60) return 0;
  static const char kHex[] = "0123456789ABCDEF";
  uint32_t k = 51367;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = static_cast<uint8_t>(static_cast<uint8_t>(text[i]) ^ ((k >> 8) & 0xFF));
    out[2 * i] = kHex[c >> 4];
    out[2 * i + 1] = kHex[c & 0xF];
    k = (k + c) * m_multiplier + m_increment;
  }
  return 1;
}
