#pragma once
#include <atomic>
#include <cstdint>

#include "app/GameMode.h"
#include "framework/ZBSingleton.h"
#include "net/Packet.h"
#include "scenes/GameSceneLayer.h"
#include "ui/EventCtrlGroup.h"
#include "ui/GLButtonEx.h"

class GameLogic;
class GLTexture;
class IGameSession;

// This client's version, compared with the version the master server announces.
constexpr int32_t kClientVersionMajor = 3;
constexpr int32_t kClientVersionMinor = 3;
constexpr int32_t kClientVersionPatch = 0;

// The update state kept in the shared data.
enum : int32_t {
  kUpdateNoHello = -1,   // the master server has not said its version yet
  kUpdateNone = 0,       // this client is as new as the server's version, or newer
  kUpdateOptional = 1,   // a newer patch release exists; the user may update
  kUpdateRequired = 2,   // a newer major or minor release exists; the game cannot log in
};

// What a server version means for this client: required when its major or minor
// release is newer, optional when only its patch release is newer, none when it is the
// same version or an older one.
int32_t UpdateStateForVersion(int32_t major, int32_t minor, int32_t patch);

// True for an address the updater may fetch from: an https address, or one on this
// machine (the local server's http side on loopback).
bool IsTrustedPatchAddress(const char* url);

// The login request (145) of the title screen: the scrambled user id (all zero for a
// device login, `login_kind` 1), the 64-byte token and the 184-byte account head.
Packet BuildLoginRequest(int32_t login_kind, const uint8_t* user_info, const char* token);

// The title screen: the animated decoration, the social-login and quick-start buttons,
// the connection to the master server with its version hello, the version check and
// the login request. The login reply itself is handled by the game logic, which moves
// on to the next mode.
//
// The mode hosts the registration scene in its scene layer: it is drawn over the title
// screen (alone once it covers it), updated every frame and takes the pointer while
// shown.
//
// Threads: everything runs on the main thread except the connection job, which runs on
// a runner worker; it touches only the session it connects (whose calls are safe from
// any thread) and reports back through m_connect_result, read by Update. The social
// login's dialog never opens inside a frame: a frame posts it for after the frame
// (GameAfterFrame), a click opens it at once (input is handled between frames).
class GameModeLogin : public GameMode, public ZBSingleton<GameModeLogin> {
 public:
  // A login the user asked for before the session was greeted; carried out once the
  // hello reply has arrived.
  enum PendingLogin : int32_t { kPendingNone = 0, kPendingQuick = 1, kPendingSocial = 2, kPendingSend = 3 };
  enum ConnectResult : int32_t { kConnectIdle = 0, kConnectOk = 1, kConnectFailed = 2 };

  GameModeLogin();
  ~GameModeLogin() override;

  int LoadResources() override;
  int ReleaseResources() override;
  int Create(int param1, int param2) override;
  void Cleanup() override;
  void OnInit_Process() override;
  int Update() override;
  void Close() override;
  int OnPacket(Packet* packet) override;
  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  void OnEvent(ZBEventCtrl* sender) override;

  // Shows a scene of the layer (the registration) with the page `param`.
  void Show_Scene(int id, int param);
  const GameSceneLayer& Scenes() const { return m_scenes; }

  // Connects and greets the master server when needed; 1 once it is greeted.
  int Init_Connection();
  // 1 when session 0 is connected and greeted. Otherwise sends the hello (connected) or
  // queues the connection job (not connected) and returns 0.
  int Connect_And_Hello();
  // 0 before the hello and while an update is required (the updater is started again),
  // 1 otherwise.
  int Version_Ok();
  // Sends the login request on the current session; when it is down, connects and sends
  // the request once greeted. 1 when it was sent.
  int Send_Login();
  // The social login's completion: the social id and the display name become the
  // user id and the nickname of the own account record, then the login is sent.
  void OnSocialLogin(const char* social_id, const char* name);

  GLButtonEx btn_social;
  GLButtonEx btn_quick;
  uint32_t deco_clock[3] = {};
  char login_token[64] = {};
  int32_t show_connect_error = 0;

  int32_t PendingLoginKind() const { return m_pending_login; }

 private:
  void QueueConnect(IGameSession* session);
  static Packet BuildHello();
  void ApplyServerVersion(int32_t major, int32_t minor, int32_t patch, const char* patch_url);
  void StartUpdater(bool required);
  void OfferUpdate();
  static void OnUpdateAnswer(void* context, int result);
  static void OnQuitAnswer(void* context, int result);
  void AwaitHello(int32_t pending);
  void OnHelloHandled();
  void OnConnectFailed();
  void QuickLogin();
  void SocialLogin();
  // The social login from inside a frame: opened by the main loop after the frame.
  void SocialLoginAfterFrame();
  void OnSocialClicked();
  void OnQuickClicked();
  static int LoginReplyThunk(void* user_data, Packet* reply);
  void OnLoginReply(Packet* reply);
  void DrawDecoration();

  EventCtrlGroup m_screen;
  GameSceneLayer m_scenes;
  bool m_social_posted = false;  // a social login waits for the end of the frame
  int32_t m_loaded = 0;
  // Decoration pictures of the shared image set (not owned).
  GLTexture* m_bg = nullptr;
  GLTexture* m_cloud1 = nullptr;
  GLTexture* m_cloud2 = nullptr;
  GLTexture* m_logo = nullptr;
  GLTexture* m_characters = nullptr;

  int32_t m_pending_login = kPendingNone;
  int32_t m_hello_seen = 0;  // a hello arrived; Update carries out what waited for it
  char m_patch_url[255] = {};
  std::atomic<bool> m_connecting{false};
  std::atomic<int32_t> m_connect_result{kConnectIdle};
};
