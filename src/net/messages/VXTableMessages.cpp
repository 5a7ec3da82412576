#include "net/messages/VXTableMessages.h"

#include "framework/Clock.h"
#include "framework/Log.h"

namespace {

int ReadRaw(Packet& p, void* dst, size_t n) { return p.ReadBytes(dst, n); }
int WriteRaw(Packet& p, const void* src, size_t n) { return p.WriteBytes(src, n); }

// Reads n seat entries (seat, then the player parts of `mode`). Entries naming a seat
// outside 0..3 are read past and dropped; a count above four seats refuses the list.
template <size_t N>
int ReadEntries(Packet& p, int32_t mode, int32_t& kept, std::array<VXTableSeatEntry, N>& entries) {
  kept = 0;
  for (VXTableSeatEntry& e : entries) {
    e.seat = -1;
    e.player.reset();
  }
  int32_t n = 0;
  if (!p.ReadInt32(&n)) return 0;
  if (n < 0 || n > static_cast<int32_t>(N)) {
    Log(LOG_WARNING, "[WARNING]: table message| bad player count %d", n);
    return 0;
  }
  for (int32_t i = 0; i < n; ++i) {
    int32_t seat = -1;
    if (!p.ReadInt32(&seat)) return 0;
    auto player = std::make_unique<GameVXPlayer>();
    if (!Read_Player_Parts(p, mode, *player)) return 0;
    if (seat < 0 || seat >= GameVXPlayer::kSeats) {
      Log(LOG_WARNING, "[WARNING]: table message| player for seat %d dropped", seat);
      continue;
    }
    entries[kept].seat = seat;
    entries[kept].player = std::move(player);
    ++kept;
  }
  return 1;
}

template <size_t N>
int WriteEntries(Packet& p, int32_t mode, int32_t count, const std::array<VXTableSeatEntry, N>& entries) {
  if (count < 0 || count > static_cast<int32_t>(N)) return 0;
  if (!p.WriteInt32(count)) return 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!p.WriteInt32(entries[i].seat)) return 0;
    GameVXPlayer empty;
    if (!Write_Player_Parts(p, mode, entries[i].player ? *entries[i].player : empty)) return 0;
  }
  return 1;
}

}  // namespace

int Read_Player_Parts(Packet& p, int32_t mode, GameVXPlayer& player) {
  if (mode == 0) return player.Read(p);
  if (mode == 1) return player.Read_State_And_Cards(p);
  return player.Read_Cards(p);
}

int Write_Player_Parts(Packet& p, int32_t mode, const GameVXPlayer& player) {
  if (mode == 0) return player.Write(p);
  if (mode == 1) return player.Write_State_And_Cards(p);
  return player.Write_Cards(p);
}

int VXMsg_tournament_table::Write(Packet& p) const {
  return WriteRaw(p, info.raw, info.kSize) && WriteRaw(p, progress.raw, progress.kSize);
}
int VXMsg_tournament_table::Read(Packet& p) {
  return ReadRaw(p, info.raw, info.kSize) && ReadRaw(p, progress.raw, progress.kSize);
}

int VXMsg_room_enter_request::Write(Packet& p) const { return WriteRaw(p, room.raw, room.kSize); }
int VXMsg_room_enter_request::Read(Packet& p) { return ReadRaw(p, room.raw, room.kSize); }

int VXMsg_room_enter_reply::Write(Packet& p) const {
  if (!p.WriteInt32(result)) return 0;
  if (result == 0) return 1;
  return WriteRaw(p, room.raw, room.kSize) && WriteRaw(p, user_info, sizeof(user_info)) &&
         p.WriteInt32(ignored);
}
int VXMsg_room_enter_reply::Read(Packet& p) {
  if (!p.ReadInt32(&result)) return 0;
  if (result == 0) return 1;
  return ReadRaw(p, room.raw, room.kSize) && ReadRaw(p, user_info, sizeof(user_info)) &&
         p.ReadInt32(&ignored);
}

int VXMsg_room_leave_request::Write(Packet& p) const { return p.WriteInt32(zero); }
int VXMsg_room_leave_request::Read(Packet& p) { return p.ReadInt32(&zero); }

