#pragma once
// The scene layer a mode hosts: the scenes it can show, in a fixed order that is both
// the drawing order (first = bottom) and, read backwards, the input order (the last
// shown scene in the order is the top one). The three modes embed one each and build
// it once, when they are initialised, from their order below.
//
// Kept in this header: the modes library sits below the scenes library and uses the
// layer without linking it. Scenes are reached through the source the scene manager
// installs when it creates them; a slot without a scene is skipped.
//
// A mode hosts its layer like this (the login mode with its one scene):
//   OnInit_Process:  m_scenes.Init(kLoginSceneOrder);
//   Show_Scene(id, param): log "GameModeLogin::Show_Scene ... %d", GameSceneLayer::ShowScene(id, param);
//   Update:          m_scenes.Update();
//   Draw:            if (!m_scenes.CoversMode()) draw the mode's own picture; m_scenes.Draw();
//   OnTouchDown:     int r; if (m_scenes.TouchDown(b, x, y, &r)) return r; then the mode's own widgets
//                    (the same for OnTouchUp, OnTouchMove and OnWheel);
//   Close (Escape):  if (m_scenes.CloseTop()) return; then the mode's own handling.
//
// Main thread only, like the modes and scenes it holds. Every walk goes by index over
// a list that never changes after Init, so a scene that shows or closes another one
// (or itself) from inside a walk is safe.
#include <cstddef>

#include "app/GameMode.h"
#include "app/VXSceneIds.h"

// Layer orders of the three host modes (first = bottom).
inline constexpr int kLobbySceneOrder[] = {
    kSceneGame,       kSceneTournament,     kSceneRanking,   kSceneTournamentRanking, kSceneMission,
    kSceneFriend,     kSceneShop,           kSceneTournamentInfo, kScenePrizeInfo,    kSceneDayBonus,
    kSceneSettingMain, kSceneProfileMe,     kSceneProfilePlayer,  kSceneItemMe,       kSceneCoupon,
    kSceneSmsView,    kSceneSendGift,       kSceneItemBuy};
inline constexpr int kPlaySceneOrder[] = {kSceneShop,      kSceneSettingPlay, kSceneProfileMe, kSceneProfilePlayer,
                                          kSceneSendGift,  kSceneTableShop,   kSceneTableEmotion,
                                          kSceneItemMe,    kSceneItemBuy,     kScenePlayTournament};
inline constexpr int kLoginSceneOrder[] = {kSceneRegist};

class GameSceneLayer {
 public:
  // The scene of an id, null for an empty slot or an id outside 0 to 22.
  using SceneSource = GameMode* (*)(int id);
  static void SetSceneSource(SceneSource source) { s_source = source; }
  static GameMode* Scene(int id) { return s_source && id >= 0 && id < kSceneCount ? s_source(id) : nullptr; }

  // Shows scene `id` with the page `param` (Show (1, param)). False when the scene is
  // not there; the caller logs its own Show_Scene line.
  static bool ShowScene(int id, int param) {
    GameMode* s = Scene(id);
    if (!s) return false;
    s->Show(1, param);
    return true;
  }

  // Fills the layer from `ids` in order, skipping empty slots.
  template <size_t N>
  void Init(const int (&ids)[N]) {
    Init(ids, N);
  }
  void Init(const int* ids, size_t n) {
    m_count = 0;
    for (size_t i = 0; i < n && m_count < kSceneCount; ++i) {
      if (GameMode* s = Scene(ids[i])) m_scenes[m_count++] = s;
    }
  }
  void Clear() { m_count = 0; }
  int Count() const { return m_count; }
  GameMode* At(int i) const { return i >= 0 && i < m_count ? m_scenes[i] : nullptr; }

  // Index of the topmost ready opaque scene (drawing starts there and the mode's own
  // picture is not drawn), or -1 when none covers the mode.
  int CoveringIndex() const {
    for (int i = m_count - 1; i >= 0; --i) {
      if (m_scenes[i]->IsReady() && m_scenes[i]->opaque) return i;
    }
    return -1;
  }
  bool CoversMode() const { return CoveringIndex() >= 0; }

  // Draws the scenes in layer order, from the covering one when there is one (hidden
  // scenes draw nothing). The mode draws its own picture first unless CoversMode().
  void Draw() {
    const int first = CoveringIndex();
    for (int i = first < 0 ? 0 : first; i < m_count; ++i) m_scenes[i]->Draw();
  }

  // Every scene's per-frame step, in layer order, whatever its state.
  void Update() {
    for (int i = 0; i < m_count; ++i) m_scenes[i]->Update();
  }

  // The topmost shown scene: it is drawn last and takes the pointer and Escape. Null
  // when no scene is shown.
  GameMode* Top() const {
    for (int i = m_count - 1; i >= 0; --i) {
      if (m_scenes[i]->IsShow()) return m_scenes[i];
    }
    return nullptr;
  }
  bool AnyShown() const { return Top() != nullptr; }

  // Pointer events: the topmost shown scene alone gets the event and *result holds its
  // answer; false when no scene is shown, so the mode handles the event itself.
  bool TouchDown(int button, int x, int y, int* result) { return Route(&ZBEventCtrl::OnTouchDown, button, x, y, result); }
  bool TouchUp(int button, int x, int y, int* result) { return Route(&ZBEventCtrl::OnTouchUp, button, x, y, result); }
  bool TouchMove(int button, int x, int y, int* result) { return Route(&ZBEventCtrl::OnTouchMove, button, x, y, result); }
  bool Wheel(int delta, int x, int y, int* result) { return Route(&ZBEventCtrl::OnWheel, delta, x, y, result); }

  // Escape: closes the topmost shown scene (never one under it); false when none is
  // shown, so the mode handles the key itself.
  bool CloseTop() {
    GameMode* top = Top();
    if (!top) return false;
    top->Close();
    return true;
  }
  // Starts the fade-out of every shown scene.
  void HideAll() {
    for (int i = 0; i < m_count; ++i) m_scenes[i]->Show(0, 0);
  }
  void CloseAll() {
    for (int i = 0; i < m_count; ++i) m_scenes[i]->Close();
  }

 private:
  using Handler = int (ZBEventCtrl::*)(int, int, int);
  bool Route(Handler handler, int a, int x, int y, int* result) {
    GameMode* top = Top();
    if (!top) return false;
    const int r = (static_cast<ZBEventCtrl*>(top)->*handler)(a, x, y);
    if (result) *result = r;
    return true;
  }

  static inline SceneSource s_source = nullptr;
  GameMode* m_scenes[kSceneCount] = {};
  int m_count = 0;
};
