#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>

#include "app/GameHooks.h"
#include "app/GameMode.h"
#include "app/GameReconnect.h"
#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "framework/ZBThread.h"
#include "net/IGameSession.h"
#include "net/ServerInfo.h"

// Completion of a request to enter a server: callback(user data, session).
using EnterServerCallback = void (*)(void* user_data, IGameSession* session);
// Creates session `index` (kind `index`) reporting to `owner`.
using SessionFactory = IGameSession* (*)(int index, ISessionOwner* owner);

// The centre of the client: start-up in two stages, the frame (advance and draw), the
// mode machine, input routing, the global packet dispatcher, entering a server,
// logout and the ordered shutdown.
//
// Threads. GameLogic, the modes, the scenes, the shared data and the widgets belong to
// the main thread, which holds the frame lock (FrameLock) for a whole frame and for
// input handling. Another thread touches any of them only while it holds the frame
// lock for that access (a barrier alone is not enough), or hands the work to the main
// thread through the runner's, the packet thread's or the download queue's per-frame
// delivery. In particular:
// - The entering job (EnterServer queues it on a runner worker) takes the frame lock
//   for each change of main-thread state: the current session, the pending enter
//   request, a session's server information, the shared data it reads, the splash.
//   Its blocking steps (connect, wait, close) run without it.
// - Packets that a worker's SendAndWait dispatches reach ProcessPacket and the current
//   mode only under the frame lock: it is the sessions' dispatch lock (DispatchLock),
//   taken before a session's receive lock, never after it.
// - Completion callbacks (runner jobs, one-shot exchanges, connection jobs, downloads)
//   are delivered on the main thread in ProcessFrame, for success and failure alike.
// - The reconnect's tries (see below) run on a runner worker like the entering job and
//   keep to the same rule; the schedule (m_reconnect) is read and written under the
//   frame lock only.
// - Shutdown (the destructor, main thread, outside the frame lock) tells the jobs in
//   flight to stop (their waits poll the stop flag), joins them, and only then
//   destroys the sessions they use.
// Everything else here is called on the main thread only.
class GameLogic : public ZBObject, public ZBSingleton<GameLogic>, public ISessionOwner {
 public:
  GameLogic();
  ~GameLogic() override;

  // Wiring done by the program (and by tests) before InitializeGame.
  void SetHooks(const GameHooks& hooks);
  const GameHooks& Hooks() const { return m_hooks; }
  void SetModes(GameMode* login, GameMode* lobby, GameMode* play);
  void SetSessionFactory(SessionFactory factory) { m_session_factory = factory; }
  // Builds the login request the title screen sent last (its kind, token and account
  // head), for logging in again by itself after a lost connection. Without it the
  // client does not reconnect by itself.
  void SetReloginRequest(std::function<Packet()> build) { m_relogin_request = std::move(build); }

  int InitializeGame(void* window, int width, int height);
  void ProcessFrame();
  void RenderFrame();

  // The shortest time between two drawn frames (FramePacing): 0 for RenderFrame's own
  // cap alone, FramePacing::kNever to draw nothing (the window cannot be seen) while
  // the frame's work goes on. Main thread.
  void SetFrameInterval(uint32_t ms) { m_frame_interval_ms = ms; }
  uint32_t FrameInterval() const { return m_frame_interval_ms; }

  int SetNextMode(GameMode* mode, int param);
  int ChangeMode(GameMode* mode, int param1, int param2);

  int OnPointerDown(int button, int x, int y);
  int OnPointerUp(int button, int x, int y);
  int OnPointerMove(int x, int y);
  int OnPointerWheel(int delta, int x, int y);
  void OnBackKey();

  // ISessionOwner
  int ProcessPacket(Packet* packet) override;
  // Any thread (takes the frame lock).
  void OnSessionConnect(IGameSession* session) override;
  // Any thread, under the session's receive lock: logs only.
  void OnSessionClose(IGameSession* session) override;
  CriticalSection* DispatchLock() override { return &m_frame_lock; }

  void EnterServer(int kind, int param, void* user_data, EnterServerCallback callback);
  // Runs the server-entering sequence on the calling thread (the main thread or a
  // worker: the main-thread state it changes is changed under the frame lock).
  void EnterServerJob(const ServerInfo& block);
  void Logout();
  void CloseAllSessions();

  IGameSession* Session(int index) const { return m_sessions[index & 3]; }
  IGameSession* CurrentSession() const { return m_sessions[m_session_index & 3]; }
  GameMode* CurrentMode() const { return m_mode_current; }
  GameMode* NextMode() const { return m_mode_next; }
  GameMode* LoginMode() const { return m_login_mode; }
  GameMode* LobbyMode() const { return m_lobby_mode; }
  GameMode* PlayMode() const { return m_play_mode; }

