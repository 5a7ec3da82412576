#pragma once
#include <cstdint>

#include "app/GameMode.h"
#include "modes/play/GameModePlay_virtual.h"
#include "net/Packet.h"
#include "net/messages/GameVXCardDeck.h"
#include "net/messages/GameVXPlayer.h"
#include "net/messages/VXTableRecords.h"
#include "scenes/GameSceneLayer.h"
#include "ui/EventCtrlGroup.h"
#include "ui/GLAnimation.h"
#include "ui/GLAnimationSet.h"
#include "ui/GLButtonImage.h"

class GLTexture;

// The table screen. It holds the client's copy of the table (four seats, the discard
// pile, the room, turn and tournament records), applies the server's table events to it,
// decides which buttons the player sees, plays the sounds and animations, and turns the
// player's input into requests.
//
// Seat indexes are the server's (0 to 3); for drawing a seat becomes a relative position,
// 0 for the own seat (see Relative).
//
// The class is split by concern over several source files:
//   GameModePlay.cpp        life cycle, Update, Reset, panels, start buttons, leaving
//   GameModePlayEvents.cpp  the table events from the server (OnPacket)
//   GameModePlayDraw.cpp    drawing the table and storing each card's rectangle
//   GameModePlayAnimations.cpp  the table animations
//   GameModePlayMoves.cpp   the player's input, moves and their checks
//
// Threads: main thread only, like every mode. Packets reach OnPacket from the session's
// dispatch on the main thread; the animations' end callbacks run inside Update.
class GameModePlay : public GameMode {
 public:
  static constexpr int kSeats = GameVXPlayer::kSeats;

  // The process-wide instance, created on first use.
  static GameModePlay* Instance();
  // Deletes the instance (tests and shutdown).
  static void DestroyInstance();

  GameModePlay();
  ~GameModePlay() override;
  GameModePlay(const GameModePlay&) = delete;
  GameModePlay& operator=(const GameModePlay&) = delete;

  int LoadResources() override;
  int ReleaseResources() override;
  int Create(int param1, int param2) override;
  void Cleanup() override;
  void OnInit_Process() override;
  int Update() override;
  void Close() override;
  int CanClose(int a, int b) override;
  void OnEnterKey() override;
  int OnPacket(Packet* packet) override;
  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  void OnEvent(ZBEventCtrl* sender) override;

  // Relative position of `seat` for drawing (0 = own seat); -1 for a seat outside 0..3.
  int Relative(int seat) const;
  // The player on `seat`, null for an empty seat or an index outside 0..3.
  GameVXPlayer* Player(int seat) const { return seat >= 0 && seat < kSeats ? players[seat] : nullptr; }
  GameVXPlayer* MyPlayer() const { return Player(my_seat); }

  // Reset flags: bit 0 the room and own seat, bit 1 the seats; 3 (or bit 3) everything.
  void Reset(int flags);
  void Show_Scene(int index);
  void Hide_Tournament_Scene();
  void Show_Panel(int i);
  void Hide_Panels();
  void Close_Panel(int i);
  void Update_Start_Buttons();
  // Refreshes which move buttons are shown and enabled; `clear` empties the selection.
  void Update_Action_Buttons(bool clear);
  void Return_To_Lobby(int flag);
  // Shows an alert line over the table (message text id), for 2000 ms.
  void Alert(int text_id);

  // ---- the table model ------------------------------------------------------------
  int32_t my_seat = -1;
  int32_t table_ready = 0;
  VXType_room_info room;
  VXType_turn_info turn;
  uint32_t turn_start = 0;
  int32_t stock_used = 0;
  VXType_tournament_info tournament;
  VXType_tournament_progress progress;
  uint8_t result_header[50] = {};
  GameVXPlayer* players[kSeats] = {};
  GameVXCardDeck pile;
  GameVXCardDeck selection;  // not owning: the cards gathered for the move being checked
  struct AttachTarget {
    int32_t seat = -1;
    int32_t meld = -1;
  };
  AttachTarget attach_targets[3];
  int32_t attach_target_count = 0;
  int32_t mission_card = -1;
  struct LastThrow {
    int32_t active = 0, thrower = -1, card = 13, revealed = 0;
    int32_t end_kind = -1, event_a = -1, event_b = -1, feeder = -1;
  };
  LastThrow last_throw;
  char chat_text[kSeats][255] = {};
  uint32_t chat_time[kSeats] = {};
  int32_t result_order[kSeats] = {-1, -1, -1, -1};
  int32_t result_rank[kSeats] = {-1, -1, -1, -1};
  struct SeatFx {
    uint32_t frame_time = 0;
    int32_t frame = 0;
    int32_t advance = 0;
  };
  SeatFx seat_fx[kSeats];
  struct Reaction {
    uint32_t time = 0;
    int32_t item = -1;
  };
  Reaction reaction[kSeats];
  char alert_text[255] = {};
  uint32_t alert_time = 0;
  int32_t panel_state[3] = {};
  uint32_t panel_time[3] = {};
  int32_t layout = 0;
  GameModePlay_virtual sequencer{this};

  // ---- buttons ----------------------------------------------------------------------
  GLButtonImage btn_emoticon, btn_settings, btn_card_order[2], btn_change;
  GLButtonImage btn_start, btn_ready, btn_change_room, btn_exit, btn_close_choice, btn_table_shop;
  GLButtonImage btn_down_first, btn_down_more, btn_attach, btn_throw, btn_throw_last;
  GLButtonImage btn_knock_dark, btn_confirm, btn_cancel, btn_end;
  GLButtonImage btn_attach_target[3];

