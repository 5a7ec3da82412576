#include "modes/login/GameModeLogin.h"

#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "app/CRegistry.h"
#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/Paths.h"
#include "framework/StringUtil.h"
#include "gfx/GLTexture.h"
#include "media/GameSharedImage.h"
#include "modes/ModeImages.h"
#include "net/CLEncrypt.h"
#include "net/IGameSession.h"
#include "net/messages/VXLoginMessages.h"

namespace {

constexpr int kSocialButtonY = 231;
constexpr int kQuickButtonY = 351;
constexpr float kButtonSheetWidth = 864.0f;  // three frames of 288 x 105
constexpr float kButtonSheetHeight = 105.0f;
constexpr int kBannerAutoClose = 3000;
constexpr int kBoxDim = 3000;
constexpr int kMsgTitle = 0;
constexpr int kMsgLeaveGame = 5;
constexpr int kMsgConnecting = 211;
constexpr int kMsgNoServer = 217;
constexpr int kPlatformOpenPage = 1;
constexpr int kPlatformQuit = 3;
constexpr int kPlatformUpdate = 4;
constexpr int kPlatformSocialLogin = 13;

// Texts the message table has no entry for, in the two editions.
constexpr EditionText kOptionalUpdateText = {
    "มีเกมเวอร์ชันใหม่ให้อัปเดต\nต้องการอัปเดตตอนนี้หรือไม่? (เกมจะปิดลง)",
    "새 버전이 있습니다.\n지금 업데이트할까요? (게임이 종료됩니다)"};
constexpr EditionText kUnsafeUpdateText = {
    "ต้องอัปเดตเกมก่อนเล่น\nแต่ที่อยู่สำหรับดาวน์โหลดไม่ปลอดภัย กรุณาติดต่อฝ่ายบริการลูกค้า",
    "업데이트가 필요하지만 업데이트 주소가 안전하지 않습니다.\n고객센터에 문의해 주세요."};
constexpr EditionText kSocialUnavailableText = {
    "การล็อกอินด้วย Facebook ยังไม่พร้อมใช้งาน\nกรุณาใช้ล็อกอินด่วน",
    "Facebook 로그인은 아직 사용할 수 없습니다.\n빠른 시작을 이용해 주세요."};
constexpr EditionText kNoDeviceIdText = {"ไม่สามารถใช้ล็อกอินด่วนบนเครื่องนี้ได้",
                                         "이 기기에서는 빠른 시작을 사용할 수 없습니다."};



bool HasPrefixNoCase(const char* s, const char* prefix) {
  for (; *prefix; ++s, ++prefix) {
    if (std::tolower(static_cast<unsigned char>(*s)) != *prefix) return false;
  }
  return true;
}

// A text into a fixed field of `width` bytes, cut where a whole UTF-8 character ends:
// a name too long for the field loses its last characters, never half of one.
void CopyFixedUtf8(char* field, size_t width, const char* text) {
  if (width == 0) return;
  std::memset(field, 0, width);
  if (!text) return;
  size_t n = std::strlen(text);
  if (n > width - 1) {
    n = width - 1;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  }
  std::memcpy(field, text, n);
}

// Bobbing offset of a decoration clock: 0 to 1 and back over two periods of `period` ms.
float Bob(uint32_t now, uint32_t* clock, float period) {
  float e = static_cast<float>(now - *clock) / period;
  if (e >= 2.0f) {
    *clock = now;
    e = 0.0f;
  }
  return e <= 1.0f ? -10.0f * e : -10.0f + 10.0f * (e - 1.0f);
}

}  // namespace

int32_t UpdateStateForVersion(int32_t major, int32_t minor, int32_t patch) {
  if (major > kClientVersionMajor || (major == kClientVersionMajor && minor > kClientVersionMinor))
    return kUpdateRequired;
  if (major == kClientVersionMajor && minor == kClientVersionMinor && patch > kClientVersionPatch)
    return kUpdateOptional;
  return kUpdateNone;
}

bool IsTrustedPatchAddress(const char* url) {
  if (!url) return false;
  if (HasPrefixNoCase(url, "https://")) return url[8] != 0 && url[8] != '/';
  for (const char* local : {"http://127.0.0.1", "http://localhost"}) {
    if (!HasPrefixNoCase(url, local)) continue;
    const char* rest = url + std::strlen(local);
    if (*rest == ':') {
      // A port, then the path: "http://localhost:80@elsewhere/" names another host.
      const char* digits = ++rest;
      while (std::isdigit(static_cast<unsigned char>(*rest))) ++rest;
      if (rest == digits) return false;
    }
    return *rest == 0 || *rest == '/';
  }
  return false;
}

