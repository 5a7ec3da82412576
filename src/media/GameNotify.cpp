#include "media/GameNotify.h"

#include <algorithm>
#include <cinttypes>
#include <cstring>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"
#include "media/CelebrationBurst.h"
#include "media/GameSharedImage.h"

namespace {

// Sounds.
constexpr int kSoundClick = 2;
constexpr int kSoundNotice = 4;
constexpr int kSoundBox = 25;
// Platform commands.
constexpr int kCommandQuit = 3;
constexpr int kCommandShare = 17;

// Language entries.
constexpr int kMsgTitle = 0;
constexpr int kMsgOk = 2;
constexpr int kMsgCancel = 4;
constexpr int kMsgQuit = 5;
constexpr int kMsgShare = 10;
constexpr int kMsgBuyChips = 40;
constexpr int kMsgCongratulations = 41;
constexpr int kMsgLevelUp = 42;
constexpr int kMsgPrizeChips = 43;
constexpr int kMsgPrizeChipsRubies = 44;
constexpr int kMsgErrorCode = 49;

// Shared sheets by file name (their slots follow the load list).
struct Sheets {
  int plate_green, plate_yellow, close, confirm;
  int bar, bar_invite, guide, icons;
  int frame_small, frame_large, frame_normal, level_up;
  int crown, bonus_prize, coin, star;
};

int FindSlot(const char* name) {
  for (int i = 0; i < GameSharedImage::kSlotCount; ++i) {
    if (std::strcmp(GameSharedImage::SlotName(i), name) == 0) return i;
  }
  return -1;
}

const Sheets& SheetSlots() {
  static const Sheets s = {
      FindSlot("btn_b_g.png"),        FindSlot("btn_b_y.png"),          FindSlot("btn_close_b.png"),
      FindSlot("btn_confirm.png"),    FindSlot("top_notice_bg.png"),    FindSlot("top_notice_bg2.png"),
      FindSlot("guide_characters.png"), FindSlot("submenu_icons.png"),  FindSlot("popup_s.png"),
      FindSlot("popup_normal_b.png"), FindSlot("popup_normal_y.png"),   FindSlot("selebration_lavel_up.png"),
      FindSlot("effect_card_light4.png"), FindSlot("day_bonus_prize.png"), FindSlot("particle_coin.png"),
      FindSlot("particle_star_g.png"),
  };
  return s;
}

// One frame of each button sheet, used when a sheet failed to decode so the button
// still takes clicks where it would be.
struct ButtonSize {
  int w, h;
};
constexpr ButtonSize kPlateSize = {235, 81};
constexpr ButtonSize kCloseSize = {99, 70};
constexpr ButtonSize kConfirmSize = {220, 72};

constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kBrown[4] = {104 / 255.0f, 49 / 255.0f, 0.0f, 1.0f};
constexpr float kTitleRed[4] = {0.8f, 0.0f, 0.0f, 1.0f};
constexpr float kBannerText[4] = {82 / 255.0f, 44 / 255.0f, 0.0f, 1.0f};
constexpr float kBannerLabel[4] = {128 / 255.0f, 105 / 255.0f, 0.0f, 1.0f};

// Banner icons (interface icon frames) for kinds 1 to 4.
constexpr int kBannerIcon[GameNotify::kBannerKinds] = {0, 4, 8, 3, 3};
// Friend-scene page opened by a tap on banner kinds 1 to 4 in the lobby: gifts, mail,
// then the friend list for the two friend notices.
constexpr int kBannerScenePage[GameNotify::kBannerKinds] = {0, kFriendPageGifts, kFriendPageMail, 0, 0};

const char* kDefaultSender = "Tolvan";

GLFont* Font0() {
  GLSurface* s = GLSurface::InstanceIfAny();
  return s ? s->Font(0) : nullptr;
}

const GameHooks* LogicHooks() {
  GameLogic* logic = GameLogic::InstanceIfAny();
  return logic ? &logic->Hooks() : nullptr;
}

void Place(GLButtonImage& button, GLTexture* sheet, int x, int y, ButtonSize fallback) {
  button.SetImage(sheet, x, y);
  if (button.Width() <= 0 || button.Height() <= 0) button.SetRects(x, y, x + fallback.w, y + fallback.h);
  button.m_hidden = 0;
}

void DrawText(GLFont* font, const char* text, float x, float y, int size, int flags, const float colour[4]) {
  if (!font || !text || !*text) return;
  const int saved = font->FaceSize();
  font->SetFaceSize(size);
  font->DrawTextAt(x, y, text, flags, colour);
  font->SetFaceSize(saved);
}

void QuitConfirmed(void* context, int result) {
  (void)context;
  if (result == 0) return;
  if (const GameHooks* hooks = LogicHooks()) hooks->platform->Execute(kCommandQuit, 0, 0, "", "", 0);
}

}  // namespace

