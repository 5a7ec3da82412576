#include "modes/play/GameModePlay.h"

#include <cstring>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "app/VXSceneIds.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "media/DXSoundManager.h"
#include "net/IGameSession.h"
#include "net/ServerInfo.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"

namespace {

constexpr int kMsgTitle = 0;
constexpr int kMsgLeaveGame = 5;
constexpr int kMsgChangeRoom = 177;
constexpr int kMsgExit = 175;
constexpr int kMsgStart = 202;
constexpr int kMsgReady = 203;
constexpr int kPlatformQuit = 3;
constexpr uint32_t kEscapeAfterMiniGameMs = 250;

// A button's place and the size of its picture's sheet (`columns` x `rows` frames over
// `width` x `height`), so that it has its rectangle before the table art gives it the
// picture.
struct ButtonDef {
  GLButtonImage* (*button)(GameModePlay& play);
  int columns, rows;
  float width, height;
  int x, y;
  int group;  // 0 the table's own list, 1 waiting, 2 action panel, 3 attach choice
};

using P = GameModePlay;
constexpr ButtonDef kButtons[] = {
    {+[](P& p) { return &p.btn_emoticon; }, 3, 1, 330, 110, 15, 595, 0},
    {+[](P& p) { return &p.btn_settings; }, 3, 1, 240, 76, 1198, 2, 0},
    {+[](P& p) { return &p.btn_card_order[0]; }, 3, 1, 330, 80, 1150, 595, 0},
    {+[](P& p) { return &p.btn_card_order[1]; }, 3, 1, 330, 80, 1150, 595, 0},
    {+[](P& p) { return &p.btn_change; }, 3, 1, 828, 84, 977, 473, 0},
    {+[](P& p) { return &p.btn_table_shop; }, 3, 1, 270, 90, 25, 480, 0},
    {+[](P& p) { return &p.btn_start; }, 1, 3, 235, 243, 333, 605, 1},
    {+[](P& p) { return &p.btn_ready; }, 1, 3, 235, 243, 333, 605, 1},
    {+[](P& p) { return &p.btn_change_room; }, 1, 3, 235, 243, 593, 605, 1},
    {+[](P& p) { return &p.btn_exit; }, 1, 3, 235, 243, 853, 605, 1},
    {+[](P& p) { return &p.btn_down_first; }, 3, 1, 510, 90, 144, 474, 2},
    {+[](P& p) { return &p.btn_down_more; }, 3, 1, 510, 90, 144, 474, 2},
    {+[](P& p) { return &p.btn_attach; }, 3, 1, 510, 90, 361, 474, 2},
    {+[](P& p) { return &p.btn_throw; }, 3, 1, 510, 90, 542, 474, 2},
    {+[](P& p) { return &p.btn_throw_last; }, 3, 1, 510, 90, 542, 474, 2},
    {+[](P& p) { return &p.btn_knock_dark; }, 3, 1, 510, 90, 742, 474, 2},
    {+[](P& p) { return &p.btn_confirm; }, 3, 1, 372, 90, 722, 474, 2},
    {+[](P& p) { return &p.btn_cancel; }, 3, 1, 372, 90, 850, 474, 2},
    {+[](P& p) { return &p.btn_end; }, 3, 1, 510, 90, 742, 474, 2},
    {+[](P& p) { return &p.btn_attach_target[0]; }, 3, 1, 360, 50, 408, 223, 3},
    {+[](P& p) { return &p.btn_attach_target[1]; }, 3, 1, 360, 50, 581, 223, 3},
    {+[](P& p) { return &p.btn_attach_target[2]; }, 3, 1, 360, 50, 758, 223, 3},
    {+[](P& p) { return &p.btn_close_choice; }, 3, 1, 150, 50, 895, 185, 3},
};

GLButtonImage& ButtonOf(GameModePlay& play, const ButtonDef& def) { return *def.button(play); }

// The waiting buttons' top-left corners in the two layouts: start and ready share one.
constexpr int kWaitingX[2][3] = {{333, 593, 853}, {266, 526, 786}};
constexpr int kWaitingY = 605;

void SetEnabled(GLButton& b, bool enabled) {
  if (enabled) {
    if (b.State() == GLButton::kDisabled) b.SetState(GLButton::kNormal);
  } else if (b.State() != GLButton::kDisabled) {
    b.SetState(GLButton::kDisabled);
  }
}

}  // namespace

GameModePlay* GameModePlay::s_instance = nullptr;

GameModePlay* GameModePlay::Instance() {
  if (!s_instance) s_instance = new GameModePlay();
  return s_instance;
}

