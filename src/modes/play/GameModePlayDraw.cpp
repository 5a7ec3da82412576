// Drawing the table: the layers of a frame, every seat, the stock, the pile, the melds
// and hands (storing each card's rectangle for the input side), the result and ranking
// panels, the alert line. Everything is drawn from the model each frame; nothing here
// allocates once the art is loaded.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"
#include <GL/gl.h>
#include "media/GamePlayerImage.h"
#include "modes/ModeImages.h"
#include "modes/play/GameModePlay.h"
#include "modes/play/GameModePlayAnimations.h"
#include "modes/play/GameModePlayArt.h"
#include "ui/GLProgressTimer.h"

using namespace play_art;

namespace {

struct ArtDef {
  const char* file;
  int columns, rows;
  float width, height;
  int interval;  // ms per frame of the sheet's own animation, 0 none
};

// Indexed by play_art::Slot (the attack and character sheets are filled in a loop).
constexpr ArtDef kArt[kAttack0] = {
    {"./raw/game_type1_1_bg.png", 1, 1, 1280, 720, 0},
    {"./raw/game_type1_2_bg.png", 1, 1, 1280, 720, 0},
    {"./raw/game_type2_1_bg.png", 1, 1, 1280, 720, 0},
    {"./raw/game_type2_2_bg.png", 1, 1, 1280, 720, 0},
    {"./raw/game_type1_1_desk.png", 1, 1, 1280, 167, 0},
    {"./raw/ani_game_type1_bg.png", 7, 1, 896, 231, 200},
    {"./raw/ani_game_type2_bg.png", 2, 2, 580, 504, 200},
    {"./raw/card.png", 15, 4, 1485, 516, 0},
    {"./raw/card_back.png", 1, 1, 71, 93, 0},
    {"./raw/timer_1.png", 1, 1, 140, 140, 0},
    {"./raw/timer_2.png", 1, 1, 140, 140, 0},
    {"./raw/timer_bg.png", 3, 2, 600, 400, 100},
    {"./raw/game_user_turn_bg.png", 1, 1, 421, 250, 0},
    {"./raw/game_uer_turn_ani.png", 2, 5, 890, 1370, 200},
    {"./raw/view_play_direction.png", 2, 1, 400, 200, 0},
    {"./raw/game_mission.png", 3, 1, 195, 84, 0},
    {"./raw/gold_coin.png", 1, 1, 86, 86, 0},
    {"./raw/gold_coin_shadow.png", 1, 1, 60, 14, 0},
    {"./raw/icon_goldcoin.png", 2, 1, 64, 32, 0},
    {"./raw/icon_card2_off.png", 2, 1, 54, 38, 0},
    {"./raw/icon_card2_on.png", 2, 1, 196, 130, 0},
    {"./raw/game_type1_mypoint_bg.png", 1, 1, 141, 32, 0},
    {"./raw/game_type1_point_bg.png", 1, 1, 188, 32, 0},
    {"./raw/game_type2_point_bg.png", 1, 1, 158, 69, 0},
    {"./raw/game_type1_com_bg.png", 1, 1, 804, 110, 0},
    {"./raw/game_type2_com_bg.png", 1, 2, 839, 220, 0},
    {"./raw/popup_room.png", 1, 1, 668, 198, 0},
    {"./raw/ingame_loc_bg.png", 1, 1, 163, 47, 0},
    {"./raw/3d_bg.png", 1, 1, 100, 22, 0},
    {"./raw/game_wait_1.png", 4, 3, 1080, 810, 100},
    {"./raw/game_wait_2.png", 4, 3, 1080, 810, 100},
    {"./raw/cards_sweat.png", 6, 1, 438, 89, 200},
    {"./raw/wins_order_ani.png", 3, 2, 432, 244, 150},
    {"./raw/ani_winner.png", 4, 8, 972, 672, 0},
    {"./raw/game_result1_bg.png", 1, 1, 400, 218, 0},
    {"./raw/game_result2_bg.png", 1, 1, 817, 450, 0},
    {"./raw/view_result_my_bg.png", 1, 1, 830, 98, 0},
    {"./raw/game_spoint.png", 6, 3, 390, 252, 0},
    {"./raw/pak_bg.png", 1, 1, 567, 241, 0},
    {"./raw/shotmode_bg.png", 1, 1, 1280, 553, 0},
    {"./raw/game_ready.png", 1, 2, 120, 88, 0},
    {"./raw/card_pointer01.png", 1, 1, 37, 31, 0},
    {"./raw/game_alert_bg.png", 1, 1, 948, 62, 0},
    {"./raw/game_host_crown.png", 2, 1, 96, 48, 0},
    {"./raw/game_turn_warning.png", 4, 1, 560, 140, 0},
    {"./raw/game_warn_special.png", 4, 2, 880, 320, 0},
    {"./raw/game_warn_mission.png", 4, 2, 880, 320, 0},
    {"./raw/game_action_hit.png", 1, 1, 240, 100, 0},
    {"./raw/game_action_penalty.png", 1, 1, 240, 100, 0},
    {"./raw/game_action_ani_1.png", 4, 2, 880, 320, 0},
    {"./raw/game_action_ani_2.png", 4, 2, 880, 320, 0},
    {"./raw/game_action_ani_3.png", 4, 2, 880, 320, 0},
    {"./raw/game_action_ani_4.png", 4, 2, 880, 320, 0},
    {"./raw/game_action_ani_5.png", 4, 2, 880, 320, 0},
    {"./raw/game_action_ani_6.png", 4, 3, 1080, 810, 0},
    {"./raw/ani_gold_card.png", 4, 2, 480, 300, 0},
    {"./raw/ani_gold_coin.png", 4, 2, 480, 240, 0},
    {"./raw/game_btn_emoticon.png", 3, 1, 330, 110, 0},
    {"./raw/game_btn_cardorder.png", 3, 1, 330, 80, 0},
    {"./raw/btn_change.png", 3, 1, 828, 84, 0},
    {"./raw/game_btn_ggut.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_long.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_pak.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_ting.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_pit.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_nokmut.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_confirm.png", 3, 1, 372, 90, 0},
    {"./raw/game_btn_cancel.png", 3, 1, 372, 90, 0},
    {"./raw/game_btn_end.png", 3, 1, 510, 90, 0},
    {"./raw/game_btn_pak02.png", 3, 1, 360, 50, 0},
};
static_assert(kCount <= GameModePlay::kArtSlots, "the art slots hold every table picture");

// File names of the item and character sheets (item 4's sheet is smaller).
constexpr const char* kAttackFiles[kItems] = {
    "./raw/item/attack_01.png", "./raw/item/attack_02.png", "./raw/item/attack_03.png", "./raw/item/attack_04.png",
    "./raw/item/attack_05.png", "./raw/item/attack_06.png", "./raw/item/attack_07.png", "./raw/item/attack_08.png",
    "./raw/item/attack_09.png", "./raw/item/attack_10.png", "./raw/item/attack_11.png", "./raw/item/attack_12.png"};
constexpr const char* kCharacterFiles[kCharacters] = {
    "./raw/item/character_01.png", "./raw/item/character_02.png", "./raw/item/character_03.png",
    "./raw/item/character_04.png", "./raw/item/character_05.png", "./raw/item/character_06.png",
    "./raw/item/character_07.png", "./raw/item/character_08.png", "./raw/item/character_09.png",
    "./raw/item/character_10.png", "./raw/item/character_11.png", "./raw/item/character_12.png"};

// Anchors by group (A avatar, B melds, C result rows, D turn indicator), layout and
// relative seat.
constexpr float kAnchors[4][2][4][2] = {
    {{{153, 562}, {158, 34}, {582, 34}, {1006, 34}}, {{83, 309}, {83, 54}, {1085, 54}, {1085, 309}}},
    {{{263, 438}, {27, 155}, {451, 155}, {875, 155}}, {{241, 341}, {241, 22}, {664, 22}, {664, 341}}},
    {{{440, 435}, {14, 155}, {440, 155}, {864, 155}}, {{229, 287}, {229, 27}, {650, 27}, {650, 287}}},
    {{{1280, 62}, {5, 61}, {430, 61}, {855, 61}}, {{220, 332}, {220, 18}, {641, 18}, {641, 332}}}};

constexpr float kWhite[4] = {1, 1, 1, 1};
constexpr float kYellow[4] = {1, 1, 0, 1};
constexpr float kStockYellow[4] = {0.827f, 0.827f, 0.027f, 1};
constexpr float kNavy[4] = {0, 0.282f, 0.412f, 1};
constexpr float kMinusRed[4] = {0.827f, 0.027f, 0.027f, 1};
constexpr float kPlusGreen[4] = {0.612f, 0.929f, 0.298f, 1};
constexpr float kChipRed[4] = {1, 0.533f, 0.533f, 1};
constexpr float kChipGold[4] = {1, 0.886f, 0, 1};

constexpr uint32_t kPanelMs = 250;
constexpr uint32_t kAlertMs = 2000;
constexpr uint32_t kChatMs = 10000;
constexpr uint32_t kGlowMs = 1500;
constexpr uint32_t kSlideMs = 250;
constexpr int kHandCardW = 49;  // the visible strip of an own hand card under the next one
constexpr int kCardW = 99, kCardH = 129;
constexpr int kTableCardW = 71, kTableCardH = 92;
constexpr int kSmallCardW = 40, kSmallCardH = 52;
constexpr float kScreenRight = 1280.0f;
constexpr int kMaxResultIcons = 24;

// Profile fields the table shows.
constexpr size_t kProfileName = 30;
constexpr size_t kProfileCharacter = 108;
constexpr size_t kProfileLevel = 160;
constexpr size_t kProfileCardChanges = 228;

int32_t Profile32(const GameVXPlayer* p, size_t off) {
  int32_t v;
  std::memcpy(&v, p->profile + off, 4);
  return v;
}

// A wrap-safe "t lies after now".
bool InFuture(uint32_t t, uint32_t now) { return static_cast<int32_t>(t - now) > 0; }

float Clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

GLFont* Font() {
  GLSurface* s = GLSurface::InstanceIfAny();
  return s ? s->Font(0) : nullptr;
}

void Label(const char* text, float x, float y, int size, int flags, const float colour[4], float alpha = 1.0f) {
  GLFont* font = Font();
  if (!font || !text || !*text) return;
  float c[4] = {colour[0], colour[1], colour[2], colour[3] * alpha};
  font->SetFaceSize(size);
  font->DrawTextAt(x, y, text, flags, c);
}

void LabelBox(const char* text, int l, int t, int r, int b, int size, int flags, const float colour[4]) {
  GLFont* font = Font();
  if (!font || !text || !*text) return;
  font->SetFaceSize(size);
  font->DrawText(text, flags, GLTextBox{l, t, r, b}, colour);
}

constexpr int kCentred = GLFont::kAlignCentre | GLFont::kAlignVCentre;

// The round after `shown` (a count from the wire) for a text, without overflowing.
int NextRound(int32_t shown) { return shown < 0 ? 1 : (shown >= 9999 ? 9999 : shown + 1); }

// Formats into a caller's buffer (a frame must not allocate for its texts).
struct Text {
  char s[256];
};
Text Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
Text Fmt(const char* format, ...) {
  Text t;
  va_list args;
  va_start(args, format);
  std::vsnprintf(t.s, sizeof(t.s), format, args);
  va_end(args);
  return t;
}

// Draws `frame` of `tex` at w x h (the previous scale restored afterwards).
// Puts back a scale saved from m_scale_x / m_scale_y (SetScale would rescale it).
void RestoreScale(GLTexture* tex, float sx, float sy) {
  tex->m_scale_x = sx;
  tex->m_scale_y = sy;
  tex->OnTransformChanged();
}

void DrawSized(GLTexture* tex, int frame, float x, float y, int w, int h, int centred = 0) {
  if (!tex) return;
  const float sx = tex->m_scale_x, sy = tex->m_scale_y;
  tex->SetFrameSize(w, h);
  tex->Draw(frame, x, y, centred);
  RestoreScale(tex, sx, sy);
}

void DrawAlpha(GLTexture* tex, int frame, float x, float y, float alpha, int centred = 0) {
  if (!tex) return;
  tex->SetColor(1, 1, 1, alpha);
  tex->Draw(frame, x, y, centred);
  tex->SetColor(1, 1, 1, 1);
}

void DrawScaled(GLTexture* tex, int frame, float x, float y, float scale, int centred) {
  if (!tex) return;
  const float sx = tex->m_scale_x, sy = tex->m_scale_y;
  tex->SetScale(scale, scale);
  tex->Draw(frame, x, y, centred);
  RestoreScale(tex, sx, sy);
}

// The cards of the card sheet, gathered into one draw call per run: a table shows a
// hundred and more cards a frame, and a call each costs far more than the card. Whatever
// is drawn between two cards that must lie between them flushes the run first. Main
// thread only (one frame is drawn at a time); the arrays live here, not on the heap.
struct CardBatch {
  static constexpr int kMaxCards = 160;
  GLTexture* sheet = nullptr;
  int count = 0;
  float xy[kMaxCards * 12];
  float uv[kMaxCards * 12];
  float rgba[kMaxCards * 24];

