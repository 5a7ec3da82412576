#include "net/Packet.h"

#include <cstring>

const char kInitialSocketKey[] = "470259!#%&-~";
const char kSessionKey[] = "R4t((]mvaZ)#P";

namespace {
inline uint16_t Get16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
}  // namespace

void Packet::Init(uint16_t msg_id) {
  std::memset(payload, 0, sizeof(payload));
  magic = kPacketMagic;
  length = kPacketHeaderSize;
  id = msg_id;
  enciphered = 0;
  mark = 0;
  read_pos = 0;
  write_len = 0;
}

int Packet::WriteBytes(const void* data, size_t n) {
  if (write_len > kPacketMaxPayload || n > kPacketMaxPayload - write_len) return 0;
  if (n > 0) {
    if (data)
      std::memcpy(payload + write_len, data, n);
    else
      std::memset(payload + write_len, 0, n);
  }
  write_len += static_cast<uint32_t>(n);
  length = static_cast<uint16_t>(kPacketHeaderSize + write_len);
  return 1;
}

int Packet::WriteInt32(int32_t v) {
  uint8_t b[4];
  uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
  return WriteBytes(b, 4);
}

int Packet::WriteInt64(int64_t v) {
  uint8_t b[8];
  uint64_t u = static_cast<uint64_t>(v);
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(u >> (8 * i));
  return WriteBytes(b, 8);
}

int Packet::WriteFixedText(const char* text, size_t width) {
  if (width > kPacketMaxPayload - write_len) return 0;
  uint8_t* dst = payload + write_len;
  std::memset(dst, 0, width);
  if (text && width > 0) {
    size_t n = strnlen(text, width - 1);
    std::memcpy(dst, text, n);
  }
  // The field is already in place: only the counters move.
  write_len += static_cast<uint32_t>(width);
  length = static_cast<uint16_t>(kPacketHeaderSize + write_len);
  return 1;
}

int Packet::WriteCountedText(const char* text, size_t n) {
  if (write_len > kPacketMaxPayload || n > kPacketMaxPayload - write_len ||
      4 > kPacketMaxPayload - write_len - n)
    return 0;
  WriteInt32(static_cast<int32_t>(n));
  return WriteBytes(text, n);
}

int Packet::ReadBytes(void* out, size_t n) {
  if (!out || n == 0) return 0;
  size_t avail = PayloadLength();
  if (avail > kPacketMaxPayload) avail = kPacketMaxPayload;
  if (n > avail || read_pos > avail - n) return 0;
  std::memcpy(out, payload + read_pos, n);
  read_pos += static_cast<uint32_t>(n);
  return 1;
}

int Packet::ReadInt32(int32_t* out) {
  uint8_t b[4];
  if (!out || !ReadBytes(b, 4)) return 0;
  *out = static_cast<int32_t>(static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
                              (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24));
  return 1;
}

int Packet::ReadInt64(int64_t* out) {
  uint8_t b[8];
  if (!out || !ReadBytes(b, 8)) return 0;
  uint64_t u = 0;
  for (int i = 7; i >= 0; --i) u = (u << 8) | b[i];
  *out = static_cast<int64_t>(u);
  return 1;
}

bool Packet::IsValid() const {
  return magic == kPacketMagic && length >= kPacketHeaderSize && length <= kPacketMaxPayload &&
         id >= 1 && id <= 999;
}

bool Packet::PeekHeader(const uint8_t* bytes, size_t avail, uint16_t* m, uint16_t* len, uint16_t* msg) {
  if (!bytes || avail < kPacketHeaderSize) return false;
  if (m) *m = Get16(bytes);
  if (len) *len = Get16(bytes + 2);
  if (msg) *msg = Get16(bytes + 4);
  return true;
}

Packet::HeaderState Packet::CheckHeader(const uint8_t* bytes, size_t avail, uint16_t* length) {
  uint16_t m, len, msg;
  if (!PeekHeader(bytes, avail, &m, &len, &msg)) return kHeaderIncomplete;
  // The same rules ParseFrom applies: magic, 10 < length <= 30720, id 1..999.
  if (m != kPacketMagic || len <= kPacketHeaderSize || len > kPacketMaxPayload || msg < 1 || msg > 999)
    return kHeaderBad;
  if (length) *length = len;
  return kHeaderOk;
}