void GameModePlay::DestroyInstance() {
  GameModePlay* p = s_instance;
  s_instance = nullptr;
  delete p;
}

GameModePlay::GameModePlay() {
  mode_id = kModePlay;
  selection.not_owner = 1;
  m_screen.Init();
  waiting_buttons.Init();
  action_buttons.Init();
  choice_buttons.Init();
  Create_Buttons();
}

GameModePlay::~GameModePlay() {
  Reset(3);
  pile.Clear(true);
  ReleaseResources();
}

int GameModePlay::Relative(int seat) const {
  if (seat < 0 || seat >= kSeats) return -1;
  if (my_seat < 0 || my_seat >= kSeats) return seat;
  return (seat - my_seat + kSeats) % kSeats;
}

// ---------------------------------------------------------------- buttons

void GameModePlay::Create_Buttons() {
  EventCtrlGroup* groups[4] = {&m_screen, &waiting_buttons, &action_buttons, &choice_buttons};
  for (const ButtonDef& def : kButtons) {
    GLButtonImage& b = ButtonOf(*this, def);
    // Until the pictures are there the button still has its place (one frame's size).
    const int w = static_cast<int>(def.width) / def.columns;
    const int h = static_cast<int>(def.height) / def.rows;
    b.Setup(def.x, def.y, def.x + w, def.y + h, nullptr, 10, 5);
    b.m_receiver = this;
    groups[def.group]->Add(&b);
  }
  // The second card-order button stands for the other sort mode; one shows at a time.
  btn_card_order[1].m_hidden = 1;
  btn_change.m_hidden = 1;
  btn_ready.m_hidden = 1;
  action_buttons.HideAll();
  choice_buttons.HideAll();
}

void GameModePlay::Label_Buttons() {
  // The texts come from the message table, which exists once the settings are loaded.
  btn_change_room.SetLabel(LangMessage(kMsgChangeRoom), 26, 5);
  btn_exit.SetLabel(LangMessage(kMsgExit), 26, 5);
  btn_start.SetLabel(LangMessage(kMsgStart), 28, 5);
  btn_ready.SetLabel(LangMessage(kMsgReady), 28, 5);
}

void GameModePlay::Place_Waiting_Buttons() {
  const int l = layout == 1 ? 1 : 0;
  btn_start.MoveTo(kWaitingX[l][0], kWaitingY);
  btn_ready.MoveTo(kWaitingX[l][0], kWaitingY);
  btn_change_room.MoveTo(kWaitingX[l][1], kWaitingY);
  btn_exit.MoveTo(kWaitingX[l][2], kWaitingY);
}

int GameModePlay::LoadResources() {
  if (m_loaded) return 1;
  m_loaded = 1;
  // The table art gives the buttons their pictures; their places and groups are set.
  const int ok = LoadTableArt();
  Place_Waiting_Buttons();
  Label_Buttons();
  return ok;
}

int GameModePlay::ReleaseResources() {
  if (!m_loaded) return 1;
  m_loaded = 0;
  ReleaseTableArt();
  return 1;
}

// ---------------------------------------------------------------- life cycle

int GameModePlay::Create(int param1, int param2) {
  Log(LOG_TRACE, "GameModePlay::Create **********");
  GameMode::Create(param1, param2);
  Log(LOG_TRACE, "GameModePlay::Create ********** END");
  return 1;
}

void GameModePlay::Cleanup() {
  Log(LOG_TRACE, "GameModePlay::Cleanup **********");
  Reset(3);
  if (GameLogic* logic = Logic()) logic->Hooks().sound->StopSound(DXSoundManager::kTableMusic);
  m_scenes.HideAll();
  GameMode::Cleanup();
}

void GameModePlay::Enter_Room(const VXType_room_info& entered) {
  Reset(3);
  room = entered;
  Log(LOG_TRACE, "GameModePlay::Enter_Room| table %d, turn limit %d s, state %d", room.TableNumber(),
      room.TurnSeconds(), room.TableState());
}

void GameModePlay::Enter_Tournament_Table(const VXType_room_info& entered, const VXType_tournament_info& info,
                                          const VXType_tournament_progress& progress_record) {
  Enter_Room(entered);
  tournament = info;
  progress = progress_record;
}

