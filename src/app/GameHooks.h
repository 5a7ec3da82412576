#pragma once
#include <cstdint>
#include <cstddef>
#include <functional>

#include "net/Packet.h"
#include "net/messages/VXGlobalMessages.h"
#include "net/messages/VXTableRecords.h"

// The game logic drives the drawing surface, the overlays, sound and the background
// workers through these small interfaces, so it builds and runs without a display.
// Each default does nothing; the program installs the real implementations at start-up
// and tests install recorders.

struct HookColor {
  float r, g, b, a;
};

class IScreenHooks {
 public:
  virtual ~IScreenHooks() = default;
  // Window screen on the native window with the given client size.
  virtual int InitWindow(void* window, int width, int height) { (void)window, (void)width, (void)height; return 1; }
  virtual void SetDesignSize(int width, int height) { (void)width, (void)height; }
  // Surface and its font slot 0.
  virtual int InitSurface(void* package) { (void)package; return 1; }
  virtual void ReloadSurface(void* package) { (void)package; }
  // Factors from window pixels to design units.
  virtual float PointerScaleX() { return 1.0f; }
  virtual float PointerScaleY() { return 1.0f; }
  // True when more than 1/100 s passed since the last drawn frame.
  virtual bool FrameDue() { return true; }
  virtual void BeginFrame() {}
  virtual void EndFrame() {}  // ends the frame and presents it
  // Frames presented since start-up.
  virtual uint32_t FramesPresented() { return 0; }
  virtual void DrawLoadingPicture() {}
  virtual void DrawRoundRect(float left, float top, float right, float bottom, float radius, int segments,
                             float line_width, HookColor fill, HookColor border) {
    (void)left, (void)top, (void)right, (void)bottom, (void)radius, (void)segments, (void)line_width,
        (void)fill, (void)border;
  }
  virtual void DrawTextCentered(const char* utf8, float left, float top, float right, float bottom, int size,
                                HookColor color) {
    (void)utf8, (void)left, (void)top, (void)right, (void)bottom, (void)size, (void)color;
  }
  virtual int LoadStartupImages() { return 1; }
  virtual int LoadSharedImages() { return 1; }
  virtual void Shutdown() {}
};

// The splash window and the in-frame connecting indicator.
class ISplashHooks {
 public:
  virtual ~ISplashHooks() = default;
  virtual int Initialize() { return 1; }
  virtual bool IsSplashShown() { return false; }
  virtual bool IsLoadingActive() { return false; }
  bool IsBusy() { return IsSplashShown() || IsLoadingActive(); }
  virtual void SetSplashWindow(uint32_t timeout_ms, bool show) { (void)timeout_ms, (void)show; }
  virtual void ShowLoading(uint32_t timeout_ms, int kind) { (void)timeout_ms, (void)kind; }
  virtual void HideLoading() {}
  virtual void DrawOverlay() {}
  virtual void Shutdown() {}
};

