#include "modes/lobby/GameModeLobby.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/Paths.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"
#include "media/DXSoundManager.h"
#include "media/GamePlayerImage.h"
#include "media/GameSharedImage.h"
#include "modes/ModeImages.h"
#include "net/IGameSession.h"
#include "net/ServerInfo.h"
#include "net/messages/VXTableRecords.h"
#include "web/GameWebContent.h"

namespace {

constexpr int32_t kLevelThresholds[kLobbyLevelCount] = {
    500,       1500,      3750,      7500,      11250,     14260,     19250,     25790,     39950,     51540,
    65970,     83780,     105570,    131960,    163630,    201260,    245540,    297100,    356520,    424250,
    500620,    585720,    679440,    781350,    890740,    1006550,   1127320,   1251330,   1376460,   2000000,
    2800000,   4000000,   6000000,   8000000,   11000000,  15000000,  22000000,  31000000,  43000000,  60000000,
    84000000,  118000000, 150000000, 190000000, 240000000, 300000000, 375000000, 470000000, 600000000};

constexpr int kMsgTitle = 0;
constexpr int kMsgLeaveGame = 5;
constexpr int kMsgNoServer = 217;
constexpr int kBoxDim = 3000;
constexpr int kPlatformOpenPage = 1;
constexpr int kPlatformQuit = 3;
constexpr int kEscapeAfterMiniGameMs = 250;
constexpr uint32_t kPopupCloseMs = 249;

// Player-list rows (the lobby list of the list refresh): the fields the carousel reads.
constexpr size_t kRowAccountId = 4;
constexpr size_t kRowChips = 164;

enum Tex : int {
  kTexCoupon,
  kTexFree,
  kTexFriend,
  kTexGiftMsg,
  kTexShop,
  kTexGameNormal,
  kTexGamePoint,
  kTexMtt,
  kTexSng,
  kTexAniNormal,
  kTexAniPoint,
  kTexMainBg,
  kTexTmBig,
  kTexTmSng,
  kTexBottomBg,
  kTexCount
};

struct TexDef {
  const char* file;
  int columns, rows;
  float width, height;  // logical size of the whole sheet
};
constexpr TexDef kTextures[kTexCount] = {
    {"./raw/btn_lob_coupone.png", 3, 1, 459, 106},     {"./raw/btn_lob_free.png", 3, 1, 459, 106},
    {"./raw/btn_lob_friend.png", 3, 1, 459, 106},      {"./raw/btn_lob_gift_msg.png", 3, 1, 459, 106},
    {"./raw/btn_lob_shop.png", 3, 1, 459, 106},        {"./raw/btn_main_game_normal.png", 1, 1, 252, 199},
    {"./raw/btn_main_game_point.png", 1, 1, 252, 199}, {"./raw/btn_main_mtt.png", 1, 1, 252, 199},
    {"./raw/btn_main_sng.png", 1, 1, 252, 199},        {"./raw/btni_ani_game_normal.png", 5, 1, 1250, 200},
    {"./raw/btni_ani_game_point.png", 4, 2, 1000, 400}, {"./raw/btni_main_bg.png", 1, 1, 240, 228},
    {"./raw/btni_main_tm_big.png", 1, 1, 250, 200},    {"./raw/btni_main_tm_sng.png", 1, 1, 250, 200},
    {"./raw/loby_bottom_bg.png", 1, 1, 1280, 116}};

constexpr float kWhite[4] = {1, 1, 1, 1};
constexpr float kShortChips[4] = {236 / 255.0f, 200 / 255.0f, 0, 1};

struct Rgba {
  float r, g, b, a;
};
constexpr Rgba kPlateFill = {5 / 255.0f, 120 / 255.0f, 193 / 255.0f, 1};
constexpr Rgba kPlateBorder = {164 / 255.0f, 238 / 255.0f, 238 / 255.0f, 1};
constexpr Rgba kBarColour = {1, 1, 0, 1};


void RoundRect(int l, int t, int r, int b, int radius, int segments, Rgba fill, Rgba border) {
  GLSurface* s = GLSurface::InstanceIfAny();
  if (!s) return;
  s->DrawRoundRect(l, t, r, b, radius, segments, 1.0f, fill.r, fill.g, fill.b, fill.a, border.r, border.g, border.b,
                   border.a);
}

void Label(const char* text, float x, float y, int size, int flags, const float colour[4]) {
  GLSurface* s = GLSurface::InstanceIfAny();
  GLFont* font = s ? s->Font(0) : nullptr;
  if (!font || !text || !*text) return;
  font->SetFaceSize(size);
  font->DrawTextAt(x, y, text, flags, colour);
}

void Icon(GLTexture* icons, int frame, float x, float y, float scale) {
  if (!icons) return;
  icons->SetScale(scale, scale);
  icons->Draw(frame, x, y, 1);
  icons->SetScale(1.0f, 1.0f);
}

// A zero-terminated copy of a fixed text field of `width` bytes.
void FieldText(const uint8_t* field, size_t width, char* out) {
  size_t n = strnlen(reinterpret_cast<const char*>(field), width);
  std::memcpy(out, field, n);
  out[n] = 0;
}

AnimationKey* GlintKey(uint32_t time, float x, float y, float scale, float alpha) {
  auto* k = new AnimationKey();
  k->time = time;
  k->x = x;
  k->y = y;
  k->scale_x = k->scale_y = scale;
  k->alpha = alpha;
  k->draw_centred = 1;
  return k;
}

}  // namespace

