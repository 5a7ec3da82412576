#pragma once
#include <cstdint>

#include "app/GameMode.h"
#include "framework/ZBSingleton.h"
#include "net/Packet.h"
#include "scenes/GameSceneLayer.h"
#include "ui/EventCtrlGroup.h"
#include "ui/GLAnimationSet.h"
#include "ui/GLButtonImage.h"

class GameLogic;
class GLTexture;
class IGameSession;

// Experience needed to leave each level; levels from kLobbyLevelCount on show a full bar.
constexpr int32_t kLobbyLevelCount = 49;
// The threshold of `level`, the level clamped into 0..kLobbyLevelCount-1 first (a level
// from the wire may be negative or beyond the table).
int32_t LobbyLevelThreshold(int32_t level);
// The experience bar's fill, 0..1: experience over the level's threshold; 1 from level
// kLobbyLevelCount on; a negative level counts as level 0 and a negative experience
// as none.
float LobbyExperienceFraction(int32_t experience, int32_t level);
// The level shown in the badge (the stored level plus one), the stored level clamped
// to 0 and above first.
int32_t LobbyShownLevel(int32_t level);

// The bottom bar's portrait carousel: which entries of the player list are drawn where.
// Three entries at a time; with four or more a 500 ms slide every 3000 ms brings the next
// three. Everything is drawn inside its clip rectangle, and only what is drawn there
// takes taps.
struct LobbyCarousel {
  static constexpr int kMaxEntries = 9;
  static constexpr int kShown = 3;
  static constexpr uint32_t kHoldMs = 3000;
  static constexpr uint32_t kSlideMs = 500;
  static constexpr float kFirstX = 965.35f;
  static constexpr float kStepX = 120.0f;
  static constexpr float kHalfWidth = 45.0f;
  static constexpr int kClipLeft = 910, kClipTop = 110, kClipRight = 1270, kClipBottom = 719;
  static constexpr int kHitTop = 617, kHitBottom = 709;

  int32_t start = 0;        // list index of the first entry drawn
  int32_t sliding = 0;
  uint32_t clock = 0;       // last change (or start of the hold)
  uint32_t slide_start = 0;

  void Reset(uint32_t now);
  // Advances the hold and the slide for a list of `count` entries (clamped to 0..9).
  void Advance(int32_t count, uint32_t now);
  // Slide progress 0..1 (0 when not sliding).
  float Progress(uint32_t now) const;
  // Number of slots drawn (0..6) and the list index and centre x of slot i.
  int Slots(int32_t count) const;
  int32_t EntryOf(int slot, int32_t count) const;
  float CentreX(int slot, uint32_t now) const;
  // The list index of the entry under (x, y), or -1: the point must be inside the clip
  // and inside a drawn entry's rectangle.
  int32_t HitTest(int32_t count, int x, int y, uint32_t now) const;
};

// The home screen after login: the account header (picture, name, level badge,
// experience bar, money row), the four game types, the bottom bar with its service
// buttons, the portrait carousel and the badges, and the scenes opened over it.
//
// Choosing a game type enters a game server of that kind through the game logic; one
// entry at a time. When the server is reached the room list or the tournament list
// opens. An entry that fails or is refused tells the player and, from the next frame
// (never inside a packet dispatch), returns to the master server through a runner job.
//
// Threads: main thread only. The server-entering job runs on a runner worker inside
// the game logic; the lobby learns of its end on the main thread (its completion
// callback, or Update noticing the request was dropped or timed out).
class GameModeLobby : public GameMode, public ZBSingleton<GameModeLobby> {
 public:
  static constexpr uint32_t kEnterTimeoutMs = 45000;

  GameModeLobby();
  ~GameModeLobby() override;

  int LoadResources() override;
  int ReleaseResources() override;
  int Create(int param1, int param2) override;
  void Cleanup() override;
  void OnInit_Process() override;
  int Update() override;
  void OnConnectionLost(int) override;
  void Close() override;
  int OnPacket(Packet* packet) override;
  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  void OnEvent(ZBEventCtrl* sender) override;

  // Shows scene `index` with `param` through the scene hooks (nothing happens while
  // the scene does not exist).
  void Show_Scene(int index, int param);

  // Enters a game server of `kind` (1 rooms, 2 tournaments). Returns 1 when the entry
  // started (or completed at once), 0 when another entry is still pending.
  int EnterGameServer(int kind);
  bool EntryPending() const { return m_entering != 0; }
  // Opens the room list or the tournament list for the current session's kind.
  void OnServerReady();

  // The id of the scene the Escape key closes and the pointer reaches: the topmost
  // shown scene of the lobby's layer (drawn last); -1 when none is shown.
  int TopmostScene();

  // Draw parts (public for the render tests).
  void DrawHeader();
  void DrawCarousel(uint32_t now);

  GLButtonImage btn_top_chips, btn_top_rubies, btn_help, btn_settings;
  GLButtonImage btn_shop, btn_gift_msg, btn_friends, btn_coupon, btn_free;
  GLButtonImage btn_mtt, btn_sng, btn_point, btn_normal;
  GLButtonImage btn_ranking;
  GLAnimationSet glint_point, glint_normal;

  int32_t point_game = 0;
  int32_t sng = 0;
  int32_t popup_state = 0;
  uint32_t popup_time = 0;
  uint32_t deco_clock[3] = {};
  uint32_t glint_clock = 0;
  LobbyCarousel carousel;

 private:
  static void ServerEnteredThunk(void* user_data, IGameSession* session);
  void OnServerEntered();
  void CheckPendingEntry();
  void EntryFailed();
  void CloseScenes();
  int OfferTouch(int (EventCtrlGroup::*dispatch)(int, int, int), int a, int x, int y);
  int PortraitAt(int x, int y);
  void DrawDecoration(uint32_t now);
  void DrawGameArt();
  void DrawBadges();
  void RefreshCarouselTexts();
  void ClosePopup();

  EventCtrlGroup m_screen;
  int32_t m_loaded = 0;

  // Textures loaded from "./raw/" (owned) and pictures of the shared set (not owned).
  GLTexture* m_tex[15] = {};
  GLTexture* m_icons = nullptr;
  GLTexture* m_bg = nullptr;
  GLTexture* m_cloud1 = nullptr;
  GLTexture* m_cloud2 = nullptr;
  GLTexture* m_lights = nullptr;

  // The pending server entry: 1 from the click until its end is known.
  int32_t m_entering = 0;
  int32_t m_entering_kind = 0;
  uint32_t m_entering_since = 0;
  // When the mini-game was last closed with Escape.
  uint32_t m_mini_game_closed = 0;

  // The scenes the lobby hosts: stepped, drawn over the lobby and given the pointer.
  GameSceneLayer m_layer;

  // Texts of the carousel entries, rebuilt when the list changes (not every frame).
  struct CarouselEntry {
    char id[31];
    char chips[32];
  };
  CarouselEntry m_entries[LobbyCarousel::kMaxEntries] = {};
  int32_t m_entry_count = 0;
  uint32_t m_entries_time = 0;
  int32_t m_entries_buffer = -1;
  // The money row's texts, rebuilt when a value changes.
  int64_t m_money_values[3] = {-1, -1, -1};
  char m_money_texts[3][32] = {};
};