  // Completes the pending enter request (called by the login reply handler).
  void CompleteEnterRequest(IGameSession* session);

  // Getting back by itself. While the program is past the title screen and none of the
  // sessions 0 to 2 is connected (and no entering job, splash or connecting indicator
  // is at work), the disconnected banner shows and the master is tried again on the
  // schedule of GameReconnect, each try named on a line over the banner; a try connects the
  // master, greets it and sends the title screen's login again, whose reply (handled by
  // the global dispatcher) brings the lobby back, or the table where the player is
  // still seated. A refused login ends the tries and logs out to the title screen.
  // Under the frame lock (a try on a worker writes the schedule).
  const GameReconnect& Reconnect() const { return m_reconnect; }
  bool Reconnecting() const { return m_reconnect.Active(); }
  // A mode found its session gone: the reconnect takes over (outside the title screen),
  // where the mode would otherwise log out. Main thread.
  void HandleLostConnection();
  // The login reply of a master login arrived (main thread, from the dispatcher):
  // `ok` with result 0.
  void OnMasterLoginReply(bool ok, int32_t result);

  // True once shutdown began, or when the calling worker was told to stop.
  bool Stopping() const { return m_stopping.load() != 0 || ZBThread::StopRequested(); }
  // Entering jobs queued or running.
  int32_t EnterJobsInFlight() const { return m_enter_jobs.load(); }

  // How long shutdown waits for entering jobs the runner could not join.
  static constexpr uint32_t kShutdownJobWaitMs = 15000;

  CriticalSection& FrameLock() { return m_frame_lock; }

  int32_t m_state = 0;
  int32_t m_initialized = 0;
  int32_t m_mode_started = 0;
  std::atomic<int32_t> m_quit{0};
  int32_t m_network_state = 0;
  std::array<IGameSession*, 4> m_sessions{};
  std::atomic<int32_t> m_session_index{0};  // written under the frame lock
  GameMode* m_mode_current = nullptr;
  GameMode* m_mode_next = nullptr;
  int32_t m_mode_next_param1 = -1;
  int32_t m_mode_next_param2 = -1;
  void* m_package = nullptr;
  void* m_enter_user_data = nullptr;
  EnterServerCallback m_enter_callback = nullptr;
  ServerInfo m_enter_block;
  CriticalSection m_frame_lock;
  std::atomic<int32_t> m_in_frame{0};
  int32_t m_pointer_x = 0;
  int32_t m_pointer_y = 0;

  // Number of sessions among 0 to 2 found connected during the last frame.
  static int32_t s_connected_sessions;

 private:
  int RunStage2();
  bool ScalePointer(int x, int y);
  void DrawDisconnectedBanner();
  // Handles the global messages this dispatcher keeps; returns true when the packet
  // was handled here and `*result` holds the answer for the session.
  bool HandleGlobalPacket(Packet* packet, int* result);
  // Drops the pending request when it is still request `serial`, hides the indicator.
  void DropEnterRequest(uint32_t serial);
  void RunEnterSequence(const ServerInfo& block, uint32_t serial);
  // Tells a logged-in server we leave (146) and waits for its answer.
  void LeaveServer(IGameSession* session, uint32_t timeout_ms, bool show_indicator, bool busy);
  // The reconnect's step at the end of every frame, after the sessions were pumped.
  void StepReconnect();
  // True when no session is at work and the screen shown needs one (see Reconnect).
  bool ConnectionLostHere() const;
  void StartReconnectAttempt();
  void RunReconnectAttempt(uint32_t generation);
  void StopReconnect(const char* why);
  // The line over the disconnected banner naming the next try or the one under way.
  void DrawReconnectStatus();

  GameHooks m_hooks;
  GameMode* m_login_mode = nullptr;
  GameMode* m_lobby_mode = nullptr;
  GameMode* m_play_mode = nullptr;
  SessionFactory m_session_factory = nullptr;
  uint32_t m_enter_serial = 0;             // numbers the enter requests (frame lock)
  std::atomic<int32_t> m_enter_jobs{0};    // see EnterJobsInFlight
  std::atomic<int32_t> m_stopping{0};
  std::function<Packet()> m_relogin_request;
  GameReconnect m_reconnect;  // frame lock
  // The status line's text, rebuilt only when what it says changes.
  char m_reconnect_text[160] = {};
  uint32_t m_frame_interval_ms = 0;
  uint32_t m_last_drawn_ms = 0;  // when the last frame of the running state was drawn
  bool m_drawn = false;
  int64_t m_reconnect_text_key = -1;
};
