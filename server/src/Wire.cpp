#include "Wire.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "net/messages/VXType_user_info.h"
#include "net/messages/VXPlayerAction.h"

namespace tsrv {

namespace {

void PutText(uint8_t* block, size_t off, size_t width, const std::string& s) {
  std::memset(block + off, 0, width);
  std::memcpy(block + off, s.data(), s.size() < width ? s.size() : width - 1);
}

void Put32(uint8_t* block, size_t off, int32_t v) { std::memcpy(block + off, &v, 4); }

}  // namespace

int32_t MissionProgress(const Account& a, int type) {
  int64_t v = 0;
  switch (type) {
    case 0: v = a.games; break;
    case 1: v = a.wins; break;
    case 3: v = a.dark_knocks; break;
    case 5: v = a.streak; break;
    default: break;
  }
  return static_cast<int32_t>(std::min<int64_t>(v, kMissions[type].goal));
}

void WriteMissionRecords(Packet& p) {
  for (const MissionDef& m : kMissions) {
    p.WriteInt32(m.period);
    p.WriteInt32(0);
    p.WriteInt32(m.goal);
    p.WriteInt32(m.reward_chips);
    p.WriteInt32(m.reward_rubies);
  }
}

void FillPublicUserInfo(const Account& a, uint8_t* u) {
  FillUserInfo(a, u);
  Put32(u, kUserNumber, 0);
}

void FillUserInfo(const Account& a, uint8_t* u) {
  static_assert(kUserInfoSize == GameVXPlayer::kProfileSize);
  std::memset(u, 0, kUserInfoSize);
  PutText(u, kUserAccountId, 30, a.account_id);
  PutText(u, kUserNickname, 50, a.nickname);
  Put32(u, kUserNumber, static_cast<int32_t>(a.id));
  Put32(u, kUserCharacter, a.character);
  Put32(u, kUserAccountType, a.account_type);
  Put32(u, kUserMarker, kClientProtocolVersion);
  Put32(u, kUserLanguage, 1);  // Thai
  Put32(u, kUserRuby, a.rubies);
  std::memcpy(u + kUserChips, &a.chips, 8);
  Put32(u, kUserExperience, a.exp);
  Put32(u, kUserLevel, a.level);
  Put32(u, kUserSeatedKind, 0);  // not seated anywhere
  Put32(u, kUserRoomSelector1, -1);
  Put32(u, kUserRoomSelector2, -1);
  Put32(u, kUserTournamentId, 0);
  static_assert(kItemSlots == static_cast<int>(kInventoryCounts));
  for (int i = 0; i < kItemSlots; ++i) Put32(u, kUserInventory + 4 * i, a.items[i]);
  static_assert(kMissionProgress + 8 * std::size(kMissions) <= kUserInfoSize);
  for (int t = 0; t < static_cast<int>(std::size(kMissions)); ++t) {
    Put32(u, kMissionProgress + 8 * t, MissionProgress(a, t));
    Put32(u, kMissionProgress + 8 * t + 4, 0);  // start time: the missions never expire
  }
}

VXType_card MakeCard(int code, int owner, int in_hand, int turn_mark) {
  VXType_card c;
  c.code = code;
  c.owner_seat = owner;
  c.in_hand = in_hand;
  c.turn_mark = turn_mark;
  return c;
}

bool FillDeck(GameVXCardDeck& deck, int kind, int index, int turn_mark,
              const std::vector<TableCard>& cards, int in_hand) {
  deck.Clear(true);
  deck.not_owner = 0;
  deck.kind = kind;
  deck.index = index;
  deck.turn_mark = turn_mark;
  bool all = true;
  for (const TableCard& tc : cards) {
    auto* c = new VXType_card(MakeCard(tc.code, tc.owner, in_hand, tc.turn_mark));
    if (!deck.Add_Card(c)) {
      delete c;
      all = false;
    }
  }
  return all;
}

bool FillHand(GameVXCardDeck& deck, const std::vector<int>& hand, int owner, bool hidden) {
  std::vector<TableCard> cards;
  cards.reserve(hand.size());
  for (int code : hand) cards.push_back(TableCard{hidden ? kHiddenCard : code, owner, 0});
  return FillDeck(deck, GameVXCardDeck::KIND_HAND, 0, 0, cards, 1);
}

bool FillMelds(GameVXPlayer& player, const std::vector<Meld>& melds) {
  bool all = true;
  for (size_t i = 0; i < melds.size(); ++i) {
    GameVXCardDeck* d = player.Add_Meld(melds[i].kind);
    if (!d) return false;
    all = FillDeck(*d, melds[i].kind, static_cast<int>(i), melds[i].turn_mark, melds[i].cards, 0) && all;
  }
  return all;
}

bool AcceptsEmptyPayload(uint16_t id) {
  switch (id) {
    case kMsgHeartbeat:
    case VX_PROTOCOL_ACCOUNT_REFRESH:
    case kMsgLeaveServer:
    case VX_PROTOCOL_ROOM_LEAVE:
      return true;
    default:
      return false;
  }
}

Frame CheckFrame(const uint8_t* bytes, size_t avail, uint16_t* length) {
  uint16_t magic = 0, len = 0, id = 0;
  if (!Packet::PeekHeader(bytes, avail, &magic, &len, &id)) return Frame::kIncomplete;
  if (magic != kPacketMagic || len < kPacketHeaderSize || len > kPacketMaxPayload || id < 1 || id > 999)
    return Frame::kBad;
  if (len == kPacketHeaderSize && !AcceptsEmptyPayload(id)) return Frame::kBad;
  if (avail < len) return Frame::kIncomplete;
  if (length) *length = len;
  return Frame::kPacket;
}

bool ParseFrame(const uint8_t* bytes, size_t length, Packet* out) {
  if (length != kPacketHeaderSize) return out->ParseFrom(bytes, length) == 1;
  uint16_t magic = 0, len = 0, id = 0;
  if (!Packet::PeekHeader(bytes, length, &magic, &len, &id) || magic != kPacketMagic ||
      len != kPacketHeaderSize || !AcceptsEmptyPayload(id))
    return false;
  out->Init(id);
  std::memcpy(&out->enciphered, bytes + 6, 2);
  std::memcpy(&out->mark, bytes + 8, 2);
  return true;
}

bool ReadMove(Packet& p, BotMove* mv, int32_t* action) {
  *action = -1;
  const uint32_t start = p.read_pos;
  VXMsg_player_action_request req;
  const int complete = req.Read(p);
  if (p.read_pos > start) *action = req.action;
  if (!complete) return false;
  // The fields before the deck: the action and the knock flag of a down; the action, the
  // target seat, the meld index and the knock flag of an attach.
  size_t other_fields = 0;
  switch (req.action) {
    case VX_ACTION_DRAW:
      mv->action = BotMove::kDraw;
      return true;
    case VX_ACTION_DOWN:
      mv->action = BotMove::kDown;
      other_fields = 8;
      break;
    case VX_ACTION_ATTACH:
      mv->action = BotMove::kAttach;
      other_fields = 16;
      break;
    case VX_ACTION_THROW:
      mv->action = BotMove::kThrow;
      mv->cards = {req.card.code};
      return true;
    case VX_ACTION_END:
      mv->action = BotMove::kEnd;
      return true;
    default:
      return false;
  }
  // The deck reader drops cards whose code it refuses; a request that lost cards on the
  // way is refused as a whole rather than judged without them.
  const size_t deck_bytes = p.read_pos - start - other_fields;
  const size_t on_wire = (deck_bytes - 16) / kCardWireSize;
  if (on_wire != static_cast<size_t>(req.cards.count)) return false;
  mv->cards.clear();
  for (int i = 0; i < req.cards.count; ++i) mv->cards.push_back(req.cards.cards[i]->code);
  mv->kind = req.cards.kind;
  mv->knock_flag = req.knock != 0;
  mv->target_seat = req.target_seat;
  mv->meld_index = req.target_meld;
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
