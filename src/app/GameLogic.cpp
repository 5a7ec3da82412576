#include "app/GameLogic.h"

#include <curl/curl.h>

#include <cstdio>
#include <ctime>
#include <memory>

#include "app/FramePacing.h"
#include "app/GameAfterFrame.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/ZBAutoreleasePool.h"
#include "net/messages/VXLoginMessages.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_user_info.h"

int32_t GameLogic::s_connected_sessions = 0;

namespace {
// Do-nothing implementations used until the program installs the real ones.
IScreenHooks g_null_screen;
ISplashHooks g_null_splash;
ILayerHooks g_null_notify, g_null_web, g_null_player_image, g_null_sub_play;
ISoundHooks g_null_sound;
IWorkerHooks g_null_workers;
IServiceHooks g_null_services;
INoticeHooks g_null_notices;
ISceneHooks g_null_scenes;
IPlatformHooks g_null_platform;
IExchangeHooks g_null_exchanges;
IPlayHooks g_null_play;

GameHooks Complete(const GameHooks& h) {
  GameHooks r = h;
  if (!r.screen) r.screen = &g_null_screen;
  if (!r.splash) r.splash = &g_null_splash;
  if (!r.notify) r.notify = &g_null_notify;
  if (!r.web_content) r.web_content = &g_null_web;
  if (!r.player_image) r.player_image = &g_null_player_image;
  if (!r.sub_play) r.sub_play = &g_null_sub_play;
  if (!r.sound) r.sound = &g_null_sound;
  if (!r.workers) r.workers = &g_null_workers;
  if (!r.services) r.services = &g_null_services;
  if (!r.notices) r.notices = &g_null_notices;
  if (!r.scenes) r.scenes = &g_null_scenes;
  if (!r.platform) r.platform = &g_null_platform;
  if (!r.exchanges) r.exchanges = &g_null_exchanges;
  if (!r.play) r.play = &g_null_play;
  return r;
}

constexpr HookColor Rgba255(int r, int g, int b, int a) {
  return HookColor{r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f};
}

// Counts an entering job (or a reconnect try) from its queuing until it has run (or its
// closure is discarded unrun), so shutdown knows when no job can touch the sessions any
// more, and the reconnect does not take a connection gap for a loss.
struct EnterJobTicket {
  explicit EnterJobTicket(std::atomic<int32_t>* count) : m_count(count) { m_count->fetch_add(1); }
  ~EnterJobTicket() { m_count->fetch_sub(1); }
  EnterJobTicket(const EnterJobTicket&) = delete;
  EnterJobTicket& operator=(const EnterJobTicket&) = delete;
  std::atomic<int32_t>* m_count;
};

constexpr uint32_t kHelloWaitMs = 10000;

// The reconnect's status line in the two editions: the next try and its wait, or the
// try under way.
constexpr EditionText kReconnectWaitText = {"จะเชื่อมต่อใหม่ใน %u วินาที (ครั้งที่ %d)",
                                            "%u초 후 다시 연결합니다 (%d번째 시도)"};
constexpr EditionText kReconnectTryText = {"กำลังเชื่อมต่อใหม่... (ครั้งที่ %d)", "다시 연결하는 중... (%d번째 시도)"};

}  // namespace

GameLogic::GameLogic() : m_hooks(Complete(GameHooks{})) {}