int Packet::ParseFrom(const uint8_t* bytes, size_t avail) {
  uint16_t m, len, msg;
  if (!PeekHeader(bytes, avail, &m, &len, &msg)) return 0;
  if (m != kPacketMagic || len <= kPacketHeaderSize || len > kPacketMaxWire) return 0;
  if (avail < len) return 0;
  size_t body = static_cast<size_t>(len) - kPacketHeaderSize;
  if (body > kPacketMaxPayload) return 0;
  std::memset(payload, 0, sizeof(payload));
  magic = m;
  length = len;
  id = msg;
  enciphered = Get16(bytes + 6);
  mark = Get16(bytes + 8);
  std::memcpy(payload, bytes + kPacketHeaderSize, body);
  write_len = static_cast<uint32_t>(body);
  read_pos = 0;
  return IsValid() ? 1 : 0;
}

size_t Packet::SerializeTo(uint8_t* buffer, size_t capacity) const {
  if (!buffer || length < kPacketHeaderSize || length > kPacketMaxPayload || capacity < length) return 0;
  Put16(buffer, magic);
  Put16(buffer + 2, length);
  Put16(buffer + 4, id);
  Put16(buffer + 6, enciphered);
  Put16(buffer + 8, mark);
  std::memcpy(buffer + kPacketHeaderSize, payload, length - kPacketHeaderSize);
  return length;
}

void ApplyPayloadCipher(uint8_t* p, size_t n, const char* key, size_t L) {
  if (!p || !key || L == 0) return;
  const uint8_t* k = reinterpret_cast<const uint8_t*>(key);
  // The first L bytes take both steps; the second reads key[L % (i + 1)], where key[L]
  // is the terminating zero.
  const size_t head = n < L ? n : L;
  for (size_t i = 0; i < head; ++i) p[i] ^= static_cast<uint8_t>(k[L - 1 - (i % L)] ^ k[L % (i + 1)]);
  // From index L on, L % (i + 1) == L: the second step XORs with zero and only the key,
  // read backwards and repeated, applies. Walked with a running index (no division).
  size_t j = L - 1;  // L - 1 - (L % L)
  for (size_t i = head; i < n; ++i) {
    p[i] ^= k[j];
    j = j == 0 ? L - 1 : j - 1;
  }
}

namespace {
// The usable key length: never past the key's terminator, so key[L] stays in bounds.
size_t KeyLength(const char* key, size_t key_length) { return strnlen(key, key_length); }
}  // namespace

int Packet::Encipher(const char* key, size_t key_length) {
  if (!key || !*key || key_length < 1) return 0;
  key_length = KeyLength(key, key_length);
  if (enciphered == 1) return 1;
  size_t n = PayloadLength();
  if (n > kPacketMaxPayload) n = kPacketMaxPayload;
  ApplyPayloadCipher(payload, n, key, key_length);
  enciphered = 1;
  return 1;
}

int Packet::Decipher(const char* key, size_t key_length) {
  if (!key || !*key || key_length < 1) return 0;
  key_length = KeyLength(key, key_length);
  if (enciphered != 1) return 1;
  size_t n = PayloadLength();
  if (n > kPacketMaxPayload) n = kPacketMaxPayload;
  ApplyPayloadCipher(payload, n, key, key_length);
  enciphered = 0;
  return 1;
}

void CopyPacket(const Packet& from, Packet& to, bool with_header) {
  if (&from == &to) return;
  to.length = from.length;
  if (with_header) {
    to.magic = from.magic;
    to.id = from.id;
    to.enciphered = from.enciphered;
    to.mark = from.mark;
  }
  std::memcpy(to.payload, from.payload, sizeof(to.payload));
  to.read_pos = from.read_pos;
  to.write_len = from.write_len;
}
