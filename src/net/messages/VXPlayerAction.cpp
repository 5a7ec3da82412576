#include "net/messages/VXPlayerAction.h"

int VXMsg_player_action_request::Write(Packet& p) const {
  if (!p.WriteInt32(action)) return 0;
  switch (action) {
    case VX_ACTION_DOWN:
      return p.WriteInt32(knock) && cards.Write(p);
    case VX_ACTION_ATTACH:
      return p.WriteInt32(target_seat) && p.WriteInt32(target_meld) && cards.Write(p) && p.WriteInt32(knock);
    case VX_ACTION_THROW:
      return card.Write(p);
    default:
      return 1;
  }
}

int VXMsg_player_action_request::Read(Packet& p) {
  if (!p.ReadInt32(&action)) return 0;
  switch (action) {
    case VX_ACTION_DOWN:
      return p.ReadInt32(&knock) && cards.Read(p, true);
    case VX_ACTION_ATTACH:
      return p.ReadInt32(&target_seat) && p.ReadInt32(&target_meld) && cards.Read(p, true) &&
             p.ReadInt32(&knock);
    case VX_ACTION_THROW:
      return card.Read(p);
    default:
      return 1;
  }
}

namespace {

int WriteFour(Packet& p, const int32_t (&v)[4]) {
  for (int32_t x : v)
    if (!p.WriteInt32(x)) return 0;
  return 1;
}

int ReadFour(Packet& p, int32_t (&v)[4]) {
  for (int32_t& x : v)
    if (!p.ReadInt32(&x)) return 0;
  return 1;
}

}  // namespace

int VXMsg_player_action_event::Write(Packet& p) const {
  if (!p.WriteInt32(action) || !p.WriteInt32(ok)) return 0;
  if (!ok) return 1;
  switch (action) {
    case VX_ACTION_DRAW:
      return p.WriteInt32(stock_taken) && p.WriteInt32(seat) && card.Write(p);
    case VX_ACTION_DOWN:
      return p.WriteInt32(seat) && p.WriteInt32(down_ignored) && p.WriteInt32(mission_value) && cards.Write(p) &&
             p.WriteInt32(mission_event) && WriteFour(p, mission_flags) && p.WriteInt32(card0_event) &&
             WriteFour(p, card0_flags) && p.WriteInt32(card49_event) && WriteFour(p, card49_flags) &&
             p.WriteInt32(down_tail);
    case VX_ACTION_ATTACH:
      return p.WriteInt32(seat) && p.WriteInt32(target_seat) && p.WriteInt32(target_meld) && cards.Write(p) &&
             p.WriteInt32(event) && p.WriteInt32(flagged_seat);
    case VX_ACTION_THROW:
      if (!(p.WriteInt32(seat) && card.Write(p) && p.WriteInt32(event) && p.WriteInt32(throw_ignored) &&
            p.WriteInt32(round_end)))
        return 0;
      if (!round_end) return 1;
      return p.WriteInt32(end_kind) && p.WriteInt32(event_a) && p.WriteInt32(event_b) && p.WriteInt32(feeder_seat);
    default:
      return 1;
  }
}

int VXMsg_player_action_event::Read(Packet& p) {
  if (!p.ReadInt32(&action) || !p.ReadInt32(&ok)) return 0;
  if (!ok) return 1;
  switch (action) {
    case VX_ACTION_DRAW:
      return p.ReadInt32(&stock_taken) && p.ReadInt32(&seat) && card.Read(p);
    case VX_ACTION_DOWN:
      return p.ReadInt32(&seat) && p.ReadInt32(&down_ignored) && p.ReadInt32(&mission_value) &&
             cards.Read(p, true) && p.ReadInt32(&mission_event) && ReadFour(p, mission_flags) &&
             p.ReadInt32(&card0_event) && ReadFour(p, card0_flags) && p.ReadInt32(&card49_event) &&
             ReadFour(p, card49_flags) && p.ReadInt32(&down_tail);
    case VX_ACTION_ATTACH:
      return p.ReadInt32(&seat) && p.ReadInt32(&target_seat) && p.ReadInt32(&target_meld) &&
             cards.Read(p, true) && p.ReadInt32(&event) && p.ReadInt32(&flagged_seat);
    case VX_ACTION_THROW:
      if (!(p.ReadInt32(&seat) && card.Read(p) && p.ReadInt32(&event) && p.ReadInt32(&throw_ignored) &&
            p.ReadInt32(&round_end)))
        return 0;
      if (!round_end) return 1;
      return p.ReadInt32(&end_kind) && p.ReadInt32(&event_a) && p.ReadInt32(&event_b) && p.ReadInt32(&feeder_seat);
    default:
      return 1;
  }
}