Packet BuildLoginRequest(int32_t login_kind, const uint8_t* user_info, const char* token) {
  VXMsg_login_request m;
  if (login_kind == 0) {
    char user_id[31] = {};
    std::memcpy(user_id, user_info + kUserAccountId, 30);
    CLEncrypt().ScrambleText(user_id, reinterpret_cast<char*>(m.user_id));
  }
  std::memcpy(m.token, token, sizeof(m.token));
  std::memcpy(m.account_head, user_info, sizeof(m.account_head));
  Packet p;
  Build_Packet(m, p);
  return p;
}

// ---------------------------------------------------------------- life cycle

GameModeLogin::GameModeLogin() { mode_id = kModeLogin; }

GameModeLogin::~GameModeLogin() { ReleaseResources(); }

int GameModeLogin::LoadResources() {
  if (m_loaded) return 1;
  GameLogic* logic = Logic();
  void* package = logic ? logic->m_package : nullptr;
  struct {
    GLButtonEx* button;
    int y;
    const char* image;
  } buttons[] = {{&btn_social, kSocialButtonY, "./raw/btn_login_facebook.png"},
                 {&btn_quick, kQuickButtonY, "./raw/btn_login_qstart.png"}};
  for (auto& b : buttons) {
    if (!b.button->LoadImage(b.y, b.image, package)) {
      Log(LOG_FATAL, "[ERROR]: GameModeLogin::LoadResources| %s", b.image);
      return 0;
    }
    b.button->SetSize(kButtonSheetWidth, kButtonSheetHeight);
    b.button->m_receiver = this;
  }
  const GameSharedData* d = GameSharedData::Instance();
  btn_quick.m_hidden = d->m_quick_start ? 0 : 1;
  m_screen.Init();
  m_screen.Add(&btn_social);
  m_screen.Add(&btn_quick);
  m_bg = SharedImageByName("login_bg.png");
  m_cloud1 = SharedImageByName("cloud_1.png");
  m_cloud2 = SharedImageByName("cloud_2.png");
  m_logo = SharedImageByName("logo_big.png");
  m_characters = SharedImageByName("login_characters.png");
  m_loaded = 1;
  return 1;
}

int GameModeLogin::ReleaseResources() {
  m_screen.ReleaseAll();
  btn_social.DetachImage();
  btn_quick.DetachImage();
  m_bg = m_cloud1 = m_cloud2 = m_logo = m_characters = nullptr;
  m_loaded = 0;
  return 1;
}

int GameModeLogin::Create(int param1, int param2) {
  Log(LOG_TRACE, "GameModeLogin::Create ********** END");
  m_social_posted = false;
  return GameMode::Create(param1, param2);
}

void GameModeLogin::Cleanup() {
  Log(LOG_TRACE, "GameModeLogin::Cleanup **********");
  GameMode::Cleanup();
  m_scenes.HideAll();
}

void GameModeLogin::OnInit_Process() {
  Log(LOG_TRACE, "GameModeLogin::OnInit_Process ...");
  const uint32_t now = GetTickMs();
  for (uint32_t& c : deco_clock) c = now;
  m_scenes.Init(kLoginSceneOrder);
  Init_Connection();
  GameMode::OnInit_Process();
}

void GameModeLogin::Show_Scene(int id, int param) {
  Log(LOG_TRACE, "GameModeLogin::Show_Scene ... %d", id);
  GameSceneLayer::ShowScene(id, param);
}

int GameModeLogin::Update() {
  m_scenes.Update();
  if (m_connect_result.load() == kConnectFailed) {
    m_connect_result.store(kConnectIdle);
    OnConnectFailed();
  }
  if (m_hello_seen) {
    m_hello_seen = 0;
    OnHelloHandled();
  }
  if (show_connect_error) {
    show_connect_error = 0;
    if (GameLogic* logic = Logic()) {
      const std::string page = FormatString("%s/web_content/connect_error.htm", ProgramDir().c_str());
      logic->Hooks().platform->Execute(kPlatformOpenPage, 0, 0, page.c_str(), "", 0);
    }
  }
  return 0;
}

void GameModeLogin::Close() {
  if (m_scenes.CloseTop()) return;  // Escape belongs to the scene on top
  GameLogic* logic = Logic();
  if (!logic) return;
  logic->Hooks().notices->PushConfirmBox(LangMessage(kMsgTitle), LangMessage(kMsgLeaveGame), &OnQuitAnswer, this);
}

void GameModeLogin::OnQuitAnswer(void* context, int result) {
  GameLogic* logic = static_cast<GameModeLogin*>(context)->Logic();
  if (result && logic) logic->Hooks().platform->Execute(kPlatformQuit, 0, 0, "", "", 0);
}

