#pragma once
#include <cstdint>

#include "net/Packet.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_card.h"

// 216, client to server: one move. Per action: 0 draw and 4 end carry nothing; 1 down
// carries the knock flag and the new meld; 2 attach the target seat, the target meld
// index, the attached cards and the knock flag; 3 throw the card.
struct VXMsg_player_action_request {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_PLAYER_ACTION;
  int32_t action = VX_ACTION_DRAW;
  int32_t knock = 0;
  int32_t target_seat = -1;
  int32_t target_meld = -1;
  GameVXCardDeck cards;  // the new meld or the attached cards (not owned: the hand's)
  VXType_card card;      // the thrown card
  VXMsg_player_action_request() { cards.not_owner = 1; }
  int Write(Packet& packet) const;
  int Read(Packet& packet);
};

// 216, server to client: the result of a move. With ok 0 nothing else follows.
struct VXMsg_player_action_event {
  static constexpr uint16_t kId = VX_PROTOCOL_GAME_PLAYER_ACTION;
  static constexpr int kSeats = 4;
  int32_t action = -1;
  int32_t ok = 0;
  int32_t seat = -1;
  // draw
  int32_t stock_taken = 0;
  VXType_card card;  // the drawn or thrown card
  // down
  int32_t down_ignored = 0;
  int32_t mission_value = 0;
  int32_t mission_event = -1;
  int32_t mission_flags[kSeats] = {};
  int32_t card0_event = -1;
  int32_t card0_flags[kSeats] = {};
  int32_t card49_event = -1;
  int32_t card49_flags[kSeats] = {};
  int32_t down_tail = 0;
  GameVXCardDeck cards;  // the new meld or the attached cards
  // attach
  int32_t target_seat = -1;
  int32_t target_meld = -1;
  int32_t event = -1;  // attach and throw
  int32_t flagged_seat = -1;
  // throw
  int32_t throw_ignored = 0;
  int32_t round_end = 0;
  int32_t end_kind = 0;
  int32_t event_a = -1;
  int32_t event_b = -1;
  int32_t feeder_seat = -1;

  int Write(Packet& packet) const;
  int Read(Packet& packet);
};