GameNotify::GameNotify() {
  for (GLButtonImage* b : {&m_close_button, &m_left_button, &m_right_button, &m_confirm_button, &m_scene_button}) {
    b->m_receiver = this;
    b->m_hidden = 1;
    for (auto& c : b->m_label_colour) std::copy(kWhite, kWhite + 4, c);
    m_box_group.Add(b);
  }
  m_text.m_hidden = 1;
  m_box_group.Add(&m_text);
  m_right = 1280;
  m_bottom = 720;
}

GameNotify::~GameNotify() {
  {
    CSGuard g(&m_queue_lock);
    FreeQueue(m_box_queue);
    FreeQueue(m_banner_queue);
  }
  CSGuard g(&m_effect_lock);
  for (void* v = m_effects.First(); v; v = m_effects.Next()) delete static_cast<NotifyEffect*>(v);
  m_effects.RemoveAll();
}

void GameNotify::FreeQueue(ZBEntity& queue) {
  while (void* v = queue.RemoveHead()) delete static_cast<NotifyRecord*>(v);
}

GLTexture* GameNotify::Image(int slot) const {
  GameSharedImage* images = GameSharedImage::InstanceIfAny();
  return images ? images->Image(slot) : nullptr;
}

int GameNotify::Initialize() {
  if (m_initialized) return 1;
  // The buttons' click guard starts open, whatever the clock reads at start-up.
  const uint32_t now = GetTickMs();
  for (GLButtonImage* b : {&m_close_button, &m_left_button, &m_right_button, &m_confirm_button, &m_scene_button})
    b->m_last_click_time = now - b->m_click_interval - 1;
  m_initialized = 1;
  return 1;
}

// ---------------------------------------------------------------- queueing

int GameNotify::Enqueue(ZBEntity& queue, NotifyRecord* record) {
  CSGuard g(&m_queue_lock);
  return queue.AddTail(record) ? 1 : 0;
}

int GameNotify::QueueBox(NotifyRecord* record) {
  if (!record) return 0;
  if (record->type < 0 || record->type >= kBoxTypes) {
    Log(LOG_WARNING, "[WARNING]: GameNotify::QueueBox| type %d refused", record->type);
    delete record;
    return 0;
  }
  return Enqueue(m_box_queue, record);
}

int GameNotify::QueueBanner(NotifyRecord* record) {
  if (!record) return 0;
  if (record->type < 0 || record->type >= kBannerKinds) {
    Log(LOG_WARNING, "[WARNING]: GameNotify::QueueBanner| kind %d refused", record->type);
    delete record;
    return 0;
  }
  if (!record->sender[0]) CopyFixedText(record->sender, sizeof(record->sender), kDefaultSender);
  return Enqueue(m_banner_queue, record);
}

int GameNotify::PushBox(const char* title, int type, const char* message, int dim, int auto_close,
                        NotifyCallback callback, void* context) {
  NotifyRecord* r = new NotifyRecord();
  r->type = type;
  r->dim = dim;
  r->auto_close = auto_close;
  CopyFixedText(r->title, sizeof(r->title), title ? title : "");
  CopyFixedText(r->message, sizeof(r->message), message ? message : "");
  r->callback = callback;
  r->context = context;
  return QueueBox(r);
}