GameLogic::~GameLogic() {
  // Workers first: running jobs are told to stop (their waits give up) and are joined
  // while the sessions they use still exist, and no transfer is in flight when
  // libcurl's global state goes.
  m_stopping.store(1);
  m_hooks.workers->Shutdown();
  curl_global_cleanup();
  // An entering job the runner could not join in time may still use the sessions: they
  // are left alive then rather than freed under it.
  // Bounded by the clock and by the number of 5 ms naps, so a stopped clock cannot
  // hold the shutdown for ever.
  const uint32_t start = GetTickMs();
  for (uint32_t naps = 0; m_enter_jobs.load() > 0 && TicksSince(start) < kShutdownJobWaitMs &&
                          naps < kShutdownJobWaitMs / 5;
       ++naps)
    SleepMs(5);
  const bool jobs_gone = m_enter_jobs.load() == 0;
  if (!jobs_gone) Log(LOG_WARNING, "[WARNING]: GameLogic::~GameLogic | an entering job still runs; sessions kept");
  for (int i = 0; i < 4; ++i) {
    if (jobs_gone) delete m_sessions[i];
    m_sessions[i] = nullptr;
  }
  m_mode_current = nullptr;
  m_mode_next = nullptr;
  m_hooks.web_content->Shutdown();
  m_hooks.player_image->Shutdown();
  m_hooks.notify->Shutdown();
  m_hooks.sub_play->Shutdown();
  m_hooks.services->Shutdown();
  m_hooks.splash->Shutdown();
  m_hooks.sound->Shutdown();
  GameSharedData::DestroyInstance();
  m_hooks.screen->Shutdown();
  if (ZBPoolManager* pm = &ZBPoolManager::Get()) {
    if (pm->Current()) pm->Current()->Drain();
    pm->Pop();
    ZBPoolManager::Destroy();
  }
}

void GameLogic::SetHooks(const GameHooks& hooks) { m_hooks = Complete(hooks); }

void GameLogic::SetModes(GameMode* login, GameMode* lobby, GameMode* play) {
  m_login_mode = login;
  m_lobby_mode = lobby;
  m_play_mode = play;
}

int GameLogic::InitializeGame(void* window, int width, int height) {
  if (m_initialized) {
    Log(LOG_TRACE, "GameLogic::InitializeGame ReloadSurface");
    m_hooks.screen->ReloadSurface(m_package);
    if (m_mode_current && m_mode_current->created && !m_mode_next) m_mode_current->OnReloadSurface();
    return m_initialized;
  }
  m_enter_user_data = nullptr;
  m_enter_callback = nullptr;
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GSScreen ... %x", static_cast<unsigned>(time(nullptr)));
  if (!m_hooks.screen->InitWindow(window, width, height)) return 0;
  m_hooks.screen->SetDesignSize(1280, 720);
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GAME_SURFACE->Initialize()");
  if (!m_hooks.screen->InitSurface(m_package)) return 0;
  GameSharedData::Instance()->Load();
  m_hooks.workers->Start();
  ZBPoolManager::Get().Push();
  if (!m_hooks.screen->LoadStartupImages()) return 0;
  if (!m_hooks.splash->Initialize()) return 0;
  m_state = 1;
  return 1;
}

int GameLogic::RunStage2() {
  Log(LOG_TRACE, "GameLogic::InitializeGame Init Game_Interface_Init");
  if (!m_hooks.services->PlatformInit()) return 0;
  // The sound table is part of the platform start; without a device the game is silent.
  m_hooks.sound->Initialize();
  m_hooks.splash->SetSplashWindow(30000, true);
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GAME_PLAYER_IMAGE->Initialize()");
  if (!m_hooks.player_image->Initialize()) return 0;
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GAME_SURFACE->CreateFont");
  for (int i = 0; i < 4; ++i) {
    if (!m_sessions[i] && m_session_factory) m_sessions[i] = m_session_factory(i, this);
  }
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GAME_SHARED_IMAGE->Load_Images()");
  if (!m_hooks.screen->LoadSharedImages()) return 0;
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GAME_NOTIFY->Initialize()");
  if (!m_hooks.notify->Initialize()) return 0;
  Log(LOG_TRACE, "GameLogic::InitializeGame Init GAME_SUB_PLAY->Initialize()");
  if (!m_hooks.sub_play->Initialize()) return 0;
  if (!m_hooks.services->SceneManagerInit()) return 0;
  for (GameMode* m : {m_login_mode, m_lobby_mode, m_play_mode}) {
    if (m && !m->LoadResources()) return 0;
  }
  if (!m_hooks.services->WebContentInit()) return 0;
  m_initialized = 1;
  m_hooks.splash->SetSplashWindow(30000, false);
  m_network_state = 1;
  if (!m_mode_started) {
    m_mode_started = 1;
    SetNextMode(m_login_mode, 0);
  }
  m_state = 3;
  return 1;
}

