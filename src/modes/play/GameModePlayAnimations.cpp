// The table's animations, on the toolkit's keyframe animations. The events and moves
// change the table model first; an animation only shows a movement and, at most, hides
// the card it carries (by a future `anim_time`, or the dealing flag) until it ends. A
// card therefore never stays hidden for want of an animation: the hiding times run out
// by themselves, and Ani_Update ends a deal that no animation ends.
#include <cmath>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "gfx/GLTexture.h"
#include "media/DXSoundManager.h"
#include "modes/ModeImages.h"
#include "modes/play/GameModePlay.h"
#include "modes/play/GameModePlayAnimations.h"
#include "modes/play/GameModePlayArt.h"
#include "modes/play/VXAniCard.h"
#include "modes/play/VXAniMissionCard.h"
#include "modes/play/VXAniMissionCardFinal.h"
#include "modes/play/VXPlayerAttack.h"
#include "modes/play/VXStartAni.h"

using namespace play_art;

namespace {

constexpr double kCardSpeed = 0.08;
constexpr double kTableSpeed = 0.06;
// The flight of a drawn card: 20 ticks at 0.08, plus a frame's margin.
constexpr uint32_t kFlightMs = 260;
// Whatever happens to the deal's animations, dealt cards show by then.
constexpr uint32_t kDealGraceMs = 600;

bool InFuture(uint32_t t, uint32_t now) { return static_cast<int32_t>(t - now) > 0; }

AnimationKey* Key(uint32_t time, float x, float y, float scale = 1.0f, float alpha = 1.0f, int frame = 0,
                  int centred = 0) {
  auto* k = new AnimationKey();
  k->time = time;
  k->x = x;
  k->y = y;
  k->scale_x = k->scale_y = scale;
  k->alpha = alpha;
  k->frame = frame;
  k->draw_centred = centred;
  return k;
}

AnimationKey* WithEvent(AnimationKey* k, int event, int kind) {
  k->event = event;
  k->event_kind = kind;
  return k;
}

// Both keyframe event routines play the sound of that index when effects are on.
void PlayEventSound(void* context, int event) {
  auto* mode = static_cast<GameModePlay*>(context);
  GameLogic* logic = mode ? mode->Logic() : nullptr;
  if (!logic || !GameSharedData::Instance()->m_sound_on) return;
  if (event < 0 || event >= DXSoundManager::kSlotCount) return;
  logic->Hooks().sound->PlayEffect(event);
}

template <class A>
A* Prepare(A* a, GameModePlay* mode, GLTexture* texture, double speed) {
  a->SetTexture(texture);
  a->SetSpeed(speed);
  a->m_event_a = PlayEventSound;
  a->m_event_b = PlayEventSound;
  a->m_event_context = mode;
  return a;
}

// A flash of a glow picture: appears and fades while it grows.
GLAnimation* Flash(GameModePlay* mode, GLTexture* texture, float x, float y, uint32_t end, float from, float to) {
  auto* a = Prepare(new GLAnimation(), mode, texture, kTableSpeed);
  a->AddKey(Key(0, x, y, from, 1.0f, 0, 1));
  a->AddKey(Key(end, x, y, to, 0.0f, 0, 1));
  return a;
}

void DealEnded(void* context) {
  auto* mode = static_cast<GameModePlay*>(context);
  mode->dealing = 0;
  mode->deal_end = 0;
  if (mode->m_draw.anis && !mode->m_draw.anis->stopping) mode->Ani_Gold_Coins(true);
}

// Where a card flying to `seat` lands: the seat's face-down row (other seats).
GameModePlay::TablePoint OtherHandStart(const GameModePlay& p, int seat) {
  const GameModePlay::TablePoint a = p.SeatAnchor(0, seat);
  if (p.layout != 1) return {a.x + 120, a.y + 36};
  const int rel = p.Relative(seat);
  return {rel < 2 ? a.x - 8 - 20 : a.x - 1, a.y + 162};
}

void StopAndPurge(GameModePlay::TableAnimations* a) {
  a->singles.m_animations.Walk([](GLAnimation* x) { x->Stop(1); });
  a->sets.m_sets.Walk([](GLAnimationSet* s) { s->Stop(1); });
  a->singles.Purge();
  a->sets.Purge();
}

}  // namespace

