#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

// The 492-byte block that tells a session where to connect. Copied byte for byte in
// messages 145 and 148 and kept in the shared data.
struct ServerInfo {
  uint8_t raw[492];

  ServerInfo() { Clear(); }
  void Clear() { std::memset(raw, 0, sizeof(raw)); }

  // 16-byte dotted IPv4 text at 0. A block from the wire may lack the terminator:
  // readers of Host() must not read past 16 bytes; CopyHost always terminates.
  const char* Host() const { return reinterpret_cast<const char*>(raw); }
  static constexpr size_t kHostSize = 16;
  // Copies at most 15 characters of the host and a terminator into `out` (16 bytes).
  void CopyHost(char* out) const {
    size_t n = strnlen(Host(), kHostSize - 1);
    std::memcpy(out, raw, n);
    out[n] = 0;
  }
  void SetHost(const char* host);
  int32_t Selector1() const { return Get(16); }
  void SetSelector1(int32_t v) { Put(16, v); }
  int32_t Selector2() const { return Get(20); }
  void SetSelector2(int32_t v) { Put(20, v); }
  int32_t Port() const { return Get(24); }
  void SetPort(int32_t v) { Put(24, v); }
  int32_t Kind() const { return Get(40); }
  void SetKind(int32_t v) { Put(40, v); }

  int32_t Get(size_t off) const {
    int32_t v;
    std::memcpy(&v, raw + off, 4);
    return v;
  }
  void Put(size_t off, int32_t v) { std::memcpy(raw + off, &v, 4); }
};
static_assert(sizeof(ServerInfo) == 492, "ServerInfo is a 492-byte wire block");

inline void ServerInfo::SetHost(const char* host) {
  std::memset(raw, 0, 16);
  if (!host) return;
  size_t n = std::strlen(host);
  if (n > 15) n = 15;
  std::memcpy(raw, host, n);
}