void GameLogic::ProcessFrame() {
  if (m_state == 1) {
    m_state = 2;
    return;
  }
  if (m_state == 2 && !RunStage2()) {
    // A failed attempt must not leave the splash window up until the next one.
    m_hooks.splash->SetSplashWindow(30000, false);
    return;
  }
  if (!m_initialized) return;

  m_hooks.workers->FrameStep();
  if (!m_mode_started) return;

  if (m_mode_next) {
    GameMode* next = m_mode_next;
    m_mode_next = nullptr;
    ChangeMode(next, m_mode_next_param1, m_mode_next_param2);
    SleepMs(10);
  }

  if (GameMode* mode = m_mode_current; mode && mode->created) {
    if (mode->init_processed) {
      mode->Update();
    } else if (GetTickMs() - mode->start_time > mode->init_delay) {
      Log(LOG_TRACE, "this->m_mode_current->IsInit_Processed() BEGIN");
      mode->OnInit_Process();
      Log(LOG_TRACE, "this->m_mode_current->IsInit_Processed() END");
    }
  }

  m_hooks.notify->FrameStep();
  m_hooks.web_content->FrameStep();
  m_hooks.player_image->FrameStep();
  m_hooks.sub_play->FrameStep();

  s_connected_sessions = 0;
  for (int i = 0; i < 3; ++i) {
    IGameSession* s = m_sessions[i];
    if (s && s->IsConnected()) {
      s->ProcessEvent(60000);
      ++s_connected_sessions;
    }
  }
  StepReconnect();
}

void GameLogic::RenderFrame() {
  IScreenHooks* screen = m_hooks.screen;
  if (m_state == 1 || m_state == 2) {
    screen->BeginFrame();
    screen->DrawLoadingPicture();
    screen->EndFrame();
    return;
  }
  if (m_state != 3 || !m_initialized) return;
  if (m_frame_interval_ms == FramePacing::kNever) {
    // Nobody can see the window: nothing is drawn, but what was released for the end of
    // a frame still goes now, as it would after a drawn one.
    ZBPoolManager::Get().Pop();
    return;
  }
  if (m_mode_current && m_hooks.splash->IsSplashShown()) return;
  if (!screen->FrameDue()) return;
  const uint32_t now = GetTickMs();
  if (m_frame_interval_ms != 0 && m_drawn && now - m_last_drawn_ms < m_frame_interval_ms) return;
  m_last_drawn_ms = now;
  m_drawn = true;

  screen->BeginFrame();
  if (m_mode_started && m_mode_current) {
    if (m_mode_current->created) {
      m_mode_current->Draw();
      m_hooks.notify->Draw();
      if (m_mode_current->mode_id == GameMode::kModeLobby) m_hooks.web_content->Draw();
    }
  } else {
    screen->DrawLoadingPicture();
  }
  if (m_hooks.splash->IsLoadingActive() && m_mode_started) m_hooks.splash->DrawOverlay();
  if (m_mode_current && m_mode_current->mode_id != GameMode::kModeLogin && !m_hooks.splash->IsBusy() &&
      s_connected_sessions == 0) {
    DrawDisconnectedBanner();
    if (m_reconnect.Active()) DrawReconnectStatus();
    m_mode_current->OnConnectionLost(0);
  }
  screen->EndFrame();
  ZBPoolManager::Get().Pop();
}

void GameLogic::DrawDisconnectedBanner() {
  m_hooks.screen->DrawRoundRect(440, 560, 840, 595, 10, 20, 1.0f, Rgba255(74, 44, 6, 220),
                                Rgba255(90, 56, 13, 220));
  m_hooks.screen->DrawTextCentered(LangMessage(217), 440, 560, 840, 595, 18, HookColor{1, 1, 1, 1});
}

