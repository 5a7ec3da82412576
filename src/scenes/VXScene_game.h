#pragma once
// The room list (scene 16, full screen, lobby): the rooms of the game channel the
// player is connected to, in two tabs (0 normal game, 1 point game), scrolled sideways.
// A tap on a room checks that the player's chips are at least 20 times its stake
// (otherwise the not-enough-chips box), fills the room request and enters: the game
// logic makes sure the session is on a game server, then message 204 goes out and the
// answer comes back through the central dispatch (HandleReply). A seat hands the room
// and the table value on to table play; a refusal tells the player and returns to the
// master server from the next frame, outside the packet dispatch.
//
// One entry at a time: while one is under way (server being entered, or 204 sent and
// unanswered) further taps do nothing; after 15 s without an answer the entry is
// dropped with a notice, and a reply that comes later (or that nobody asked for) is
// ignored.
//
// The rooms come from the current game session through a room source (SetRoomSource);
// without one the list is empty.
//
// Main thread only: driven by the lobby's frame and input, the answer by the session pump.
#include <cstdint>

#include "scenes/GameScene.h"
#include "ui/GLScrollBox.h"
#include "ui/GLScrollBoxItem.h"

class IGameSession;

// One room of the channel as the login to the game server describes it.
struct VXRoomEntry {
  int32_t stake = 0;      // chips per game; 0 or less: the room cannot be entered
  int32_t min_chips = 0;  // the balance from which the room is highlighted
  int32_t badge = 0;      // 200, 300 or 400 select a badge, other values none
  int32_t players[2][2] = {};  // per tab, two player counts (their sum is shown)
};

// The rooms of the channel: at most 12 are shown.
struct VXRoomListData {
  static constexpr int kMaxRooms = 12;
  int32_t count = 0;
  int32_t point_target = 0;  // one value for every room of the channel
  VXRoomEntry rooms[kMaxRooms] = {};
};

// Fills `out` with the rooms the session's game server announced; false when it has none.
using VXRoomSource = bool (*)(IGameSession* session, VXRoomListData* out);
// Told when a table was entered: the room record and the value of the 204 answer.
using VXTableHandoff = void (*)(const VXType_room_info& room, int32_t value);
// Told when the player changes tab, so the lobby reopens the list on it.
using VXRoomTabListener = void (*)(int tab);

// One room in the list: a plate with its badge, stake and two figures. Its extent
// along the list is one room step; the plate (and the hit area) starts 32 units in.
class VXButton_room : public GLScrollBoxItem {
 public:
  static constexpr int kStep = 266;
  static constexpr int kInset = 32;
  static constexpr int kPlateWidth = 252;
  static constexpr int kPlateTop = 10;
  static constexpr int kPlateHeight = 288;
  static constexpr int kTurnSeconds = 40;

  VXButton_room(int tab, int32_t point_target, const VXRoomEntry& room, bool affordable);

  int Draw() override;
  // The hit rectangle is the plate inside the slot the list gives.
  void SetRect(int l, int t, int r, int b) override;

  int tab;
  int32_t point_target;
  int32_t turn_seconds = kTurnSeconds;
  int64_t players;  // both counts of the tab, negative counts taken as 0
  int32_t badge;
  int64_t stake;
  int32_t min_chips;
  // The player's chips reach the room's minimum balance: drawn highlighted. It is not
  // the item state, so the room still takes taps either way.
  bool affordable;

  bool Enterable() const { return stake > 0; }
};

class VXScene_game : public GameScene {
 public:
  static constexpr int kMaxRoomButtons = 30;
  static constexpr int kListTop = 282, kListBottom = 590;
  static constexpr int64_t kStakeFactor = 20;
  static constexpr uint32_t kEntryTimeoutMs = 15000;
  static constexpr int kNotEnoughChipsBox = 8;
  // The spare room at the end of the list, so the last plate ends inside the view.
  static constexpr int kEndSpace = 42;

  enum EntryState { kIdle = 0, kEnteringServer = 1, kAwaitingReply = 2 };

  VXScene_game();

  // Chips (64 bits) at least 20 times a positive stake.
  static bool CanAfford(int64_t chips, int64_t stake);
  // The room is highlighted: a minimum from 1 to below 2000000000 that the chips reach.
  static bool IsHighlighted(int64_t chips, int32_t min_chips);
  // The 204 record for a room of `tab`.
  static VXType_room_info BuildRoomRequest(int tab, int32_t point_target, int64_t stake);
  // Progress and goal of mission `type` as the lists show it (progress kept within
  // the goal, 0 when the mission has expired), at calendar time `now`.
  struct MissionState {
    int32_t progress, goal;
  };
  static MissionState Mission(int type, int64_t now);

  static void SetRoomSource(VXRoomSource source);
  static void SetTableHandoff(VXTableHandoff handoff);
  static void SetTabListener(VXRoomTabListener listener);

  int Tab() const { return m_tab; }
  EntryState Entry() const { return m_entry; }
  GLScrollBox& RoomList() { return m_list; }
  int RoomCount() const { return m_room_count; }
  VXButton_room* Room(int index);
  GLButtonImage* TabButton(int tab) const { return tab ? m_point_tab : m_normal_tab; }
  // The last table entered: its room record and value.
  const VXType_room_info& EnteredRoom() const { return m_entered_room; }

  // GameScene
  int Update() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  int HandleReply(Packet* packet) override;
  void RequestRoom(const VXType_room_info& request) override;

 protected:
  int BuildWidgets() override;
  void DrawScene() override;
  void OnClick(ZBEventCtrl* sender) override;
  void OnOpened() override;
  void OnShown() override;

 private:
  void SelectTab(int tab);
  void Layout();
  void OnRoomTapped(VXButton_room* room);
  // Starts an entry with `m_request`; `param` is the table number of a rejoin, else -1.
  void StartEntry(int param);
  void SendRequest(IGameSession* session);
  void FailEntry(const char* why);
  static void OnServerReady(void* user_data, IGameSession* session);
  void DrawMissions();
  void DrawBalances();

  GLScrollBox m_list;
  GLButtonImage* m_buy_chips = nullptr;
  GLButtonImage* m_buy_rubies = nullptr;
  GLButtonImage* m_rules = nullptr;
  GLButtonImage* m_ranking = nullptr;
  GLButtonImage* m_missions = nullptr;
  GLButtonImage* m_normal_tab = nullptr;
  GLButtonImage* m_point_tab = nullptr;
  GLTexture* m_background = nullptr;
  GLTexture* m_band = nullptr;
  int m_tab = 0;
  int m_room_count = 0;

  EntryState m_entry = kIdle;
  uint32_t m_entry_time = 0;
  VXType_room_info m_request;
  VXType_room_info m_entered_room;
  bool m_return_to_master = false;
};