// ---------------------------------------------------------------- connection and hello

int GameModeLogin::Init_Connection() {
  GameLogic* logic = Logic();
  const int state = logic ? logic->m_network_state : 0;
  Log(LOG_TRACE, "GameModeLogin::Init_Connection ...GetNetworkState(%d)", state);
  if (!state) return 0;
  if (Connect_And_Hello() != 1) return 0;
  Log(LOG_TRACE, "GameModeLogin::Init_Connection SUCCESS");
  return 1;
}

Packet GameModeLogin::BuildHello() {
  Packet p;
  Build_Packet(VXMsg_hello_request{}, p);
  return p;
}

int GameModeLogin::Connect_And_Hello() {
  GameLogic* logic = Logic();
  if (!logic || !logic->m_network_state) return 0;
  IGameSession* session = logic->Session(0);
  if (!session) return 0;
  if (session->IsConnected()) {
    if (session->HelloOk()) return 1;
    Packet hello = BuildHello();
    session->SendNoWait(hello);
    return 0;
  }
  QueueConnect(session);
  return 0;
}

void GameModeLogin::QueueConnect(IGameSession* session) {
  if (m_connecting.exchange(true)) return;  // one connection job at a time
  const ServerInfo& master = GameSharedData::Instance()->m_master_server;
  session->Info() = master;
  session->Info().SetKind(0);
  const std::string host = master.Host();
  const int port = master.Port();
  m_connect_result.store(kConnectIdle);
  // Released with the last copy of the job, whether it ran or was dropped: the next
  // attempt may then queue a new job.
  std::shared_ptr<void> done(nullptr, [this](void*) { m_connecting.store(false); });
  Logic()->Hooks().workers->QueueJob([this, session, host, port, done] {
    if (!session->Connect(host.c_str(), port, false)) {
      Log(LOG_WARNING, "[WARNING]: GameModeLogin::Connect_And_Hello| cannot connect to %s:%d", host.c_str(), port);
      m_connect_result.store(kConnectFailed);
      return;
    }
    Packet hello = BuildHello();
    session->SendNoWait(hello);
    m_connect_result.store(kConnectOk);
  });
}

void GameModeLogin::OnConnectFailed() {
  GameLogic* logic = Logic();
  if (!logic) return;
  m_pending_login = kPendingNone;  // the user asks again once the server is reachable
  logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, LangMessage(kMsgNoServer), kBoxDim, 0);
  show_connect_error = 1;
}

int GameModeLogin::OnPacket(Packet* packet) {
  if (!packet || packet->id != VX_PROTOCOL_HELLO) return 1;
  GameLogic* logic = Logic();
  IGameSession* session = logic ? logic->CurrentSession() : nullptr;
  if (!session) return 0;
  VXMsg_hello_reply reply;
  reply.Read(*packet);  // fields that did not arrive keep -1 and an empty address
  session->SetHelloOk(true);
  Log(LOG_TRACE, "VX_PROTOCOL_HELLO::version (%d, %d, %d)", reply.major, reply.minor, reply.patch);
  ApplyServerVersion(reply.major, reply.minor, reply.patch, reply.patch_url);
  // The updater, questions and logins wait for the next Update, outside the packet
  // dispatch: starting the updater quits, which closes this very session.
  m_hello_seen = 1;
  return 1;
}

void GameModeLogin::ApplyServerVersion(int32_t major, int32_t minor, int32_t patch, const char* patch_url) {
  GameSharedData* d = GameSharedData::Instance();
  if (major != kClientVersionMajor || minor != kClientVersionMinor || patch != kClientVersionPatch) {
    CopyFixedText(m_patch_url, sizeof(m_patch_url), patch_url);
    CRegistry::WriteString("patch_url", m_patch_url);
  }
  d->m_update_state = UpdateStateForVersion(major, minor, patch);
}

void GameModeLogin::StartUpdater(bool required) {
  GameLogic* logic = Logic();
  if (!logic) return;
  if (!IsTrustedPatchAddress(m_patch_url)) {
    Log(LOG_WARNING, "[WARNING]: GameModeLogin::StartUpdater| the update address is neither https nor local, not used");
    if (required) logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, EditionOf(kUnsafeUpdateText), kBoxDim, 0);
    return;
  }
  logic->Hooks().platform->Execute(kPlatformUpdate, required ? 1 : 0, kClientProtocolVersion, m_patch_url, "", 0);
}