// A layer drawn over the mode that may take input first: notifications, web banners,
// player pictures, the mini-game.
class ILayerHooks {
 public:
  virtual ~ILayerHooks() = default;
  virtual int Initialize() { return 1; }
  virtual void FrameStep() {}
  virtual void Draw() {}
  virtual int OnTouchDown(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnTouchUp(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnTouchMove(int button, int x, int y) { (void)button, (void)x, (void)y; return 0; }
  virtual int OnWheel(int delta, int x, int y) { (void)delta, (void)x, (void)y; return 0; }
  virtual int OnBackKey() { return 0; }
  virtual void Stop() {}
  virtual void Shutdown() {}
};

class ISoundHooks {
 public:
  virtual ~ISoundHooks() = default;
  // Opens the audio device and decodes the sound table (platform initialisation); a
  // start without a device goes on silently.
  virtual int Initialize() { return 1; }
  // Plays slot `index` once, from its start (callers check the effects setting).
  virtual void PlayEffect(int index) { (void)index; }
  virtual void PlaySound(int index, bool loop) { (void)index, (void)loop; }
  virtual void StopSound(int index) { (void)index; }
  // true: stops the two music slots; false: every effect slot.
  virtual void StopAll(bool music) { (void)music; }
  // The settings' switches changed: music on starts the current mode's music, off
  // stops it; effects off stops the effects that are playing.
  virtual void OnMusicSwitch(bool on) { (void)on; }
  virtual void OnEffectsSwitch(bool on) { (void)on; }
  virtual void Shutdown() {}
};

// Background workers (timers, job runner, downloads, connection and packet queues).
class IWorkerHooks {
 public:
  virtual ~IWorkerHooks() = default;
  virtual void Start() {}
  // Per-frame delivery on the main thread, in order: timers, runner results,
  // downloads, connection requests, packet-thread tokens.
  virtual void FrameStep() {}
  // Runs `job` in the background (by default at once, on the caller's thread).
  virtual void QueueJob(std::function<void()> job) { job(); }
  virtual void Shutdown() {}
};

// Start-up and shutdown of the remaining services.
class IServiceHooks {
 public:
  virtual ~IServiceHooks() = default;
  virtual int PlatformInit() { return 1; }
  virtual int SceneManagerInit() { return 1; }
  virtual int WebContentInit() { return 1; }
  // Refreshes the local player's seat record from the account block (table mode).
  virtual void RefreshLocalPlayer() {}
  virtual void Shutdown() {}
};

// Message boxes, banners and the other notices of the notification layer.
class INoticeHooks {
 public:
  virtual ~INoticeHooks() = default;
  // Banner of `kind` (0 notice, 1 to 4 invitation styles); `sender` may be empty.
  virtual void PushBanner(int kind, const char* text, const char* sender, int auto_close_ms) {
    (void)kind, (void)text, (void)sender, (void)auto_close_ms;
  }
  // Message box of `type` (0 to 8); `dim` non-zero darkens the screen behind it.
  virtual void PushBox(const char* title, int type, const char* text, int dim, int auto_close_ms) {
    (void)title, (void)type, (void)text, (void)dim, (void)auto_close_ms;
  }
  // A dimmed two-button question: `callback` (context, 1) when the user confirms,
  // (context, 0) when the box is closed otherwise. Without a notification layer nothing
  // is asked and nothing is confirmed.
  using ConfirmCallback = void (*)(void* context, int result);
  virtual void PushConfirmBox(const char* title, const char* text, ConfirmCallback callback, void* context) {
    (void)title, (void)text, (void)callback, (void)context;
  }
  // The error notice carrying a server result code.
  virtual void ShowErrorCode(int code) { (void)code; }
  // The tournament prize notice.
  virtual void ShowPrize(int rubies, int value, int rank, int64_t chips) {
    (void)rubies, (void)value, (void)rank, (void)chips;
  }
  // The level-up celebration.
  virtual void ShowCelebration(int level, int value) { (void)level, (void)value; }
  // The player's own turn has begun at the table.
  virtual void OnOwnTurn() {}
};

// The scenes shown over the modes, addressed by scene id (VXSceneId, app/VXSceneIds.h).
class ISceneHooks {
 public:
  virtual ~ISceneHooks() = default;
  virtual bool IsSceneShown(int id) { (void)id; return false; }
  // The page (show parameter) the scene currently shows, -1 when hidden.
  virtual int ScenePage(int id) { (void)id; return -1; }
  virtual void ShowScene(int id, int param) { (void)id, (void)param; }
  virtual void HideScene(int id) { (void)id; }
  // Selects `page` of a shown scene again, requesting its list when it is stale.
  virtual void ReloadScenePage(int id, int page) { (void)id, (void)page; }
  // Redraws the scene's current page from the shared data.
  virtual void RefreshScene(int id) { (void)id; }
  // Hands a reply to the scene that handles it; returns the dispatch result.
  virtual int PassPacket(int id, Packet* packet) { (void)id, (void)packet; return 1; }
  // A changed tournament for the tournament list or details.
  virtual void SetTournamentRecord(int id, const VXType_tournament_info& record) { (void)id, (void)record; }
  // Opens the details of a tournament the player is seated in.
  virtual void OpenTournament(int tournament_id) { (void)tournament_id; }
  // Asks the room list to enter a room.
  virtual void RequestRoom(const VXType_room_info& request) { (void)request; }
  // The day-bonus record received at login.
  virtual void SetDayBonus(const VXType_day_bonus& record) { (void)record; }
};

// Commands carried out by the platform layer (open a page, upload the social friends, ...).
class IPlatformHooks {
 public:
  virtual ~IPlatformHooks() = default;
  virtual int Execute(int command, int option1, int option2, const char* text1, const char* text2,
                      int option3) {
    (void)command, (void)option1, (void)option2, (void)text1, (void)text2, (void)option3;
    return 1;
  }
};

// One-shot exchanges with the service server; a reply without its own handler comes
// back through the global dispatch.
class IExchangeHooks {
 public:
  virtual ~IExchangeHooks() = default;
  virtual int PostToServiceServer(const Packet& packet) { (void)packet; return 0; }
};

// Effects of global messages on the table-play mode and the mini-game.
class IPlayHooks {
 public:
  virtual ~IPlayHooks() = default;
  // Adds one like to the named seated player.
  virtual void AddLike(const char* name) { (void)name; }
  // Puts the mini-game back to its first phase.
  virtual void ResetMiniGame() {}
};

struct GameHooks {
  IScreenHooks* screen = nullptr;
  ISplashHooks* splash = nullptr;
  ILayerHooks* notify = nullptr;
  ILayerHooks* web_content = nullptr;
  ILayerHooks* player_image = nullptr;
  ILayerHooks* sub_play = nullptr;
  ISoundHooks* sound = nullptr;
  IWorkerHooks* workers = nullptr;
  IServiceHooks* services = nullptr;
  INoticeHooks* notices = nullptr;
  ISceneHooks* scenes = nullptr;
  IPlatformHooks* platform = nullptr;
  IExchangeHooks* exchanges = nullptr;
  IPlayHooks* play = nullptr;
};