GameModePlay::TableAnimations::TableAnimations() {
  winner_stars.Init();
  action_stars.Init();
  for (ParticleEmitter& e : ranking_fx) e.Init();
}

GameModePlay::TableAnimations::~TableAnimations() {
  // Silent: the mode may be going away; nothing runs but the members' own cleanup.
  stopping = 1;
  auto drop = [](GLAnimation*& a) {
    if (a) a->Release();
    a = nullptr;
  };
  auto drop_set = [](GLAnimationSet*& s) {
    if (s) s->Release();
    s = nullptr;
  };
  for (GLAnimation*& e : emoticon) drop(e);
  for (auto& pair : first)
    for (GLAnimationSet*& s : pair) drop_set(s);
  for (auto& pair : second)
    for (GLAnimationSet*& s : pair) drop_set(s);
  drop(sweat);
  for (GLAnimation*& w : own_warning) drop(w);
  drop(end_move);
  drop(turn_warning);
  for (GLAnimation*& g : gold_coin) drop(g);
}

void GameModePlay::BuildAnimations() {
  delete m_draw.anis;
  auto* a = new TableAnimations();
  m_draw.anis = a;
  for (GLAnimation*& e : a->emoticon) e = Prepare(new GLAnimation(), this, nullptr, 1.0);

  // The action pairs: a plate, and for some events a burst over it.
  auto pair_member = [&](int plate, int burst, int sound) {
    auto* set = new GLAnimationSet();
    auto* p = Prepare(new GLAnimation(), this, Art(plate), kTableSpeed);
    p->AddKey(WithEvent(Key(0, 120, 50, 0.5f, 0.0f, 0, 1), sound, 0));
    p->AddKey(Key(10, 120, 50, 1.0f, 1.0f, 0, 1));
    p->AddKey(Key(50, 120, 50, 1.0f, 1.0f, 0, 1));
    p->AddKey(Key(60, 120, 50, 1.0f, 0.0f, 0, 1));
    set->Add(p);
    if (burst >= 0) {
      auto* b = Prepare(new GLAnimation(), this, Art(burst), kTableSpeed);
      for (int f = 0; f < 8; ++f) b->AddKey(Key(5 * f, 120, 50, 1.0f, 1.0f, f, 1));
      b->AddKey(Key(40, 120, 50, 1.0f, 0.0f, 7, 1));
      set->Add(b);
    }
    return set;
  };
  for (int e = 0; e < TableAnimations::kFirstEvents; ++e) {
    const int burst = e == 0 ? kAction1 : (e <= 3 ? kAction2 : -1);
    const int sound = e == 0 ? 13 : (e <= 3 ? 14 : -1);
    for (GLAnimationSet*& s : a->first[e]) s = pair_member(kActionHit, burst, sound);
  }
  for (int e = 0; e < TableAnimations::kSecondEvents; ++e) {
    const int burst = (e == 1 || e == 2) ? kAction4 : (e >= 3 && e <= 5) ? kAction5 : (e == 6 ? kAction3 : -1);
    for (GLAnimationSet*& s : a->second[e]) s = pair_member(kActionPenalty, burst, -1);
  }

  a->sweat = Prepare(new GLAnimation(), this, Art(kSweat), kTableSpeed);
  for (int f = 0; f < 6; ++f) a->sweat->AddKey(Key(10 * f, 0, 0, 1.0f, 1.0f, f));

  const int warnings[2] = {kWarnSpecial, kWarnMission};
  for (int k = 0; k < 2; ++k) {
    a->own_warning[k] = Prepare(new GLAnimation(), this, Art(warnings[k]), kTableSpeed);
    for (int f = 0; f < 8; ++f) a->own_warning[k]->AddKey(Key(5 * f, 640, 420, 1.0f, 1.0f, f, 1));
    a->own_warning[k]->AddKey(Key(40, 640, 420, 1.0f, 0.0f, 7, 1));
  }

  a->end_move = Prepare(new GLAnimation(), this, Art(kAction6), kTableSpeed);
  for (int f = 0; f < 12; ++f) a->end_move->AddKey(Key(5 * f, 857.61f, 192.27f, 1.0f, 1.0f, f));
  a->end_move->AddKey(Key(60, 857.61f, 192.27f, 1.0f, 1.0f, 11));
  a->end_move->SetLoopCount(3);

  a->turn_warning = Prepare(new GLAnimation(), this, Art(kTurnWarn), 1.0);
  // A small ringing clock beside the own avatar's top right, clear of the timer ring.
  for (int f = 0; f < 4; ++f) a->turn_warning->AddKey(Key(150 * f, 0, 0, 0.5f, 1.0f, f, 1));
  a->turn_warning->AddKey(Key(600, 0, 0, 0.5f, 1.0f, 3, 1));
  a->turn_warning->SetLoopCount(-1);

  const float coin_x[2] = {341, 306}, coin_y[2] = {330, 230};
  for (int l = 0; l < 2; ++l) {
    GLAnimation* g = Prepare(new GLAnimation(), this, Art(kGoldCoin), kTableSpeed);
    g->AddKey(Key(0, coin_x[l], coin_y[l]));
    g->AddKey(Key(50, coin_x[l], coin_y[l] - 15));
    g->AddKey(Key(100, coin_x[l], coin_y[l]));
    g->SetLoopCount(-1);
    a->gold_coin[l] = g;
  }
}