void GameModeLogin::OfferUpdate() {
  GameLogic* logic = Logic();
  if (!logic || !IsTrustedPatchAddress(m_patch_url)) return;
  logic->Hooks().notices->PushConfirmBox(LangMessage(kMsgTitle), EditionOf(kOptionalUpdateText), &OnUpdateAnswer, this);
}

void GameModeLogin::OnUpdateAnswer(void* context, int result) {
  if (result) static_cast<GameModeLogin*>(context)->StartUpdater(false);
}

int GameModeLogin::Version_Ok() {
  switch (GameSharedData::Instance()->m_update_state) {
    case kUpdateNone:
    case kUpdateOptional:
      return 1;
    case kUpdateRequired:
      StartUpdater(true);
      return 0;
    default:
      return 0;
  }
}

void GameModeLogin::AwaitHello(int32_t pending) {
  m_pending_login = pending;
  Log(LOG_TRACE, "GameModeLogin::AwaitHello| the login follows once the server is greeted");
  if (GameLogic* logic = Logic())
    logic->Hooks().notices->PushBanner(0, LangMessage(kMsgConnecting), "", kBannerAutoClose);
}

void GameModeLogin::OnHelloHandled() {
  GameSharedData* d = GameSharedData::Instance();
  const int32_t pending = m_pending_login;
  m_pending_login = kPendingNone;
  if (d->m_update_state == kUpdateRequired) {
    StartUpdater(true);  // no login with this version
    return;
  }
  if (d->m_update_state == kUpdateOptional) OfferUpdate();
  if (pending != kPendingNone) {
    if (!Version_Ok()) return;
    if (pending == kPendingQuick)
      QuickLogin();
    else if (pending == kPendingSocial)
      SocialLoginAfterFrame();
    else
      Send_Login();
    return;
  }
  if (!d->m_auto_login) return;
  // The saved account type decides how: a quick-start account logs in by device.
  if (d->AccountType() == 1) {
    QuickLogin();
    return;
  }
  std::memcpy(login_token, d->m_social_token, sizeof(login_token));
  d->m_login_kind = 0;
  SocialLoginAfterFrame();
}

// ---------------------------------------------------------------- buttons and login

void GameModeLogin::OnEvent(ZBEventCtrl* sender) {
  // The click sound is the buttons' own (every reported click plays it).
  if (sender == &btn_social)
    OnSocialClicked();
  else if (sender == &btn_quick)
    OnQuickClicked();
}

void GameModeLogin::OnSocialClicked() {
  std::memcpy(login_token, GameSharedData::Instance()->m_device_id, sizeof(login_token));
  if (Connect_And_Hello() != 1) {
    AwaitHello(kPendingSocial);
    return;
  }
  if (Version_Ok()) SocialLogin();
}

void GameModeLogin::OnQuickClicked() {
  if (Connect_And_Hello() != 1) {
    AwaitHello(kPendingQuick);
    return;
  }
  if (Version_Ok()) QuickLogin();
}

void GameModeLogin::SocialLogin() {
  GameLogic* logic = Logic();
  if (!logic) return;
  if (!logic->Hooks().platform->Execute(kPlatformSocialLogin, 0, 0, "", "", 0))
    logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, EditionOf(kSocialUnavailableText), kBoxDim, 0);
}

void GameModeLogin::SocialLoginAfterFrame() {
  if (m_social_posted) return;  // one dialog at a time
  m_social_posted = true;
  GameAfterFrame::Post([this] {
    m_social_posted = false;
    GameLogic* logic = Logic();
    // Only while the title screen is still what the player sees.
    if (!logic || logic->CurrentMode() != this || logic->NextMode() || m_scenes.AnyShown()) return;
    SocialLogin();
  });
}

void GameModeLogin::QuickLogin() {
  GameLogic* logic = Logic();
  GameSharedData* d = GameSharedData::Instance();
  if (!logic || !logic->CurrentSession()) return;
  if (!d->m_device_id[0]) {
    Log(LOG_WARNING, "[WARNING]: GameModeLogin::QuickLogin| no device id");
    logic->Hooks().notices->PushBox(LangMessage(kMsgTitle), 0, EditionOf(kNoDeviceIdText), kBoxDim, 0);
    return;
  }
  d->m_login_kind = 1;
  std::memcpy(login_token, d->m_device_id, sizeof(login_token));
  Send_Login();
}

void GameModeLogin::OnSocialLogin(const char* social_id, const char* name) {
  GameSharedData* d = GameSharedData::Instance();
  d->m_login_kind = 0;
  CopyFixedText(reinterpret_cast<char*>(d->m_user_info + kUserAccountId), 30, social_id);
  CopyFixedUtf8(reinterpret_cast<char*>(d->m_user_info + kUserNickname), 50, name);
  Send_Login();
}