  void Add(int frame, float x, float y, float w, float h, float r, float g, float b, float a) {
    if (!sheet || frame < 0 || frame >= sheet->FrameCount() || sheet->m_texture_width <= 0.0f ||
        sheet->m_texture_height <= 0.0f)
      return;
    if (count == kMaxCards) Flush();
    const GLScreen* screen = GLWindowScreen::Instance();
    const float sx = screen->m_scale_x, sy = screen->m_scale_y, height = static_cast<float>(screen->m_physical_height);
    const int columns = static_cast<int>(sheet->m_columns);
    const int column = columns > 0 ? frame % columns : 0, row = columns > 0 ? frame / columns : 0;
    const float du = sheet->m_frame_width / sheet->m_texture_width;
    const float dv = sheet->m_frame_height / sheet->m_texture_height;
    const float u0 = sheet->m_source_x / sheet->m_texture_width + du * column, u1 = u0 + du;
    const float v0 = sheet->m_source_y / sheet->m_texture_height + dv * row, v1 = v0 + dv;
    const float l = x * sx, rgt = (x + w) * sx, top = height - y * sy, bottom = height - (y + h) * sy;
    // Two triangles: bottom-left, bottom-right, top-right; bottom-left, top-right, top-left.
    const float q[12] = {l, bottom, rgt, bottom, rgt, top, l, bottom, rgt, top, l, top};
    const float t[12] = {u0, v1, u1, v1, u1, v0, u0, v1, u1, v0, u0, v0};
    std::memcpy(xy + count * 12, q, sizeof q);
    std::memcpy(uv + count * 12, t, sizeof t);
    const float alpha = a * screen->m_tint[3];
    for (int i = 0; i < 6; ++i) {
      float* c = rgba + count * 24 + i * 4;
      c[0] = r, c[1] = g, c[2] = b, c[3] = alpha;
    }
    ++count;
  }

  void Flush() {
    if (!count || !sheet) {
      count = 0;
      return;
    }
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, sheet->m_texture_id);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, 0, xy);
    glTexCoordPointer(2, GL_FLOAT, 0, uv);
    glColorPointer(4, GL_FLOAT, 0, rgba);
    glDrawArrays(GL_TRIANGLES, 0, count * 6);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    count = 0;
  }
};
CardBatch g_cards;

void StoreRect(VXType_card* c, float l, float t, float r, float b) {
  c->rect[0] = static_cast<int>(l);
  c->rect[1] = static_cast<int>(t);
  c->rect[2] = static_cast<int>(r);
  c->rect[3] = static_cast<int>(b);
}

bool Contains(const VXType_card* c, int x, int y) {
  return x >= c->rect[0] && x <= c->rect[2] && y >= c->rect[1] && y <= c->rect[3];
}

void RoundOutline(float l, float t, float r, float b, int radius, int segments, float cr, float cg, float cb) {
  if (GLSurface* s = GLSurface::InstanceIfAny())
    s->DrawRoundRect(static_cast<int>(l), static_cast<int>(t), static_cast<int>(r), static_cast<int>(b), radius,
                     segments, 1.0f, 0, 0, 0, 0, cr, cg, cb, 1);
}

// The buttons whose drawing belongs to a step of its own (waiting, action panel,
// attach choice): the widget list's walk leaves them out.
bool DrawnByStep(const GameModePlay& p, const ZBEventCtrl* c) {
  const ZBEventCtrl* own[] = {&p.btn_start,      &p.btn_ready,          &p.btn_change_room,       &p.btn_exit,
                              &p.btn_down_first, &p.btn_down_more,      &p.btn_attach,            &p.btn_throw,
                              &p.btn_throw_last, &p.btn_knock_dark,     &p.btn_confirm,           &p.btn_cancel,
                              &p.btn_end,        &p.btn_close_choice,   &p.btn_attach_target[0],  &p.btn_attach_target[1],
                              &p.btn_attach_target[2]};
  for (const ZBEventCtrl* o : own)
    if (o == c) return true;
  return false;
}

void DrawButton(GLButtonImage& b) {
  if (!b.m_hidden) b.Draw();
}

}  // namespace

// ---------------------------------------------------------------- geometry

GameModePlay::TablePoint GameModePlay::Anchor(int table_layout, int group, int relative) {
  TablePoint p;
  if (table_layout < 0 || table_layout > 1 || group < 0 || group > 3 || relative < 0 || relative >= kSeats) return p;
  p.x = kAnchors[group][table_layout][relative][0];
  p.y = kAnchors[group][table_layout][relative][1];
  return p;
}

GameModePlay::TablePoint GameModePlay::SeatAnchor(int group, int seat) const {
  return Anchor(layout == 1 ? 1 : 0, group, Relative(seat));
}

GameModePlay::TablePoint GameModePlay::StockOrigin(int table_layout) {
  return table_layout == 1 ? TablePoint{240, 230} : TablePoint{275, 330};
}

GameModePlay::TablePoint GameModePlay::PileOrigin(int table_layout) {
  return table_layout == 1 ? TablePoint{385, 230} : TablePoint{420, 330};
}

float GameModePlay::PileStep(float origin_x, int n) {
  if (n <= 1) return 33.0f;
  // The top card (71 wide) must end inside the screen: past about two dozen cards the
  // pile closes up instead of running off the right edge.
  const float room = (kScreenRight - origin_x - kTableCardW) / static_cast<float>(n - 1);
  return room < 33.0f ? (room > 1.0f ? room : 1.0f) : 33.0f;
}

float GameModePlay::HandRowPitch(int rows) { return rows > 2 ? 70.0f / static_cast<float>(rows - 1) : 70.0f; }

float GameModePlay::MeldCardOffset(int i, int n, bool own_wide) {
  if (i <= 0) return 0.0f;
  const float second = n >= 6 ? 15.0f : 20.0f;
  if (i == 1) return second;
  float step = 20.0f;
  if (n > 5) step = own_wide ? 65.0f / static_cast<float>(n) : 65.0f / static_cast<float>(n - 2);
  return second + step * static_cast<float>(i - 1);
}

