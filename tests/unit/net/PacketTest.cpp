// The packet record, its codecs, validation, parsing, the payload cipher and the
// user-id scrambler.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "NetTestSupport.h"
#include "net/CLEncrypt.h"
#include "net/Packet.h"

using nettest::Bytes;
using nettest::Wire;

namespace {

std::unique_ptr<Packet> NewPacket(uint16_t id) { return std::make_unique<Packet>(id); }

TEST(PacketCodec, FreshPacketSerialisesToItsTenByteHeader) {
  auto p = NewPacket(145);
  uint8_t out[16] = {};
  ASSERT_EQ(p->SerializeTo(out, sizeof(out)), 10u);
  const uint8_t expected[10] = {0x87, 0xF0, 0x0A, 0x00, 145, 0x00, 0x00, 0x00, 0x00, 0x00};
  EXPECT_EQ(0, std::memcmp(out, expected, 10));
}

TEST(PacketCodec, WritesAreLittleEndianAndGrowTheLength) {
  auto p = NewPacket(200);
  ASSERT_EQ(p->WriteInt32(0x01020304), 1);
  ASSERT_EQ(p->WriteInt64(-2), 1);
  ASSERT_EQ(p->WriteMarker(), 1);
  ASSERT_EQ(p->WriteCountedText("hi", 2), 1);
  ASSERT_EQ(p->WriteFixedText("abcdef", 4), 1);  // truncated to 3 characters and a zero
  EXPECT_EQ(p->write_len, 4u + 8u + 4u + 6u + 4u);
  EXPECT_EQ(p->length, 10u + p->write_len);
  const uint8_t expected[] = {0x04, 0x03, 0x02, 0x01, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xDD,
                              0xF0, 0xF0, 0xFF, 0x02, 0x00, 0x00, 0x00, 'h',  'i',  'a',  'b',  'c',  0x00};
  ASSERT_EQ(sizeof(expected), p->write_len);
  EXPECT_EQ(0, std::memcmp(p->payload, expected, sizeof(expected)));

  int32_t a = 0, marker = 0, n = 0;
  int64_t b = 0;
  EXPECT_EQ(p->ReadInt32(&a), 1);
  EXPECT_EQ(p->ReadInt64(&b), 1);
  EXPECT_EQ(p->ReadInt32(&marker), 1);
  EXPECT_EQ(p->ReadInt32(&n), 1);
  EXPECT_EQ(a, 0x01020304);
  EXPECT_EQ(b, -2);
  EXPECT_EQ(marker, kLoginMarker);
  EXPECT_EQ(marker, -986915);
  EXPECT_EQ(n, 2);
}

TEST(PacketCodec, PayloadFillsExactlyAndTheNextWriteIsRefused) {
  auto p = NewPacket(300);
  for (int i = 0; i < 7680; ++i) ASSERT_EQ(p->WriteInt32(i), 1) << i;
  EXPECT_EQ(p->write_len, 30720u);
  EXPECT_EQ(p->length, 30730u);  // the header length field holds 10 + 30720
  EXPECT_EQ(p->WriteInt32(1), 0);
  EXPECT_EQ(p->WriteBytes("x", 1), 0);
  EXPECT_EQ(p->WriteFixedText("x", 1), 0);
  EXPECT_EQ(p->WriteCountedText("", 0), 0);
  EXPECT_EQ(p->write_len, 30720u);
  // A packet that long is not valid to send: SerializeTo refuses it.
  static uint8_t big[kPacketMaxWire];
  EXPECT_EQ(p->SerializeTo(big, sizeof(big)), 0u);
}

TEST(PacketCodec, WritesNearTheEndAreRefusedWhole) {
  auto p = NewPacket(300);
  ASSERT_EQ(p->WriteBytes(nullptr, kPacketMaxPayload - 6), 1);
  EXPECT_EQ(p->WriteInt64(7), 0);             // 8 > 6 left
  EXPECT_EQ(p->WriteCountedText("ab", 3), 0);  // 4 + 3 > 6
  EXPECT_EQ(p->WriteCountedText("ab", 2), 1);  // 4 + 2 == 6
  EXPECT_EQ(p->write_len, kPacketMaxPayload);
  EXPECT_EQ(p->WriteBytes("", static_cast<size_t>(-1)), 0);  // a huge size cannot wrap the check
}

TEST(PacketCodec, ReadsPastThePayloadLeaveTheOutputAndCursor) {
  auto p = NewPacket(150);
  p->WriteInt32(5);
  p->WriteBytes("xyz", 3);
  int32_t v = -1;
  ASSERT_EQ(p->ReadInt32(&v), 1);
  EXPECT_EQ(v, 5);
  int32_t untouched = -1;
  EXPECT_EQ(p->ReadInt32(&untouched), 0);
  EXPECT_EQ(untouched, -1);
  int64_t w = -1;
  EXPECT_EQ(p->ReadInt64(&w), 0);
  EXPECT_EQ(w, -1);
  EXPECT_EQ(p->read_pos, 4u);
  char buf[4] = {'q', 'q', 'q', 'q'};
  EXPECT_EQ(p->ReadBytes(buf, 0), 0);
  EXPECT_EQ(p->ReadBytes(nullptr, 3), 0);
  EXPECT_EQ(p->ReadBytes(buf, static_cast<size_t>(-1)), 0);
  EXPECT_EQ(buf[0], 'q');
  EXPECT_EQ(p->ReadBytes(buf, 3), 1);
  EXPECT_EQ(0, std::memcmp(buf, "xyz", 3));
  EXPECT_EQ(p->ReadInt32(nullptr), 0);
}

TEST(PacketValidation, IsValidTable) {
  struct Case {
    uint16_t magic, length, id;
    bool valid;
  } cases[] = {
      {0xF087, 10, 1, true},      {0xF087, 30720, 999, true}, {0xF087, 10, 0, false},
      {0xF087, 10, 1000, false},  {0xF087, 9, 5, false},      {0xF087, 30721, 5, false},
      {0x87F0, 10, 5, false},
  };
  for (const Case& c : cases) {
    auto p = NewPacket(c.id);
    p->magic = c.magic;
    p->length = c.length;
    EXPECT_EQ(p->IsValid(), c.valid) << c.magic << " " << c.length << " " << c.id;
  }
}

TEST(PacketValidation, ParseFromTable) {
  struct Case {
    const char* name;
    Bytes bytes;
    int parsed;
    Packet::HeaderState header;
  };
  Bytes ok = Wire(151, {1, 2, 3, 4}, 1, 1);
  Bytes empty = Wire(151, {});
  Bytes bad_magic = ok;
  bad_magic[0] = 0x88;
  Bytes id0 = Wire(0, {1});
  Bytes id1000 = Wire(1000, {1});
  Bytes too_long = ok;
  too_long[2] = 0x01;  // length 30721
  too_long[3] = 0x78;
  Bytes short_body(ok.begin(), ok.end() - 1);
  Bytes short_header(ok.begin(), ok.begin() + 9);
  const Case cases[] = {
      {"ok", ok, 1, Packet::kHeaderOk},
      {"empty payload", empty, 0, Packet::kHeaderBad},
      {"bad magic", bad_magic, 0, Packet::kHeaderBad},
      {"id 0", id0, 0, Packet::kHeaderBad},
      {"id 1000", id1000, 0, Packet::kHeaderBad},
      {"length 30721", too_long, 0, Packet::kHeaderBad},
      {"payload not all there", short_body, 0, Packet::kHeaderOk},
      {"header not all there", short_header, 0, Packet::kHeaderIncomplete},
  };
  for (const Case& c : cases) {
    auto p = NewPacket(7);
    uint16_t len = 0;
    EXPECT_EQ(p->ParseFrom(c.bytes.data(), c.bytes.size()), c.parsed) << c.name;
    EXPECT_EQ(Packet::CheckHeader(c.bytes.data(), c.bytes.size(), &len), c.header) << c.name;
  }
  auto p = NewPacket(7);
  p->payload[100] = 0x55;  // parsing zeroes what the packet held before
  ASSERT_EQ(p->ParseFrom(ok.data(), ok.size()), 1);
  EXPECT_EQ(p->id, 151);
  EXPECT_EQ(p->length, 14);
  EXPECT_EQ(p->enciphered, 1);
  EXPECT_EQ(p->mark, 1);
  EXPECT_EQ(p->write_len, 4u);
  EXPECT_EQ(p->read_pos, 0u);
  EXPECT_EQ(p->payload[3], 4);
  EXPECT_EQ(p->payload[100], 0);
}

TEST(PacketValidation, CopyPacketWithAndWithoutHeader) {
  auto from = NewPacket(160);
  from->WriteInt32(77);
  from->enciphered = 1;
  from->mark = 1;
  from->read_pos = 4;
  auto to = NewPacket(5);
  CopyPacket(*from, *to, false);
  EXPECT_EQ(to->id, 5);
  EXPECT_EQ(to->enciphered, 0);
  EXPECT_EQ(to->length, 14);
  EXPECT_EQ(to->read_pos, 4u);
  EXPECT_EQ(to->write_len, 4u);
  EXPECT_EQ(to->payload[0], 77);
  CopyPacket(*from, *to, true);
  EXPECT_EQ(to->id, 160);
  EXPECT_EQ(to->enciphered, 1);
  EXPECT_EQ(to->mark, 1);
}

TEST(PayloadCipher, ThreeCharacterKey) {
  auto p = NewPacket(200);
  const uint8_t plain[6] = {0x10, 0x20, 0x30, 0x40, 0x50, 0x60};
  p->WriteBytes(plain, sizeof(plain));
  ASSERT_EQ(p->Encipher("abc", 3), 1);
  EXPECT_EQ(p->enciphered, 1);
  // 0: with the last character, then the first; 1 and 2: unchanged (XORed twice with the
  // same character); from 3 on only the first step: the key read backwards.
  const uint8_t expected[6] = {0x10 ^ 'c' ^ 'a', 0x20, 0x30, 0x40 ^ 'c', 0x50 ^ 'b', 0x60 ^ 'a'};
  EXPECT_EQ(0, std::memcmp(p->payload, expected, 6));
  ASSERT_EQ(p->Decipher("abc", 3), 1);
  EXPECT_EQ(p->enciphered, 0);
  EXPECT_EQ(0, std::memcmp(p->payload, plain, 6));
}

TEST(PayloadCipher, LongPayloadWithTheSessionKey) {
  auto p = NewPacket(300);
  ASSERT_EQ(p->WriteBytes(nullptr, kPacketMaxPayload), 1);  // all zero
  const size_t L = std::strlen(kSessionKey);
  ASSERT_EQ(L, 13u);
  ASSERT_EQ(p->Encipher(kSessionKey, L), 1);
  // Zero bytes become the key characters read backwards, period 13.
  EXPECT_EQ(p->payload[30719], 'P');  // 30719 % 13 == 0: the last character
  EXPECT_EQ(p->payload[30718], 'R');  // 30718 % 13 == 12: the first
  EXPECT_EQ(p->payload[13 + 1], '#');
  for (size_t i = L; i < kPacketMaxPayload; ++i) ASSERT_EQ(p->payload[i], p->payload[i % L + L]) << i;
  ASSERT_EQ(p->Decipher(kSessionKey, L), 1);
  for (size_t i = 0; i < kPacketMaxPayload; ++i) ASSERT_EQ(p->payload[i], 0) << i;
}

TEST(PayloadCipher, TwiceIsOnceAndDecipheringPlainTextChangesNothing) {
  auto p = NewPacket(200);
  p->WriteBytes("payload bytes", 13);
  auto q = NewPacket(200);
  CopyPacket(*p, *q, true);
  ASSERT_EQ(p->Encipher(kInitialSocketKey, std::strlen(kInitialSocketKey)), 1);
  uint8_t once[13];
  std::memcpy(once, p->payload, 13);
  ASSERT_EQ(p->Encipher(kInitialSocketKey, std::strlen(kInitialSocketKey)), 1);
  EXPECT_EQ(0, std::memcmp(p->payload, once, 13));

  EXPECT_EQ(q->Decipher(kInitialSocketKey, std::strlen(kInitialSocketKey)), 1);
  EXPECT_EQ(q->enciphered, 0);
  EXPECT_EQ(0, std::memcmp(q->payload, "payload bytes", 13));
}

TEST(PayloadCipher, MissingOrEmptyKeyIsRefused) {
  auto p = NewPacket(200);
  p->WriteBytes("abc", 3);
  EXPECT_EQ(p->Encipher(nullptr, 3), 0);
  EXPECT_EQ(p->Encipher("", 0), 0);
  EXPECT_EQ(p->Encipher("abc", 0), 0);
  EXPECT_EQ(p->enciphered, 0);
  EXPECT_EQ(0, std::memcmp(p->payload, "abc", 3));
  // A length past the key's end is cut at its terminator, never read beyond.
  auto q = NewPacket(200);
  q->WriteBytes("abc", 3);
  p->Encipher("xy", 2);
  q->Encipher("xy", 100);
  EXPECT_EQ(0, std::memcmp(p->payload, q->payload, 3));
}

TEST(Scrambler, KnownInputsLimitAndEmpty) {
  struct Case {
    std::string text;
    int result;
    std::string hex;
  } cases[] = {
      {"a", 1, "A9"},
      {"abc", 1, "A9B443"},
      {"user1234", 1, "BDA8DDEB3B88E3E1"},
      {"1000012345678901", 1, "F9DD04864F9FAE342D081AB15B76F94F"},
      {std::string(30, 'x'), 1, "B0DD7B542B87D9CF1FD825BB8B1C5D4E7EFE0452BFB856170BB2815FEC54"},
      {std::string(31, 'x'), 0, ""},
      {"", 1, ""},
  };
  CLEncrypt enc;
  for (const Case& c : cases) {
    char out[64] = {};
    EXPECT_EQ(enc.ScrambleText(c.text.c_str(), out), c.result) << c.text;
    EXPECT_EQ(std::string(out), c.hex) << c.text;  // no terminator written past 2n
  }
}

}  // namespace
