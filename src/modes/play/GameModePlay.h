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
class GLProgressTimer;
class IGameSession;

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
  static constexpr uint32_t kPanelCloseMs = 249;      // a closing panel is gone after this
  static constexpr int64_t kTurnWarningMs = 11000;    // the own turn's last seconds
  static constexpr uint32_t kAccountRefreshAfterMs = 60000;

  int32_t dealing = 0;
  uint32_t room_change_time = 0;
  // The buttons besides the table's own widget list (emoticon, settings, card order,
  // change, table shop), grouped by where they are drawn and when they take input:
  //   waiting_buttons  start, ready, change room, exit: drawn and offered input only
  //                    while the table state is below 2 (Waiting())
  //   action_buttons   the action panel (down, attach, throw, knock mode): drawn inside
  //                    the panel's transition, offered input while panel 0 is shown
  //   choice_buttons   the attach-target choice and its close button, while it is open
  // A button's hidden flag says whether it is part of the current picture.
  EventCtrlGroup waiting_buttons, action_buttons, choice_buttons;
  EventCtrlGroup& Table_Buttons() { return m_screen; }
  bool Waiting() const { return room.TableState() < 2; }
  bool In_Tournament() const { return tournament.TournamentId() >= 1; }

  // The table the room list entered (its 204 answer): the room record, no tournament.
  // Called before the mode becomes current; the table is requested when it starts.
  void Enter_Room(const VXType_room_info& entered);
  // The same for a tournament table.
  void Enter_Tournament_Table(const VXType_room_info& entered, const VXType_tournament_info& info,
                              const VXType_tournament_progress& progress_record);
  // Places the start, ready, change-room and exit buttons for `layout`.
  void Place_Waiting_Buttons();
  // The exit button: asks the server to leave the room (the 205 answer returns to the
  // lobby); without a connection the client goes back to the lobby at once.
  void Leave_Room();
  // The session the table talks to: the current one, when it is connected to a game
  // server (kind 1 or 2); null otherwise.
  IGameSession* Table_Session() const;
  // Sends a table request on the table session without waiting (the answer arrives as
  // an event); 0 when there is no table session or the send failed.
  int Send_Table_Request(Packet& packet);
  // Plays the effect stored from `file` (a "./snd/" name) when effects are on.
  void Play_Sound(const char* file);
  // Milliseconds left of the own turn (0 when none, never negative; a limit of 0 leaves
  // nothing), and the per-frame turn-time warning: returns 1 when it started the
  // warning, -1 when it stopped it, 0 when it left it as it was.
  int64_t Own_Turn_Remaining(uint32_t now) const;
  int Update_Turn_Warning(uint32_t now);
  // After a throw of `thrown`: 0 when it opens a way to a special card (0 or 49), 1 when
  // it does so for the mission card, -1 for neither.
  int Special_Warning_Kind(int32_t thrown) const;
  // Whether a card of that code lies in any meld on the table.
  bool In_Any_Meld(int32_t code) const;
  // Marks the usable cards of the own hand.
  void Mark_Usable();
  // The own seat's profile again from the account block of the shared data (after the
  // server changed the account: money, items).
  void Refresh_Own_Profile();
  // The events, one handler each (OnPacket has checked the filter).
  void On_Tournament_Table(Packet& packet);
  void On_Room_Leave(Packet& packet);
  void On_Table_Info(Packet& packet);
  void On_Table_Player(Packet& packet);
  void On_Table_Chat(Packet& packet);
  void On_Table_Emoticon(Packet& packet);
  void On_Item_Attack(Packet& packet);
  void On_Table_Report(Packet& packet);
  void On_Table_Items(Packet& packet);
  void On_Card_Change(Packet& packet);
  void On_Game_Ready(Packet& packet);
  void On_Game_Turn(Packet& packet);
  void On_Player_Action(Packet& packet);
  void On_Game_Start(Packet& packet);
  void On_Game_Result(Packet& packet);
  void On_Game_Ranking();
  void On_Result_Close();
  void On_Tournament_End();

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
  void Ani_Attack(int attacker, int target, int item);  // target -1: every seat but the own
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

  // Table geometry. Anchor groups: 0 avatar (A), 1 melds (B), 2 result rows (C), 3 turn
  // indicator (D); by relative seat 0 to 3 for the given layout. Outside the tables
  // (group, seat or layout out of range) the origin.
  struct TablePoint {
    float x = 0.0f, y = 0.0f;
  };
  static TablePoint Anchor(int table_layout, int group, int relative);
  // The anchor of a server seat (0 to 3) for the current layout.
  TablePoint SeatAnchor(int group, int seat) const;
  static TablePoint StockOrigin(int table_layout);
  static TablePoint PileOrigin(int table_layout);
  // Where the card `code` lies on the table (the pile, then every seat's melds; the
  // staged copies in knock mode), by the drawing's geometry; false when it is not there.
  bool CardPosition(int code, float* x, float* y) const;
  // Top-left of meld `meld_index` of a seat laying `meld_count` melds.
  TablePoint MeldOrigin(int seat, int meld_index, int meld_count) const;
  // Left edge of card `i` of a pile of `n` cards laid from `origin_x`, and the step: 33
  // units, squeezed so that the top card stays inside the screen.
  static float PileStep(float origin_x, int n);
  // Pitch of the own hand's rows: 70 units, closer for three rows or more so the last
  // row stays where the second would be.
  static float HandRowPitch(int rows);
  // Offset of card `i` within a meld of `n` cards (own seat in layout 0: `own_wide`).
  static float MeldCardOffset(int i, int n, bool own_wide);
  // The seat timer's fraction (0..1) for `player` at `now`; 0 for a limit of 0.
  float SeatTimerFraction(const GameVXPlayer* player, uint32_t now) const;

  // Drawing state: the table textures, the timer ring and the animation objects, made by
  // LoadTableArt and freed by ReleaseTableArt (or with the mode).
  static constexpr int kArtSlots = 112;
  struct TableAnimations;
  struct TableDrawing {
    TableDrawing() = default;
    ~TableDrawing();
    TableDrawing(const TableDrawing&) = delete;
    TableDrawing& operator=(const TableDrawing&) = delete;
    void Free();
    GLTexture* art[kArtSlots] = {};
    GLProgressTimer* ring = nullptr;
    TableAnimations* anis = nullptr;
  };
  TableDrawing m_draw;
  GLTexture* Art(int id) const { return id >= 0 && id < kArtSlots ? m_draw.art[id] : nullptr; }
  uint32_t pulse_clock = 0;
  uint32_t glow_clock = 0;
  uint32_t winner_start = 0;
  int32_t winner_seat = -1;
  int32_t winner_active = 0;
  uint32_t deal_end = 0;  // tick by which every dealt card is shown, whatever the animations do
  // Cards drawn by the last Draw (the frame benchmark reports it).
  int32_t drawn_cards = 0;
  // The round totals of the result (message 218), kept per seat by the table events for
  // the result panel.
  int32_t result_total[kSeats] = {};
  // The parts of a frame (GameModePlayDraw.cpp) and the animation objects' construction
  // (GameModePlayAnimations.cpp).
  void DrawSeats(uint32_t now);
  void DrawCentre(uint32_t now);
  void DrawHeaderAndWaiting(uint32_t now);
  void DrawTournamentClock();
  void DrawBalloonsAndBadges(uint32_t now);
  void DrawWinsBadge(int32_t status, float x, float y, float scale);
  void DrawResultPanel(uint32_t now);
  void DrawRankingPanel(uint32_t now);
  void DrawWinnerBanner(uint32_t now);
  void BuildAnimations();
  // The step after a special-card or mission flash: the mission badge for event 4, then
  // the second seat's penalty animation.
  void Ani_Mission_Final(int event, int carried, int seat2, int event2);

  // ---- moves and input (GameModePlayMoves.cpp) ---------------------------------------
  // A move result (216). Called by the events file for every 216, refused or not, with
  // the read position at the start of the payload (action, ok, ...): it releases the
  // outstanding request, drops a running knock sequence on a refusal, and applies an
  // accepted draw (0), down (1), attach (2) or throw (3) to the model. The common part
  // (change button, attach choice, the reset after a throw or end) stays with the events.
  void On_Move_Result(Packet& packet);
  void Send_Bare_Action(int32_t action);
  // Clicks of the move buttons (every button OnEvent does not handle itself).
  void On_Move_Event(ZBEventCtrl* sender);
  // Knock mode on the sequencer: variant 0 knock dark, 1 the forced knock of a turn.
  void Enter_Knock_Mode(int variant);
  VXType_card* drag_card = nullptr;
  int32_t drag_x = 0, drag_y = 0;  // the touch-down point; pointer_x/y is the last position
  int32_t drag_distance = 0;       // the pointer's travel since the touch down
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
  // The moves behind the buttons and touches.
  void Draw_From_Stock();
  void Down();
  void Attach_Choose();
  void Attach(int i);
  void Throw();
  void Card_Change();
  void Card_Order();
  void Change_Room();
  void End_Move();
  // Knock mode: sends the staged moves, or drops them.
  void Confirm();
  void Knock_Cancel();
  int Dispatch_Buttons(int (EventCtrlGroup::*dispatch)(int, int, int), int a, int x, int y);
  // A touch on the pile, the picked-up cards or the hand (on touch down).
  int Touch_Cards(int x, int y);
  // The avatar whose tap area holds the point, -1 for none.
  int Avatar_At(int x, int y) const;
  // Handed back to the main thread by the change of room.
  void Room_Left(const uint8_t* profile);
  void Room_Entered(const VXType_room_info& room_in, const uint8_t* profile);

 private:
  static GameModePlay* s_instance;

  // Puts a table seat's player parts of `mode` (0 whole player, 1 seat state, status
  // and cards, 2 cards) from `src` into the seat; returns the seat's player, or null
  // when modes 1 and 2 name an empty seat.
  GameVXPlayer* Take_Player(int seat, int32_t mode, const GameVXPlayer& src);
  // Deletes every player (animations stopped first: they may hold their cards).
  void Delete_Players();
  // Clears the chat line and the effects of a seat.
  void Clear_Seat_Extras(int seat);
  void Create_Buttons();
  void Label_Buttons();
  // Asks for the whole table (206 mode 0); 0 when there is no table session.
  int Send_Table_Request_Mode0();

  EventCtrlGroup m_screen;
  GameSceneLayer m_scenes;
  int32_t m_loaded = 0;
  int32_t m_lost_reported = 0;  // the lost connection was logged
  int32_t m_start_logged = -1;  // the start button's last logged state and count (-1 none yet)
  // When Escape last closed the mini-game (the same key must not also ask to quit).
  uint32_t m_mini_game_closed = 0;
};