// ---------------------------------------------------------------- every frame

void GameModePlay::Ani_Update() {
  const uint32_t now = GetTickMs();
  // A deal that no animation ends (none was built, or it was dropped) ends by itself.
  if (dealing && deal_end != 0 && !InFuture(deal_end, now)) {
    dealing = 0;
    deal_end = 0;
  }
  TableAnimations* a = m_draw.anis;
  if (!a) {
    if (dealing && deal_end == 0) dealing = 0;
    return;
  }
  a->singles.m_animations.Walk([](GLAnimation* x) { x->Advance(); });
  a->sets.m_sets.Walk([](GLAnimationSet* s) { s->Tick(); });
  for (GLAnimation* e : a->emoticon) e->Advance();
  for (auto& pair : a->first)
    for (GLAnimationSet* s : pair) s->Tick();
  for (auto& pair : a->second)
    for (GLAnimationSet* s : pair) s->Tick();
  for (GLAnimation* x : {a->sweat, a->own_warning[0], a->own_warning[1], a->end_move, a->turn_warning,
                         a->gold_coin[0], a->gold_coin[1]})
    x->Advance();
  a->singles.Purge();
  a->sets.Purge();
  // The ranking panel's two sparkles start when it opens.
  if (panel_state[2] == 1 && a->ranking_started_for != panel_time[2] && tournament.TournamentId() < 1) {
    a->ranking_started_for = panel_time[2];
    if (GLTexture* star = SharedImageByName("particle_star_w.png"))
      for (ParticleEmitter& e : a->ranking_fx) e.Start(star, 40, 8, 20, 1500);
  }
}

void GameModePlay::Ani_Stop_All() {
  TableAnimations* a = m_draw.anis;
  dealing = 0;
  deal_end = 0;
  winner_active = 0;
  if (!a) return;
  a->stopping = 1;
  // Stopping runs each animation's end step (a hidden card shows); nothing new is built.
  StopAndPurge(a);
  for (GLAnimation* e : a->emoticon) e->Stop(1);
  for (auto& pair : a->first)
    for (GLAnimationSet* s : pair) s->Stop(1);
  for (auto& pair : a->second)
    for (GLAnimationSet* s : pair) s->Stop(1);
  for (GLAnimation* x : {a->sweat, a->own_warning[0], a->own_warning[1], a->end_move, a->turn_warning,
                         a->gold_coin[0], a->gold_coin[1]})
    x->Stop(1);
  a->winner_stars.active = 0;
  a->action_stars.active = 0;
  for (ParticleEmitter& e : a->ranking_fx) e.active = 0;
  a->stopping = 0;
}

