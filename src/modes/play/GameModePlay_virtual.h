#pragma once
#include <cstdint>

#include "framework/ZBObject.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/GameVXPlayer.h"
#include "ui/ZBEntity.h"

class GameModePlay;
struct Packet;

// Knock mode: the player composes a whole finishing sequence of moves on a private copy
// of the table (the pile and every seated player), each accepted move queues its request,
// and once the copy shows an empty hand the queue is sent, 700 ms between packets.
// Variant 0 is knock dark (entered by its button, finished by confirm); variant 1 is the
// forced knock (entered when the own turn starts as the knock seat; the last throw sends
// the queue at once).
//
// Main thread only, like the play mode that embeds it; the queued packets leave on the
// game logic's current session from Process, which the play mode calls every frame.
class GameModePlay_virtual : public ZBObject {
 public:
  static constexpr uint32_t kSendSpacingMs = 700;
  enum : int32_t { kKnockDark = 0, kForced = 1 };

  explicit GameModePlay_virtual(GameModePlay* owner = nullptr) : m_owner(owner) {}
  ~GameModePlay_virtual() override;
  GameModePlay_virtual(const GameModePlay_virtual&) = delete;
  GameModePlay_virtual& operator=(const GameModePlay_virtual&) = delete;

  // Knock mode on a copy of the owner's pile and seats (selection and hints of the pile
  // and the own hand carried over); the owner's buttons follow.
  void Enter(int variant);
  // Creates or refreshes the copy of one seat, with clones of its picked-up cards.
  void Copy_Player(int seat, const GameVXPlayer* player);
  // Ends knock mode: the copies go, and so does every staged or still unsent move (a
  // reset never lets staged moves leave later, with another turn's or round's moves).
  void Reset();
  // Drops every queued packet; a sequence being sent stops.
  void Clear_Tasks();
  // Appends a copy of `packet` to the queue.
  void PushTask(const Packet& packet);
  int TaskCount() { return m_tasks.GetCount(); }
  // Queued packet `index` (0 the oldest), null past the end.
  const Packet* TaskAt(int index) { return static_cast<const Packet*>(m_tasks.GetAt(index)); }
  // Starts sending the queue once the own copy holds no card; 1 when it started.
  int RunTask();
  // Every frame: the next queued packet once 700 ms have passed since the last one.
  void Process();

  // The staged moves; each returns 1 when the copy accepted it (and changed), else 0
  // with nothing changed.
  int Process_Player_Action_Down(GameVXCardDeck* cards, int seat);
  int Process_Player_Action_Attach(GameVXCardDeck* cards, int meld_index, int seat, int target_seat);
  int Process_Player_Action_Throw(int32_t code, int seat);

  GameVXPlayer* Player(int seat) const { return seat >= 0 && seat < GameVXPlayer::kSeats ? players[seat] : nullptr; }
  // The own seat's copy.
  GameVXPlayer* MyPlayer() const;
  // Cards the own copy still holds (hand and picked-up cards).
  int My_Cards_Left() const;

  int32_t running = 0;
  uint32_t last_send = 0;
  int32_t active = 0;
  int32_t variant = 0;
  GameVXCardDeck pile;
  GameVXPlayer* players[GameVXPlayer::kSeats] = {};

 private:
  // The copies go and knock mode ends; the queue stays (it is about to be sent).
  void Release_Copies();
  // Sends one queued packet when the current session can carry it; frees it.
  void Send_Queued(Packet* packet);
  void Refresh_Buttons(bool clear);

  GameModePlay* m_owner;
  ZBEntity m_tasks;  // heap copies of whole packets, oldest first
};