float GameModePlay::SeatTimerFraction(const GameVXPlayer* player, uint32_t now) const {
  if (!player) return 0.0f;
  const int state = room.TableState();
  const bool waiting = state == 0 || state == 1;
  const int32_t limit = room.TurnSeconds();
  const uint32_t start = player->seat.TurnStart();
  const uint32_t elapsed = InFuture(start, now) ? 0u : now - start;
  const bool ready = player->seat.Ready() != 0;
  // A limit of 0 (or a negative one) from the wire gives an empty ring, never a division.
  const int64_t total = !ready || waiting ? 15000 : (limit > 0 ? static_cast<int64_t>(limit) * 1000 : 0);
  const int64_t remaining = total > static_cast<int64_t>(elapsed) ? total - elapsed : 0;
  const float span = waiting ? 15.0f : static_cast<float>(limit);
  if (span <= 0.0f) return 0.0f;
  return Clamp01(static_cast<float>(remaining) / 1000.0f / span);
}

GameModePlay::TablePoint GameModePlay::MeldOrigin(int seat, int meld_index, int meld_count) const {
  const TablePoint b = SeatAnchor(1, seat);
  const bool own_wide = Relative(seat) == 0 && layout != 1;
  const int columns = own_wide ? 6 : 3;
  const float pitch = own_wide ? 54.0f : 55.0f;
  const int n = meld_count < 0 ? 0 : (meld_count > GameVXPlayer::kMaxMelds ? GameVXPlayer::kMaxMelds : meld_count);
  const int rows = (n + columns - 1) / columns;
  const int tight_after = own_wide ? 2 : 3;
  // Past two rows (own seat) or three (the others) the rows close up to keep their height.
  const float row_pitch = rows > tight_after ? tight_after * pitch / static_cast<float>(rows) : pitch;
  return {b.x + 127.0f * static_cast<float>(meld_index % columns),
          b.y + row_pitch * static_cast<float>(meld_index / columns)};
}

bool GameModePlay::CardPosition(int code, float* x, float* y) const {
  if (code < 0 || code > 51) return false;
  // The same geometry as the drawing, so a card laid this very moment is found too.
  const GameVXCardDeck& shown_pile = sequencer.active ? sequencer.pile : pile;
  int i = shown_pile.Index_Of(code);
  if (i >= 0) {
    const TablePoint o = PileOrigin(layout == 1 ? 1 : 0);
    if (x) *x = o.x + PileStep(o.x, shown_pile.count) * static_cast<float>(i);
    if (y) *y = o.y;
    return true;
  }
  for (int s = 0; s < kSeats; ++s) {
    const GameVXPlayer* p = sequencer.active && sequencer.players[s] && Player(s) ? sequencer.players[s] : Player(s);
    if (!p) continue;
    for (int m = 0; m < p->meld_count && m < GameVXPlayer::kMaxMelds; ++m) {
      const GameVXCardDeck* meld = p->melds[m];
      if (!meld) continue;
      i = meld->Index_Of(code);
      if (i < 0) continue;
      const TablePoint o = MeldOrigin(s, m, p->meld_count);
      if (x) *x = o.x + MeldCardOffset(i, meld->count, Relative(s) == 0 && layout != 1);
      if (y) *y = o.y;
      return true;
    }
  }
  return false;
}

// ---------------------------------------------------------------- art

GameModePlay::TableDrawing::~TableDrawing() { Free(); }

void GameModePlay::TableDrawing::Free() {
  delete anis;  // the animations only point at the textures: they go first
  anis = nullptr;
  delete ring;
  ring = nullptr;
  for (GLTexture*& t : art) {
    if (t) t->Release();
    t = nullptr;
  }
}

int GameModePlay::LoadTableArt() {
  ReleaseTableArt();
  GameLogic* logic = Logic();
  void* package = logic ? logic->m_package : nullptr;
  int ok = 1;
  auto load = [&](int slot, const char* file, int columns, int rows, float w, float h, int interval) {
    auto* t = new GLTexture();
    if (!t->Create(file, package, columns, rows)) {
      Log(LOG_FATAL, "[ERROR]: GameModePlay::LoadResources| %s", file);
      t->Release();
      ok = 0;
      return;
    }
    t->SetSize(w, h);
    if (interval > 0) t->StartAnimation(interval);
    m_draw.art[slot] = t;
  };
  for (int i = 0; i < kAttack0; ++i)
    load(i, kArt[i].file, kArt[i].columns, kArt[i].rows, kArt[i].width, kArt[i].height, kArt[i].interval);
  for (int i = 0; i < kItems; ++i) {
    if (i == 4) load(kAttack0 + i, kAttackFiles[i], 3, 2, 360, 240, 0);
    else load(kAttack0 + i, kAttackFiles[i], 4, 3, 480, 360, 0);
  }
  for (int i = 0; i < kCharacters; ++i) load(kCharacter0 + i, kCharacterFiles[i], 4, 3, 360, 330, 0);

  m_draw.ring = new GLProgressTimer();
  // The buttons' pictures and places; which of them are shown is the table flow's.
  struct {
    GLButtonImage* button;
    GLTexture* image;
    int x, y;
  } buttons[] = {
      {&btn_emoticon, Art(kBtnEmoticon), 15, 595},
      {&btn_settings, SharedImageByName("btn_ingame_menu.png"), 1198, 2},
      {&btn_card_order[0], Art(kBtnCardOrder), 1150, 595},
      {&btn_card_order[1], Art(kBtnCardOrder), 1150, 595},
      {&btn_change, Art(kBtnChange), 977, 473},
      {&btn_start, SharedImageByName("btn_b_g.png"), layout == 1 ? 266 : 333, 605},
      {&btn_ready, SharedImageByName("btn_b_g.png"), layout == 1 ? 266 : 333, 605},
      {&btn_change_room, SharedImageByName("btn_b_y.png"), layout == 1 ? 526 : 593, 605},
      {&btn_exit, SharedImageByName("btn_b_y.png"), layout == 1 ? 786 : 853, 605},
      {&btn_close_choice, SharedImageByName("btn_delete.png"), 895, 185},
      {&btn_table_shop, SharedImageByName("btn_ingame_shop.png"), 25, 480},
      {&btn_down_first, Art(kBtnGgut), 144, 474},
      {&btn_down_more, Art(kBtnLong), 144, 474},
      {&btn_attach, Art(kBtnPak), 361, 474},
      {&btn_throw, Art(kBtnTing), 542, 474},
      {&btn_throw_last, Art(kBtnPit), 542, 474},
      {&btn_knock_dark, Art(kBtnNokmut), 742, 474},
      {&btn_confirm, Art(kBtnConfirm), 722, 474},
      {&btn_cancel, Art(kBtnCancel), 850, 474},
      {&btn_end, Art(kBtnEnd), 742, 474},
      {&btn_attach_target[0], Art(kBtnPak02), 408, 223},
      {&btn_attach_target[1], Art(kBtnPak02), 581, 223},
      {&btn_attach_target[2], Art(kBtnPak02), 758, 223},
  };
  for (auto& b : buttons)
    if (b.image) b.button->SetImage(b.image, b.x, b.y);
  BuildAnimations();
  return ok;
}

void GameModePlay::ReleaseTableArt() {
  if (m_draw.anis) Ani_Stop_All();
  for (GLButtonImage* b :
       {&btn_emoticon, &btn_settings, &btn_card_order[0], &btn_card_order[1], &btn_change, &btn_start, &btn_ready,
        &btn_change_room, &btn_exit, &btn_close_choice, &btn_table_shop, &btn_down_first, &btn_down_more, &btn_attach,
        &btn_throw, &btn_throw_last, &btn_knock_dark, &btn_confirm, &btn_cancel, &btn_end, &btn_attach_target[0],
        &btn_attach_target[1], &btn_attach_target[2]})
    b->DetachImage();
  m_draw.Free();
}

// ---------------------------------------------------------------- seats