int GameModeLogin::Send_Login() {
  GameLogic* logic = Logic();
  if (!logic) return 0;
  IGameSession* session = logic->CurrentSession();
  if (!session || !session->IsConnected()) {
    Connect_And_Hello();
    AwaitHello(kPendingSend);
    return 0;
  }
  GameSharedData* d = GameSharedData::Instance();
  d->SetUser32(kUserMarker, kClientProtocolVersion);
  Packet request = BuildLoginRequest(d->m_login_kind, d->m_user_info, login_token);
  Log(LOG_TRACE, "GameModeLogin::Send_Login kind %d", d->m_login_kind);
  if (!session->SendAsync(request, this, &LoginReplyThunk)) {
    Log(LOG_WARNING, "[WARNING]: GameModeLogin::Send_Login| the request could not be sent");
    return 0;
  }
  return 1;
}

int GameModeLogin::LoginReplyThunk(void* user_data, Packet* reply) {
  static_cast<GameModeLogin*>(user_data)->OnLoginReply(reply);
  return 1;
}

void GameModeLogin::OnLoginReply(Packet* reply) {
  GameLogic* logic = Logic();
  if (!logic || !reply) return;
  int32_t result = -1;
  if (reply->PayloadLength() >= 4) std::memcpy(&result, reply->payload, 4);
  Log(LOG_TRACE, "GameModeLogin::OnLoginReply result %d", result);
  logic->ProcessPacket(reply);
  // A change to a mode this program does not have hides the title screen and leaves
  // nothing to show; stay usable instead.
  if (logic->CurrentMode() == this && !logic->NextMode() && !IsShow()) {
    Log(LOG_WARNING, "[WARNING]: GameModeLogin::OnLoginReply| the next mode is not available, staying");
    Show(1, 0);
  }
}

// ---------------------------------------------------------------- drawing and input

void GameModeLogin::DrawDecoration() {
  const uint32_t now = GetTickMs();
  if (m_bg) m_bg->Draw(0, 0.0f, 0.0f, 0);
  if (m_cloud2) {
    float c = static_cast<float>(now - deco_clock[0]) / 10000.0f;
    if (c >= 1.0f) {
      deco_clock[0] = now;
      c = 0.0f;
    }
    m_cloud2->Draw(0, 350.0f - 593.0f * c, 44.0f, 1);
    m_cloud2->Draw(0, 1293.0f - 593.0f * c, 186.0f, 1);
  }
  if (m_cloud1) m_cloud1->Draw(0, 640.0f, 153.6f + Bob(now, &deco_clock[1], 4000.0f), 1);
  if (m_logo) {
    m_logo->SetScale(1.2f, 1.2f);
    m_logo->Draw(0, 710.0f, 157.0f + Bob(now, &deco_clock[2], 5000.0f), 1);
    m_logo->SetScale(1.0f, 1.0f);
  }
  if (m_characters) m_characters->Draw(0, 267.0f, 388.0f, 0);
}

int GameModeLogin::Draw() {
  // A ready full-screen scene hides the title screen: only the scenes are drawn.
  if (!m_scenes.CoversMode()) {
    DrawDecoration();
    m_screen.DrawAll();
  }
  m_scenes.Draw();
  return 1;
}

int GameModeLogin::OnTouchDown(int button, int x, int y) {
  int r = 0;
  if (m_scenes.TouchDown(button, x, y, &r)) return r;
  if (m_screen.DispatchTouchDown(button, x, y)) return 1;
  GameLogic* logic = Logic();
  return logic ? logic->Hooks().web_content->OnTouchDown(button, x, y) : 0;
}

int GameModeLogin::OnTouchUp(int button, int x, int y) {
  int r = 0;
  if (m_scenes.TouchUp(button, x, y, &r)) return r;
  if (m_screen.DispatchTouchUp(button, x, y)) return 1;
  GameLogic* logic = Logic();
  return logic ? logic->Hooks().web_content->OnTouchUp(button, x, y) : 0;
}

int GameModeLogin::OnTouchMove(int button, int x, int y) {
  int r = 0;
  if (m_scenes.TouchMove(button, x, y, &r)) return r;
  if (m_screen.DispatchTouchMove(button, x, y)) return 1;
  GameLogic* logic = Logic();
  return logic ? logic->Hooks().web_content->OnTouchMove(button, x, y) : 0;
}

int GameModeLogin::OnWheel(int delta, int x, int y) {
  int r = 0;
  if (m_scenes.Wheel(delta, x, y, &r)) return r;
  return 0;
}
