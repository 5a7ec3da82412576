#include "scenes/VXScene_game.h"

#include <algorithm>
#include <cstring>
#include <ctime>
#include <string>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "net/IGameSession.h"
#include "net/messages/VXTableMessages.h"
#include "ui/GLButtonImage.h"
#include "web/GameWebContent.h"

namespace {

// The rooms the game server announced in its login reply, kept on the session.
bool RoomsOfSession(IGameSession* session, VXRoomListData* out) {
  if (!session) return false;
  const VXType_channel_rooms& kept = session->Rooms();
  const int n = std::clamp<int>(kept.count, 0, VXRoomListData::kMaxRooms);
  out->count = n;
  out->point_target = kept.point_target;
  for (int i = 0; i < n; ++i) {
    const VXType_channel_room& r = kept.rooms[static_cast<size_t>(i)];
    VXRoomEntry& e = out->rooms[i];
    e.stake = r.stake;
    e.min_chips = r.min_balance;
    e.badge = r.badge;
    std::memcpy(e.players, r.players, sizeof e.players);
  }
  return n > 0;
}

VXRoomSource g_room_source = &RoomsOfSession;
VXTableHandoff g_table_handoff = nullptr;
VXRoomTabListener g_tab_listener = nullptr;

constexpr int kCentred = GLFont::kAlignCentre | GLFont::kAlignVCentre;
constexpr int kRightAligned = GLFont::kAlignRight | GLFont::kAlignVCentre;
constexpr int kLeftAligned = GLFont::kAlignVCentre;
constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kGold[4] = {1.0f, 0.86f, 0.2f, 1.0f};
constexpr float kDimText[4] = {0.75f, 0.78f, 0.85f, 1.0f};

// Plate colours per tab (normal blue, point orange), lit when affordable.
struct PlateColours {
  float fill[4], lit[4];
};
constexpr PlateColours kPlates[2] = {
    {{0.10f, 0.25f, 0.50f, 1.0f}, {0.16f, 0.42f, 0.82f, 1.0f}},
    {{0.50f, 0.26f, 0.08f, 1.0f}, {0.88f, 0.46f, 0.12f, 1.0f}},
};
constexpr float kPlateBorder[4] = {0.64f, 0.93f, 0.93f, 1.0f};

// Badge artwork by value: 200, 300, 400.
struct Badge {
  int32_t value;
  const char* text;
  float colour[4];
};
constexpr Badge kBadges[] = {
    {200, "NEW", {0.15f, 0.65f, 0.25f, 1.0f}},
    {300, "HOT", {0.85f, 0.15f, 0.15f, 1.0f}},
    {400, "VIP", {0.80f, 0.62f, 0.05f, 1.0f}},
};

// The missions the room list shows: play, win, dark knocks, wins in a row.
constexpr int kListMissions[4] = {0, 1, 3, 5};
constexpr int kMissionTexts[6] = {98, 99, 101, 102, 104, 105};
constexpr size_t kMissionRecordSize = 20;
constexpr size_t kMissionProgressAt = 468;

GLFont* Font() {
  GLSurface* surface = GLSurface::InstanceIfAny();
  return surface ? surface->Font(0) : nullptr;
}

void DrawLine(GLFont* font, int size, float x, float y, const std::string& text, int flags, const float colour[4]) {
  font->SetFaceSize(size);
  font->DrawTextAt(x, y, text.c_str(), flags, colour);
}

int ClampTab(int tab) { return tab == 1 ? 1 : 0; }

int64_t NonNegative(int32_t v) { return v > 0 ? v : 0; }

bool SameLocalDay(int64_t a, int64_t b) {
  const time_t ta = static_cast<time_t>(a), tb = static_cast<time_t>(b);
  struct tm la {}, lb {};
  if (!localtime_r(&ta, &la) || !localtime_r(&tb, &lb)) return false;
  return la.tm_year == lb.tm_year && la.tm_mon == lb.tm_mon && la.tm_mday == lb.tm_mday;
}

}  // namespace

// ---------------------------------------------------------------- VXButton_room

VXButton_room::VXButton_room(int tab_in, int32_t target, const VXRoomEntry& room, bool can_afford)
    : GLScrollBoxItem(kStep),
      tab(ClampTab(tab_in)),
      point_target(target),
      players(NonNegative(room.players[ClampTab(tab_in)][0]) + NonNegative(room.players[ClampTab(tab_in)][1])),
      badge(room.badge),
      stake(room.stake),
      min_chips(room.min_chips),
      affordable(can_afford) {}