// ---------------------------------------------------------------- level and experience

int32_t LobbyLevelThreshold(int32_t level) {
  if (level < 0) level = 0;
  if (level >= kLobbyLevelCount) level = kLobbyLevelCount - 1;
  return kLevelThresholds[level];
}

float LobbyExperienceFraction(int32_t experience, int32_t level) {
  if (level >= kLobbyLevelCount) return 1.0f;
  if (experience <= 0) return 0.0f;
  const float f = static_cast<float>(experience) / static_cast<float>(LobbyLevelThreshold(level));
  return f > 1.0f ? 1.0f : f;
}

int32_t LobbyShownLevel(int32_t level) { return (level < 0 ? 0 : level) + (level == INT32_MAX ? 0 : 1); }

// ---------------------------------------------------------------- carousel

namespace {
int32_t CarouselCount(int32_t count) {
  return count < 0 ? 0 : (count > LobbyCarousel::kMaxEntries ? LobbyCarousel::kMaxEntries : count);
}
}  // namespace

void LobbyCarousel::Reset(uint32_t now) {
  start = 0;
  sliding = 0;
  clock = now;
  slide_start = now;
}

void LobbyCarousel::Advance(int32_t count, uint32_t now) {
  const int32_t n = CarouselCount(count);
  if (n <= kShown) {
    start = 0;
    sliding = 0;
    return;
  }
  if (start < 0 || start >= n) start = 0;  // the list shrank
  if (!sliding) {
    if (now - clock > kHoldMs) {
      sliding = 1;
      slide_start = now;
    }
  } else if (now - slide_start >= kSlideMs) {
    sliding = 0;
    start = (start + kShown) % n;
    clock = now;
  }
}

float LobbyCarousel::Progress(uint32_t now) const {
  if (!sliding) return 0.0f;
  const float p = static_cast<float>(now - slide_start) / static_cast<float>(kSlideMs);
  return p < 0.0f ? 0.0f : (p > 1.0f ? 1.0f : p);
}

int LobbyCarousel::Slots(int32_t count) const {
  const int32_t n = CarouselCount(count);
  if (n <= kShown) return n;
  return sliding ? 2 * kShown : kShown;
}

int32_t LobbyCarousel::EntryOf(int slot, int32_t count) const {
  const int32_t n = CarouselCount(count);
  if (n <= 0) return -1;
  if (n <= kShown) return slot;
  return (start + slot) % n;
}

float LobbyCarousel::CentreX(int slot, uint32_t now) const {
  return kFirstX + kStepX * static_cast<float>(slot) - 360.0f * Progress(now);
}

int32_t LobbyCarousel::HitTest(int32_t count, int x, int y, uint32_t now) const {
  if (x < kClipLeft || x > kClipRight || y < kClipTop || y > kClipBottom) return -1;
  if (y < kHitTop || y > kHitBottom) return -1;
  const int slots = Slots(count);
  for (int i = 0; i < slots; ++i) {
    const float cx = CentreX(i, now);
    if (static_cast<float>(x) >= cx - kHalfWidth && static_cast<float>(x) <= cx + kHalfWidth) return EntryOf(i, count);
  }
  return -1;
}