namespace {

struct SeatView {
  GameModePlay& p;
  uint32_t now;
  int lay;  // 0 or 1
  int state;
  float glow_alpha;
};

void DrawItemIcons(SeatView& v, const GameVXPlayer* pl, int rel, float ax, float ay) {
  const VXType_seat_state& s = pl->seat;
  GLTexture* glow2 = SharedImageByName("effect_card_light2.png");
  GLTexture* glow1 = SharedImageByName("effect_card_light.png");
  float glow_x, glow_y, coin_x, coin_y, card_x[2], card_y;
  if (v.lay == 1) {
    glow_x = ax - 6, glow_y = ay + 109, coin_x = ax + 6, coin_y = ay + 121;
    card_x[0] = ax + 45, card_x[1] = ax + 78, card_y = ay + 121;
  } else if (rel == 0) {
    glow_x = 151, glow_y = 501, coin_x = 163, coin_y = 513;
    card_x[0] = 202, card_x[1] = 235, card_y = 511;
  } else {
    glow_x = ax - 123, glow_y = ay + 30, coin_x = ax - 111, coin_y = ay + 42;
    card_x[0] = ax - 72, card_x[1] = ax - 39, card_y = ay + 40;
  }
  GLTexture* coin = v.p.Art(kIconCoin);
  if (s.FirstCounter(4) > 0) {
    if (glow2 && coin) {
      glow2->SetColor(1, 1, 1, v.glow_alpha);
      DrawSized(glow2, 0, glow_x, glow_y, static_cast<int>(coin->FrameWidth()) + 24,
                static_cast<int>(coin->FrameHeight()) + 24);
      glow2->SetColor(1, 1, 1, 1);
    }
    if (coin) coin->Draw(1, coin_x, coin_y, 0);
  } else if (coin) {
    coin->Draw(0, coin_x, coin_y, 0);
  }
  for (int k = 0; k < 2; ++k) {
    const bool lit = s.FirstCounter(5 + k) >= 1;
    if (lit) {
      if (glow1) {
        glow1->SetColor(1, 1, 1, v.glow_alpha);
        DrawSized(glow1, 0, card_x[k] - 5, card_y - 5, 37, 48);
        glow1->SetColor(1, 1, 1, 1);
      }
      DrawSized(v.p.Art(kIconCardOn), k, card_x[k], card_y, 27, 38);
    } else if (GLTexture* off = v.p.Art(kIconCardOff)) {
      off->Draw(k, card_x[k], card_y, 0);
    }
  }
}

void DrawNamePlate(SeatView& v, const GameVXPlayer* pl, int rel, float ax, float ay) {
  char text[64];
  if (v.p.room.GameType() != 0 && v.state == 2) {
    std::snprintf(text, sizeof(text), "%d/%d", pl->seat.Points(), v.p.room.PointTarget());
  } else {
    char name[51];
    const size_t n = strnlen(reinterpret_cast<const char*>(pl->profile + kProfileName), 50);
    std::memcpy(name, pl->profile + kProfileName, n);
    name[n] = 0;
    ShortenName(name, text);
  }
  if (v.lay == 1) {
    // The name box under the avatar; its lower half holds the row of item icons.
    if (GLTexture* t = v.p.Art(kPoint2)) t->Draw(0, ax - 24, ay + 92, 0);
    LabelBox(text, static_cast<int>(ax - 24), static_cast<int>(ay + 92), static_cast<int>(ax + 134),
             static_cast<int>(ay + 120), 16, kCentred, kWhite);
  } else if (rel == 0) {
    if (GLTexture* t = v.p.Art(kMyPoint)) t->Draw(0, 141, 679, 0);
    LabelBox(text, 141, 679, 282, 711, 16, kCentred, kWhite);
  } else {
    if (GLTexture* t = v.p.Art(kPoint)) t->Draw(0, ax - 125, ay + 85, 0);
    LabelBox(text, static_cast<int>(ax - 125), static_cast<int>(ay + 85), static_cast<int>(ax + 63),
             static_cast<int>(ay + 117), 16, kCentred, kWhite);
  }
}

bool TimerShown(const GameModePlay& p, int seat, const GameVXPlayer* pl) {
  const int state = p.room.TableState();
  if (state == 2) return p.turn.TurnSeat() == seat;
  if (state != 1 || pl->seat.Ready() == 1) return false;
  if (seat != p.turn.HostSeat()) return true;
  // The host's start countdown runs once the three other seats are all ready.
  for (int s = 0; s < GameModePlay::kSeats; ++s) {
    if (s == seat) continue;
    const GameVXPlayer* o = p.Player(s);
    if (!o || o->seat.Ready() != 1) return false;
  }
  return true;
}

void DrawSeatTimer(SeatView& v, int seat, const GameVXPlayer* pl, int rel, float ax, float ay) {
  if (!TimerShown(v.p, seat, pl)) return;
  const float f = v.p.SeatTimerFraction(pl, v.now);
  const bool last_quarter = f < 0.25f;
  if (GLTexture* bg = v.p.Art(kTimerBg)) {
    if (last_quarter) bg->Draw(-1, ax + 56, ay + 42, 1);
    else if (rel == 0) bg->Draw(0, ax + 56, ay + 42, 1);
  }
  if (GLProgressTimer* ring = v.p.m_draw.ring) {
    ring->m_texture = v.p.Art(last_quarter ? kTimer2 : kTimer1);
    if (ring->m_texture) {
      ring->SetPercentage(f * 100.0f);
      ring->Draw(ax + 55, ay + 55, 140, 140);
    }
  }
  if (rel == 0 || last_quarter) {
    // Whole seconds left, truncated.
    const int span = (v.state == 0 || v.state == 1) ? 15 : v.p.room.TurnSeconds();
    const int seconds = span > 0 ? static_cast<int>(f * static_cast<float>(span) + 1e-4f) : 0;
    // Digit by digit: a counting number drawn whole would be rasterised anew each second.
    char text[16];
    std::snprintf(text, sizeof(text), "%d", seconds);
    if (GLFont* font = Font()) {
      font->SetFaceSize(36);
      font->DrawTicking(text, kCentred,
                       GLTextBox{static_cast<int>(ax - 3), static_cast<int>(ay - 4), static_cast<int>(ax + 114),
                                 static_cast<int>(ay + 115)},
                       kYellow);
    }
  }
  if (rel == 0 && v.p.m_draw.anis && v.p.m_draw.anis->turn_warning) v.p.m_draw.anis->turn_warning->Draw();
}

void DrawCharacter(SeatView& v, int seat, const GameVXPlayer* pl, float ax, float ay, float x, float y, float scale) {
  const int32_t character = Profile32(pl, kProfileCharacter);
  if (character < 0 || character >= kCharacters) return;
  GameModePlay::SeatFx& fx = v.p.seat_fx[seat];
  if (v.now - fx.frame_time >= 200) {
    fx.frame = (fx.frame + 1) & 3;
    fx.frame_time = v.now;
  }
  int frame = fx.frame & 3;
  if (v.state == 3 || v.state == 4) frame += fx.advance ? 8 : 0;
  else frame += 4;
  (void)ax, (void)ay;
  DrawScaled(v.p.Art(kCharacter0 + character), frame, x, y, scale, 1);
}

void DrawReaction(SeatView& v, int seat, float ax, float ay) {
  const GameModePlay::Reaction& r = v.p.reaction[seat];
  if (r.item < 0 || r.item >= kItems || r.time == 0 || InFuture(r.time, v.now)) return;
  GLTexture* t = v.p.Art(kAttack0 + r.item);
  if (!t) return;
  float x = ax - 20, y = ay - 20;
  if (r.item == 1) x = ax - 10, y = ay;
  if (r.item == 4) x = ax - 10, y = ay - 10;
  if (r.item == 5) x = ax - 21, y = ay - 13;
  const float a = Clamp01(static_cast<float>(v.now - r.time) / 500.0f);
  DrawAlpha(t, t->FrameCount() - 1, x, y, a);
}

// A face-up card at w x h with hover tint, glow of a new card and the fresh outline.
void DrawTableCard(SeatView& v, const VXType_card* c, float x, float y, int w, int h, float tint_r, float tint_g,
                   float tint_b) {
  if (!InFuture(c->anim_time, v.now) && c->anim_time != 0 && v.now - c->anim_time < kGlowMs) {
    if (GLTexture* glow = SharedImageByName("effect_card_light.png")) {
      g_cards.Flush();
      const float age = static_cast<float>(v.now - c->anim_time) / static_cast<float>(kGlowMs);
      const float grow = 80.0f * age;
      glow->SetColor(1, 1, 1, 1.0f - age);
      DrawSized(glow, 0, x + w / 2.0f, y + h / 2.0f, static_cast<int>(w + grow), static_cast<int>(h + grow), 1);
      glow->SetColor(1, 1, 1, 1);
    }
  }
  g_cards.Add(CardFrame(c->code), x, y, static_cast<float>(w), static_cast<float>(h), tint_r, tint_g, tint_b, 1);
  ++v.p.drawn_cards;
  if (c->fresh) {
    g_cards.Flush();
    RoundOutline(x - 1, y - 1, x + w + 1, y + h + 1, 4, 10, 1, 1, 0);
  }
}

void DrawMelds(SeatView& v, int seat, const GameVXPlayer* pl, int rel) {
  const bool own_wide = rel == 0 && v.lay == 0;
  const int n = pl->meld_count < 0 ? 0 : (pl->meld_count > GameVXPlayer::kMaxMelds ? GameVXPlayer::kMaxMelds : pl->meld_count);
  for (int m = 0; m < n; ++m) {
    GameVXCardDeck* meld = pl->melds[m];
    if (!meld) continue;
    const GameModePlay::TablePoint o = v.p.MeldOrigin(seat, m, n);
    const float mx = o.x, my = o.y;
    for (int i = 0; i < meld->count; ++i) {
      VXType_card* c = meld->At(i);
      if (!c) continue;
      const float x = mx + GameModePlay::MeldCardOffset(i, meld->count, own_wide);
      const float next = i + 1 < meld->count ? mx + GameModePlay::MeldCardOffset(i + 1, meld->count, own_wide)
                                             : x + kTableCardW;
      StoreRect(c, x, my, next, my + kTableCardH);
      float r = 1, g = 1, bl = 1;
      if (rel == 0 && c->owner_seat >= 0 && c->owner_seat != v.p.my_seat) r = 0, g = 1, bl = 0;
      if (rel != 0 && c->owner_seat >= 0 && c->owner_seat == v.p.my_seat) r = 1, g = 1, bl = 0;
      DrawTableCard(v, c, x, my, kTableCardW, kTableCardH, r, g, bl);
    }
  }
  g_cards.Flush();
}

void DrawOtherHand(SeatView& v, const GameVXPlayer* pl, int rel, float ax, float ay) {
  float x0 = ax + 120, y0 = ay + 36;
  if (v.lay == 1) {
    x0 = rel < 2 ? ax - 8 - 20 : ax - 1;
    y0 = ay + 162;
  }
  const int total = pl->hand.count + pl->pickup.count;
  for (int i = 0; i < total; ++i) {
    const VXType_card* c = i < pl->hand.count ? pl->hand.At(i) : pl->pickup.At(i - pl->hand.count);
    if (!c) continue;
    float x = x0 + 10.0f * static_cast<float>(i % 10);
    const float y = y0 + 20.0f * static_cast<float>(i / 10);
    if (InFuture(c->anim_time, v.now)) continue;
    if (v.p.dealing) {
      if (c->anim_time == 0) continue;
      const float t = Clamp01(static_cast<float>(v.now - c->anim_time) / kSlideMs);
      x = x0 + (x - x0) * t;
    }
    g_cards.Add(kFaceDown, x, y, kSmallCardW, kSmallCardH, 1, 1, 1, 1);
    ++v.p.drawn_cards;
  }
  g_cards.Flush();
}

// The own hand (hand cards, then the picked-up ones) in rows, storing each rectangle.
void DrawOwnHand(SeatView& v, GameVXPlayer* pl) {
  GLTexture* cards = v.p.Art(kCard);
  const float x0 = v.lay == 1 ? 165.0f : 295.0f;
  const float y0 = 577.0f;
  const int per_row = v.lay == 1 ? 16 : 14;
  const int total = pl->hand.count + pl->pickup.count;
  const int rows = (total + per_row - 1) / per_row;
  const float pitch = GameModePlay::HandRowPitch(rows);
  VXType_card* dragged = nullptr;
  float drag_slot_x = 0, drag_slot_y = 0;
  for (int i = 0; i < total; ++i) {
    const bool picked = i >= pl->hand.count;
    VXType_card* c = picked ? pl->pickup.At(i - pl->hand.count) : pl->hand.At(i);
    if (!c) continue;
    const float x = x0 + 56.0f * static_cast<float>(i % per_row);
    const float y = y0 + pitch * static_cast<float>(i / per_row);
    const bool wide = i == per_row - 1 || i == total - 1;
    StoreRect(c, x, y, x + (wide ? kCardW : kHandCardW), y + kCardH);
    if (c == v.p.drag_card) {
      dragged = c;
      drag_slot_x = x, drag_slot_y = y;
      continue;
    }
    // A card in flight (or not yet dealt) is hidden until its animation has ended.
    if (InFuture(c->anim_time, v.now)) continue;
    if (v.p.dealing && c->anim_time == 0) continue;
    const float dy = c->selected ? -20.0f : 0.0f;
    const bool hover = Contains(c, v.p.pointer_x, v.p.pointer_y);
    const float alpha = picked ? 200.0f / 255.0f : 1.0f;
    int frame = CardFrame(c->code);
    bool turning = false;
    if (c->changed) {
      // The card turns over during the half second after it arrived by a card change.
      const uint32_t age = v.now - c->changed_time;
      if (age >= 500 || InFuture(c->changed_time, v.now)) {
        c->changed = 0;
      } else {
        const float angle = 180.0f * static_cast<float>(age) / 500.0f;
        if (angle < 90.0f) frame = kFaceDown;
        g_cards.Flush();
        cards->SetFlipAngle(angle < 90.0f ? angle : 180.0f - angle, 0.0f);
        turning = true;
      }
    }
    if (turning) {
      cards->SetColor(1, 1, hover ? 0.0f : 1.0f, alpha);
      DrawSized(cards, frame, x, y + dy, kCardW, kCardH);
      cards->SetColor(1, 1, 1, 1);
      cards->SetFlipAngle(0.0f, 0.0f);
    } else {
      g_cards.Add(frame, x, y + dy, kCardW, kCardH, 1, 1, hover ? 0.0f : 1.0f, alpha);
    }
    ++v.p.drawn_cards;
  }
  g_cards.Flush();
  // The usable-card pointers over the cards (each lies within its own card's visible strip).
  if (GLTexture* ptr = v.p.Art(kPointer)) {
    for (int i = 0; i < total; ++i) {
      const VXType_card* c = i >= pl->hand.count ? pl->pickup.At(i - pl->hand.count) : pl->hand.At(i);
      if (!c || !c->usable || c == v.p.drag_card || InFuture(c->anim_time, v.now) ||
          (v.p.dealing && c->anim_time == 0))
        continue;
      ptr->Draw(0, static_cast<float>(c->rect[0] + 6), static_cast<float>(c->rect[1] - 4 - (c->selected ? 20 : 0)), 0);
    }
  }
  if (dragged && cards) {
    const bool l1 = v.lay == 1;
    float x = drag_slot_x + static_cast<float>(v.p.pointer_x - v.p.drag_x);
    float y = drag_slot_y + static_cast<float>(v.p.pointer_y - v.p.drag_y) - 10.0f;
    const float min_x = l1 ? 160.0f : 290.0f, max_x = 1050.0f;
    const float min_y = l1 ? 570.0f : 550.0f, max_y = l1 ? 657.0f : 698.0f;
    x = x < min_x ? min_x : (x > max_x ? max_x : x);
    y = y < min_y ? min_y : (y > max_y ? max_y : y);
    g_cards.Add(CardFrame(dragged->code), x, y, kCardW, kCardH, 1, 1, 1, 1);
    g_cards.Flush();
    ++v.p.drawn_cards;
    StoreRect(dragged, x, y, x + 10, y + 10);
  }
}

}  // namespace