int GameLogic::SetNextMode(GameMode* mode, int param) {
  if (mode == m_mode_current) return 1;
  if (m_mode_current) m_mode_current->Show(0, 0);
  m_mode_next = mode;
  m_mode_next_param1 = 0;
  m_mode_next_param2 = param;
  return 1;
}

int GameLogic::ChangeMode(GameMode* mode, int param1, int param2) {
  if (mode == m_mode_current) return 1;
  SleepMs(10);
  if (m_mode_current) {
    Log(LOG_TRACE, "this->m_mode_current->Cleanup() BEGIN");
    m_mode_current->Cleanup();
    Log(LOG_TRACE, "this->m_mode_current->Cleanup() END");
  }
  m_mode_current = mode;
  if (!mode) {
    SleepMs(10);
    return 1;
  }
  Log(LOG_TRACE, "this->m_mode_current->Create() BEGIN");
  if (!mode->Create(param1, param2)) {
    Log(LOG_TRACE, "this->m_mode_current->Create() ERROR");
    return 0;
  }
  Log(LOG_TRACE, "this->m_mode_current->Create() END");
  mode->Start();
  SleepMs(10);
  return 1;
}

bool GameLogic::ScalePointer(int x, int y) {
  if (m_hooks.splash->IsBusy()) return false;
  if (!m_mode_started) return false;
  m_pointer_x = static_cast<int32_t>(static_cast<float>(x) * m_hooks.screen->PointerScaleX());
  m_pointer_y = static_cast<int32_t>(static_cast<float>(y) * m_hooks.screen->PointerScaleY());
  return true;
}

int GameLogic::OnPointerDown(int button, int x, int y) {
  if (!ScalePointer(x, y)) return 0;
  const int px = m_pointer_x, py = m_pointer_y;
  if (m_mode_current && m_mode_current->mode_id == GameMode::kModeLobby &&
      m_hooks.web_content->OnTouchDown(button, px, py))
    return 1;
  if (m_hooks.notify->OnTouchDown(button, px, py)) return 1;
  if (m_mode_current && m_mode_current->TakesInput()) return m_mode_current->OnTouchDown(button, px, py);
  return 0;
}

int GameLogic::OnPointerUp(int button, int x, int y) {
  if (!ScalePointer(x, y)) return 0;
  const int px = m_pointer_x, py = m_pointer_y;
  if (m_mode_current && m_mode_current->mode_id == GameMode::kModeLobby &&
      m_hooks.web_content->OnTouchUp(button, px, py))
    return 1;
  if (m_hooks.notify->OnTouchUp(button, px, py)) return 1;
  if (m_mode_current && m_mode_current->TakesInput()) return m_mode_current->OnTouchUp(button, px, py);
  return 0;
}

int GameLogic::OnPointerMove(int x, int y) {
  if (!ScalePointer(x, y)) return 0;
  const int px = m_pointer_x, py = m_pointer_y;
  if (m_mode_current && m_mode_current->mode_id == GameMode::kModeLobby &&
      m_hooks.web_content->OnTouchMove(0, px, py))
    return 1;
  if (m_hooks.notify->OnTouchMove(0, px, py)) return 1;
  if (m_mode_current && m_mode_current->TakesInput()) return m_mode_current->OnTouchMove(0, px, py);
  return 0;
}

int GameLogic::OnPointerWheel(int delta, int x, int y) {
  if (!ScalePointer(x, y)) return 0;
  const int px = m_pointer_x, py = m_pointer_y;
  if (m_hooks.notify->OnWheel(delta, px, py)) return 1;
  if (m_mode_current && m_mode_current->TakesInput()) return m_mode_current->OnWheel(delta, px, py);
  return 0;
}