void GameModePlay::OnInit_Process() {
  Log(LOG_TRACE, "GameModePlay::OnInit_Process ...");
  m_start_logged = -1;
  for (int i = 0; i < 3; ++i) {
    panel_state[i] = 0;
    panel_time[i] = 0;
  }
  action_buttons.HideAll();
  choice_buttons.HideAll();
  attach_target_count = 0;
  const GameSharedData* d = GameSharedData::Instance();
  layout = d->m_table_index == 1 ? 1 : 0;
  Place_Waiting_Buttons();
  Label_Buttons();
  btn_change.m_hidden = 1;
  m_scenes.Init(kPlaySceneOrder);
  if (In_Tournament()) {
    btn_start.m_hidden = 1;
    btn_ready.m_hidden = 1;
  }
  if (In_Tournament() && tournament.Status() != 6) {
    // The tournament seats the player itself; its play scene shows the waiting.
    table_ready = 1;
    Show_Scene(kScenePlayTournament);
  } else {
    Send_Table_Request_Mode0();
  }
  if (In_Tournament() && room.TableState() == 5) Show_Scene(kScenePlayTournament);
  if (d->m_sound_bg_on) {
    if (GameLogic* logic = Logic()) logic->Hooks().sound->PlaySound(DXSoundManager::kTableMusic, true);
  }
  GameMode::OnInit_Process();
}

int GameModePlay::Send_Table_Request_Mode0() {
  VXMsg_table_info_request request;
  request.mode = 0;
  Packet packet;
  Build_Packet(request, packet);
  const int sent = Send_Table_Request(packet);
  Log(LOG_TRACE, "GameModePlay::OnInit_Process| 206 mode 0 %s", sent ? "sent" : "not sent: no table session");
  return sent;
}

int GameModePlay::Update() {
  m_scenes.Update();
  const uint32_t now = GetTickMs();
  for (int i = 0; i < 3; ++i) {
    if (panel_state[i] == 2 && now - panel_time[i] > kPanelCloseMs) {
      panel_state[i] = 0;
      panel_time[i] = now;
      if (i == 0) action_buttons.HideAll();
    }
  }
  Ani_Update();
  sequencer.Process();
  Update_Turn_Warning(now);
  GameLogic* logic = Logic();
  if (logic) {
    IGameSession* session = logic->CurrentSession();
    const bool leaving = logic->NextMode() && logic->NextMode() == logic->LoginMode();
    if ((!session || !session->IsConnected()) && !leaving) {
      // The game logic reconnects by itself (and comes back to a held seat), or, when it
      // cannot log in again, returns to the title screen. Said once per loss.
      if (!m_lost_reported) {
        Log(LOG_WARNING, "[WARNING]: GameModePlay::Update| the table's connection is lost");
        m_lost_reported = 1;
      }
      logic->HandleLostConnection();
    } else {
      m_lost_reported = 0;
    }
  }
  return 0;
}

int64_t GameModePlay::Own_Turn_Remaining(uint32_t now) const {
  const GameVXPlayer* me = MyPlayer();
  if (!me || room.TableState() != 2 || turn.TurnSeat() != my_seat) return 0;
  const int64_t limit_ms = static_cast<int64_t>(room.TurnSeconds()) * 1000;
  const int64_t elapsed = static_cast<int64_t>(static_cast<uint32_t>(now - me->seat.TurnStart()));
  const int64_t remaining = limit_ms - elapsed;
  return remaining > 0 ? remaining : 0;
}

int GameModePlay::Update_Turn_Warning(uint32_t now) {
  const bool own_turn = room.TableState() == 2 && MyPlayer() && turn.TurnSeat() == my_seat;
  if (!own_turn) {
    if (!Ani_Turn_Warning_Running()) return 0;
    Ani_Turn_Warning(false);
    return -1;
  }
  const int64_t remaining = Own_Turn_Remaining(now);
  // Once running it plays on to the end of the turn, past 0 as well.
  if (remaining > 0 && remaining < kTurnWarningMs && !Ani_Turn_Warning_Running()) {
    Ani_Turn_Warning(true);
    return 1;
  }
  return 0;
}

void GameModePlay::Close() {
  if (panel_state[0] == 1) return;
  for (int i = 1; i < 3; ++i) {
    if (panel_state[i] == 1) {
      Close_Panel(i);
      return;
    }
  }
  if (m_scenes.CloseTop()) return;
  GameLogic* logic = Logic();
  if (!logic) return;
  if (logic->Hooks().sub_play->OnBackKey()) {
    m_mini_game_closed = GetTickMs();
    return;
  }
  if (GetTickMs() - m_mini_game_closed <= kEscapeAfterMiniGameMs) return;
  logic->Hooks().notices->PushConfirmBox(
      LangMessage(kMsgTitle), LangMessage(kMsgLeaveGame),
      +[](void* context, int result) {
        GameLogic* l = static_cast<GameModePlay*>(context)->Logic();
        if (result && l) l->Hooks().platform->Execute(kPlatformQuit, 0, 0, "", "", 0);
      },
      this);
}