void GameModePlay::DrawSeats(uint32_t now) {
  const float phase = static_cast<float>((now - glow_clock) % 5000u);
  if (now - glow_clock >= 5000u) glow_clock = now;
  SeatView v{*this, now, layout == 1 ? 1 : 0, room.TableState(), phase < 2500 ? phase / 2500 : (5000 - phase) / 2500};
  const int state = v.state;
  for (int seat = 0; seat < kSeats; ++seat) {
    const int rel = Relative(seat);
    const TablePoint a = SeatAnchor(0, seat);
    const float ax = a.x, ay = a.y;
    GameVXPlayer* pl = Player(seat);
    if (!pl) {
      if (GLTexture* frame = SharedImageByName("user_frame.png")) {
        frame->SetColor(1, 1, 1, 0.392f);
        DrawSized(frame, 0, ax + 55, ay + 56.5f, 115, 115, 1);
        frame->SetColor(1, 1, 1, 1);
      }
      continue;
    }
    if (state >= 2) DrawItemIcons(v, pl, rel, ax, ay);
    DrawNamePlate(v, pl, rel, ax, ay);
    if (GamePlayerImage* pictures = GamePlayerImage::InstanceIfAny()) {
      char id[31];
      const size_t n = strnlen(pl->AccountId(), 30);
      std::memcpy(id, pl->AccountId(), n);
      id[n] = 0;
      PlayerPictureRecord rec;
      rec.id = id;
      pictures->DrawAvatar(&rec, ax + 55, ay + 55.5f, 100, 100);
    }
    DrawSeatTimer(v, seat, pl, rel, ax, ay);
    DrawCharacter(v, seat, pl, ax, ay, ax + 72, ay + 61, 1.0f);
    if (seat == turn.HostSeat()) {
      if (GLTexture* crown = Art(kCrown)) crown->Draw(static_cast<int>((now / 400) & 1), ax + 55, ay - 8, 1);
    }
    if (GLTexture* level = SharedImageByName("level_bg.png")) DrawAlpha(level, 0, ax + 30, ay + 76, 0.7f);
    char text[24];
    std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(Profile32(pl, kProfileLevel)) + 1);
    LabelBox(text, static_cast<int>(ax + 30), static_cast<int>(ay + 76), static_cast<int>(ax + 83),
             static_cast<int>(ay + 101), 18, kCentred, kWhite);
    DrawReaction(v, seat, ax, ay);
    if (state == 2) {
      // In knock mode the staged copy of each seat is what the player sees.
      GameVXPlayer* shown = sequencer.active && sequencer.players[seat] ? sequencer.players[seat] : pl;
      DrawMelds(v, seat, shown, rel);
      if (rel == 0) DrawOwnHand(v, shown);
      else DrawOtherHand(v, shown, rel, ax, ay);
    } else if (state > 2 && rel == 0) {
      DrawOwnHand(v, pl);
    }
    if (state < 2) {
      const bool own = rel == 0;
      const float rx = own ? 643.0f : ax + 55, ry = own ? 509.0f : ay + 161;
      if (GLTexture* ready = Art(kReady)) ready->Draw(pl->seat.Ready() == 1 ? 0 : 1, rx, ry, 1);
      Label(LangMessage(seat == turn.HostSeat() ? 186 : 187), rx, ry, 24, kCentred, kWhite);
    }
  }
}

// ---------------------------------------------------------------- centre