void GameLogic::OnBackKey() {
  if (m_hooks.splash->IsBusy()) return;
  if (GameSharedData::Instance()->m_sound_on) m_hooks.sound->PlayEffect(2);
  if (m_hooks.notify->OnBackKey()) return;
  if (m_mode_current) m_mode_current->Close();
}

int GameLogic::ProcessPacket(Packet* packet) {
  if (!packet) return 0;
  int result = 1;
  if (HandleGlobalPacket(packet, &result)) return result;
  if (!m_mode_current) return 1;
  return m_mode_current->OnPacket(packet);
}

void GameLogic::OnSessionConnect(IGameSession* session) {
  Log(LOG_TRACE, "GameLogic::OnConnect(%d)", session->SessionIndex());
  // A worker connecting for the entering job changes the current session: frame lock.
  CSGuard g(&m_frame_lock);
  m_session_index = session->SessionIndex();
}

void GameLogic::OnSessionClose(IGameSession* session) {
  Log(LOG_TRACE, "GameLogic::OnClose(%d)", session->SessionIndex());
}

void GameLogic::CompleteEnterRequest(IGameSession* session) {
  EnterServerCallback cb;
  void* ud;
  {
    CSGuard g(&m_frame_lock);
    cb = m_enter_callback;
    ud = m_enter_user_data;
    m_enter_callback = nullptr;
    m_enter_user_data = nullptr;
  }
  if (cb) cb(ud, session);
}

void GameLogic::DropEnterRequest(uint32_t serial) {
  CSGuard g(&m_frame_lock);
  // A newer request made while this sequence ran is not this sequence's to drop.
  if (serial == m_enter_serial) {
    m_enter_user_data = nullptr;
    m_enter_callback = nullptr;
  }
  m_hooks.splash->HideLoading();
}

void GameLogic::EnterServer(int kind, int param, void* user_data, EnterServerCallback callback) {
  ServerInfo block;
  uint32_t serial;
  {
    CSGuard g(&m_frame_lock);
    m_enter_block.Clear();
    m_enter_block.SetSelector2(param);
    m_enter_block.SetKind(kind);
    m_enter_user_data = user_data;
    m_enter_callback = callback;
    serial = ++m_enter_serial;
    IGameSession* cur = CurrentSession();
    if (cur && cur->IsConnected() && cur->IsLoggedIn() && cur->Info().Kind() == kind) {
      m_hooks.splash->HideLoading();
      CompleteEnterRequest(cur);
      return;
    }
    m_hooks.sub_play->Stop();
    block = m_enter_block;
  }
  auto ticket = std::make_shared<EnterJobTicket>(&m_enter_jobs);
  m_hooks.workers->QueueJob([this, block, serial, ticket]() mutable {
    RunEnterSequence(block, serial);
    ticket.reset();  // done with the sessions, even if the runner keeps this closure
  });
}

void GameLogic::LeaveServer(IGameSession* session, uint32_t timeout_ms, bool show_indicator, bool busy) {
  // Message 146 (one 32-bit 0) and its reply; while `busy` other packets are dropped.
  if (busy) session->SetBusy(true);
  Packet leave(VX_PROTOCOL_LEAVE_SERVER);
  leave.WriteInt32(0);
  session->SendAndWait(leave, timeout_ms, show_indicator);
  if (busy) session->SetBusy(false);
}

void GameLogic::EnterServerJob(const ServerInfo& block) {
  EnterJobTicket ticket(&m_enter_jobs);
  uint32_t serial;
  {
    CSGuard g(&m_frame_lock);
    serial = m_enter_serial;
  }
  RunEnterSequence(block, serial);
}