// ---------------------------------------------------------------- life cycle

GameModeLobby::GameModeLobby() { mode_id = kModeLobby; }

GameModeLobby::~GameModeLobby() { ReleaseResources(); }

int GameModeLobby::LoadResources() {
  if (m_loaded) return 1;
  GameLogic* logic = Logic();
  void* package = logic ? logic->m_package : nullptr;
  for (int i = 0; i < kTexCount; ++i) {
    auto* t = new GLTexture();
    if (!t->Create(kTextures[i].file, package, kTextures[i].columns, kTextures[i].rows)) {
      Log(LOG_FATAL, "[ERROR]: GameModeLobby::LoadResources| %s", kTextures[i].file);
      t->Release();
      return 0;
    }
    t->SetSize(kTextures[i].width, kTextures[i].height);
    m_tex[i] = t;
  }
  struct {
    GLButtonImage* button;
    GLTexture* image;
    int x, y;
  } buttons[] = {
      {&btn_top_chips, SharedImageByName("btn_add_c.png"), 651, 8},
      {&btn_top_rubies, SharedImageByName("btn_add_c.png"), 858, 8},
      {&btn_help, SharedImageByName("btn_help_c.png"), 1088, 8},
      {&btn_settings, SharedImageByName("btn_setting.png"), 1167, 2},
      {&btn_shop, m_tex[kTexShop], 5, 614},
      {&btn_gift_msg, m_tex[kTexGiftMsg], 171, 614},
      {&btn_friends, m_tex[kTexFriend], 337, 614},
      {&btn_coupon, m_tex[kTexCoupon], 501, 614},
      {&btn_free, m_tex[kTexFree], 667, 614},
      {&btn_mtt, m_tex[kTexMtt], 157, 338},
      {&btn_sng, m_tex[kTexSng], 412, 338},
      {&btn_point, m_tex[kTexGamePoint], 667, 338},
      {&btn_normal, m_tex[kTexGameNormal], 922, 338},
      {&btn_ranking, SharedImageByName("ranking_t.png"), 840, 619},
  };
  m_screen.Init();
  for (auto& b : buttons) {
    if (b.image) b.button->SetImage(b.image, b.x, b.y);
    b.button->m_receiver = this;
    m_screen.Add(b.button);
  }
  m_icons = SharedImageByName("submenu_icons.png");
  m_bg = SharedImageByName("lb_bg_main.png");
  m_cloud1 = SharedImageByName("cloud_1.png");
  m_cloud2 = SharedImageByName("cloud_2.png");
  m_lights = SharedImageByName("lights.png");

  // A twinkle over the top corner of each of the two room-game tiles.
  if (GLTexture* star = SharedImageByName("particle_star_w.png")) {
    struct {
      GLAnimationSet* set;
      float x, y;
    } glints[] = {{&glint_point, 880.0f, 360.0f}, {&glint_normal, 1135.0f, 360.0f}};
    for (auto& g : glints) {
      auto* a = new GLAnimation();
      a->SetTexture(star);
      a->AddKey(GlintKey(0, g.x, g.y, 0.4f, 0.0f));
      a->AddKey(GlintKey(30, g.x, g.y, 1.4f, 1.0f));
      a->AddKey(GlintKey(60, g.x, g.y, 0.4f, 0.0f));
      a->AddKey(GlintKey(150, g.x, g.y, 0.4f, 0.0f));
      g.set->Add(a);
    }
  }
  m_loaded = 1;
  return 1;
}

int GameModeLobby::ReleaseResources() {
  glint_point.Clear(1);
  glint_normal.Clear(1);
  m_screen.ReleaseAll();
  for (GLButtonImage* b : {&btn_top_chips, &btn_top_rubies, &btn_help, &btn_settings, &btn_shop, &btn_gift_msg,
                           &btn_friends, &btn_coupon, &btn_free, &btn_mtt, &btn_sng, &btn_point, &btn_normal,
                           &btn_ranking})
    b->DetachImage();
  for (GLTexture*& t : m_tex) {
    if (t) t->Release();
    t = nullptr;
  }
  m_icons = m_bg = m_cloud1 = m_cloud2 = m_lights = nullptr;
  m_loaded = 0;
  return 1;
}