int GameModePlay::CanClose(int, int) {
  if (!Table_Session()) return 1;
  Leave_Room();
  return 0;
}

void GameModePlay::OnEnterKey() {
  if (GameMode* top = m_scenes.Top()) top->OnEnterKey();
}

// ---------------------------------------------------------------- the table model

void GameModePlay::Delete_Players() {
  // Animations may point at the cards of the hands and melds about to go.
  Ani_Stop_All();
  drag_card = nullptr;
  selection.Clear(false);
  for (GameVXPlayer*& p : players) {
    delete p;
    p = nullptr;
  }
}

void GameModePlay::Clear_Seat_Extras(int seat) {
  if (seat < 0 || seat >= kSeats) return;
  chat_text[seat][0] = 0;
  chat_time[seat] = 0;
  seat_fx[seat] = SeatFx();
  reaction[seat] = Reaction();
}

void GameModePlay::Reset(int flags) {
  // Animations may point at cards of the pile as well as of the seats.
  Ani_Stop_All();
  if ((flags & 1) || (flags & 8)) {
    my_seat = -1;
    room.Clear();
    tournament.Clear();
    progress.Clear();
    std::memset(result_header, 0, sizeof(result_header));
    room_change_time = 0;
  }
  if ((flags & 2) || (flags & 8)) {
    Delete_Players();
    table_ready = 0;
    for (int s = 0; s < kSeats; ++s) Clear_Seat_Extras(s);
  }
  turn.Reset();
  turn_start = 0;
  stock_used = 0;
  mission_card = -1;
  alert_text[0] = 0;
  alert_time = 0;
  sequencer.Reset();
  sequencer.Clear_Tasks();
  drag_card = nullptr;
  selection.Clear(false);
  pile.Clear(true);
  for (AttachTarget& t : attach_targets) t = AttachTarget();
  attach_target_count = 0;
  for (int s = 0; s < kSeats; ++s) {
    result_order[s] = -1;
    result_rank[s] = -1;
    result_total[s] = 0;
  }
  last_throw = LastThrow();
  dealing = 0;
}

void GameModePlay::Refresh_Own_Profile() {
  if (GameVXPlayer* me = MyPlayer()) std::memcpy(me->profile, GameSharedData::Instance()->m_user_info, sizeof(me->profile));
}

void GameModePlay::Mark_Usable() {
  if (GameVXPlayer* me = MyPlayer()) GameVXPlayer::Mark_Usable_Cards(&me->hand, players);
}

// ---------------------------------------------------------------- scenes and panels

void GameModePlay::Show_Scene(int index) {
  Log(LOG_TRACE, "GameModePlay::Show_Scene ... %d", index);
  GameSceneLayer::ShowScene(index, 0);
}

void GameModePlay::Hide_Tournament_Scene() {
  Log(LOG_TRACE, "GameModePlay::Show_Scene ... %d", kScenePlayTournament);
  if (GameMode* s = GameSceneLayer::Scene(kScenePlayTournament)) s->Show(0, 0);
}

void GameModePlay::Show_Panel(int i) {
  if (i < 0 || i >= 3 || panel_state[i] == 1) return;
  panel_state[i] = 1;
  panel_time[i] = GetTickMs();
}

void GameModePlay::Close_Panel(int i) {
  if (i < 0 || i >= 3 || panel_state[i] != 1) return;
  panel_state[i] = 2;
  panel_time[i] = GetTickMs();
}

void GameModePlay::Hide_Panels() {
  for (int i = 0; i < 3; ++i) Close_Panel(i);
}

void GameModePlay::Update_Start_Buttons() {
  if (!Waiting()) return;
  const GameVXPlayer* me = MyPlayer();
  if (!me) return;
  if (my_seat == turn.HostSeat()) {
    btn_start.m_hidden = 0;
    btn_ready.m_hidden = 1;
    int others = 0;
    bool all_ready = true;
    for (int s = 0; s < kSeats; ++s) {
      if (s == my_seat || !players[s]) continue;
      ++others;
      if (players[s]->seat.Ready() != 1) all_ready = false;
    }
    const bool can_start = others >= 1 && all_ready;
    const int32_t shown = others * 2 + (can_start ? 1 : 0);  // logged when either part changes
    if (shown != m_start_logged)
      Log(LOG_TRACE, "GameModePlay::Update_Start_Buttons| start %s: %d others, %s", can_start ? "enabled" : "disabled",
          others, all_ready ? "all ready" : "not all ready");
    m_start_logged = shown;
    SetEnabled(btn_start, can_start);
    if (can_start) Ani_Wait(0);
  } else {
    btn_ready.m_hidden = 0;
    btn_start.m_hidden = 1;
    SetEnabled(btn_ready, me->seat.Ready() != 1);
  }
  SetEnabled(btn_change_room, true);
  SetEnabled(btn_exit, true);
}