// May run on a runner worker. The blocking steps (connects, waits for replies, closes)
// run without the frame lock; every read or write of state the main thread owns (the
// current session, a session's server information, the shared data, the splash, the
// pending request) takes the frame lock for that access; packets dispatched by the
// waits reach the dispatcher under it too (see DispatchLock).
void GameLogic::RunEnterSequence(const ServerInfo& block, uint32_t serial) {
  auto kind_of = [this](IGameSession* s) {
    CSGuard g(&m_frame_lock);
    return s->Info().Kind();
  };
  IGameSession* cur;
  {
    CSGuard g(&m_frame_lock);
    cur = CurrentSession();
    m_hooks.splash->ShowLoading(30000, 1);
  }
  const int kind = block.Kind();
  bool skip_to_request = false;
  if (cur && cur->IsConnected()) {
    if (kind_of(cur) == 0) {
      skip_to_request = true;
    } else {
      if (cur->IsLoggedIn()) LeaveServer(cur, 10000, false, true);
      cur->CloseAndWait();
    }
  }
  IGameSession* master = m_sessions[0];
  if (!master || Stopping()) {
    DropEnterRequest(serial);
    return;
  }
  if (!skip_to_request) {
    char host[ServerInfo::kHostSize];
    int port;
    {
      CSGuard g(&m_frame_lock);
      master->Info() = GameSharedData::Instance()->m_master_server;
      master->Info().SetKind(0);
      master->Info().CopyHost(host);
      port = master->Info().Port();
    }
    if (!master->Connect(host, port, false)) {
      DropEnterRequest(serial);
      return;
    }
  }
  IGameSession* target = master;
  if (kind != 0) {
    Packet req(VX_PROTOCOL_SERVER_ADDRESS);
    req.WriteInt32(kind);
    req.WriteInt32(0);
    req.WriteInt32(block.Selector2());
    master->SetBusy(true);
    int ok = master->SendAndWait(req, 10000, false);
    master->SetBusy(false);
    if (!ok || Stopping()) {
      DropEnterRequest(serial);
      return;
    }
    Packet& reply = master->ReplyBuffer();
    int32_t result = 0;
    ServerInfo info;
    reply.ReadInt32(&result);
    reply.ReadBytes(info.raw, sizeof(info.raw));
    if (result == 0) {
      DropEnterRequest(serial);
      return;
    }
    if (master->IsConnected() && master->IsLoggedIn()) LeaveServer(master, 10000, false, true);
    master->CloseAndWait();
    target = m_sessions[kind & 3];
    if (!target || Stopping()) {
      DropEnterRequest(serial);
      return;
    }
    char host[ServerInfo::kHostSize];
    info.CopyHost(host);
    {
      CSGuard g(&m_frame_lock);
      target->Info() = info;
    }
    if (!target->Connect(host, info.Port(), false)) {
      DropEnterRequest(serial);
      return;
    }
  }
  SleepMs(10);
  bool sent = false;
  {
    // The login goes out under the frame lock too: SendAsync starts the connecting
    // indicator, which belongs to the main thread.
    CSGuard g(&m_frame_lock);
    m_hooks.splash->HideLoading();
    GameSharedData* data = GameSharedData::Instance();
    Packet login(VX_PROTOCOL_LOGIN);
    login.WriteMarker();
    if (kind == 0) login.WriteInt32(1);
    login.WriteBytes(data->m_user_info, 30);
    login.WriteInt32(data->UserNumber());
    sent = !Stopping() && target->SendAsync(login, nullptr, nullptr);
  }
  if (!sent) DropEnterRequest(serial);
}

void GameLogic::Logout() {
  // Main thread; held throughout so an entering job on a worker waits instead of
  // changing sessions and shared data while they are taken down.
  CSGuard g(&m_frame_lock);
  if (m_reconnect.Active()) StopReconnect("logout");
  IGameSession* cur = CurrentSession();
  if (cur && cur->IsConnected()) {
    if (cur->IsLoggedIn()) LeaveServer(cur, 5000, true, false);
    cur->CloseAndWait();
  }
  SleepMs(100);
  CloseAllSessions();
  GameSharedData::Instance()->ResetDefaults();
  if (m_sessions[0]) m_sessions[0]->SetHelloOk(false);
  SetNextMode(m_login_mode, 0);
}

