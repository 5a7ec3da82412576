#pragma once
#include <array>
#include <cstddef>
#include <cstdint>

#include "net/Packet.h"

// One room of a game channel as the channel's login reply lists it.
struct VXType_channel_room {
  int32_t stake = 0;        // the table stake
  int32_t min_balance = 0;  // chips a player needs to be shown as able to afford it
  int32_t badge = 0;        // 200, 300 and 400 select badge artwork; other values none
  // Player counts per tab (0 normal game, 1 point game): playing, then waiting.
  int32_t players[2][2] = {};

  // The players of a tab: the sum of its two counts (tabs outside 0..1 have none).
  int64_t PlayerTotal(int tab) const;
  // A stake of 0 or less cannot be played.
  bool Enterable() const { return stake > 0; }
  // Chips a player needs to sit down: 20 times the stake, in 64 bits.
  int64_t RequiredChips() const { return 20 * static_cast<int64_t>(stake); }
  bool CanAfford(int64_t chips) const { return Enterable() && chips >= RequiredChips(); }
  // Shown highlighted: a minimum balance between 1 and 2000000000 that the chips reach.
  bool Highlighted(int64_t chips) const { return min_balance >= 1 && min_balance < 2000000000 && chips >= min_balance; }
};

// The rooms of a game channel: the tail of the login reply of a kind-1 game server,
// written by the server and read by the client, which keeps it on the session. The
// count read from the wire is clamped to the 12 rooms a channel may list and to the
// rooms the payload really holds, so a negative, oversized or lying count never
// indexes outside the table.
struct VXType_channel_rooms {
  static constexpr int32_t kMaxRooms = 12;
  static constexpr size_t kRoomBytes = 7 * 4;

  int32_t point_target = 0;  // the point game's target, one value for the whole channel
  int32_t count = 0;         // rooms kept, 0..kMaxRooms
  std::array<VXType_channel_room, kMaxRooms> rooms{};

  // Writes the point target, the count and that many rooms (at most kMaxRooms).
  int Write(Packet& packet) const;
  // Reads the record, clamping the count as above. Returns 1 when every announced room
  // was present, 0 when the payload ended early or the count was negative; the rooms
  // that were present are kept either way.
  int Read(Packet& packet);
  void Clear() { *this = VXType_channel_rooms{}; }
};