// ---------------------------------------------------------------- leaving

IGameSession* GameModePlay::Table_Session() const {
  GameLogic* logic = Logic();
  IGameSession* session = logic ? logic->CurrentSession() : nullptr;
  if (!session || !session->IsConnected() || !session->IsLoggedIn()) return nullptr;
  const int32_t kind = session->Info().Kind();
  return kind == 1 || kind == 2 ? session : nullptr;
}

int GameModePlay::Send_Table_Request(Packet& packet) {
  IGameSession* session = Table_Session();
  if (!session) return 0;
  return session->SendNoWait(packet) > 0 ? 1 : 0;
}

void GameModePlay::Leave_Room() {
  if (!Table_Session()) {
    Log(LOG_TRACE, "GameModePlay::Leave_Room| no table connection: back to the lobby");
    Return_To_Lobby(1);
    return;
  }
  VXMsg_room_leave_request request;
  Packet packet;
  Build_Packet(request, packet);
  Send_Table_Request(packet);
  Log(LOG_TRACE, "GameModePlay::Leave_Room| 205 sent");
}

void GameModePlay::Return_To_Lobby(int flag) {
  GameLogic* logic = Logic();
  if (!logic) return;
  IGameSession* session = logic->CurrentSession();
  if (session && session->IsConnected()) {
    Log(LOG_TRACE, "GameModePlay::Return_To_Lobby| to the lobby");
    if (GameMode* lobby = logic->LobbyMode()) logic->SetNextMode(lobby, -1);
    if (session->Info().Kind() == 1 && GetTickMs() - session->EnterTime() > kAccountRefreshAfterMs) {
      Packet refresh(VX_PROTOCOL_ACCOUNT_REFRESH);
      refresh.WriteInt32(0);
      session->SendNoWait(refresh);
    }
    return;
  }
  Log(LOG_TRACE, "GameModePlay::Return_To_Lobby| no connection: back to the master server");
  if (flag) {
    logic->EnterServer(0, -1, nullptr, nullptr);
    return;
  }
  ServerInfo block;
  block.SetKind(0);
  block.SetSelector1(-1);
  block.SetSelector2(-1);
  logic->EnterServerJob(block);
}

// ---------------------------------------------------------------- sound

void GameModePlay::Play_Sound(const char* file) {
  if (!file || !GameSharedData::Instance()->m_sound_on) return;
  GameLogic* logic = Logic();
  if (!logic) return;
  for (int i = 0; i < DXSoundManager::kSlotCount; ++i) {
    const char* f = DXSoundManager::SlotFile(i);
    if (f && std::strcmp(f, file) == 0) {
      logic->Hooks().sound->PlayEffect(i);
      return;
    }
  }
  Log(LOG_WARNING, "[WARNING]: GameModePlay::Play_Sound| %s is not in the sound table", file);
}

// ---------------------------------------------------------------- buttons

void GameModePlay::OnEvent(ZBEventCtrl* sender) {
  // The click sound is the buttons' own.
  if (sender == &btn_start || sender == &btn_ready) {
    const bool start = sender == &btn_start;
    GLButton& b = start ? btn_start : btn_ready;
    if (!Waiting() || b.m_hidden || b.State() == GLButton::kDisabled) return;
    VXMsg_game_ready_request request;
    request.value = start ? 0 : 1;
    Packet packet;
    Build_Packet(request, packet);
    const int sent = Send_Table_Request(packet);
    Log(LOG_TRACE, "GameModePlay::OnEvent| %s: 214 %s", start ? "start" : "ready", sent ? "sent" : "not sent");
  } else if (sender == &btn_exit) {
    Log(LOG_TRACE, "GameModePlay::OnEvent| exit");
    Leave_Room();
  } else if (sender == &btn_emoticon) {
    Show_Scene(kSceneTableEmotion);
  } else if (sender == &btn_settings) {
    Show_Scene(kSceneSettingPlay);
  } else if (sender == &btn_table_shop) {
    Show_Scene(kSceneTableShop);
  } else {
    On_Move_Event(sender);
  }
}