// ---------------------------------------------------------------- the deal and the flights

void GameModePlay::Ani_Deal() {
  const uint32_t now = GetTickMs();
  TableAnimations* a = m_draw.anis;
  GLTexture* cards = Art(kCard);  // may be missing: the deal then only times the cards' appearance
  if (!a) {
    dealing = 0;
    deal_end = 0;
    return;
  }
  dealing = 1;
  auto* set = new GLAnimationSet();
  const TablePoint stock = StockOrigin(layout == 1 ? 1 : 0);
  int order = 0;
  uint32_t last_tick = 0;
  // Seats in table order from the own seat, the first one flying at ticks 21 and 22.
  for (int r = 0; r < kSeats; ++r) {
    const int seat = my_seat >= 0 && my_seat < kSeats ? (my_seat + r) % kSeats : r;
    if (!Player(seat)) continue;
    TablePoint to;
    if (seat == my_seat) to = {(layout == 1 ? 165.0f : 295.0f) + 18.0f, 608.0f};
    else to = OtherHandStart(*this, seat);
    const uint32_t t0 = 21 + 8 * static_cast<uint32_t>(order++);
    auto* s = Prepare(new VXStartAni(this, seat), this, cards, kTableSpeed);
    s->AddKey(Key(0, stock.x, stock.y, 0.63f, 0.0f, kFaceDown));
    s->AddKey(WithEvent(Key(t0, stock.x, stock.y, 0.63f, 1.0f, kFaceDown), 9, 0));
    s->AddKey(Key(t0 + 1, stock.x, stock.y, 0.63f, 1.0f, kFaceDown));
    s->AddKey(Key(t0 + 14, to.x, to.y, 0.63f, 1.0f, kFaceDown));
    set->Add(s);
    last_tick = t0 + 14;
  }
  if (order == 0) {
    set->Release();
    dealing = 0;
    deal_end = 0;
    return;
  }
  set->m_end_a = DealEnded;
  set->m_context = this;
  set->Start();
  a->sets.Add(set);
  deal_end = now + static_cast<uint32_t>(last_tick / kTableSpeed) + kDealGraceMs;
}