void VXButton_room::SetRect(int l, int t, int r, int b) {
  (void)r, (void)b;
  ZBEventCtrl::SetRect(l + kInset, t + kPlateTop, l + kInset + kPlateWidth, t + kPlateTop + kPlateHeight);
}

int VXButton_room::Draw() {
  GLSurface* surface = GLSurface::InstanceIfAny();
  if (!surface) return 0;
  const PlateColours& c = kPlates[tab];
  const float* fill = affordable ? c.lit : c.fill;
  const float shade = m_state == kPressed ? 0.7f : 1.0f;
  const float* border = affordable ? kGold : kPlateBorder;
  surface->DrawRoundRect(m_left, m_top, m_right, m_bottom, 18, 16, affordable ? 4.0f : 2.0f, fill[0] * shade,
                         fill[1] * shade, fill[2] * shade, 1.0f, border[0], border[1], border[2], 1.0f);
  for (const Badge& b : kBadges) {
    if (b.value != badge) continue;
    surface->DrawRoundRect(m_right - 80, m_top + 12, m_right - 12, m_top + 44, 8, 8, 0.0f, b.colour[0], b.colour[1],
                           b.colour[2], 1.0f, 0, 0, 0, 0);
    if (GLFont* font = Font()) DrawLine(font, 18, m_right - 46.0f, m_top + 28.0f, b.text, kCentred, kWhite);
  }
  GLFont* font = Font();
  if (!font) return 1;
  const float cx = (m_left + m_right) / 2.0f;
  DrawLine(font, 22, cx, m_top + 70.0f, LangMessage(tab ? 181 : 180), kCentred, kWhite);
  // Long stakes in a smaller size, so that they stay inside the plate.
  const std::string stake_text = FormatNumber(stake);
  DrawLine(font, stake_text.size() > 7 ? 30 : 40, cx, m_top + 130.0f, stake_text, kCentred,
           affordable ? kGold : kWhite);
  const std::string first = tab ? FormatString(LangMessage(209), FormatNumber(point_target).c_str())
                                : FormatString(LangMessage(207), turn_seconds);
  DrawLine(font, 22, cx, m_top + 195.0f, first, kCentred, kWhite);
  DrawLine(font, 18, cx, m_top + 235.0f, LangMessage(201), kCentred, kDimText);
  DrawLine(font, 24, cx, m_top + 262.0f, FormatNumber(players), kCentred, kWhite);
  return 1;
}

// ---------------------------------------------------------------- VXScene_game

VXScene_game::VXScene_game() : GameScene(kSceneGame) {
  m_list.Setup(0, kListTop, 1280, kListBottom);
  m_list.SetVertical(0);
  m_list.m_receiver = this;
}

void VXScene_game::SetRoomSource(VXRoomSource source) { g_room_source = source; }
void VXScene_game::SetTableHandoff(VXTableHandoff handoff) { g_table_handoff = handoff; }
void VXScene_game::SetTabListener(VXRoomTabListener listener) { g_tab_listener = listener; }

bool VXScene_game::CanAfford(int64_t chips, int64_t stake) {
  if (stake <= 0 || chips <= 0) return false;
  // chips >= 20 * stake, without forming 20 * stake (it could overflow).
  return chips / kStakeFactor >= stake;
}

bool VXScene_game::IsHighlighted(int64_t chips, int32_t min_chips) {
  return min_chips >= 1 && min_chips < 2000000000 && chips >= min_chips;
}

VXType_room_info VXScene_game::BuildRoomRequest(int tab, int32_t point_target, int64_t stake) {
  VXType_room_info r;
  r.Put(0, -1);
  r.Put(4, -1);
  r.Put(8, -1);
  r.SetGameType(ClampTab(tab));
  r.SetTurnSeconds(VXButton_room::kTurnSeconds);
  r.SetSeats(4);
  r.SetPointTarget(point_target);
  r.SetStake(stake);
  return r;
}

VXScene_game::MissionState VXScene_game::Mission(int type, int64_t now) {
  if (type < 0 || type >= 6) return {0, 0};
  GameSharedData* d = GameSharedData::Instance();
  const uint8_t* rec = d->m_item_slots + kMissionRecordSize * static_cast<size_t>(type);
  int32_t period = 0, goal = 0;
  std::memcpy(&period, rec, 4);
  std::memcpy(&goal, rec + 8, 4);
  int32_t progress = d->GetUser32(kMissionProgressAt + 8 * static_cast<size_t>(type));
  const int64_t start = d->GetUser32(kMissionProgressAt + 8 * static_cast<size_t>(type) + 4);
  bool valid = period == 0;
  if (period == 86400) valid = SameLocalDay(start, now);
  else if (period != 0) valid = now <= start || now - start <= period;
  if (!valid || progress < 0) progress = 0;
  if (goal < 0) goal = 0;
  return {std::min(progress, goal), goal};
}