int GameNotify::PushConfirmBox(const char* title, const char* message, NotifyCallback callback, void* context) {
  NotifyRecord* r = new NotifyRecord();
  r->two_buttons = 1;
  r->type = 0;
  r->dim = 1;
  CopyFixedText(r->title, sizeof(r->title), title ? title : "");
  CopyFixedText(r->message, sizeof(r->message), message ? message : "");
  r->callback = callback;
  r->context = context;
  return QueueBox(r);
}

int GameNotify::PushConfirm() {
  return PushConfirmBox(LangMessage(kMsgTitle), LangMessage(kMsgQuit), &QuitConfirmed, nullptr);
}

int GameNotify::PushBanner(int kind, const char* title, const char* sender, int auto_close) {
  NotifyRecord* r = new NotifyRecord();
  r->type = kind;
  r->auto_close = auto_close;
  CopyFixedText(r->title, sizeof(r->title), title ? title : "");
  CopyFixedText(r->sender, sizeof(r->sender), sender ? sender : "");
  return QueueBanner(r);
}

void GameNotify::ShowErrorCode(int code) {
  PushBox(LangMessage(kMsgTitle), 1, FormatString(LangMessage(kMsgErrorCode), code).c_str(), 1, 0);
}

void GameNotify::ShowPrize(int rubies, int value, int rank, int64_t chips) {
  (void)value;
  NotifyRecord* r = new NotifyRecord();
  r->type = 4;
  r->dim = 0;  // the burst is drawn under the box: no dimming over it
  r->number = rank;
  CopyFixedText(r->title, sizeof(r->title), LangMessage(kMsgCongratulations));
  const std::string text =
      rubies >= 1 ? FormatString(LangMessage(kMsgPrizeChipsRubies), rank, FormatNumber(chips).c_str(), rubies)
                  : FormatString(LangMessage(kMsgPrizeChips), rank, FormatNumber(chips).c_str());
  CopyFixedText(r->message, sizeof(r->message), text.c_str());
  r->celebrate = 1;
  QueueBox(r);
}

void GameNotify::ShowCelebration(int level, int value) {
  // The level is stored from 0 and shown from 1, as on the seat plates.
  NotifyRecord* r = new NotifyRecord();
  r->type = 7;
  r->celebrate = 1;
  CopyFixedText(r->title, sizeof(r->title), LangMessage(kMsgCongratulations));
  CopyFixedText(r->message, sizeof(r->message), FormatString(LangMessage(kMsgLevelUp), level + 1, value).c_str());
  QueueBox(r);
}

void GameNotify::AddEffect(NotifyEffect* effect) {
  if (!effect) return;
  CSGuard g(&m_effect_lock);
  m_effects.AddTail(effect);
}

NotifyRecord* GameNotify::TakeFirst(ZBEntity& queue) {
  CSGuard g(&m_queue_lock);
  return static_cast<NotifyRecord*>(queue.RemoveHead());
}

int GameNotify::QueuedBoxes() {
  CSGuard g(&m_queue_lock);
  return m_box_queue.GetCount();
}

int GameNotify::QueuedBanners() {
  CSGuard g(&m_queue_lock);
  return m_banner_queue.GetCount();
}

int GameNotify::EffectCount() {
  CSGuard g(&m_effect_lock);
  return m_effects.GetCount();
}

// ---------------------------------------------------------------- frame step

void GameNotify::PurgeEffects(uint32_t now) {
  CSGuard g(&m_effect_lock);
  ZBENTITYOBJECT* n = m_effects.HeadNode();
  while (n) {
    ZBENTITYOBJECT* next = n->m_next;
    NotifyEffect* e = static_cast<NotifyEffect*>(n->m_value);
    if (e->Finished(now)) {
      m_effects.RemoveNode(n);
      delete e;
    }
    n = next;
  }
}