int GameModeLobby::Create(int param1, int param2) {
  Log(LOG_TRACE, "GameModeLobby::Create **********");
  ClosePopup();
  popup_state = 0;
  Log(LOG_TRACE, "GameModeLobby::Create ********** END");
  return GameMode::Create(param1, param2);
}

void GameModeLobby::Cleanup() {
  Log(LOG_TRACE, "GameModeLobby::Cleanup **********");
  GameMode::Cleanup();
  if (GameLogic* logic = Logic()) logic->Hooks().sound->StopSound(DXSoundManager::kLobbyMusic);
  glint_point.Stop(1);
  glint_normal.Stop(1);
  // A pending entry no longer concerns this screen: its completion must not open a scene.
  if (GameLogic* logic = Logic()) {
    if (logic->m_enter_callback == &ServerEnteredThunk && logic->m_enter_user_data == this) {
      logic->m_enter_callback = nullptr;
      logic->m_enter_user_data = nullptr;
    }
  }
  m_entering = 0;
  CloseScenes();
}

void GameModeLobby::OnInit_Process() {
  Log(LOG_TRACE, "GameModeLobby::OnInit_Process ...");
  GameSharedData* d = GameSharedData::Instance();
  // The account that reached the lobby is the one to log in with next time.
  char account_id[31];
  FieldText(d->m_user_info + kUserAccountId, 30, account_id);
  d->SetAccount(d->AccountType(), account_id);
  d->SetAutoLogin(1);
  const uint32_t now = GetTickMs();
  for (uint32_t& c : deco_clock) c = now;
  glint_clock = now;
  carousel.Reset(now);
  if (m_tex[kTexAniPoint]) m_tex[kTexAniPoint]->StartAnimation(100);
  if (m_tex[kTexAniNormal]) m_tex[kTexAniNormal]->StartAnimation(200);
  for (GLAnimationSet* g : {&glint_point, &glint_normal}) {
    g->SetSpeed(0.06);
    g->SetLoopCount(-1);
    if (g->GetCount()) g->Start();
  }
  m_layer.Init(kLobbySceneOrder);
  OnServerReady();
  if (d->m_sound_bg_on) {
    if (GameLogic* logic = Logic()) logic->Hooks().sound->PlaySound(DXSoundManager::kLobbyMusic, true);
  }
  GameMode::OnInit_Process();
}

int GameModeLobby::Update() {
  m_layer.Update();
  CheckPendingEntry();
  if (popup_state == 2 && GetTickMs() - popup_time > kPopupCloseMs) {
    popup_state = 0;
    popup_time = GetTickMs();
  }
  return 0;
}

void GameModeLobby::ClosePopup() {
  if (popup_state != 1) return;
  popup_state = 2;
  popup_time = GetTickMs();
}

void GameModeLobby::OnConnectionLost(int) {
  ClosePopup();
  CloseScenes();
}

// ---------------------------------------------------------------- scenes

void GameModeLobby::Show_Scene(int index, int param) {
  Log(LOG_TRACE, "GameModeLobby::Show_Scene ... %d", index);
  GameLogic* logic = Logic();
  if (!logic || index < 0 || index >= kSceneCount) return;
  logic->Hooks().scenes->ShowScene(index, param);
}

int GameModeLobby::TopmostScene() {
  const GameMode* top = m_layer.Top();
  return top ? top->scene_id : -1;
}

void GameModeLobby::CloseScenes() {
  GameLogic* logic = Logic();
  if (!logic) return;
  ISceneHooks* scenes = logic->Hooks().scenes;
  for (int id = 0; id < kSceneCount; ++id) {
    if (scenes->IsSceneShown(id)) scenes->HideScene(id);
  }
}

void GameModeLobby::Close() {
  GameLogic* logic = Logic();
  if (!logic) return;
  if (popup_state == 1) {
    ClosePopup();
    return;
  }
  // The scene drawn last, which also takes the pointer.
  if (m_layer.CloseTop()) return;
  if (logic->Hooks().sub_play->OnBackKey()) {
    m_mini_game_closed = GetTickMs();
    return;
  }
  if (GetTickMs() - m_mini_game_closed <= static_cast<uint32_t>(kEscapeAfterMiniGameMs)) return;
  logic->Hooks().notices->PushConfirmBox(
      LangMessage(kMsgTitle), LangMessage(kMsgLeaveGame),
      +[](void* context, int result) {
        GameLogic* l = static_cast<GameModeLobby*>(context)->Logic();
        if (result && l) l->Hooks().platform->Execute(kPlatformQuit, 0, 0, "", "", 0);
      },
      this);
}