VXButton_room* VXScene_game::Room(int index) {
  if (index < 0 || index >= m_room_count) return nullptr;
  return static_cast<VXButton_room*>(m_list.GetItem(index));
}

int VXScene_game::BuildWidgets() {
  m_background = BindImage("sub_bg.png");
  m_band = BindImage("tm_list_bg.png");
  AddCloseButton("btn_back.png", 1167, 2);
  AddButton(&m_buy_chips, "btn_add_c.png", 651, 8);
  AddButton(&m_buy_rubies, "btn_add_c.png", 858, 8);
  AddButton(&m_rules, "btn_help_c.png", 1088, 8);
  AddButton(&m_ranking, "btn_mission_02.png", 644, 659);
  AddButton(&m_missions, "btn_mission_01.png", 14, 659);
  AddButton(&m_normal_tab, "lb_btn_normal.png", 32, 145);
  AddButton(&m_point_tab, "lb_btn_ptn.png", 287, 145);
  return 1;
}

void VXScene_game::OnShown() {
  m_tab = ClampTab(show_param);
  Layout();
}

void VXScene_game::OnOpened() { Layout(); }

void VXScene_game::SelectTab(int tab) {
  m_tab = ClampTab(tab);
  if (g_tab_listener) g_tab_listener(m_tab);
  Layout();
}

void VXScene_game::Layout() {
  // The selected tab shows its third frame and takes no taps.
  if (m_normal_tab) m_normal_tab->SetState(m_tab == 0 ? GLButton::kDisabled : GLButton::kNormal);
  if (m_point_tab) m_point_tab->SetState(m_tab == 1 ? GLButton::kDisabled : GLButton::kNormal);
  m_list.Clear();
  m_room_count = 0;
  IGameSession* session = GameLogic::Instance()->CurrentSession();
  if (!session || !session->IsConnected()) return;
  VXRoomListData rooms;
  if (!g_room_source || !g_room_source(session, &rooms)) return;
  const int count = std::clamp<int>(rooms.count, 0, std::min(VXRoomListData::kMaxRooms, kMaxRoomButtons));
  const int64_t chips = GameSharedData::Instance()->Chips();
  for (int i = 0; i < count; ++i) {
    const VXRoomEntry& r = rooms.rooms[i];
    m_list.AddItem(new VXButton_room(m_tab, rooms.point_target, r, IsHighlighted(chips, r.min_chips)));
  }
  m_room_count = count;
  if (count > 0) {
    auto* end_space = new GLScrollBoxItem(kEndSpace);
    end_space->m_state = GLScrollBoxItem::kDisabled;
    m_list.AddItem(end_space);
  }
  m_list.m_scroller.m_offset = 0;
}

void VXScene_game::DrawScene() {
  m_background->Draw(0, 0.0f, 0.0f, 0);
  m_band->Draw(0, 0.0f, static_cast<float>(kListTop), 0);
  m_list.Draw();
  DrawBalances();
  DrawMissions();
  if (GameWebContent* web = GameWebContent::InstanceIfAny()) web->Draw(kPlaceRoomList);
}

void VXScene_game::DrawBalances() {
  GLFont* font = Font();
  if (!font) return;
  GameSharedData* d = GameSharedData::Instance();
  DrawLine(font, 22, 645.0f, 35.0f, FormatNumber(d->Chips()), kRightAligned, kWhite);
  DrawLine(font, 22, 858.0f, 35.0f, FormatNumber(d->Rubies()), kRightAligned, kWhite);
}