void GameNotify::Update() {
  const uint32_t now = GetTickMs();
  PurgeEffects(now);

  if (m_box_state == kOpen && m_box.auto_close > 0 &&
      now - m_box_time > static_cast<uint32_t>(m_box.auto_close) + kTransitionMs)
    StartClosingBox(kResultClosed);
  if (m_box_state == kClosing && now - m_box_time >= kTransitionMs) CompleteBox();
  if (m_box_state == kNone) OpenNextBox(now);

  if (m_banner_state == kOpen && m_banner.auto_close > 0 &&
      now - m_banner_time > static_cast<uint32_t>(m_banner.auto_close) + kTransitionMs)
    StartClosingBanner();
  if (m_banner_state == kClosing && now - m_banner_time >= kTransitionMs) CompleteBanner();
  if (m_banner_state == kNone) OpenNextBanner(now);
}

void GameNotify::OpenNextBox(uint32_t now) {
  NotifyRecord* r = TakeFirst(m_box_queue);
  if (!r) return;
  m_box = *r;
  delete r;
  m_box_state = kOpen;
  m_box_type = m_box.type;
  m_box_time = now;
  m_box_result = kResultClosed;
  Log(LOG_TRACE, "GameNotify::Update box open type %d", m_box_type);
  LayOutBox();
  PlaySound(m_box_type == 6 || m_box_type == 8 ? kSoundNotice : kSoundBox);
  if (m_box_type == 7) {
    if (GLTexture* anim = Image(SheetSlots().level_up)) anim->StartAnimation(200);
  }
  // The burst starts with its box (made here, on the main thread, whoever queued it).
  if (m_box.celebrate) {
    const Sheets& s = SheetSlots();
    AddEffect(new CelebrationBurst(Image(s.coin), Image(s.star), 640.0f, 400.0f, now));
  }
}

void GameNotify::OpenNextBanner(uint32_t now) {
  NotifyRecord* r = TakeFirst(m_banner_queue);
  if (!r) return;
  m_banner = *r;
  delete r;
  m_banner_state = kOpen;
  m_banner_time = now;
  Log(LOG_TRACE, "GameNotify::Update banner open kind %d", m_banner.type);
  PlaySound(kSoundNotice);
}

void GameNotify::LayOutBox() {
  const Sheets& s = SheetSlots();
  for (GLButtonImage* b : {&m_close_button, &m_left_button, &m_right_button, &m_confirm_button, &m_scene_button})
    b->m_hidden = 1;
  m_left_button.SetLabel(LangMessage(m_box.left_label >= 1 ? m_box.left_label : kMsgOk), 30, 5);
  m_right_button.SetLabel(LangMessage(m_box.right_label >= 1 ? m_box.right_label : kMsgCancel), 30, 5);
  m_confirm_button.SetLabel(LangMessage(kMsgShare), 30, 5);
  m_scene_button.SetLabel(LangMessage(kMsgBuyChips), 30, 5);

  struct Area {
    int l, t, r, b, size;
    const float* colour;
    int flags;
  } a{0, 0, 0, 0, 22, kBrown, 5};
  GLTexture* plate = Image(s.plate_green);
  switch (m_box_type) {
    case 0:
      a = m_box.two_buttons ? Area{308, 225, 974, 494, 24, kWhite, 5} : Area{308, 225, 974, 556, 24, kWhite, 5};
      Place(m_close_button, Image(s.close), 881, 143, kCloseSize);
      if (m_box.two_buttons) {
        Place(m_left_button, plate, 378, 489, kPlateSize);
        Place(m_right_button, Image(s.plate_yellow), 674, 489, kPlateSize);
      }
      break;
    case 2:
    case 3:
      a = Area{534, 258, 900, 405, 22, kBrown, 4};
      Place(m_left_button, plate, 532, 431, kPlateSize);
      break;
    case 4:
    case 5: {
      a = Area{534, 258, 900, 405, 22, kBrown, 4};
      Place(m_left_button, plate, 544, 431, kPlateSize);
      // The share button is prepared (its label starts 50 units in) but stays hidden.
      Place(m_confirm_button, Image(s.confirm), 544, 431, kConfirmSize);
      const GLButton::Rect lr = m_confirm_button.GetLabelRect();
      m_confirm_button.SetLabelRect(m_confirm_button.GetFrameRect().left + 50, lr.top, lr.right, lr.bottom);
      break;
    }
    case 6:
      a = Area{371, 261, 916, 395, 22, kBrown, 5};
      Place(m_left_button, plate, 532, 431, kPlateSize);
      break;
    case 8:
      a = Area{371, 261, 916, 395, 22, kBrown, 5};
      Place(m_left_button, plate, 652, 431, kPlateSize);
      Place(m_scene_button, Image(s.plate_yellow), 406, 431, kPlateSize);
      break;
    case 1:
    case 7:
    default:
      a = Area{532, 283, 771, 434, 20, kWhite, 5};
      break;
  }
  m_confirm_button.m_hidden = 1;
  const int line_height = (m_box_type == 1 || m_box_type == 7) ? 24 : 40;
  m_text.Clear();
  m_text.Setup(a.l, a.t, a.r, a.b);
  // Flags with vertical centring centre a short message in the area.
  m_text.m_centre_when_short = (a.flags & GLFont::kAlignVCentre) ? 1 : 0;
  m_text.AddText(m_box.message, line_height, 0, a.size, a.colour[0], a.colour[1], a.colour[2], a.colour[3], 0,
                 a.flags);
  m_text.m_hidden = 0;
}