int GameModeLobby::OnPacket(Packet* packet) {
  if (!packet) return 1;
  GameLogic* logic = Logic();
  if (!logic) return 1;
  ISceneHooks* scenes = logic->Hooks().scenes;
  if (packet->id == VX_PROTOCOL_TOURNAMENT_LIST) {
    scenes->PassPacket(kSceneTournament, packet);
  } else if (packet->id == VX_PROTOCOL_TOURNAMENT_TABLE) {
    VXType_tournament_info record;
    const bool whole = packet->ReadBytes(record.raw, sizeof(record.raw));
    if (whole && scenes->IsSceneShown(kSceneTournament)) scenes->SetTournamentRecord(kSceneTournament, record);
  }
  return 1;
}

// ---------------------------------------------------------------- entering a game server

int GameModeLobby::EnterGameServer(int kind) {
  GameLogic* logic = Logic();
  if (!logic) return 0;
  if (m_entering) {
    Log(LOG_TRACE, "GameModeLobby::EnterGameServer| an entry is pending, kind %d ignored", kind);
    return 0;
  }
  m_entering = 1;
  m_entering_kind = kind;
  m_entering_since = GetTickMs();
  // The completion may run at once (already on such a server) and clears m_entering.
  logic->EnterServer(kind, -1, this, &ServerEnteredThunk);
  return 1;
}

void GameModeLobby::ServerEnteredThunk(void* user_data, IGameSession*) {
  static_cast<GameModeLobby*>(user_data)->OnServerEntered();
}

void GameModeLobby::OnServerEntered() {
  m_entering = 0;
  if (!created) return;
  OnServerReady();
}

void GameModeLobby::OnServerReady() {
  GameLogic* logic = Logic();
  IGameSession* session = logic ? logic->CurrentSession() : nullptr;
  if (!session || !session->IsConnected()) return;
  const int32_t kind = session->Info().Kind();
  if (kind == 1)
    Show_Scene(kSceneGame, point_game);
  else if (kind == 2)
    Show_Scene(kSceneTournament, sng);
}

void GameModeLobby::CheckPendingEntry() {
  if (!m_entering) return;
  GameLogic* logic = Logic();
  if (!logic) return;
  const bool ours = logic->m_enter_callback == &ServerEnteredThunk && logic->m_enter_user_data == this;
  if (ours) {
    // The login reply of a server that refused us leaves the request waiting for ever.
    if (GetTickMs() - m_entering_since <= kEnterTimeoutMs) return;
    logic->m_enter_callback = nullptr;
    logic->m_enter_user_data = nullptr;
    EntryFailed();
    return;
  }
  m_entering = 0;
  // Dropped by the entering job (a failed connection or a refusal) rather than
  // replaced by another request.
  if (!logic->m_enter_callback) EntryFailed();
}

void GameModeLobby::EntryFailed() {
  m_entering = 0;
  GameLogic* logic = Logic();
  if (!logic) return;
  Log(LOG_WARNING, "[WARNING]: GameModeLobby::EnterGameServer| entering a server of kind %d failed", m_entering_kind);
  logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, LangMessage(kMsgNoServer), kBoxDim, 0);
  IGameSession* cur = logic->CurrentSession();
  if (cur && cur->IsConnected() && cur->IsLoggedIn() && cur->Info().Kind() == 0) return;  // still on the master
  // Back to the master on a runner worker: this runs from Update, never inside the
  // dispatch of the session the job closes.
  ServerInfo block;
  block.SetKind(0);
  block.SetSelector1(-1);
  block.SetSelector2(-1);
  logic->Hooks().workers->QueueJob([logic, block]() { logic->EnterServerJob(block); });
}

// ---------------------------------------------------------------- buttons and input