void GameModePlay::DrawCentre(uint32_t now) {
  const int lay = layout == 1 ? 1 : 0;
  if (lay == 0) {
    if (GLTexture* t = Art(kCom1)) t->Draw(0, 237, 320, 0);
  } else if (GLTexture* t = Art(kCom2)) {
    const int colour = GameSharedData::Instance()->m_table_color_index;
    t->Draw(colour == 1 ? 1 : 0, 220, 221, 0);
  }
  DrawScaled(Art(kDirection), turn.Direction() == 0 ? 1 : 0, 987, lay ? 276.0f : 375.0f, 0.4f, 1);

  // The stock.
  GLTexture* cards = Art(kCard);
  const TablePoint so = StockOrigin(lay);
  const int64_t left = 52 - static_cast<int64_t>(stock_used);  // any count from the wire
  const int remaining = left < 0 ? 0 : (left > 52 ? 52 : static_cast<int>(left));
  if (remaining == 0) {
    if (GLTexture* empty = Art(kCardBack)) empty->Draw(0, so.x, so.y, 0);
  } else if (cards) {
    const int backs = remaining / 3 + 1;
    for (int k = 0; k < backs; ++k) g_cards.Add(kStockBack, so.x, so.y - k, kTableCardW, kTableCardH, 1, 1, 1, 1);
    g_cards.Flush();
    if (!dealing) {
      char text[8];
      std::snprintf(text, sizeof(text), "%d", remaining);
      Label(text, so.x + 35, so.y - (backs - 1) + 56, 26, kCentred, kStockYellow);
    }
  }

  // The pile, bottom card first.
  SeatView v{*this, now, lay, room.TableState(), 1.0f};
  GameVXCardDeck& shown = sequencer.active ? sequencer.pile : pile;
  const TablePoint po = PileOrigin(lay);
  const int n = shown.count;
  const float step = PileStep(po.x, n);
  for (int i = 0; i < n; ++i) {
    VXType_card* c = shown.At(i);
    if (!c) continue;
    const float x = po.x + step * static_cast<float>(i);
    const float y = po.y - (c->selected ? 20.0f : 0.0f);
    StoreRect(c, x, y, x + (i == n - 1 ? kTableCardW : step), y + kTableCardH);
    const bool hover = Contains(c, pointer_x, pointer_y);
    if (dealing) {
      if (c->anim_time == 0 || InFuture(c->anim_time, now)) continue;
      g_cards.Add(CardFrame(c->code), x, y, kTableCardW, kTableCardH, 1, 1, hover ? 0.0f : 1.0f,
                  Clamp01(static_cast<float>(now - c->anim_time) / kSlideMs));
      ++drawn_cards;
      continue;
    }
    if (last_throw.active && i == n - 1 && c->code == last_throw.card) {
      // The round-ending card lies turned across the pile.
      g_cards.Flush();
      if (GLTexture* glow = SharedImageByName("effect_card_light.png")) {
        glow->m_rotation = 45.0f;
        DrawSized(glow, 0, x - 10 + 44.5f, y - 10 + 58.0f, 108, 136, 1);
        glow->m_rotation = 0.0f;
      }
      if (cards) {
        cards->m_rotation = 45.0f;
        DrawSized(cards, last_throw.revealed ? CardFrame(c->code) : kFaceDown, x - 10, y - 10, 89, 116);
        cards->m_rotation = 0.0f;
        ++drawn_cards;
      }
      const uint32_t age = now - c->anim_time;
      if (GLTexture* ring = SharedImageByName("effect_card_light3.png"); ring && !InFuture(c->anim_time, now) && age < 250) {
        const float t = static_cast<float>(age) / 250.0f;
        const bool yellow = last_throw.end_kind >= 1;
        ring->SetColor(1, 1, yellow ? 0.0f : 1.0f, 1.0f - t);
        DrawScaled(ring, 0, x + 35.55f, y + 45.05f, 1.0f + 6.0f * t, 1);
        ring->SetColor(1, 1, 1, 1);
      }
      continue;
    }
    DrawTableCard(v, c, x, y, kTableCardW, kTableCardH, 1, 1, hover ? 0.0f : 1.0f);
  }
  g_cards.Flush();
  if (m_draw.anis && m_draw.anis->sweat) m_draw.anis->sweat->Draw();

  // The bobbing coin over the stock, and the mission value.
  if (m_draw.anis && m_draw.anis->gold_coin[lay] && m_draw.anis->gold_coin[lay]->IsPlaying()) {
    if (GLTexture* shadow = Art(kGoldShadow)) shadow->Draw(0, lay ? 319.0f : 354.0f, lay ? 303.0f : 402.0f, 0);
    m_draw.anis->gold_coin[lay]->Draw();
  }
  const int32_t mission = turn.Mission();
  const int mframe = mission == 75 ? 0 : mission == 100 ? 1 : mission == 125 ? 2 : -1;
  if (mframe >= 0)
    if (GLTexture* t = Art(kMission)) t->Draw(mframe, lay ? 314.9f : 348.9f, lay ? 233.1f : 330.1f, 0);
}

// ---------------------------------------------------------------- header and waiting

void GameModePlay::DrawHeaderAndWaiting(uint32_t now) {
  const bool tournament_table = tournament.TournamentId() >= 1;
  int64_t fifty = 0;
  std::memcpy(&fifty, room.raw + 48, 8);
  char text[96];
  if (!tournament_table) {
    if (GLTexture* t = Art(kLocBg)) t->Draw(0, 90.5f, 22.5f, 1);
    std::snprintf(text, sizeof(text), "50P=%s", FormatAmountShort(fifty).c_str());
    Label(text, 90, 22, 18, kCentred, kWhite);
    if (room.TableState() == 1) {
      if (GLTexture* t = Art(kPopupRoom)) t->Draw(0, 306, 241, 0);
      const int host = turn.HostSeat();
      const GameVXPlayer* host_player = Player(host);
      if (host_player) {
        const float xs[4] = {400, 560, 720, 880};
        const char* heads[4] = {"50P", "Time", "Rule", "Direction"};
        for (int i = 0; i < 4; ++i) Label(heads[i], xs[i], 300, 20, kCentred, kNavy);
        Label(FormatAmountShort(fifty).c_str(), xs[0], 368, 20, kCentred, kWhite);
        const Text secs = Fmt(LangMessage(207), room.TurnSeconds());
        Label(secs.s, xs[1], 368, 20, kCentred, kWhite);
        if (room.GameType() == 0) {
          Label(LangMessage(208), xs[2], 368, 20, kCentred, kWhite);
        } else {
          const Text rule = Fmt(LangMessage(209), FormatNumber(room.PointTarget()).c_str());
          Label(rule.s, xs[2], 368, 20, kCentred, kWhite);
        }
        DrawScaled(Art(kDirection), turn.Direction() == 0 ? 1 : 0, 880.18f, 368.7f, 0.4f, 1);
      }
      Label(LangMessage(184), 640, 267, 20, kCentred, kWhite);
      if (GLTexture* t = Art(k3dBg)) t->Draw(0, 943.28f, 424.5f, 0);
      // The countdown picture once the table is about to start by itself.
      bool soon = false;
      if (host_player) {
        int others = 0;
        bool all_ready = true;
        for (int s = 0; s < kSeats; ++s) {
          if (s == host || !Player(s)) continue;
          ++others;
          all_ready = all_ready && Player(s)->seat.Ready() == 1;
        }
        const uint32_t start = host_player->seat.TurnStart();
        const uint32_t elapsed = InFuture(start, now) ? 0 : now - start;
        soon = all_ready && others >= 3 && elapsed < 15000 && 15000 - elapsed < 10000;
      }
      if (GLTexture* t = Art(soon ? kWait2 : kWait1)) t->Draw(-1, 857.61f, 192.27f, 0);
    }
  } else if (tournament.Status() < 6 && tournament.Kind() < 2) {
    if (GLTexture* t = Art(kAlert)) t->Draw(0, 166, 269, 0);
    int32_t start_seconds = tournament.Get(112);
    const int64_t left = static_cast<int64_t>(start_seconds) - static_cast<int64_t>(std::time(nullptr));
    const int64_t minutes = left > 0 ? (left % 3600) / 60 : 0;
    if (minutes < 1) Label(LangMessage(178), 642, 303, 28, kCentred, kWhite);
    else {
      const Text s = Fmt(LangMessage(179), static_cast<int>(minutes));
      Label(s.s, 642, 303, 28, kCentred, kWhite);
    }
  }
}

void GameModePlay::DrawTournamentClock() {
  if (tournament.TournamentId() < 1) return;
  if (GLTexture* plate = SharedImageByName("view_tm_notify.png")) plate->Draw(1, 0, 0, 0);
  char text[32] = {};
  if (tournament.Status() < 6) {
    const int64_t left = static_cast<int64_t>(tournament.Get(112)) - static_cast<int64_t>(std::time(nullptr));
    const int64_t s = left > 0 ? left : 0;
    std::snprintf(text, sizeof(text), "%d:%02d:%02d", static_cast<int>(s / 3600), static_cast<int>((s / 60) % 60),
                  static_cast<int>(s % 60));
    if (GLFont* font = Font()) {
      font->SetFaceSize(20);
      font->DrawTicking(text, kCentred, GLTextBox{120, 31, 120, 31}, kWhite);
    }
    return;
  } else if (progress.Get(40) >= 2) {
    std::snprintf(text, sizeof(text), "%dRound", progress.Shown());
  }
  Label(text, 120, 31, 20, kCentred, kWhite);
}

// ---------------------------------------------------------------- balloons, badges, panels

void GameModePlay::DrawBalloonsAndBadges(uint32_t now) {
  GLFont* font = Font();
  for (int seat = 0; seat < kSeats; ++seat) {
    const GameVXPlayer* pl = Player(seat);
    if (!pl) continue;
    const TablePoint a = SeatAnchor(0, seat);
    if (chat_text[seat][0] && chat_time[seat] != 0 && !InFuture(chat_time[seat], now) &&
        now - chat_time[seat] < kChatMs && font) {
      const uint32_t age = now - chat_time[seat];
      float alpha = 1.0f;
      if (age < 300) alpha = age / 300.0f;
      else if (age > kChatMs - 300) alpha = (kChatMs - age) / 300.0f;
      char text[256];
      const size_t n = strnlen(chat_text[seat], sizeof(chat_text[seat]) - 1);
      std::memcpy(text, chat_text[seat], n);
      text[n] = 0;
      font->SetFaceSize(18);
      const GLTextBox m = font->MeasureText(text);
      const float w = static_cast<float>(m.right - m.left), h = static_cast<float>(m.bottom - m.top);
      const float cx = a.x + 60, cy = a.y + 10;
      const int l = static_cast<int>(cx - w / 2 - 8), t = static_cast<int>(cy - h / 2 - 8);
      const int r = static_cast<int>(cx + w / 2 + 8), b = static_cast<int>(cy + h / 2 + 8);
      if (GLSurface* s = GLSurface::InstanceIfAny())
        s->DrawRoundRect(l, t, r, b, 8, 24, 1.0f, 1, 1, 0, alpha, 1, 1, 1, alpha);
      const float grey[4] = {0.196f, 0.196f, 0.196f, alpha};
      font->DrawTextAt(cx, cy, text, kCentred, grey);
    }
    if (pl->status > 0) DrawWinsBadge(pl->status, a.x + 70, a.y + 70, 1.0f);
  }
}