void GameModePlay::Ani_Card_Flight(VXType_card* card, int seat) {
  if (!card) return;
  const uint32_t now = GetTickMs();
  GameVXPlayer* player = Player(seat);
  TableAnimations* a = m_draw.anis;
  GLTexture* cards = Art(kCard);
  const bool own = seat == my_seat;
  if (!player || !a) {
    card->anim_time = now;
    return;
  }
  const int lay = layout == 1 ? 1 : 0;
  const TablePoint stock = StockOrigin(lay);
  TablePoint to;
  if (own) {
    // The card's own slot in the hand (hand cards, then the picked-up ones).
    int index = player->hand.count + player->pickup.count - 1;
    for (int i = 0; i < player->hand.count; ++i)
      if (player->hand.At(i) == card) index = i;
    const int per_row = lay ? 16 : 14;
    const int total = player->hand.count + player->pickup.count;
    const float pitch = HandRowPitch((total + per_row - 1) / per_row);
    to = {(lay ? 165.0f : 295.0f) + 56.0f * (index % per_row), 577.0f + pitch * (index / per_row)};
    card->anim_time = now + kFlightMs;  // hidden in the hand until it lands
  } else {
    to = OtherHandStart(*this, seat);
    card->anim_time = now;
  }
  auto* set = new GLAnimationSet();
  GLTexture* light = SharedImageByName("effect_card_light.png");
  GLTexture* light2 = SharedImageByName("effect_card_light2.png");
  if (light) {
    auto* l = Prepare(new GLAnimation(), this, light, kCardSpeed);
    l->AddKey(Key(0, stock.x - 9, stock.y - 16, 0.75f, 0.0f));
    l->AddKey(Key(20, stock.x - 9, stock.y - 16, 0.75f, 0.0f));
    set->Add(l);
  }
  if (light2) {
    auto* l = Prepare(new GLAnimation(), this, light2, kCardSpeed);
    l->AddKey(Key(0, stock.x - 9, stock.y - 16, 0.75f, 0.0f));
    l->AddKey(Key(1, stock.x - 9, stock.y - 16, 0.75f, 1.0f));
    l->AddKey(Key(25, stock.x - 25, stock.y - 47, 1.0f, 0.0f));
    set->Add(l);
  }
  auto* f = Prepare(new VXAniCard(this, seat, card->code), this, cards, kCardSpeed);
  const int frame = own ? CardFrame(card->code) : kFaceDown;
  f->AddKey(Key(0, stock.x, stock.y, 0.63f, 1.0f, frame));
  f->AddKey(Key(1, stock.x, stock.y, 0.63f, 1.0f, frame));
  f->AddKey(Key(20, to.x, to.y, own ? 1.0f : 0.4f, 1.0f, frame));
  set->Add(f);
  set->Start();
  a->sets.Add(set);
}

void GameModePlay::Ani_Mission_Card() {
  TableAnimations* a = m_draw.anis;
  GLTexture* cards = Art(kCard);
  if (!a || !cards || mission_card < 0 || mission_card > 51) return;
  const int lay = layout == 1 ? 1 : 0;
  const TablePoint from = PileOrigin(lay);
  const float mx = lay ? 314.9f : 348.9f, my = lay ? 233.1f : 330.1f;
  auto* m = Prepare(new GLAnimation(), this, cards, kTableSpeed);
  const int frame = CardFrame(mission_card);
  m->AddKey(Key(0, from.x, from.y, 0.72f, 0.0f, frame));
  m->AddKey(Key(10, from.x, from.y, 0.72f, 1.0f, frame));
  m->AddKey(Key(40, mx, my - 60, 0.72f, 1.0f, frame));
  m->AddKey(Key(60, mx, my - 60, 0.72f, 0.0f, frame));
  m->Start();
  a->singles.Add(m);
}

// ---------------------------------------------------------------- special cards and the mission

void GameModePlay::Ani_Mission_Hit(int seat, int event, int carried, int seat2, int event2, int card_code) {
  TableAnimations* a = m_draw.anis;
  if (!a || a->stopping || !Player(seat)) return;
  float x = 0, y = 0;
  if (!CardPosition(card_code, &x, &y)) {
    const TablePoint p = PileOrigin(layout == 1 ? 1 : 0);
    x = p.x, y = p.y;
  }
  auto* set = new GLAnimationSet();
  if (GLTexture* l3 = SharedImageByName("effect_card_light3.png")) set->Add(Flash(this, l3, x - 105 + 48, y - 100 + 48, 25, 1.0f, 3.0f));
  if (GLTexture* l2 = SharedImageByName("effect_card_light2.png")) set->Add(Flash(this, l2, x + 35, y + 46, 25, 0.8f, 1.6f));
  const int tex = event == 4 ? kGoldCoinAni : kGoldCard;
  auto* m = Prepare(new VXAniMissionCard(this, seat, event, carried, seat2, event2), this, Art(tex), kTableSpeed);
  m->AddKey(Key(0, x, y, 0.73f, 1.0f, 0));
  m->AddKey(WithEvent(Key(25, x, y, 0.73f, 1.0f, 0), 17, 0));
  for (int f = 0; f < 8; ++f) m->AddKey(Key(26 + 5 * f, x - 25, y - 38, 1.0f, 1.0f, f));
  m->AddKey(Key(66, x - 25, y - 38, 1.0f, 0.0f, 7));
  set->Add(m);
  set->Start();
  a->sets.Add(set);
}