int VXMsg_room_leave_event::Write(Packet& p) const {
  return p.WriteInt32(ok) && WriteRaw(p, user_info, sizeof(user_info)) && p.WriteInt32(kicked);
}
int VXMsg_room_leave_event::Read(Packet& p) {
  return p.ReadInt32(&ok) && ReadRaw(p, user_info, sizeof(user_info)) && p.ReadInt32(&kicked);
}

int VXMsg_table_info_request::Write(Packet& p) const { return p.WriteInt32(mode); }
int VXMsg_table_info_request::Read(Packet& p) { return p.ReadInt32(&mode); }

int VXMsg_table_info::Write(Packet& p) const {
  if (mode < 0 || !p.WriteInt32(mode)) return 0;
  if (mode <= 1) {
    if (!status.Write(p)) return 0;
  } else if (!p.WriteInt32(status.stock_taken)) {
    return 0;
  }
  return pile.Write(p) && WriteEntries(p, mode, entry_count, entries);
}

int VXMsg_table_info::Read(Packet& p) {
  if (!p.ReadInt32(&mode)) return 0;
  if (mode < 0) {
    Log(LOG_WARNING, "[WARNING]: VXMsg_table_info::Read| bad mode %d", mode);
    return 0;
  }
  if (mode <= 1) {
    if (!status.Read(p)) return 0;
  } else if (!p.ReadInt32(&status.stock_taken)) {
    return 0;
  }
  if (!pile.Read(p, true)) return 0;
  return ReadEntries(p, mode, entry_count, entries);
}

int VXMsg_table_player::Write(Packet& p) const {
  return p.WriteInt32(mode) && p.WriteInt32(seat) && Write_Player_Parts(p, mode, player);
}
int VXMsg_table_player::Read(Packet& p) {
  if (!p.ReadInt32(&mode) || !p.ReadInt32(&seat)) return 0;
  if (mode < 0) return 0;
  return Read_Player_Parts(p, mode, player);
}

int VXMsg_table_chat::Write(Packet& p) const {
  return p.WriteInt32(seat) && p.WriteInt32(ignored) && WriteRaw(p, text, sizeof(text));
}
int VXMsg_table_chat::Read(Packet& p) {
  const int ok = p.ReadInt32(&seat) && p.ReadInt32(&ignored) && ReadRaw(p, text, sizeof(text));
  text[sizeof(text) - 1] = 0;  // always a terminated text
  return ok;
}

int VXMsg_table_emoticon::Write(Packet& p) const {
  return p.WriteInt32(seat) && p.WriteInt32(emoticon) && p.WriteInt32(variant);
}
int VXMsg_table_emoticon::Read(Packet& p) {
  return p.ReadInt32(&seat) && p.ReadInt32(&emoticon) && p.ReadInt32(&variant);
}

int VXMsg_table_item_attack::Write(Packet& p) const {
  return p.WriteInt32(to_all) && p.WriteInt32(seat) && p.WriteInt32(target_seat) && p.WriteInt32(item) &&
         p.WriteInt64(chips);
}
int VXMsg_table_item_attack::Read(Packet& p) {
  return p.ReadInt32(&to_all) && p.ReadInt32(&seat) && p.ReadInt32(&target_seat) && p.ReadInt32(&item) &&
         p.ReadInt64(&chips);
}

int VXMsg_table_report::Write(Packet& p) const {
  if (!p.WriteInt32(ok) || !WriteRaw(p, name, sizeof(name))) return 0;
  return ok ? WriteRaw(p, user_info, sizeof(user_info)) : 1;
}
int VXMsg_table_report::Read(Packet& p) {
  if (!p.ReadInt32(&ok)) return 0;
  const int got_name = ReadRaw(p, name, sizeof(name));
  name[sizeof(name) - 1] = 0;
  if (!got_name) return 0;
  return ok ? ReadRaw(p, user_info, sizeof(user_info)) : 1;
}

int VXMsg_table_items::Write(Packet& p) const {
  if (!p.WriteInt32(ok)) return 0;
  return ok ? WriteRaw(p, items, sizeof(items)) : 1;
}
int VXMsg_table_items::Read(Packet& p) {
  if (!p.ReadInt32(&ok)) return 0;
  return ok ? ReadRaw(p, items, sizeof(items)) : 1;
}

