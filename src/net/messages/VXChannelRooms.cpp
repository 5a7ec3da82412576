#include "net/messages/VXChannelRooms.h"

int64_t VXType_channel_room::PlayerTotal(int tab) const {
  if (tab < 0 || tab > 1) return 0;
  return static_cast<int64_t>(players[tab][0]) + players[tab][1];
}

int VXType_channel_rooms::Write(Packet& p) const {
  int32_t n = count < 0 ? 0 : (count > kMaxRooms ? kMaxRooms : count);
  if (!p.WriteInt32(point_target) || !p.WriteInt32(n)) return 0;
  for (int32_t i = 0; i < n; ++i) {
    const VXType_channel_room& r = rooms[static_cast<size_t>(i)];
    if (!(p.WriteInt32(r.stake) && p.WriteInt32(r.min_balance) && p.WriteInt32(r.badge) &&
          p.WriteInt32(r.players[0][0]) && p.WriteInt32(r.players[0][1]) && p.WriteInt32(r.players[1][0]) &&
          p.WriteInt32(r.players[1][1])))
      return 0;
  }
  return 1;
}

int VXType_channel_rooms::Read(Packet& p) {
  Clear();
  int32_t announced = 0;
  if (!p.ReadInt32(&point_target) || !p.ReadInt32(&announced)) return 0;
  if (announced < 0) return 0;
  const size_t held = p.Remaining() / kRoomBytes;
  int32_t n = announced > kMaxRooms ? kMaxRooms : announced;
  if (static_cast<size_t>(n) > held) n = static_cast<int32_t>(held);
  for (int32_t i = 0; i < n; ++i) {
    VXType_channel_room& r = rooms[static_cast<size_t>(i)];
    p.ReadInt32(&r.stake);
    p.ReadInt32(&r.min_balance);
    p.ReadInt32(&r.badge);
    p.ReadInt32(&r.players[0][0]);
    p.ReadInt32(&r.players[0][1]);
    p.ReadInt32(&r.players[1][0]);
    p.ReadInt32(&r.players[1][1]);
  }
  count = n;
  return static_cast<size_t>(announced) <= held ? 1 : 0;
}