void GameLogic::CloseAllSessions() {
  for (int i = 3; i >= 0; --i) {
    IGameSession* s = m_sessions[i];
    if (!s) continue;
    if (s->IsConnected()) {
      s->Close();
      s->Close();
      uint32_t start = GetTickMs();
      while (s->IsConnected() && GetTickMs() - start < 10000) SleepMs(10);
    } else {
      s->SetLoggedIn(false);
    }
  }
}

// ---------------------------------------------------------------- reconnect

bool GameLogic::ConnectionLostHere() const {
  return s_connected_sessions == 0 && m_enter_jobs.load() == 0 && !m_mode_next &&
         !const_cast<GameHooks&>(m_hooks).splash->IsBusy();
}

void GameLogic::StepReconnect() {
  const uint32_t now = GetTickMs();
  // Only a screen past the title needs the servers; the title screen connects itself.
  const bool past_title = m_mode_current && m_mode_current->created && m_mode_current->mode_id != GameMode::kModeLogin;
  if (!past_title) {
    if (m_reconnect.Active()) StopReconnect("the title screen is shown");
    return;
  }
  switch (m_reconnect.GetState()) {
    case GameReconnect::kIdle:
      if (m_relogin_request && ConnectionLostHere()) {
        m_reconnect.OnLost(now);
        Log(LOG_TRACE, "GameLogic::Reconnect| connection lost; try 1 in %u ms", m_reconnect.DueAt() - now);
      }
      break;
    case GameReconnect::kWaiting:
      if (s_connected_sessions > 0) {
        StopReconnect("a session is connected again");
      } else if (m_reconnect.AttemptDue(now) && m_enter_jobs.load() == 0 && !m_mode_next) {
        StartReconnectAttempt();
      }
      break;
    case GameReconnect::kConnecting:
      break;  // the try reports itself
    case GameReconnect::kLoggingIn: {
      IGameSession* master = m_sessions[0];
      const bool dropped = !master || !master->IsConnected();
      if (dropped || m_reconnect.LoginTimedOut(now)) {
        if (master && master->IsConnected()) master->Close();
        const int attempt = m_reconnect.Attempt();
        m_reconnect.OnAttemptFailed(now);
        Log(LOG_TRACE, "GameLogic::Reconnect| try %d: %s; try %d in %u ms", attempt,
            dropped ? "the master hung up before the login reply" : "no login reply", m_reconnect.Attempt(),
            m_reconnect.DueAt() - now);
      }
      break;
    }
  }
}

void GameLogic::StartReconnectAttempt() {
  m_reconnect.OnAttemptStarted(GetTickMs());
  const uint32_t generation = m_reconnect.Generation();
  const ServerInfo& master = GameSharedData::Instance()->m_master_server;
  char host[ServerInfo::kHostSize] = {};
  master.CopyHost(host);
  Log(LOG_TRACE, "GameLogic::Reconnect| try %d: connecting to the master %s:%d", m_reconnect.Attempt(), host,
      master.Port());
  auto ticket = std::make_shared<EnterJobTicket>(&m_enter_jobs);
  m_hooks.workers->QueueJob([this, generation, ticket]() mutable {
    RunReconnectAttempt(generation);
    ticket.reset();
  });
}