void GameModePlay::DrawWinsBadge(int32_t status, float x, float y, float scale) {
  if (GLTexture* badge = Art(kWins)) DrawScaled(badge, -1, x, y, scale, 0);
  GLTexture* digits = SharedImageByName("number_s.png");
  if (!digits) return;
  const int value = status > 99 ? 99 : status;  // two digits fit the badge
  const float dx = (x - 70) , dy = (y - 70);
  if (value < 10) {
    DrawScaled(digits, value, dx + 99 * scale, dy + 90 * scale, 0.9f * scale, 0);
  } else {
    DrawScaled(digits, value / 10, dx + 89 * scale, dy + 90 * scale, 0.9f * scale, 0);
    DrawScaled(digits, value % 10, dx + 109 * scale, dy + 90 * scale, 0.9f * scale, 0);
  }
}

void GameModePlay::DrawResultPanel(uint32_t now) {
  if (panel_state[1] == 0) return;
  GLWindowScreen* screen = GLWindowScreen::Instance();
  screen->BeginTransition(static_cast<float>(now - panel_time[1]) / kPanelMs, 0, 30, panel_state[1] == 2, 0.0f);
  GLTexture* cards = Art(kCard);
  GLTexture* icons = Art(kSpoint);
  const bool tournament_table = tournament.TournamentId() >= 1;
  for (int seat = 0; seat < kSeats; ++seat) {
    GameVXPlayer* pl = Player(seat);
    if (!pl) continue;
    const TablePoint c = SeatAnchor(2, seat);
    const float cx = c.x, cy = c.y;
    if (GLTexture* bg = Art(kResult1)) bg->Draw(0, cx, cy, 0);
    if (cards) {
      const GameVXCardDeck* rows[2] = {&pl->hand, &pl->pickup};
      for (int r = 0; r < 2; ++r) {
        const int n = rows[r]->count;
        const float step = n > 16 ? 252.0f / static_cast<float>(n - 1) : 18.0f;
        for (int i = 0; i < n; ++i) {
          const VXType_card* card = rows[r]->At(i);
          if (!card) continue;
          g_cards.Add(CardFrame(card->code), cx + 12 + step * i, cy + (r ? 64 : 9), kSmallCardW, kSmallCardH, 1, 1,
                      1, 1);
          ++drawn_cards;
        }
      }
      g_cards.Flush();
    }
    // The round's events, one icon per count; counts from the wire are capped so the row
    // stays on its plate.
    const VXType_seat_state& s = pl->seat;
    struct Icon {
      int frame;
      bool mission;
    };
    Icon list[kMaxResultIcons];
    int k = 0;
    auto push = [&](int count, int frame, bool mission) {
      for (int i = 0; i < count && k < kMaxResultIcons; ++i) list[k++] = Icon{frame, mission};
    };
    for (int j = 6; j >= 0; --j) push(s.SecondCounter(j), 11 + j, false);
    push(s.FirstCounter(10), 0, true);
    for (int j : {9, 8, 7, 4}) push(s.FirstCounter(j), j, false);
    if (s.FirstCounter(10) < 1) push(s.FirstCounter(0), 0, false);
    for (int j : {3, 2, 1}) push(s.FirstCounter(j), j, false);
    const float istep = k > 4 ? 210.0f / static_cast<float>(k - 1) : 70.0f;
    const int32_t mission = turn.Mission();
    const int mframe = mission == 100 ? 1 : mission == 125 ? 2 : 0;
    for (int i = 0; i < k; ++i) {
      const float x = cx + 12 + istep * i;
      if (list[i].mission) {
        if (GLTexture* m = Art(kMission)) m->Draw(mframe, x, cy + 120, 0);
      } else if (icons) {
        icons->Draw(list[i].frame, x, cy + 120, 0);
      }
    }
    char text[32];
    std::snprintf(text, sizeof(text), "-%d", s.MinusPoints());
    Label(text, cx + 388, cy + 21, 22, GLFont::kAlignRight | GLFont::kAlignVCentre, kMinusRed);
    std::snprintf(text, sizeof(text), "+%d", s.PlusPoints());
    Label(text, cx + 388, cy + 80, 22, GLFont::kAlignRight | GLFont::kAlignVCentre, kPlusGreen);
    const int32_t total = result_total[seat];
    std::snprintf(text, sizeof(text), total < 1 ? "%d" : "+%d", total);
    Label(text, cx + 388, cy + 147, 24, GLFont::kAlignRight | GLFont::kAlignVCentre, kYellow);
    if (tournament_table) {
      const TablePoint a = SeatAnchor(0, seat);
      const int pos = result_rank[seat];
      const bool one_round = progress.Rounds() <= 1;
      const bool advances = pos == 0 || (tournament.Kind() >= 2 && pos >= 0 && pos < progress.AdvancePlaces());
      GLTexture* plate = Art(kReady);
      const float px = a.x - 4, py = a.y + 71;
      if (one_round) {
        DrawSized(plate, pos == 0 ? 0 : 1, px, py, 125, 46);
        if (pos > 0 && pos < kSeats) {
          const Text t = Fmt(LangMessage(189), pos + 1);
          LabelBox(t.s, static_cast<int>(px), static_cast<int>(py), static_cast<int>(px + 125),
                   static_cast<int>(py + 46), 20, kCentred, kWhite);
        }
      } else {
        DrawSized(plate, advances ? 0 : 1, px, py, 125, 46);
        if (advances) {
          const Text t = Fmt(LangMessage(190), NextRound(progress.Shown()));
          LabelBox(t.s, static_cast<int>(px), static_cast<int>(py), static_cast<int>(px + 125),
                   static_cast<int>(py + 46), 20, kCentred, kWhite);
        }
      }
      if (seat == my_seat && advances && static_cast<int64_t>(progress.Rounds()) - progress.Shown() > 1) {
        if (GLTexture* pop = SharedImageByName("popup_s.png")) pop->Draw(0, 880, 402, 0);
        if (GLTexture* guide = SharedImageByName("guide_characters.png")) guide->Draw(3, 1053, 388, 0);
        const Text t = pos == 0 ? Fmt("%s", LangMessage(188)) : Fmt(LangMessage(190), NextRound(progress.Shown()));
        Label(t.s, 1035, 470, 25, kCentred, kNavy);
        Label(LangMessage(192), 1035, 520, 25, kCentred, kNavy);
      }
    }
  }
  screen->EndTransition();
}

void GameModePlay::DrawRankingPanel(uint32_t now) {
  if (panel_state[2] == 0) return;
  GLWindowScreen* screen = GLWindowScreen::Instance();
  GLSurface* surface = GLSurface::InstanceIfAny();
  if (surface) surface->FillRect(0, 0, 0, 1280, 720, 0, 0, 0, 0.5f, 0, 0, 0, 0);
  screen->BeginTransition(static_cast<float>(now - panel_time[2]) / kPanelMs, 0, 30, panel_state[2] == 2, 0.0f);
  if (GLTexture* t = SharedImageByName("popup_big.png")) t->Draw(0, 184, 31, 0);
  if (GLTexture* t = Art(kResult2)) t->Draw(0, 232, 201, 0);
  if (surface) surface->DrawRoundRect(644, 140, 1047, 196, 12, 24, 1.0f, 0, 0.18f, 0.3f, 1, 1, 1, 1, 1);
  const GameVXPlayer* own = MyPlayer();
  int64_t chips = own ? own->Chips() : GameSharedData::Instance()->Chips();
  Label(FormatNumber(chips).c_str(), 1035, 168, 26, GLFont::kAlignRight | GLFont::kAlignVCentre, kWhite);
  Label(LangMessage(193), 640, 90, 30, kCentred, kNavy);
  int64_t fifty = 0;
  std::memcpy(&fifty, room.raw + 48, 8);
  const Text value = Fmt("50p = %s chip", FormatNumber(fifty).c_str());
  Label(value.s, 420, 168, 22, kCentred, kNavy);
  const float heads_x[4] = {300, 500, 690, 900};
  for (int i = 0; i < 4; ++i) Label(LangMessage(196 + i), heads_x[i], 230, 18, kCentred, kWhite);
  for (int r = 0; r < kSeats; ++r) {
    const int seat = result_order[r];
    GameVXPlayer* pl = Player(seat);  // checks the index
    if (!pl) continue;
    const float dy = 96.0f * static_cast<float>(r);
    char rank[8];
    std::snprintf(rank, sizeof(rank), "%d", r + 1);
    Label(rank, heads_x[0], 308.73f + dy, 30, kCentred, kWhite);
    if (seat == my_seat)
      if (GLTexture* t = Art(kResultMy)) t->Draw(0, 206, 259 + dy, 0);
    if (GamePlayerImage* pictures = GamePlayerImage::InstanceIfAny()) {
      char id[31];
      const size_t n = strnlen(pl->AccountId(), 30);
      std::memcpy(id, pl->AccountId(), n);
      id[n] = 0;
      PlayerPictureRecord rec;
      rec.id = id;
      pictures->DrawAvatar(&rec, 397.27f, 308.73f + dy, 80, 80);
    }
    SeatView v{*this, now, layout == 1 ? 1 : 0, room.TableState(), 1.0f};
    DrawCharacter(v, seat, pl, 0, 0, 410.27f, 309.63f + dy, 0.8f);
    if (pl->status > 0) DrawWinsBadge(pl->status, 330, 262 + dy, 0.6f);
    char name[51];
    const size_t n = strnlen(reinterpret_cast<const char*>(pl->profile + kProfileName), 50);
    std::memcpy(name, pl->profile + kProfileName, n);
    name[n] = 0;
    Label(name, 452, 288 + dy, 26, GLFont::kAlignVCentre, kWhite);
    Label(FormatNumber(pl->seat.Points()).c_str(), 656, 287 + dy, 26, GLFont::kAlignVCentre, kNavy);
    const int64_t settled = pl->seat.Settlement();
    Label(FormatNumber(settled).c_str(), 1020, 288 + dy, 26, GLFont::kAlignRight | GLFont::kAlignVCentre,
          settled < 0 ? kChipRed : kChipGold);
  }
  screen->EndTransition();
  if (tournament.TournamentId() < 1 && m_draw.anis) {
    m_draw.anis->ranking_fx[0].Draw(300, 120);
    m_draw.anis->ranking_fx[1].Draw(980, 120);
  }
}

