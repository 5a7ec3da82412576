#include "net/messages/VXTableRecords.h"

#include "framework/Clock.h"
#include "net/Packet.h"

int VXType_table_status::Write(Packet& packet) const {
  if (packet.write_len > kPacketMaxPayload || kWireSize > kPacketMaxPayload - packet.write_len) return 0;
  packet.WriteBytes(room.raw, room.kSize);
  packet.WriteInt32(static_cast<int32_t>(turn_start));
  packet.WriteInt32(stock_taken);
  packet.WriteBytes(turn.raw, turn.kSize);
  return 1;
}

int VXType_table_status::Read(Packet& packet) {
  if (!packet.ReadBytes(room.raw, room.kSize)) return 0;
  int32_t elapsed = 0;
  if (!packet.ReadInt32(&elapsed)) return 0;
  turn_start = GetTickMs() - static_cast<uint32_t>(elapsed);
  if (!packet.ReadInt32(&stock_taken)) return 0;
  return packet.ReadBytes(turn.raw, turn.kSize);
}
