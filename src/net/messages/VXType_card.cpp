#include "net/messages/VXType_card.h"

#include "net/Packet.h"

int VXType_card::Write(Packet& packet) const {
  // Refuse a partial card: either all five fields fit or none is written.
  if (packet.write_len + kCardWireSize > kPacketMaxPayload) return 0;
  packet.WriteInt32(code);
  packet.WriteInt32(owner_seat);
  packet.WriteInt32(in_hand ? 1 : 0);
  packet.WriteInt32(turn_mark);
  packet.WriteInt32(extra);
  return 1;
}

int VXType_card::Read(Packet& packet) {
  if (packet.Remaining() < static_cast<size_t>(kCardWireSize)) return 0;
  int32_t v[5];
  for (int32_t& x : v) packet.ReadInt32(&x);
  code = v[0];
  owner_seat = v[1];
  in_hand = v[2] ? 1 : 0;
  turn_mark = v[3];
  extra = v[4];
  return 1;
}

VXType_card* VXType_card::Clone() const {
  auto* c = new VXType_card;
  c->code = code;
  c->owner_seat = owner_seat;
  c->in_hand = in_hand;
  c->turn_mark = turn_mark;
  c->anim_time = anim_time;
  c->extra = extra;
  return c;
}