void GameModePlay::DrawWinnerBanner(uint32_t now) {
  if (!winner_active) return;
  GLTexture* t = Art(kWinner);
  const GameVXPlayer* pl = Player(winner_seat);
  const uint32_t age = now - winner_start;
  if (!t || !pl || InFuture(winner_start, now) || age >= 3700) {
    winner_active = age >= 3700 || !pl ? 0 : winner_active;
    return;
  }
  const TablePoint a = SeatAnchor(0, winner_seat);
  const int frame = age < 3200 ? static_cast<int>(age / 100) : 31;
  const float alpha = age < 3200 ? 1.0f : 1.0f - (age - 3200) / 500.0f;
  DrawAlpha(t, frame, a.x + 57 - 120, a.y + 50, alpha);
}

// ---------------------------------------------------------------- the frame

int GameModePlay::Draw() {
  const uint32_t now = GetTickMs();
  drawn_cards = 0;
  g_cards.count = 0;
  g_cards.sheet = Art(kCard);
  // 1. A scene covering the whole screen hides the table.
  if (m_scenes.CoversMode()) {
    m_scenes.Draw();
    return 1;
  }
  const int lay = layout == 1 ? 1 : 0;
  const int state = room.TableState();
  GameSharedData* data = GameSharedData::Instance();
  // 2. Background.
  if (lay == 0) {
    if (data->m_table_color_index != 0) {
      if (GLTexture* t = Art(kBg12)) t->Draw(0, 0, 0, 0);
      if (GLTexture* t = Art(kBgAni2)) t->Draw(-1, 992, 470, 0);
    } else {
      if (GLTexture* t = Art(kBg11)) t->Draw(0, 0, 0, 0);
      if (GLTexture* t = Art(kBgAni1)) t->Draw(-1, 1145, 365, 0);
    }
    if (GLTexture* t = Art(kDesk)) t->Draw(0, 0, 553, 0);
  } else if (GLTexture* t = Art(data->m_table_color_index != 0 ? kBg22 : kBg21)) {
    t->Draw(0, 0, 0, 0);
  }
  // 3. Turn indicator.
  const int turn_seat = turn.TurnSeat();
  if (state == 2 && Player(turn_seat) && (lay == 1 || turn_seat != my_seat)) {
    const TablePoint d = SeatAnchor(3, turn_seat);
    if (lay == 0) {
      if (GLTexture* t = Art(kTurnBg)) t->Draw(0, d.x, d.y, 0);
      if (GLTexture* t = Art(kTurnAni)) t->Draw(-1, d.x - 13, d.y - 13, 0);
    } else {
      DrawSized(Art(kTurnBg), 0, d.x, d.y, 418, 202);
      DrawSized(Art(kTurnAni), -1, d.x - 13, d.y - 10, 442, 221);
    }
  }
  // 4. The mode's widgets (the ones of the later steps are drawn there).
  for (int i = 0; i < m_screen.GetCount(); ++i) {
    ZBEventCtrl* c = m_screen.GetAt(i);
    if (c && !c->m_hidden && !DrawnByStep(*this, c)) c->Draw();
  }
  // 5. The card-change button's caption.
  if (!btn_change.m_hidden) {
    Label(LangMessage(71), 1115, 498, 22, kCentred, kWhite);
    const GameVXPlayer* own = MyPlayer();
    const int changes = own ? Profile32(own, kProfileCardChanges) : 0;
    const Text t = Fmt(LangMessage(78), changes);
    Label(t.s, 1115, 527, 22, kCentred, kYellow);
  }
  // 6. Waiting widgets; the start or ready button pulses.
  if (state < 2) {
    DrawButton(btn_change_room);
    DrawButton(btn_exit);
    GLButtonImage* pulsing = !btn_start.m_hidden ? &btn_start : (!btn_ready.m_hidden ? &btn_ready : nullptr);
    if (pulsing && tournament.TournamentId() < 1) {
      uint32_t t = now - pulse_clock;
      if (t > 1000) {
        pulse_clock = now;
        t = 0;
      }
      const float p = Clamp01(t >= 500 ? 1.0f - (t - 500) / 500.0f : t / 500.0f);
      const float cx = lay ? 383.5f : 450.5f, cy = 645.5f;
      if (GLTexture* img = pulsing->Image()) {
        const float sx = img->m_scale_x, sy = img->m_scale_y;
        if (pulsing->State() == GLButton::kDisabled) {
          img->SetScale(1.0f, 1.0f);
          img->Draw(2, cx, cy, 1);
        } else {
          img->SetScale(0.95f + 0.1f * p, 0.9f + 0.1f * p);
          img->Draw(pulsing->State() == GLButton::kNormal ? 0 : 1, cx, cy, 1);
        }
        RestoreScale(img, sx, sy);
      }
      Label(LangMessage(pulsing == &btn_start ? 202 : 203), cx, cy, 28, kCentred, kWhite);
    } else if (pulsing) {
      DrawButton(*pulsing);
    }
  }
  // 7. Seats with their melds and hands, then the centre during a round.
  DrawSeats(now);
  if (state == 2) DrawCentre(now);
  // 8. The action panel.
  if (panel_state[0] != 0) {
    GLWindowScreen* screen = GLWindowScreen::Instance();
    screen->BeginTransition(static_cast<float>(now - panel_time[0]) / kPanelMs, 0, 20, panel_state[0] == 2, 0.0f);
    for (GLButtonImage* b : {&btn_down_first, &btn_down_more, &btn_attach, &btn_throw, &btn_throw_last,
                             &btn_knock_dark, &btn_confirm, &btn_cancel, &btn_end})
      DrawButton(*b);
    screen->EndTransition();
  }
  // 9. The end move's animation.
  if (m_draw.anis && m_draw.anis->end_move) m_draw.anis->end_move->Draw();
  // 10. Header and waiting information.
  DrawHeaderAndWaiting(now);
  // 11. Emoticons.
  if (m_draw.anis)
    for (GLAnimation* e : m_draw.anis->emoticon)
      if (e && e->IsPlaying()) e->Draw();
  // 12. Balloons, badges, result and ranking panels, the winner banner.
  DrawBalloonsAndBadges(now);
  DrawResultPanel(now);
  DrawRankingPanel(now);
  DrawWinnerBanner(now);
  // 13. Particles and the animation managers.
  if (TableAnimations* a = m_draw.anis) {
    if (a->winner_stars.active) a->winner_stars.Draw(a->winner_x, a->winner_y);
    if (a->action_stars.active) a->action_stars.Draw(a->action_x, a->action_y);
    a->sets.DrawAll();
    a->singles.DrawByKey(-1);
    for (GLAnimation* w : a->own_warning)
      if (w && w->IsPlaying()) w->Draw();
    for (auto& pair : a->first)
      for (GLAnimationSet* s : pair)
        if (s && s->IsPlaying()) s->DrawByKey(-1);
    for (auto& pair : a->second)
      for (GLAnimationSet* s : pair)
        if (s && s->IsPlaying()) s->DrawByKey(-1);
  }
  // 14. The scene layer, then the mini-game unless a settings or shop scene is up.
  m_scenes.Draw();
  if (GameLogic* logic = Logic()) {
    ISceneHooks* scenes = logic->Hooks().scenes;
    if (!scenes->IsSceneShown(3) && !scenes->IsSceneShown(4) && !scenes->IsSceneShown(5))
      logic->Hooks().sub_play->Draw();
  }
  // 15. Knock mode.
  if (sequencer.active)
    if (GLTexture* t = Art(kShot)) t->Draw(0, 0, 0, 0);
  // 16. The attach choice.
  if (attach_target_count > 0) {
    if (GLTexture* t = Art(kPak)) t->Draw(0, 356, 216, 0);
    GLTexture* cards = Art(kCard);
    const int n_targets = attach_target_count > 3 ? 3 : attach_target_count;
    for (int i = 0; i < n_targets; ++i) {
      const GameVXPlayer* pl = Player(attach_targets[i].seat);
      const int m = attach_targets[i].meld;
      if (!pl || m < 0 || m >= pl->meld_count || m >= GameVXPlayer::kMaxMelds || !pl->melds[m] || !cards) continue;
      const GameVXCardDeck* meld = pl->melds[m];
      const float step = meld->count > 4 ? 60.0f / static_cast<float>(meld->count - 1) : 30.0f;
      for (int j = 0; j < meld->count; ++j) {
        const VXType_card* c = meld->At(j);
        if (!c) continue;
        g_cards.Add(CardFrame(c->code), 375 + 177.0f * i + step * j, 341, kTableCardW, kTableCardH, 1, 1, 1, 1);
        ++drawn_cards;
      }
      g_cards.Flush();
      DrawButton(btn_attach_target[i]);
    }
    DrawButton(btn_close_choice);
  }
  // 17. Tournament clock.
  DrawTournamentClock();
  // 18. The alert line.
  if (alert_text[0] && alert_time != 0 && !InFuture(alert_time, now) && now - alert_time < kAlertMs) {
    if (GLTexture* t = Art(kAlert)) DrawAlpha(t, 0, 166, 409, 0.706f);
    char text[256];
    const size_t n = strnlen(alert_text, sizeof(alert_text) - 1);
    std::memcpy(text, alert_text, n);
    text[n] = 0;
    const float red[4] = {1, 0, 0, 0.784f};
    Label(text, 642, 443, 22, kCentred, red);
  }
  return 1;
}
