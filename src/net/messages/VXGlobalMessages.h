#pragma once
// Records of the global messages (account, notices, tournaments, bonuses) and of the
// gift that the social notice carries. Raw records travel byte for byte; their
// accessors name the offsets the client reads. A message reader returns 1 when the
// whole message was present; when the payload ends early it returns 0 and the fields
// not reached keep their initial values.
#include <climits>
#include <cstdint>
#include <string>

#include "net/Packet.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableRecords.h"
#include "net/messages/VXType_user_info.h"

// The daily log-in reward (28 bytes) that the master's login reply carries. Its int32 at
// byte 4 is not read; the reward fields sit where the bonus notice keeps its value and
// amount (bytes 16 and 20), which is what fits the 28 bytes on the wire.
struct VXType_day_bonus : VXRawRecord<28> {
  int32_t Day() const { return Get(0); }  // 0 to 6
  void SetDay(int32_t v) { Put(0, v); }
  int32_t ItemKind() const { return Get(8); }  // -1 none
  void SetItemKind(int32_t v) { Put(8, v); }
  int32_t ItemCount() const { return Get(12); }
  void SetItemCount(int32_t v) { Put(12, v); }
  int32_t Rubies() const { return Get(16); }
  void SetRubies(int32_t v) { Put(16, v); }
  int64_t Chips() const { return Get64(20); }
  void SetChips(int64_t v) { Put64(20, v); }
};

// Head of a bonus notice (28 bytes).
struct VXType_bonus_head : VXRawRecord<28> {
  int32_t Kind() const { return Get(0); }  // VX_BONUS_*
  void SetKind(int32_t v) { Put(0, v); }
  int32_t Value() const { return Get(16); }
  void SetValue(int32_t v) { Put(16, v); }
  int64_t Amount() const { return Get64(20); }
  void SetAmount(int64_t v) { Put64(20, v); }
};

// What a player won on leaving a tournament (128 bytes).
struct VXType_tournament_result : VXRawRecord<128> {
  int32_t Rank() const { return Get(104); }
  void SetRank(int32_t v) { Put(104, v); }
  int64_t Chips() const { return Get64(116); }
  void SetChips(int64_t v) { Put64(116, v); }
  int32_t Rubies() const { return Get(124); }
  void SetRubies(int32_t v) { Put(124, v); }
};

// A gift (463 bytes): the gift lists, sending, receiving and the gift notice.
struct VXType_gift : VXRawRecord<463> {
  int32_t GiftId() const { return Get(0); }
  int32_t State() const { return Get(12); }  // 1 waiting, 2 received
  int32_t ItemIndex() const { return Get(16); }  // -1 none
  void SetItemIndex(int32_t v) { Put(16, v); }
  int32_t ItemAmount() const { return Get(20); }
  void SetItemAmount(int32_t v) { Put(20, v); }
  int32_t Rubies() const { return Get(24); }
  void SetRubies(int32_t v) { Put(24, v); }
  int64_t Chips() const { return Get64(28); }
  void SetChips(int64_t v) { Put64(28, v); }
  std::string SenderName() const;

  static constexpr size_t kSenderName = 321;
  static constexpr size_t kNameSize = 50;
};

// 168, server to client: a tournament changed; registrations below the lowest valid id
// are gone.
struct VXMsg_tournament_notice {
  static constexpr uint16_t kId = VX_PROTOCOL_TOURNAMENT_NOTICE;
  VXType_tournament_info record;
  int32_t lowest_valid_id = INT32_MIN;
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 202, server to client: the player is out of a tournament.
struct VXMsg_tournament_out {
  static constexpr uint16_t kId = VX_PROTOCOL_TOURNAMENT_OUT;
  VXType_tournament_info head;
  VXType_tournament_result result;
  uint8_t user_info[kUserInfoSize] = {};
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 203, server to client: a bonus was credited.
struct VXMsg_bonus {
  static constexpr uint16_t kId = VX_PROTOCOL_BONUS;
  VXType_bonus_head head;
  uint8_t user_info[kUserInfoSize] = {};
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};