void VXScene_game::DrawMissions() {
  GLSurface* surface = GLSurface::InstanceIfAny();
  GLFont* font = Font();
  if (!surface || !font) return;
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  for (int i = 0; i < 4; ++i) {
    const int type = kListMissions[i];
    const MissionState m = Mission(type, now);
    const int left = 580 + (i % 2) * 345, top = 160 + (i / 2) * 60;
    const int right = left + 320;
    DrawLine(font, 16, static_cast<float>(left), top + 10.0f, FormatString(LangMessage(kMissionTexts[type]), m.goal),
             kLeftAligned, kWhite);
    surface->DrawRoundRect(left, top + 24, right, top + 44, 6, 8, 1.0f, 0.02f, 0.47f, 0.76f, 1.0f, 0.64f, 0.93f,
                           0.93f, 1.0f);
    const float f = m.goal > 0 ? std::clamp(static_cast<float>(m.progress) / static_cast<float>(m.goal), 0.0f, 1.0f)
                               : 0.0f;
    const int fill_right = left + 2 + static_cast<int>((right - left - 4) * f);
    if (fill_right > left + 2)
      surface->DrawRoundRect(left + 2, top + 26, fill_right, top + 42, 6, 8, 0.0f, 1.0f, 1.0f, 0.0f, 1.0f, 0, 0, 0,
                             0);
    const bool done = m.goal > 0 && m.progress >= m.goal;
    DrawLine(font, 14, (left + right) / 2.0f, top + 34.0f,
             done ? std::string("COMPLETE") : FormatString("%d / %d", m.progress, m.goal), kCentred, kWhite);
  }
}

int VXScene_game::OnTouchDown(int button, int x, int y) {
  int r = GameScene::OnTouchDown(button, x, y);
  r |= m_list.OnTouchDown(button, x, y);
  return r;
}

int VXScene_game::OnTouchMove(int button, int x, int y) {
  int r = GameScene::OnTouchMove(button, x, y);
  r |= m_list.OnTouchMove(button, x, y);
  return r;
}

int VXScene_game::OnTouchUp(int button, int x, int y) {
  // The list first: a tap it reports may start an entry; the buttons see the release too.
  int r = m_list.OnTouchUp(button, x, y);
  r |= GameScene::OnTouchUp(button, x, y);
  return r;
}

int VXScene_game::OnWheel(int delta, int x, int y) {
  if (!m_list.HitTest(x, y)) return GameScene::OnWheel(delta, x, y);
  // The wheel over the list scrolls it sideways straight away, without a press first.
  ZBScrollMoving& s = m_list.m_scroller;
  if (!s.m_has_anchor) {
    s.m_last_x = x;
    s.m_last_y = y;
    s.m_has_anchor = 1;
  }
  return m_list.OnWheel(delta, x, y);
}

void VXScene_game::OnClick(ZBEventCtrl* sender) {
  GameLogic* logic = GameLogic::Instance();
  ISceneHooks* scenes = logic->Hooks().scenes;
  if (sender == &m_list) {
    GLScrollBoxItem* item = m_list.m_selected;
    for (int i = 0; i < m_room_count; ++i) {
      if (Room(i) == item) {
        OnRoomTapped(Room(i));
        return;
      }
    }
  } else if (sender == m_buy_chips) {
    scenes->ShowScene(kSceneShop, 1);
  } else if (sender == m_buy_rubies) {
    scenes->ShowScene(kSceneShop, 0);
  } else if (sender == m_rules) {
    const std::string page = FormatString("%s/web_content/exp.htm", GameSharedData::Instance()->m_web_base);
    logic->Hooks().platform->Execute(1, 0, 0, page.c_str(), "", 0);
  } else if (sender == m_ranking) {
    scenes->ShowScene(kSceneRanking, 1);
  } else if (sender == m_missions) {
    scenes->ShowScene(kSceneMission, 0);
  } else if (sender == m_normal_tab) {
    SelectTab(0);
  } else if (sender == m_point_tab) {
    SelectTab(1);
  }
}

void VXScene_game::OnRoomTapped(VXButton_room* room) {
  if (m_entry != kIdle) {
    Log(LOG_TRACE, "VXScene_game::OnRoomTapped| an entry is under way: tap ignored");
    return;
  }
  if (!room->Enterable()) {
    Log(LOG_WARNING, "[WARNING]: VXScene_game::OnRoomTapped| room with stake %lld cannot be entered",
        static_cast<long long>(room->stake));
    return;
  }
  const int64_t chips = GameSharedData::Instance()->Chips();
  if (!CanAfford(chips, room->stake)) {
    GameLogic::Instance()->Hooks().notices->PushBox(LangMessage(0), kNotEnoughChipsBox, LangMessage(86), 1, 0);
    return;
  }
  m_request = BuildRoomRequest(room->tab, room->point_target, room->stake);
  StartEntry(-1);
}

void VXScene_game::RequestRoom(const VXType_room_info& request) {
  if (m_entry != kIdle) {
    Log(LOG_WARNING, "[WARNING]: VXScene_game::RequestRoom| an entry is under way: table %d not rejoined",
        request.TableNumber());
    return;
  }
  m_request = request;
  StartEntry(request.TableNumber());
}