void GameModeLobby::OnEvent(ZBEventCtrl* sender) {
  // The click sound is the buttons' own.
  if (sender == &btn_top_chips) {
    Show_Scene(kSceneShop, 1);
  } else if (sender == &btn_top_rubies || sender == &btn_shop) {
    Show_Scene(kSceneShop, 0);
  } else if (sender == &btn_help) {
    if (GameLogic* logic = Logic()) {
      const std::string page = FormatString("%s/web_content/exp.htm", ProgramDir().c_str());
      logic->Hooks().platform->Execute(kPlatformOpenPage, 0, 0, page.c_str(), "", 0);
    }
  } else if (sender == &btn_settings) {
    Show_Scene(kSceneSettingMain, 0);
  } else if (sender == &btn_gift_msg) {
    Show_Scene(kSceneFriend, 2);
  } else if (sender == &btn_friends) {
    Show_Scene(kSceneFriend, 0);
  } else if (sender == &btn_coupon) {
    Show_Scene(kSceneCoupon, 0);
  } else if (sender == &btn_free) {
    Show_Scene(kSceneMission, 0);
  } else if (sender == &btn_ranking) {
    Show_Scene(kSceneRanking, 0);
  } else if (sender == &btn_mtt || sender == &btn_sng || sender == &btn_point || sender == &btn_normal) {
    // While an entry is pending the choice that started it stands.
    if (m_entering) return;
    if (sender == &btn_mtt || sender == &btn_sng) {
      sng = sender == &btn_sng ? 1 : 0;
      EnterGameServer(2);
    } else {
      point_game = sender == &btn_point ? 1 : 0;
      EnterGameServer(1);
    }
  }
}

int GameModeLobby::OfferTouch(int (EventCtrlGroup::*dispatch)(int, int, int), int a, int x, int y) {
  GameLogic* logic = Logic();
  // A scene shown over the lobby takes the input; the lobby's own controls wait.
  int routed = 0;
  if (dispatch == &EventCtrlGroup::DispatchTouchDown ? m_layer.TouchDown(a, x, y, &routed)
      : dispatch == &EventCtrlGroup::DispatchTouchUp ? m_layer.TouchUp(a, x, y, &routed)
      : dispatch == &EventCtrlGroup::DispatchTouchMove ? m_layer.TouchMove(a, x, y, &routed)
                                                       : m_layer.Wheel(a, x, y, &routed))
    return 1;
  if (logic) {
    ILayerHooks* sub_play = logic->Hooks().sub_play;
    int taken = 0;
    if (dispatch == &EventCtrlGroup::DispatchTouchDown)
      taken = sub_play->OnTouchDown(a, x, y);
    else if (dispatch == &EventCtrlGroup::DispatchTouchUp)
      taken = sub_play->OnTouchUp(a, x, y);
    else if (dispatch == &EventCtrlGroup::DispatchTouchMove)
      taken = sub_play->OnTouchMove(a, x, y);
    else
      taken = sub_play->OnWheel(a, x, y);
    if (taken) return 1;
  }
  return (m_screen.*dispatch)(a, x, y);
}

int GameModeLobby::OnTouchDown(int button, int x, int y) {
  return OfferTouch(&EventCtrlGroup::DispatchTouchDown, button, x, y);
}

int GameModeLobby::OnTouchUp(int button, int x, int y) {
  if (OfferTouch(&EventCtrlGroup::DispatchTouchUp, button, x, y)) return 1;
  if (button != 0) return 0;
  if (ZBPointInRect(28, 20, 130, 122, x, y)) {
    Show_Scene(kSceneProfileMe, 0);
    return 1;
  }
  const int entry = PortraitAt(x, y);
  if (entry >= 0) {
    Show_Scene(kSceneProfilePlayer, entry);
    return 1;
  }
  return 0;
}

int GameModeLobby::OnTouchMove(int button, int x, int y) {
  return OfferTouch(&EventCtrlGroup::DispatchTouchMove, button, x, y);
}

int GameModeLobby::OnWheel(int delta, int x, int y) { return OfferTouch(&EventCtrlGroup::DispatchWheel, delta, x, y); }

int GameModeLobby::PortraitAt(int x, int y) {
  const GameSharedData* d = GameSharedData::Instance();
  const int32_t count = static_cast<int32_t>(d->m_list_a.Current().size());
  return carousel.HitTest(count, x, y, GetTickMs());
}

// ---------------------------------------------------------------- drawing

