#include "Wire.h"

namespace tsrv {

UserInfo MakeUserInfo(const Account& a) {
  UserInfo u;
  u.Text(0, 30, a.account_id);
  u.Text(30, 50, a.nickname);
  u.I32(96, static_cast<int32_t>(a.id));
  u.I32(108, a.character);
  u.I32(112, a.account_type);
  u.I32(128, 126);
  u.I32(132, 1);  // Thai
  u.I32(144, a.rubies);
  u.I64(148, a.chips);
  u.I32(156, a.exp);
  u.I32(160, a.level);
  u.I32(184, 0);   // not seated anywhere
  u.I32(200, -1);
  u.I32(204, -1);
  u.I32(216, 0);
  for (int i = 0; i < kItemSlots; ++i) u.I32(224 + 4 * i, a.items[i]);
  return u;
}

void WriteTurnInfo(Packet& p, const TurnView& t) {
  Block<kTurnInfoSize> b;
  b.I32(8, 1);  // direction
  b.I32(12, t.host_seat);
  b.I32(16, t.turn_seat);
  b.I32(24, -1);  // no seat is forced into the staged-move mode
  b.I32(28, t.mission_value);
  b.WriteTo(p);
}

void WriteStatusBlock(Packet& p, const RoomInfo& room, int elapsed_ms, int stock_used,
                      const TurnView& t) {
  room.WriteTo(p);
  p.WriteInt32(elapsed_ms);
  p.WriteInt32(stock_used);
  WriteTurnInfo(p, t);
}

void WriteCard(Packet& p, int code, int owner, int in_hand, int turn_mark) {
  p.WriteInt32(code);
  p.WriteInt32(owner);
  p.WriteInt32(in_hand);
  p.WriteInt32(turn_mark);
  p.WriteInt32(0);
}

void WriteDeck(Packet& p, int kind, int index, int turn_mark, const std::vector<TableCard>& cards,
               int in_hand) {
  p.WriteInt32(kind);
  p.WriteInt32(index);
  p.WriteInt32(turn_mark);
  p.WriteInt32(static_cast<int32_t>(cards.size()));
  for (const auto& c : cards) WriteCard(p, c.code, c.owner, in_hand, c.turn_mark);
}

void WriteHand(Packet& p, const std::vector<int>& hand, int owner, bool hidden) {
  p.WriteInt32(1);
  p.WriteInt32(0);
  p.WriteInt32(0);
  p.WriteInt32(static_cast<int32_t>(hand.size()));
  for (int c : hand) WriteCard(p, hidden ? kHiddenCard : c, owner, 1, 0);
}

void WriteSeatState(Packet& p, const SeatStateView& s) {
  Block<kSeatStateSize> b;
  b.I32(0, s.seat);
  b.I32(12, s.turn_ms);
  b.I32(20, s.points);
  b.I32(24, s.ready);
  b.I32(28, s.turn_id);
  b.I32(32, s.drawn_turn_id);
  b.I32(36, s.plus);
  b.I32(40, s.minus);
  b.I64(44, s.settlement);
  b.I32(56, -1);
  for (int i = 0; i < 11; ++i) b.I32(64 + 4 * i, s.counters[i]);
  for (int i = 0; i < 7; ++i) b.I32(108 + 4 * i, s.penalties[i]);
  b.WriteTo(p);
}

bool ReadCard(Packet& p, int* code) {
  int32_t v[5];
  for (int i = 0; i < 5; ++i)
    if (!p.ReadInt32(&v[i])) return false;
  *code = v[0];
  return true;
}

bool ReadDeck(Packet& p, std::vector<int>* out, int* kind, size_t max_cards) {
  int32_t k, index, mark, count;
  if (!p.ReadInt32(&k) || !p.ReadInt32(&index) || !p.ReadInt32(&mark) || !p.ReadInt32(&count))
    return false;
  if (count < 0 || static_cast<size_t>(count) > max_cards) return false;
  out->clear();
  for (int i = 0; i < count; ++i) {
    int c;
    if (!ReadCard(p, &c)) return false;
    out->push_back(c);
  }
  if (kind) *kind = k;
  return true;
}

std::string UnscrambleUserId(const uint8_t* hex, size_t n) {
  auto nib = [](uint8_t h) -> int {
    if (h >= '0' && h <= '9') return h - '0';
    if (h >= 'A' && h <= 'F') return h - 'A' + 10;
    if (h >= 'a' && h <= 'f') return h - 'a' + 10;
    return -1;
  };
  std::string out;
  uint32_t k = 51367;
  for (size_t i = 0; i + 1 < n; i += 2) {
    if (hex[i] == 0) break;
    int hi = nib(hex[i]), lo = nib(hex[i + 1]);
    if (hi < 0 || lo < 0) return std::string();
    uint8_t c = static_cast<uint8_t>(hi * 16 + lo);
    out.push_back(static_cast<char>(c ^ ((k >> 8) & 0xFF)));
    k = (k + c) * 91823u + 22691u;
  }
  return out;
}

ServerInfo MakeServerInfo(const std::string& host, int port, int kind, int selector) {
  ServerInfo si;
  si.SetHost(host.c_str());
  si.SetSelector1(0);
  si.SetSelector2(selector);
  si.SetPort(port);
  si.SetKind(kind);
  return si;
}

}  // namespace tsrv
