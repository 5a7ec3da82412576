// Feeds arbitrary bytes to Packet::ParseFrom and checks what it accepts: the header
// check agrees with it, the accepted packet is valid, reads stay inside the payload,
// and serialising it gives back the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "net/Packet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Packet* p = new Packet();
  static uint8_t* out = new uint8_t[kPacketMaxWire];
  uint16_t len = 0;
  Packet::HeaderState hs = Packet::CheckHeader(data, size, &len);
  int ok = p->ParseFrom(data, size);
  if (ok) {
    if (hs != Packet::kHeaderOk || len > size || !p->IsValid() || p->length != len) __builtin_trap();
    if (p->write_len != static_cast<uint32_t>(len - kPacketHeaderSize)) __builtin_trap();
    size_t n = p->SerializeTo(out, kPacketMaxWire);
    if (n != len || std::memcmp(out, data, n) != 0) __builtin_trap();
    // Decipher and encipher are inverse on whatever arrived.
    p->enciphered = 1;
    p->Decipher(kSessionKey, std::strlen(kSessionKey));
    p->Encipher(kSessionKey, std::strlen(kSessionKey));
    if (std::memcmp(p->payload, data + kPacketHeaderSize, len - kPacketHeaderSize) != 0) __builtin_trap();
    int64_t v;
    while (p->ReadInt64(&v)) {
    }
    if (p->Remaining() >= 8) __builtin_trap();
  } else if (hs == Packet::kHeaderOk && size >= len) {
    __builtin_trap();  // the header check passed a complete packet the parser refused
  }
  return 0;
}