void GameModeLobby::DrawDecoration(uint32_t now) {
  if (m_bg) m_bg->Draw(0, 0.0f, 0.0f, 0);
  // Each cloud crosses the sky once per period, its clock restarting when it has.
  auto cycle = [now](uint32_t* clock, float period) {
    float c = static_cast<float>(now - *clock) / period;
    if (c >= 1.0f) {
      *clock = now;
      c = 0.0f;
    }
    return c;
  };
  if (m_cloud1) m_cloud1->Draw(0, 1480.0f - 1624.0f * cycle(&deco_clock[0], 24800.0f), 70.0f, 1);
  if (m_cloud2) m_cloud2->Draw(0, 1280.0f - 1424.0f * cycle(&deco_clock[1], 22800.0f), 142.0f, 1);
  if (m_lights) {
    uint32_t e = now - deco_clock[2];
    if (e >= 10000) {
      deco_clock[2] = now;
      e = 0;
    }
    const float t = e < 5000 ? static_cast<float>(e) / 5000.0f : static_cast<float>(10000 - e) / 5000.0f;
    m_lights->SetScale(0.5f, 0.5f);
    m_lights->Draw(0, 261.12f, 144.62f - 10.0f * t, 1);
    m_lights->SetScale(1.0f, 1.0f);
  }
}

void GameModeLobby::DrawHeader() {
  const GameSharedData* d = GameSharedData::Instance();
  char name[51];
  FieldText(d->m_user_info + kUserNickname, 50, name);
  if (GamePlayerImage* pictures = GamePlayerImage::InstanceIfAny()) {
    char id[31];
    FieldText(d->m_user_info + kUserAccountId, 30, id);
    PlayerPictureRecord own;
    own.id = id;
    pictures->DrawAvatar(&own, 79.18f, 70.97f, 100.0f, 100.0f);
  }
  Label(name, 145.0f, 26.0f, 22, GLFont::kAlignVCentre, kWhite);

  // Experience bar over its track, then the level badge.
  const int32_t level = d->GetUser32(kUserLevel);
  const float f = LobbyExperienceFraction(d->GetUser32(kUserExperience), level);
  RoundRect(176, 48, 343, 64, 4, 8, kPlateFill, kPlateBorder);
  const int fill = static_cast<int>(163.0f * f);
  if (fill > 0) RoundRect(178, 50, 178 + fill, 62, 4, 8, kBarColour, kBarColour);
  RoundRect(147, 44, 200, 69, 10, 20, kPlateFill, kPlateBorder);
  char shown[16];
  std::snprintf(shown, sizeof(shown), "%d", LobbyShownLevel(level));
  Label(shown, 172.0f, 56.0f, 18, GLFont::kAlignCentre | GLFont::kAlignVCentre, kWhite);

  // Money row: chips, rubies and the third value, right-aligned against their icons.
  const int64_t values[3] = {d->Chips(), d->Rubies(), d->GetUser32(kUserMoneyRowValue)};
  const float right[3] = {645.0f, 858.0f, 1086.0f};
  const float icon_x[3] = {458.0f, 751.0f, 965.0f};
  const int icon_frame[3] = {1, 9, 23};
  for (int i = 0; i < 3; ++i) {
    if (values[i] != m_money_values[i]) {
      m_money_values[i] = values[i];
      CopyFixedText(m_money_texts[i], sizeof(m_money_texts[i]), FormatNumber(values[i]).c_str());
    }
    Icon(m_icons, icon_frame[i], icon_x[i], 38.5f, 0.8f);
    Label(m_money_texts[i], right[i], 35.0f, 22, GLFont::kAlignRight | GLFont::kAlignVCentre, kWhite);
  }
}

void GameModeLobby::DrawGameArt() {
  for (float x : {143.0f, 398.0f, 653.0f, 908.0f})
    if (m_tex[kTexMainBg]) m_tex[kTexMainBg]->Draw(0, x, 200.0f, 0);
  if (m_tex[kTexTmBig]) m_tex[kTexTmBig]->Draw(0, 122.0f, 140.0f, 0);
  if (m_tex[kTexTmSng]) m_tex[kTexTmSng]->Draw(0, 374.0f, 140.0f, 0);
  if (m_tex[kTexAniPoint]) m_tex[kTexAniPoint]->Draw(-1, 631.0f, 140.0f, 0);
  if (m_tex[kTexAniNormal]) m_tex[kTexAniNormal]->Draw(-1, 880.0f, 140.0f, 0);
  Icon(m_icons, 23, 867.0f, 704.0f, 1.0f);
}

