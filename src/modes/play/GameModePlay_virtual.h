#pragma once
#include <cstdint>

#include "framework/ZBObject.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/GameVXPlayer.h"

class GameModePlay;
struct Packet;

// Knock mode: the player composes a whole finishing sequence of moves on a private copy
// of the table (the pile and every seated player), each accepted move queues its request,
// and once the copy shows an empty hand the queue is sent, 700 ms between packets.
// Variant 0 is knock dark (entered by its button, finished by confirm); variant 1 is the
// forced knock (entered when the own turn starts as the knock seat; the last throw sends
// the queue at once).
//
// Main thread only, like the play mode that embeds it.
class GameModePlay_virtual : public ZBObject {
 public:
  static constexpr uint32_t kSendSpacingMs = 700;

  GameModePlay_virtual() = default;
  ~GameModePlay_virtual() override;
  GameModePlay_virtual(const GameModePlay_virtual&) = delete;
  GameModePlay_virtual& operator=(const GameModePlay_virtual&) = delete;

  // Deletes the seat copies; knock mode ends. The queue is left to Clear_Tasks.
  void Reset();
  // Drops every queued packet.
  void Clear_Tasks();
  // Called every frame by the play mode: sends the next queued packet when due.
  void Process();

  int32_t running = 0;
  uint32_t last_send = 0;
  int32_t active = 0;
  int32_t variant = 0;
  GameVXCardDeck pile;
  GameVXPlayer* players[GameVXPlayer::kSeats] = {};
};