  // ---- table flow (GameModePlay.cpp, GameModePlayEvents.cpp) -------------------------
  int32_t dealing = 0;
  uint32_t room_change_time = 0;

  // ---- drawing and animations (GameModePlayDraw.cpp, GameModePlayAnimations.cpp) ------
  // The table art, loaded by LoadResources and freed by ReleaseResources.
  int LoadTableArt();
  void ReleaseTableArt();
  // Animation entry points. The caller changes the model first; an animation only hides
  // what it shows (a card's anim_time, the dealing flag) until it ends, so a missing or
  // stopped animation never leaves a card invisible.
  void Ani_Update();                       // every frame from Update: advance, run ends
  void Ani_Stop_All();                     // before players are deleted (217, leaving)
  void Ani_Deal();                         // game start: cards fly to each seat
  void Ani_Card_Flight(VXType_card* card, int seat);  // a drawn card, already in the hand
  void Ani_Mission_Card();                 // the mission card taken from the pile
  void Ani_Mission_Hit(int seat, int event, int carried, int seat2, int event2, int card_code);
  void Ani_Attack(int attacker, int target, int item);
  void Ani_Crown(int seat);
  void Ani_Winner(int seat);               // banner and star particles
  void Ani_Action(int seat_a, int event_b, int seat_c, int event_d);
  void Ani_Card_Sweat(const VXType_card* card, int times);
  void Ani_Light_Flash(const VXType_card* card);
  void Ani_Own_Throw_Warning(int kind);    // 0 special card, 1 mission card
  void Ani_Emoticon(int seat, int index, int variant);
  void Ani_End();                          // the end move's animation
  void Ani_Gold_Coins(bool on);
  void Ani_Turn_Warning(bool on);
  bool Ani_Turn_Warning_Running() const;
  void Ani_Turn_Indicator();               // restart on a turn start
  void Ani_Wait(int which);                // 0 start indicator, 1 "./raw/game_wait_2.png"
  int32_t pointer_x = -1, pointer_y = -1;  // last touch, for hover tints

  // ---- moves and input (GameModePlayMoves.cpp) ---------------------------------------
  // A move result (216). Called by the events file for every 216, refused or not, with
  // the read position at the start of the payload (action, ok, ...): it releases the
  // outstanding request, drops a running knock sequence on a refusal, and applies an
  // accepted draw (0), down (1), attach (2) or throw (3) to the model. The common part
  // (change button, attach choice, the reset after a throw or end) stays with the events.
  void On_Move_Result(Packet& packet);
  VXType_card* drag_card = nullptr;
  int32_t drag_x = 0, drag_y = 0;
  int32_t drag_distance = 0;
  // A hand card is moved only once the pointer travelled this far (a click is no drag).
  static constexpr int32_t kDragThreshold = 12;
  // A move request waits this long for its answer before another one may leave.
  static constexpr uint32_t kMoveReplyWaitMs = 30000;
  int32_t move_pending = 0;       // a 216 left and its answer has not arrived
  uint32_t move_pending_time = 0;

  // The player and the pile the moves work on: the knock-mode copies while knock mode is
  // on, else the table's own.
  GameVXPlayer* Move_Player() const;
  GameVXCardDeck* Move_Pile();
  GameVXPlayer* const* Move_Players() const;
  bool Is_My_Turn() const { return my_seat >= 0 && turn.TurnSeat() == my_seat; }
  static bool Has_Drawn(const GameVXPlayer* p);
  static bool Has_Taken(const GameVXPlayer* p);
  bool Can_Draw() const;
  bool Can_Pick_Pile() const;
  // The own turn, a round in progress, no knock sequence being sent and (outside knock
  // mode) no move request waiting for its answer.
  bool Move_Allowed() const;
  // Sends a move request on the current game-server session; 0 when it may not leave.
  int Send_Move(Packet& packet);
  void Play_Effect(int index);
  // Fills `selection` with the selected cards of the own hand and pick-up list.
  void Gather_Selection(bool pickup_first);
  void Close_Attach_Choice();
  void Mark_Usable();
  // The moves behind the buttons and touches.
  void Draw_From_Stock();
  void Down();
  void Attach_Choose();
  void Attach(int i);
  void Throw();
  void Card_Change();
  void Card_Order();
  void Leave();
  void Change_Room();
  void End_Move();
  // Knock mode: enters it on a copy of the table (variant 0 knock dark, 1 forced), sends
  // the staged moves, or drops them.
  void Knock_Enter(int variant);
  void Confirm();
  void Knock_Cancel();
  // A touch on the pile, the picked-up cards or the hand (on touch down).
  int Touch_Cards(int x, int y);
  // The avatar whose tap area holds the point, -1 for none.
  int Avatar_At(int x, int y) const;
  // Handed back to the main thread by the change of room.
  void Room_Left(const uint8_t* profile);
  void Room_Entered(const VXType_room_info& room_in, const uint8_t* profile);

 private:
  static GameModePlay* s_instance;

  EventCtrlGroup m_screen;
  GameSceneLayer m_scenes;
  int32_t m_loaded = 0;
};