void GameModePlay::Ani_Mission_Final(int event, int carried, int seat2, int event2) {
  TableAnimations* a = m_draw.anis;
  if (!a || a->stopping) return;
  if (event == 4) {
    const int lay = layout == 1 ? 1 : 0;
    const float mx = lay ? 314.9f : 348.9f, my = lay ? 233.1f : 330.1f;
    const int frame = carried == 75 ? 0 : carried == 100 ? 1 : carried == 125 ? 2 : -1;
    auto* set = new GLAnimationSet();
    if (GLTexture* l3 = SharedImageByName("effect_card_light3.png"))
      set->Add(Flash(this, l3, mx + 32, my + 42, 25, 1.0f, 3.0f));
    if (frame >= 0) {
      auto* f = Prepare(new VXAniMissionCardFinal(carried), this, Art(kMission), kTableSpeed);
      f->AddKey(Key(0, mx, my - 30, 1.0f, 0.0f, frame));
      f->AddKey(Key(15, mx, my - 10, 1.0f, 1.0f, frame));
      f->AddKey(Key(55, mx, my, 1.0f, 1.0f, frame));
      set->Add(f);
    }
    set->Start();
    a->sets.Add(set);
  }
  Ani_Action(-1, -1, seat2, event2);
}

// ---------------------------------------------------------------- seats

void GameModePlay::Ani_Attack(int attacker, int target, int item) {
  TableAnimations* a = m_draw.anis;
  if (!a || item < 0 || item >= kItems || !Player(attacker) || target < -1 || target >= kSeats) return;
  GLTexture* picture = Art(kAttack0 + item);  // without it the flight only times the mark
  // The sound each item makes on impact.
  static constexpr int kSounds[kItems] = {36, 35, 38, 38, 39, 41, 40, 38, 36, 36, 36, 36};
  const uint32_t now = GetTickMs();
  for (int t = 0; t < kSeats; ++t) {
    if (target >= 0 ? t != target : t == my_seat) continue;
    if (!Player(t)) continue;
    const TablePoint from = SeatAnchor(0, attacker), to = SeatAnchor(0, t);
    const float sx = from.x - 24, sy = from.y - 18, ex = to.x - 24, ey = to.y - 18;
    const uint32_t flight = static_cast<uint32_t>(std::hypot(ex - sx, ey - sy) / 700.0f * 1000.0f);
    auto* k = Prepare(new VXPlayerAttack(this, attacker, t, item), this, picture, 1.0);
    k->AddKey(Key(0, sx, sy, 0.5f, 1.0f, 0));
    k->AddKey(Key(200, sx, sy, 1.5f, 1.0f, 0));
    k->AddKey(Key(400, sx, sy, 1.0f, 1.0f, 0));
    k->AddKey(Key(800, sx, sy, 1.0f, 1.0f, 0));
    uint32_t time = 800 + flight;
    k->AddKey(Key(time, ex, ey, 1.0f, 1.0f, 0));
    time += 200;
    k->AddKey(WithEvent(Key(time, ex, ey, 1.0f, 1.0f, 0), kSounds[item], 1));
    for (int f = 1; f <= 11; ++f) {
      time += 80;
      k->AddKey(Key(time, ex, ey, 1.0f, 1.0f, f));  // sheets with fewer frames hold the last
    }
    time += 80;
    k->AddKey(Key(time, ex, ey, 1.0f, 1.0f, 11));
    k->Start();
    a->singles.Add(k);
    if (item < VXPlayerAttack::kMarkedItems) {
      reaction[t].item = item;
      reaction[t].time = now + time;  // the mark shows once the item has landed
    }
  }
}