void GameNotify::StartClosingBox(int result) {
  if (m_box_state != kOpen) return;  // a second close (double click) changes nothing
  m_box_result = result;
  m_box_state = kClosing;
  m_box_time = GetTickMs();
}

void GameNotify::OnOwnTurn() { StartClosingBanner(); }

void GameNotify::StartClosingBanner() {
  if (m_banner_state != kOpen) return;
  m_banner_state = kClosing;
  m_banner_time = GetTickMs();
}

void GameNotify::CompleteBox() {
  // The slot is emptied before the callback runs: the callback may queue the next box
  // or close things, and never sees (or re-runs) this one.
  const NotifyCallback callback = m_box.callback;
  void* const context = m_box.context;
  const int result = m_box_result;
  m_box.callback = nullptr;
  m_box.context = nullptr;
  m_box_state = kNone;
  m_text.Clear();
  m_text.m_hidden = 1;
  for (GLButtonImage* b : {&m_close_button, &m_left_button, &m_right_button, &m_confirm_button, &m_scene_button})
    b->m_hidden = 1;
  Log(LOG_TRACE, "GameNotify::Update box closed type %d result %d%s", m_box_type, result,
      callback ? ", callback" : "");
  if (callback) callback(context, result);
}

void GameNotify::CompleteBanner() {
  const NotifyCallback callback = m_banner.callback;
  void* const context = m_banner.context;
  m_banner.callback = nullptr;
  m_banner.context = nullptr;
  m_banner_state = kNone;
  Log(LOG_TRACE, "GameNotify::Update banner closed kind %d", m_banner.type);
  if (callback) callback(context, kResultClosed);
}

int GameNotify::CloseCurrent() {
  if (m_box_state != kNone) {
    StartClosingBox(kResultClosed);
    return 1;
  }
  if (m_banner_state != kNone) {
    StartClosingBanner();
    return 1;
  }
  return 0;
}

void GameNotify::PlaySound(int index) {
  // Every notice sound follows the effects setting.
  if (!GameSharedData::Instance()->m_sound_on) return;
  if (const GameHooks* hooks = LogicHooks()) hooks->sound->PlayEffect(index);
}

// ---------------------------------------------------------------- drawing

float GameNotify::BoxProgress(uint32_t now) const {
  return std::clamp(static_cast<float>(now - m_box_time) / kTransitionMs, 0.0f, 1.0f);
}

float GameNotify::BannerProgress(uint32_t now) const {
  return std::clamp(static_cast<float>(now - m_banner_time) / kTransitionMs, 0.0f, 1.0f);
}

void GameNotify::DrawEffects(uint32_t now) {
  CSGuard g(&m_effect_lock);
  for (void* v = m_effects.First(); v; v = m_effects.Next()) static_cast<NotifyEffect*>(v)->Draw(now);
}

