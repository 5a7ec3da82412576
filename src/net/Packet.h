#pragma once
#include <cstddef>
#include <cstdint>

// One protocol message: a 10-byte little-endian header and up to 30720 payload bytes.
//   0 magic 0xF087 | 2 total length (10..30720) | 4 message id (1..999)
//   6 enciphered flag | 8 mark (1 on everything the client sends)
constexpr uint16_t kPacketMagic = 0xF087;
constexpr size_t kPacketHeaderSize = 10;
constexpr size_t kPacketMaxPayload = 30720;
constexpr size_t kPacketMaxWire = kPacketHeaderSize + kPacketMaxPayload;
constexpr int32_t kLoginMarker = static_cast<int32_t>(0xFFF0F0DD);

// Payload keys.
extern const char kInitialSocketKey[];  // "470259!#%&-~"
extern const char kSessionKey[];        // "R4t((]mvaZ)#P"

struct Packet {
  uint16_t magic = kPacketMagic;
  uint16_t length = kPacketHeaderSize;
  uint16_t id = 0;
  uint16_t enciphered = 0;
  uint16_t mark = 0;
  uint8_t payload[kPacketMaxPayload] = {};
  uint32_t read_pos = 0;
  uint32_t write_len = 0;

  Packet() = default;
  explicit Packet(uint16_t msg_id) { Init(msg_id); }

  void Init(uint16_t msg_id);

  // Writers: refused (0, nothing changed) when the payload would pass 30720 bytes.
  int WriteInt32(int32_t v);
  int WriteInt64(int64_t v);
  int WriteMarker() { return WriteInt32(kLoginMarker); }
  int WriteBytes(const void* data, size_t n);
  // A fixed-width text field: the text, zero padded to `width` bytes.
  int WriteFixedText(const char* text, size_t width);
  // Counted text: 32-bit length, then the bytes.
  int WriteCountedText(const char* text, size_t n);

  // Readers: refused (0, `out` and the cursor unchanged) past the received payload.
  int ReadInt32(int32_t* out);
  int ReadInt64(int64_t* out);
  int ReadBytes(void* out, size_t n);

  size_t PayloadLength() const { return length >= kPacketHeaderSize ? length - kPacketHeaderSize : 0; }
  size_t Remaining() const { return PayloadLength() > read_pos ? PayloadLength() - read_pos : 0; }

  bool IsValid() const;
  // Parses a header plus payload from `bytes` (at least `avail` bytes readable).
  // Returns 1 only for a complete valid packet.
  int ParseFrom(const uint8_t* bytes, size_t avail);
  // Writes header and payload; returns the byte count, 0 when the length is bad.
  size_t SerializeTo(uint8_t* buffer, size_t capacity) const;
  // Header fields only, from raw bytes (no validation beyond availability).
  static bool PeekHeader(const uint8_t* bytes, size_t avail, uint16_t* magic, uint16_t* length,
                         uint16_t* id);
  // What a stream position holds, judged from its header alone: not enough bytes for a
  // header yet, a header ParseFrom would refuse, or a good header of `*length` bytes.
  enum HeaderState { kHeaderIncomplete = 0, kHeaderBad = 1, kHeaderOk = 2 };
  static HeaderState CheckHeader(const uint8_t* bytes, size_t avail, uint16_t* length);

  // XOR cipher keyed by a text; applying it twice gives the original.
  int Encipher(const char* key, size_t key_length);
  int Decipher(const char* key, size_t key_length);
};

// Copies `from` into `to`: length, payload and cursors, plus the other header fields
// when with_header is set.
void CopyPacket(const Packet& from, Packet& to, bool with_header);

// The cipher's byte transform over the first `n` payload bytes. `key_length` is the
// key's text length; key[key_length] (its terminator) is read too.
void ApplyPayloadCipher(uint8_t* payload, size_t n, const char* key, size_t key_length);