void GameModePlay::Ani_Crown(int seat) {
  TableAnimations* a = m_draw.anis;
  GameVXPlayer* player = Player(seat);
  GLTexture* crown = SharedImageByName("effect_card_light4.png");
  if (!a || !player || !crown) return;
  const TablePoint p = SeatAnchor(0, seat);
  const float x = p.x + 99, y = p.y + 90;
  auto* set = new GLAnimationSet();
  auto* c = Prepare(new GLAnimation(), this, crown, kTableSpeed);
  auto key = [&](uint32_t t, float scale, float rotation, float alpha) {
    AnimationKey* k = Key(t, x, y, scale, alpha, 0, 1);
    k->rotation = rotation;
    return k;
  };
  if (player->status >= 2) {
    c->AddKey(key(0, 0.2f, 180, 1.0f));
    c->AddKey(key(50, 1.3f, 360, 0.1f));
  } else {
    c->AddKey(key(0, 4.0f, 1, 0.5f));
    c->AddKey(key(50, 0.2f, 180, 1.0f));
    c->AddKey(key(60, 0.2f, 180, 1.0f));
    c->AddKey(key(110, 1.3f, 360, 0.1f));
  }
  set->Add(c);
  set->Start();
  a->sets.Add(set);
}

void GameModePlay::Ani_Winner(int seat) {
  if (!Player(seat)) return;
  winner_seat = seat;
  winner_start = GetTickMs();
  winner_active = 1;
  TableAnimations* a = m_draw.anis;
  GLTexture* star = SharedImageByName("particle_star_w.png");
  if (!a || !star) return;
  const TablePoint p = SeatAnchor(0, seat);
  a->winner_x = p.x + 57;
  a->winner_y = p.y;
  a->winner_stars.Start(star, 60, 8, 24, 2000);
}

void GameModePlay::Ani_Action(int seat_a, int event_b, int seat_c, int event_d) {
  TableAnimations* a = m_draw.anis;
  if (!a || a->stopping) return;
  const int lay = layout == 1 ? 1 : 0;
  auto play = [&](GLAnimationSet* (&pair)[2], int seat) {
    const int rel = Relative(seat);
    const TablePoint p = SeatAnchor(0, seat);
    GLAnimationSet* s;
    float x = p.x, y = p.y;
    if (lay == 1) {
      s = pair[0];
      x = rel < 2 ? p.x + 240 : p.x - 255;
      y = p.y - 35;
    } else {
      s = pair[rel == 0 ? 1 : 0];
    }
    if (!s) return;
    s->SetOffset(x, y);
    s->Start();
  };
  if (Player(seat_a) && event_b >= 0 && event_b < TableAnimations::kFirstEvents) {
    play(a->first[event_b], seat_a);
    if (event_b >= 1 && event_b <= 3) {
      if (GLTexture* star = SharedImageByName("particle_star_g.png")) {
        const TablePoint p = SeatAnchor(0, seat_a);
        a->action_x = p.x + 57;
        a->action_y = p.y + 55;
        a->action_stars.Start(star, 50, 8, 20, 3000);
      }
    }
  }
  if (Player(seat_c) && event_d >= 0 && event_d < TableAnimations::kSecondEvents) play(a->second[event_d], seat_c);
}

// ---------------------------------------------------------------- the pile and the own throw

void GameModePlay::Ani_Card_Sweat(const VXType_card* card, int times) {
  TableAnimations* a = m_draw.anis;
  if (!a || !a->sweat || !card) return;
  float x = static_cast<float>(card->rect[0]), y = static_cast<float>(card->rect[1]);
  CardPosition(card->code, &x, &y);  // where it lies now, drawn or not yet
  a->sweat->SetOffset(x - 1, y + 2);
  a->sweat->SetLoopCount(times < 1 ? 1 : (times > 10 ? 10 : times));
  a->sweat->Start();
}