int GameNotify::Draw() {
  DrawEffects(GetTickMs());
  DrawBox();
  DrawBanner();
  return 1;
}

void GameNotify::DrawBoxFrame(int type) {
  const Sheets& s = SheetSlots();
  GLFont* font = Font0();
  auto draw = [this](int slot, int frame, float x, float y) {
    if (GLTexture* t = Image(slot)) t->Draw(frame, x, y, 0);
  };
  switch (type) {
    case 0:
      draw(s.frame_large, 0, 286.0f, 132.0f);
      DrawText(font, m_box.title, 329.0f, 181.0f, 30, GLFont::kAlignVCentre, kWhite);
      break;
    case 1:
    case 7:
      draw(s.frame_small, 0, 488.0f, 255.5f);
      if (type == 1) draw(s.guide, 2, 397.0f, 270.0f);
      else draw(s.level_up, -1, 392.0f, 265.0f);
      break;
    default:
      draw(s.frame_normal, 0, 322.0f, 60.0f);
      DrawText(font, m_box.title, 536.0f, 173.0f, 30, GLFont::kAlignVCentre, kTitleRed);
      if (type == 2 || type == 3) draw(s.guide, type == 2 ? 3 : 0, 325.0f, 253.0f);
      if (type == 4 || type == 5) {
        // The 135 x 135 picture: a crown for the prize, a present for the other reward.
        GLTexture* pic = Image(type == 4 ? s.crown : s.bonus_prize);
        if (pic && pic->FrameWidth() > 0.0f) {
          const float sx = pic->m_scale_x, sy = pic->m_scale_y;
          pic->SetFrameSize(135, 135);
          pic->Draw(type == 4 ? 0 : 4, 381.0f, 263.0f, 0);
          pic->m_scale_x = sx;
          pic->m_scale_y = sy;
          pic->OnTransformChanged();
        }
        if (type == 4) {
          char number[16];
          std::snprintf(number, sizeof(number), "%d", m_box.number);
          DrawText(font, number, 448.0f, 317.0f, 30, GLFont::kAlignCentre | GLFont::kAlignVCentre, kBrown);
        }
      }
      break;
  }
}

void GameNotify::DrawBox() {
  if (m_box_state == kNone) return;
  const uint32_t now = GetTickMs();
  const float progress = BoxProgress(now);
  const bool closing = m_box_state == kClosing;
  if (closing && progress >= 1.0f) return;  // finished: the frame step completes it
  if (m_box.dim) {
    if (GameSharedImage* images = GameSharedImage::InstanceIfAny()) images->DrawDim(progress, closing);
  }
  GLWindowScreen* screen = GLWindowScreen::InstanceIfAny();
  if (screen) screen->BeginTransition(progress, 0.0f, 100.0f, closing ? 1 : 0, 0.0f);
  DrawBoxFrame(m_box_type);
  m_box_group.DrawAll();
  if (screen) screen->EndTransition();
}

void GameNotify::DrawBanner() {
  if (m_banner_state == kNone) return;
  const uint32_t now = GetTickMs();
  const float progress = BannerProgress(now);
  const bool closing = m_banner_state == kClosing;
  if (closing && progress >= 1.0f) return;
  if (m_banner.dim) {
    if (GameSharedImage* images = GameSharedImage::InstanceIfAny()) images->DrawDim(progress, closing);
  }
  GLWindowScreen* screen = GLWindowScreen::InstanceIfAny();
  if (screen) screen->BeginTransition(progress, 0.0f, -90.0f, closing ? 1 : 0, 0.0f);
  const Sheets& s = SheetSlots();
  const int kind = m_banner.type;
  GLFont* font = Font0();
  if (GLTexture* bar = Image(kind == 0 ? s.bar : s.bar_invite)) bar->Draw(0, 140.0f, 0.0f, 0);
  if (kind == 0) {
    DrawText(font, m_banner.title, 175.0f, 39.0f, 26, GLFont::kAlignVCentre, kBannerText);
  } else {
    if (GLTexture* icons = Image(s.icons)) icons->Draw(kBannerIcon[kind], 165.0f, 10.0f, 0);
    DrawText(font, m_banner.title, 231.0f, 39.0f, 26, GLFont::kAlignVCentre, kBannerText);
    DrawText(font, m_banner.sender, 952.0f, 39.0f, 22, GLFont::kAlignCentre | GLFont::kAlignVCentre, kBannerLabel);
  }
  m_banner_group.DrawAll();
  if (screen) screen->EndTransition();
}