// On a runner worker (or inline where the workers run jobs at once). The connect and
// the hello's wait run without the frame lock; the schedule, the sessions' server
// information and the login (which starts the connecting indicator) are touched under it.
void GameLogic::RunReconnectAttempt(uint32_t generation) {
  IGameSession* master = m_sessions[0];
  char host[ServerInfo::kHostSize] = {};
  int port = 0;
  {
    CSGuard g(&m_frame_lock);
    if (!master || generation != m_reconnect.Generation() || Stopping()) return;
    master->Info() = GameSharedData::Instance()->m_master_server;
    master->Info().SetKind(0);
    master->Info().CopyHost(host);
    port = master->Info().Port();
  }
  bool ok = master->Connect(host, port, false) != 0;
  if (ok) {
    Packet hello;
    Build_Packet(VXMsg_hello_request{}, hello);
    ok = master->SendAndWait(hello, kHelloWaitMs, false) != 0;
  }
  CSGuard g(&m_frame_lock);
  const bool wanted = generation == m_reconnect.Generation() && !Stopping();
  const int attempt = m_reconnect.Attempt();
  if (ok && wanted) {
    master->SetHelloOk(true);
    Packet login = m_relogin_request();
    if (master->SendAsync(login, nullptr, nullptr)) {
      m_reconnect.OnLoginSent(GetTickMs());
      Log(LOG_TRACE, "GameLogic::Reconnect| try %d: the master answered; logging in again", attempt);
      return;
    }
  }
  if (master->IsConnected()) master->Close();
  if (!wanted) return;
  const uint32_t now = GetTickMs();
  m_reconnect.OnAttemptFailed(now);
  Log(LOG_TRACE, "GameLogic::Reconnect| try %d failed; try %d in %u ms", attempt, m_reconnect.Attempt(),
      m_reconnect.DueAt() - now);
}

void GameLogic::StopReconnect(const char* why) {
  Log(LOG_TRACE, "GameLogic::Reconnect| stopped: %s", why);
  m_reconnect.Reset();
}

void GameLogic::HandleLostConnection() {
  if (!m_mode_current || m_mode_current->mode_id == GameMode::kModeLogin) return;
  if (m_relogin_request) {
    // Idle: begins at once (the frame's own check may not have run yet); otherwise the
    // tries already under way go on.
    if (!m_reconnect.Active()) {
      const uint32_t now = GetTickMs();
      m_reconnect.OnLost(now);
      Log(LOG_TRACE, "GameLogic::Reconnect| connection lost; try 1 in %u ms", m_reconnect.DueAt() - now);
    }
    return;
  }
  // No way to log in again: back to the title screen, once.
  if (m_mode_next == m_login_mode) return;
  SetNextMode(m_login_mode, 0);
  GameAfterFrame::Post([this] { Logout(); });
}

void GameLogic::OnMasterLoginReply(bool ok, int32_t result) {
  if (!m_reconnect.Active()) return;
  if (ok) {
    Log(LOG_TRACE, "GameLogic::Reconnect| back after %d tries", m_reconnect.AttemptsMade());
    m_reconnect.Reset();
    return;
  }
  Log(LOG_WARNING, "[WARNING]: GameLogic::Reconnect| the login was refused (result %d); back to the title screen",
      result);
  m_reconnect.Reset();
  // An account in use already logs out from the reply's own handling.
  if (result != VX_LOGIN_IN_USE) GameAfterFrame::Post([this] { Logout(); });
}

void GameLogic::DrawReconnectStatus() {
  const uint32_t now = GetTickMs();
  const bool waiting = m_reconnect.GetState() == GameReconnect::kWaiting;
  const uint32_t seconds = waiting ? m_reconnect.SecondsLeft(now) : 0;
  const int attempt = m_reconnect.Attempt();
  const int64_t key = (static_cast<int64_t>(m_reconnect.GetState()) << 48) |
                      (static_cast<int64_t>(attempt & 0xFFFF) << 32) | seconds;
  if (key != m_reconnect_text_key) {
    m_reconnect_text_key = key;
    if (waiting)
      std::snprintf(m_reconnect_text, sizeof(m_reconnect_text), EditionOf(kReconnectWaitText), seconds, attempt);
    else
      std::snprintf(m_reconnect_text, sizeof(m_reconnect_text), EditionOf(kReconnectTryText), attempt);
  }
  m_hooks.screen->DrawRoundRect(470, 531, 810, 556, 10, 20, 1.0f, Rgba255(74, 44, 6, 220),
                                Rgba255(90, 56, 13, 220));
  m_hooks.screen->DrawTextCentered(m_reconnect_text, 470, 531, 810, 556, 14, HookColor{1, 1, 1, 1});
}