void GameModeLobby::RefreshCarouselTexts() {
  const GameSharedData* d = GameSharedData::Instance();
  if (m_entries_time == d->m_list_a.refresh_time && m_entries_buffer == d->m_list_a.current) return;
  m_entries_time = d->m_list_a.refresh_time;
  m_entries_buffer = d->m_list_a.current;
  const auto& rows = d->m_list_a.Current();
  m_entry_count = CarouselCount(static_cast<int32_t>(rows.size() > 9 ? 9 : rows.size()));
  for (int32_t i = 0; i < m_entry_count; ++i) {
    const uint8_t* row = rows[static_cast<size_t>(i)].data();
    FieldText(row + kRowAccountId, 30, m_entries[i].id);
    int64_t chips = 0;
    std::memcpy(&chips, row + kRowChips, 8);
    CopyFixedText(m_entries[i].chips, sizeof(m_entries[i].chips), FormatAmountShort(chips).c_str());
  }
}

void GameModeLobby::DrawCarousel(uint32_t now) {
  RefreshCarouselTexts();
  carousel.Advance(m_entry_count, now);
  GLWindowScreen* screen = GLWindowScreen::InstanceIfAny();
  if (screen) screen->PushClip(LobbyCarousel::kClipLeft, LobbyCarousel::kClipTop, LobbyCarousel::kClipRight,
                               LobbyCarousel::kClipBottom);
  GamePlayerImage* pictures = GamePlayerImage::InstanceIfAny();
  const int slots = carousel.Slots(m_entry_count);
  for (int i = 0; i < slots; ++i) {
    const int32_t entry = carousel.EntryOf(i, m_entry_count);
    if (entry < 0) continue;
    const float x = carousel.CentreX(i, now);
    if (pictures) {
      PlayerPictureRecord record;
      record.id = m_entries[entry].id;
      pictures->DrawAvatar(&record, x, 663.72f, 90.0f, 90.0f);
    }
    RoundRect(static_cast<int>(x - 45.0f), 690, static_cast<int>(x + 45.0f), 718, 4, 8, kPlateFill, kPlateBorder);
    Label(m_entries[entry].chips, x, 704.0f, 16, GLFont::kAlignCentre | GLFont::kAlignVCentre, kShortChips);
  }
  if (screen) screen->PopClip();
}

void GameModeLobby::DrawBadges() {
  const GameSharedData* d = GameSharedData::Instance();
  // Unread mail and gifts over the messages button, friend requests over the friends
  // button; counts of 0 or less draw nothing.
  const int64_t counts[2] = {static_cast<int64_t>(d->m_unread_mail) + d->m_unread_gifts, d->m_friend_requests};
  const float xs[2] = {247.0f, 413.0f};
  char text[24];
  for (int i = 0; i < 2; ++i) {
    if (counts[i] <= 0) continue;
    Icon(m_icons, 14, xs[i], 618.0f, 1.0f);
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(counts[i]));
    Label(text, xs[i], 618.0f, 20, GLFont::kAlignCentre | GLFont::kAlignVCentre, kWhite);
  }
}

int GameModeLobby::Draw() {
  // A full-screen scene (the room list) hides the lobby: only the scenes are drawn.
  if (m_layer.CoversMode()) {
    m_layer.Draw();
    return 1;
  }
  const uint32_t now = GetTickMs();
  DrawDecoration(now);
  if (m_tex[kTexBottomBg]) m_tex[kTexBottomBg]->Draw(0, 0.0f, 604.0f, 0);
  DrawHeader();
  DrawGameArt();
  DrawCarousel(now);
  m_screen.DrawAll();
  DrawBadges();
  glint_point.DrawByKey(-1);
  glint_normal.DrawByKey(-1);
  if (GameWebContent* web = GameWebContent::InstanceIfAny()) web->Draw(kPlaceLobby);
  if (GameLogic* logic = Logic()) logic->Hooks().sub_play->Draw();
  m_layer.Draw();
  return 1;
}