// ---------------------------------------------------------------- input

GameNotify::FrameRect GameNotify::BoxFrame(int type) {
  if (type == 0) return {286, 132, 998, 589};
  if (type == 1 || type == 7) return {397, 256, 794, 467};
  return {322, 60, 977, 553};
}

bool GameNotify::BannerAreaHit(int x, int y) { return ZBPointInRect(19, 0, 1261, 100, x, y); }

// Presses, moves and wheel turns: an open (or closing) box takes them all; a banner
// only what its controls take.
int GameNotify::Route(int (EventCtrlGroup::*dispatch)(int, int, int), int a, int x, int y) {
  if (m_box_state != kNone) {
    (m_box_group.*dispatch)(a, x, y);
    return 1;
  }
  if (m_banner_state != kNone) return (m_banner_group.*dispatch)(a, x, y);
  return 0;
}

int GameNotify::OnTouchDown(int button, int x, int y) {
  return Route(&EventCtrlGroup::DispatchTouchDown, button, x, y);
}

int GameNotify::OnTouchMove(int button, int x, int y) {
  return Route(&EventCtrlGroup::DispatchTouchMove, button, x, y);
}

int GameNotify::OnWheel(int delta, int x, int y) { return Route(&EventCtrlGroup::DispatchWheel, delta, x, y); }

int GameNotify::OnTouchUp(int button, int x, int y) {
  if (m_box_state != kNone) {
    const int taken = m_box_group.DispatchTouchUp(button, x, y);
    const FrameRect f = BoxFrame(m_box_type);
    if (!taken && m_box_state == kOpen && !ZBPointInRect(f.left, f.top, f.right, f.bottom, x, y) &&
        GetTickMs() - m_box_time > kTransitionMs)
      StartClosingBox(kResultClosed);
    return 1;
  }
  if (m_banner_state == kNone) return 0;
  if (m_banner_group.DispatchTouchUp(button, x, y)) return 1;
  if (m_banner_state != kOpen || !BannerAreaHit(x, y)) return 0;
  PlaySound(kSoundClick);
  StartClosingBanner();
  GameLogic* logic = GameLogic::InstanceIfAny();
  GameMode* mode = logic ? logic->CurrentMode() : nullptr;
  if (!mode || mode->mode_id != GameMode::kModeLobby) return 1;
  const int kind = m_banner.type;
  if (kind >= 1 && kind < kBannerKinds) {
    ISceneHooks* scenes = logic->Hooks().scenes;
    for (int id = 0; id < kSceneCount; ++id) {
      if (scenes->IsSceneShown(id)) scenes->HideScene(id);
    }
    scenes->ShowScene(kSceneFriend, kBannerScenePage[kind]);
  }
  return 0;
}

void GameNotify::OnEvent(ZBEventCtrl* sender) {
  if (m_box_state != kOpen) return;  // only an open box answers its buttons, once
  if (sender == &m_left_button) {
    StartClosingBox(kResultFirst);
  } else if (sender == &m_confirm_button) {
    StartClosingBox(kResultConfirm);
    if (m_box_type == 4 || m_box_type == 5) {
      if (const GameHooks* hooks = LogicHooks())
        hooks->platform->Execute(kCommandShare, m_box_type == 4 ? 0 : 1, 0, "", "", 0);
    }
  } else if (sender == &m_scene_button) {
    StartClosingBox(kResultClosed);
    if (const GameHooks* hooks = LogicHooks()) hooks->scenes->ShowScene(kSceneDayBonus, 1);
  } else if (sender == &m_close_button || sender == &m_right_button) {
    StartClosingBox(kResultClosed);
  }
}