int VXMsg_card_change_request::Write(Packet& p) const { return cards.Write(p); }
int VXMsg_card_change_request::Read(Packet& p) { return cards.Read(p, true); }

int VXMsg_card_change_event::Write(Packet& p) const {
  if (!p.WriteInt32(ok)) return 0;
  if (!ok) return 1;
  return cards.Write(p) && WriteRaw(p, items, sizeof(items));
}
int VXMsg_card_change_event::Read(Packet& p) {
  if (!p.ReadInt32(&ok)) return 0;
  if (!ok) return 1;
  return cards.Read(p, true) && ReadRaw(p, items, sizeof(items));
}

int VXMsg_game_ready_request::Write(Packet& p) const { return p.WriteInt32(value); }
int VXMsg_game_ready_request::Read(Packet& p) { return p.ReadInt32(&value); }

int VXMsg_game_ready_event::Write(Packet& p) const { return p.WriteInt32(seat) && p.WriteInt32(ignored); }
int VXMsg_game_ready_event::Read(Packet& p) { return p.ReadInt32(&seat) && p.ReadInt32(&ignored); }

int VXMsg_game_turn::Write(Packet& p) const {
  return status.Write(p) && WriteRaw(p, seat.raw, seat.kSize) && p.WriteInt32(player_status);
}
int VXMsg_game_turn::Read(Packet& p) {
  if (!status.Read(p)) return 0;
  if (!ReadRaw(p, seat.raw, seat.kSize)) return 0;
  // As with every seat state: the local tick at which the turn started.
  seat.SetTurnStart(GetTickMs() - seat.TurnStart());
  return p.ReadInt32(&player_status);
}

int VXMsg_game_start::Write(Packet& p) const {
  return status.Write(p) && pile.Write(p) && WriteEntries(p, 0, entry_count, entries);
}
int VXMsg_game_start::Read(Packet& p) {
  return status.Read(p) && pile.Read(p, true) && ReadEntries(p, 0, entry_count, entries);
}

int VXMsg_game_result::Write(Packet& p) const {
  if (row_count < 0 || row_count > kSeats) return 0;
  if (!WriteRaw(p, header, sizeof(header)) || !p.WriteInt32(winner_seat)) return 0;
  for (int64_t v : settlement)
    if (!p.WriteInt64(v)) return 0;
  if (!WriteRaw(p, skipped, sizeof(skipped))) return 0;
  for (const int32_t* group : {kept, plus_points, minus_points})
    for (int i = 0; i < kSeats; ++i)
      if (!p.WriteInt32(group[i])) return 0;
  if (!p.WriteInt32(row_count)) return 0;
  for (int i = 0; i < row_count; ++i)
    if (!p.WriteInt32(rows[i].rank) || !p.WriteInt32(rows[i].seat) || !p.WriteInt32(rows[i].streak)) return 0;
  return 1;
}

int VXMsg_game_result::Read(Packet& p) {
  if (!ReadRaw(p, header, sizeof(header)) || !p.ReadInt32(&winner_seat)) return 0;
  for (int64_t& v : settlement)
    if (!p.ReadInt64(&v)) return 0;
  if (!ReadRaw(p, skipped, sizeof(skipped))) return 0;
  for (int32_t* group : {kept, plus_points, minus_points})
    for (int i = 0; i < kSeats; ++i)
      if (!p.ReadInt32(&group[i])) return 0;
  row_count = 0;
  int32_t n = 0;
  if (!p.ReadInt32(&n)) return 0;
  if (n < 0 || n > kSeats) {
    Log(LOG_WARNING, "[WARNING]: VXMsg_game_result::Read| bad row count %d", n);
    return 0;
  }
  for (int32_t i = 0; i < n; ++i) {
    Row r;
    if (!p.ReadInt32(&r.rank) || !p.ReadInt32(&r.seat) || !p.ReadInt32(&r.streak)) return 0;
    rows[row_count++] = r;
  }
  return 1;
}
