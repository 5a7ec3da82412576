// Arbitrary bytes into the card, deck and player readers and the table records that
// carry them. The first byte picks the reader; the rest is the payload. Whatever is read
// must write back and read again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "framework/Clock.h"
#include "net/Packet.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/GameVXPlayer.h"
#include "net/messages/VXPlayerAction.h"
#include "net/messages/VXTableMessages.h"

namespace {

uint32_t ZeroTick() { return 0; }

void Load(Packet& p, const uint8_t* data, size_t size) {
  if (size > kPacketMaxPayload) size = kPacketMaxPayload;
  p.Init(216);
  std::memcpy(p.payload, data, size);
  p.length = static_cast<uint16_t>(kPacketHeaderSize + size);
  p.read_pos = 0;
}

// Writes `rec`, reads that into a fresh record and checks both writes agree.
template <class T, class WriteFn, class ReadFn>
void CheckRewrite(const T& rec, WriteFn write, ReadFn read) {
  auto out = std::make_unique<Packet>(216);
  if (!write(rec, *out)) return;
  auto again = std::make_unique<T>();
  if (!read(*again, *out)) __builtin_trap();
  auto out2 = std::make_unique<Packet>(216);
  if (!write(*again, *out2)) __builtin_trap();
  if (out2->length != out->length || std::memcmp(out2->payload, out->payload, out->PayloadLength()) != 0)
    __builtin_trap();
}

// Runs the card algorithms over whatever a deck holds.
void Exercise(GameVXCardDeck& deck, const GameVXPlayer* players[4]) {
  int32_t seen[13] = {};
  for (int i = 0; i < deck.count; ++i) {
    const VXType_card* c = deck.cards[i];
    deck.Forms_Meld_With_Hand(c);
    for (int s = 0; s < 4; ++s)
      if (players[s]) players[s]->Find_Meld_For(c);
    GameVXCardDeck::Feeds_Special(0, &deck, c->code, i, seen);
    GameVXCardDeck::Feeds_Special(c->code, &deck, 49, 0, seen);
  }
  deck.Is_Valid_Meld();
  deck.sort_mode = 2;
  deck.Sort();
  if (deck.count > 0) deck.Reorder_By_Position(deck.cards[deck.count / 2]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetTickSource(ZeroTick);
  if (size < 1) return 0;
  const uint8_t which = data[0] % 5;
  auto packet = std::make_unique<Packet>();
  Load(*packet, data + 1, size - 1);
  const GameVXPlayer* none[4] = {};

  switch (which) {
    case 0: {
      auto deck = std::make_unique<GameVXCardDeck>();
      if (deck->Read(*packet, true)) {
        CheckRewrite(
            *deck, [](const GameVXCardDeck& d, Packet& p) { return d.Write(p); },
            [](GameVXCardDeck& d, Packet& p) { return d.Read(p, true); });
      }
      Exercise(*deck, none);
      break;
    }
    case 1: {
      auto player = std::make_unique<GameVXPlayer>();
      if (player->Read(*packet)) {
        player->seat.SetTurnStart(0u - player->seat.TurnStart());
        CheckRewrite(
            *player, [](const GameVXPlayer& pl, Packet& p) { return pl.Write(p); },
            [](GameVXPlayer& pl, Packet& p) {
              const int ok = pl.Read(p);
              pl.seat.SetTurnStart(0u - pl.seat.TurnStart());
              return ok;
            });
      }
      const GameVXPlayer* seats[4] = {player.get(), nullptr, nullptr, nullptr};
      Exercise(player->hand, seats);
      auto copy = std::make_unique<GameVXPlayer>();
      copy->Copy_From(player.get(), true);
      break;
    }
    case 2: {
      auto info = std::make_unique<VXMsg_table_info>();
      info->Read(*packet);
      break;
    }
    case 3: {
      auto start = std::make_unique<VXMsg_game_start>();
      start->Read(*packet);
      break;
    }
    default: {
      auto ev = std::make_unique<VXMsg_player_action_event>();
      if (ev->Read(*packet)) {
        CheckRewrite(
            *ev, [](const VXMsg_player_action_event& m, Packet& p) { return m.Write(p); },
            [](VXMsg_player_action_event& m, Packet& p) { return m.Read(p); });
      }
      break;
    }
  }
  return 0;
}