void GameModePlay::Ani_Light_Flash(const VXType_card* card) {
  TableAnimations* a = m_draw.anis;
  GLTexture* light = SharedImageByName("effect_card_light2.png");
  if (!a || !card || !light) return;
  float x = static_cast<float>(card->rect[0]), y = static_cast<float>(card->rect[1]);
  CardPosition(card->code, &x, &y);
  x -= 50, y -= 35;
  auto* f = Prepare(new GLAnimation(), this, light, kTableSpeed);
  AnimationKey* k0 = Key(0, x, y, 1.0f, 1.0f);
  AnimationKey* k1 = Key(25, x, y, 3.0f, 0.0f);
  k1->keep_centred = 1;
  AnimationKey* k2 = WithEvent(Key(45, x, y, 3.0f, 0.0f), 15, 0);
  k2->keep_centred = 1;
  f->AddKey(k0);
  f->AddKey(k1);
  f->AddKey(k2);
  f->Start();
  a->singles.Add(f);
}

void GameModePlay::Ani_Own_Throw_Warning(int kind) {
  TableAnimations* a = m_draw.anis;
  if (!a || kind < 0 || kind > 1 || !a->own_warning[kind]) return;
  a->own_warning[kind]->Start();
}

void GameModePlay::Ani_Emoticon(int seat, int index, int variant) {
  TableAnimations* a = m_draw.anis;
  const int rel = Relative(seat);
  if (!a || rel < 0 || !Player(seat) || index < 0 || index > 5 || variant < 0 || variant > 8) return;
  static constexpr const char* kSets[6] = {"item/emoticon01.png", "item/emoticon02.png", "item/emoticon03.png",
                                           "item/emoticon04.png", "item/emoticon05.png", "item/emoticon06.png"};
  GLTexture* sheet = SharedImageByName(kSets[index]);
  if (!sheet) return;
  GLAnimation* e = a->emoticon[rel];
  e->Stop(1);
  e->ClearKeys();
  e->SetTexture(sheet);
  const TablePoint p = SeatAnchor(0, seat);
  for (int f = 0; f < 4; ++f) e->AddKey(Key(150 * f, p.x + 5, p.y + 5, 1.0f, 1.0f, f));
  e->AddKey(Key(600, p.x + 5, p.y + 5, 1.0f, 1.0f, 3));
  e->SetFrameOffset(variant * 4);
  e->SetSpeed(1.0);
  e->SetLoopCount(3);
  e->Start();
}

void GameModePlay::Ani_End() {
  if (m_draw.anis && m_draw.anis->end_move) m_draw.anis->end_move->Start();
}

void GameModePlay::Ani_Gold_Coins(bool on) {
  TableAnimations* a = m_draw.anis;
  if (!a) return;
  for (GLAnimation* g : a->gold_coin) {
    if (!g) continue;
    if (on && !g->IsPlaying()) g->Start();
    if (!on) g->Stop(1);
  }
}

void GameModePlay::Ani_Turn_Warning(bool on) {
  TableAnimations* a = m_draw.anis;
  if (!a || !a->turn_warning) return;
  if (!on) {
    a->turn_warning->Stop(1);
    return;
  }
  if (a->turn_warning->IsPlaying()) return;
  const TablePoint p = Anchor(layout == 1 ? 1 : 0, 0, 0);
  a->turn_warning->SetOffset(p.x + 122, p.y + 4);
  a->turn_warning->Start();
}

bool GameModePlay::Ani_Turn_Warning_Running() const {
  return m_draw.anis && m_draw.anis->turn_warning && m_draw.anis->turn_warning->IsPlaying();
}

void GameModePlay::Ani_Turn_Indicator() {
  if (GLTexture* t = Art(kTurnAni)) t->StartAnimation(200);
}

void GameModePlay::Ani_Wait(int which) {
  if (which == 0) {
    pulse_clock = GetTickMs();
    if (GLTexture* t = Art(kWait1)) t->StartAnimation(100);
  } else if (GLTexture* t = Art(kWait2)) {
    t->StartAnimation(100);
  }
}