void VXScene_game::StartEntry(int param) {
  m_entry = kEnteringServer;
  m_entry_time = GetTickMs();
  Log(LOG_TRACE, "VXScene_game::StartEntry| type %d stake %lld table %d", m_request.GameType(),
      static_cast<long long>(m_request.Stake()), param);
  GameLogic::Instance()->EnterServer(1, param, this, &VXScene_game::OnServerReady);
}

void VXScene_game::OnServerReady(void* user_data, IGameSession* session) {
  auto* scene = static_cast<VXScene_game*>(user_data);
  if (scene->m_entry != kEnteringServer) {
    Log(LOG_TRACE, "VXScene_game::OnServerReady| no entry waits for the server: ignored");
    return;
  }
  scene->SendRequest(session);
}

void VXScene_game::SendRequest(IGameSession* session) {
  GameLogic* logic = GameLogic::Instance();
  if (!session || !session->IsConnected() || !session->IsLoggedIn() || session->Info().Kind() != 1) {
    FailEntry("not on a game server");
    return;
  }
  // The lobby, or about to be (a rejoin right after the login asked for it).
  GameMode* lobby = logic->LobbyMode();
  const bool in_lobby = logic->CurrentMode() == lobby || logic->NextMode() == lobby;
  if (!lobby || !in_lobby) {
    FailEntry("not in the lobby");
    return;
  }
  VXMsg_room_enter_request msg;
  msg.room = m_request;
  Packet packet(VXMsg_room_enter_request::kId);
  msg.Write(packet);
  if (!session->SendAsync(packet, nullptr, nullptr)) {
    FailEntry("the request could not be sent");
    return;
  }
  m_entry = kAwaitingReply;
  m_entry_time = GetTickMs();
  Log(LOG_TRACE, "VXScene_game::SendRequest| 204 sent: type %d stake %lld", m_request.GameType(),
      static_cast<long long>(m_request.Stake()));
}

void VXScene_game::FailEntry(const char* why) {
  Log(LOG_WARNING, "[WARNING]: VXScene_game::Enter| table entry dropped: %s", why);
  m_entry = kIdle;
  GameLogic::Instance()->Hooks().notices->PushBox(LangMessage(0), 0, LangMessage(217), 1, 0);
}

int VXScene_game::Update() {
  GameScene::Update();
  if (m_entry != kIdle && GetTickMs() - m_entry_time > kEntryTimeoutMs) FailEntry("no answer within 15 s");
  if (m_return_to_master) {
    // Outside the dispatch that carried the refusal: the return closes that session.
    m_return_to_master = false;
    Log(LOG_TRACE, "VXScene_game::Update| back to the master server");
    GameLogic::Instance()->EnterServer(0, -1, nullptr, nullptr);
  }
  return 1;
}

int VXScene_game::HandleReply(Packet* packet) {
  if (m_entry != kAwaitingReply) {
    Log(LOG_WARNING, "[WARNING]: VXScene_game::HandleReply| 204 nobody waits for: ignored");
    return 1;
  }
  m_entry = kIdle;
  VXMsg_room_enter_reply reply;
  const bool complete = reply.Read(*packet) == 1;
  if (reply.result == 0 || !complete) {
    Log(LOG_WARNING, "[WARNING]: VXScene_game::HandleReply| table entry %s", complete ? "refused" : "answer too short");
    GameLogic::Instance()->Hooks().notices->PushBox(LangMessage(0), 0, LangMessage(142), 1, 0);
    m_return_to_master = true;
    return 1;
  }
  GameLogic* logic = GameLogic::Instance();
  GameSharedData* d = GameSharedData::Instance();
  static_assert(sizeof(reply.user_info) == sizeof(d->m_user_info), "the answer carries a whole account block");
  std::memcpy(d->m_user_info, reply.user_info, sizeof(d->m_user_info));
  m_entered_room = reply.room;
  Log(LOG_TRACE, "VXScene_game::HandleReply| table %d entered (value %d): on to table play", reply.room.TableNumber(),
      reply.ignored);
  if (g_table_handoff) g_table_handoff(reply.room, reply.ignored);
  if (GameMode* play = logic->PlayMode()) logic->SetNextMode(play, -1);
  else Log(LOG_WARNING, "[WARNING]: VXScene_game::HandleReply| no table play mode to go on to");
  return 1;
}
