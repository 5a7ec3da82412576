#include "platform/GameInterface.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "app/CRegistry.h"
#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "net/IGameSession.h"
#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_user_info.h"
#include "platform/FacebookDialog.h"
#include "platform/FacebookGraph.h"
#include "web/WebAddress.h"
#include "web/ZBWebView.h"

#if defined(__has_include)
#if __has_include(<gtk/gtk.h>)
#include <gtk/gtk.h>
#define TOLVAN_HAVE_GTK 1
#endif
#endif

#if defined(__has_include)
#if __has_include(<uuid/uuid.h>)
#include <uuid/uuid.h>
#define TOLVAN_HAVE_UUID 1
#endif
#endif

extern char** environ;

namespace {

constexpr char kDeviceIdSetting[] = "uuid";
constexpr size_t kDeviceIdTextMax = 64;

bool IsUuidText(const char* text) {
#ifdef TOLVAN_HAVE_UUID
  uuid_t parsed;
  return std::strlen(text) == 36 && uuid_parse(text, parsed) == 0;
#else
  return std::strlen(text) == 36;
#endif
}

bool NewUuidText(char* out, size_t size) {
#ifdef TOLVAN_HAVE_UUID
  if (size < 37) return false;
  uuid_t id;
  uuid_generate(id);
  uuid_unparse_lower(id, out);
  return true;
#else
  (void)out, (void)size;
  return false;
#endif
}

constexpr int kDialogWidth = 500;
constexpr int kDialogHeight = 310;
constexpr size_t kMaxMessageBytes = 254;

enum class Pending { kNone, kLogin, kLogout, kMessage };
Pending g_pending = Pending::kNone;

// Keeps the dialog a command asked for (the latest one wins) and has the main loop open
// it after the frame.
void SetPending(Pending pending) {
  if (g_pending == Pending::kNone) GameAfterFrame::Post(&Game_Interface_AfterFrame);
  g_pending = pending;
}
std::string g_message_target;
SocialLoginHandler g_social_handler = nullptr;

// The social session: memory only, never logged nor stored.
struct SocialState {
  std::string access_token;
  bool token_received = false;
  std::vector<SocialFriend> friends;
  bool friends_loaded = false;
} g_social;

// Texts the message table has no entry for, in the two editions.
constexpr EditionText kSocialFailedText = {"ไม่สามารถเข้าสู่ระบบด้วย Facebook ได้\nกรุณาลองใหม่อีกครั้ง",
                                           "Facebook 로그인에 실패했습니다.\n다시 시도해 주세요."};
constexpr EditionText kNoMessageDialogText = {"ไม่สามารถเปิดหน้าต่างข้อความได้", "메시지 창을 열 수 없습니다."};


void Notice(const EditionText& t) {
  if (GameLogic* logic = GameLogic::InstanceIfAny()) logic->Hooks().notices->PushBox("", 0, EditionOf(t), 3000, 0);
}

void Splash(uint32_t timeout_ms, bool show) {
  if (GameLogic* logic = GameLogic::InstanceIfAny()) logic->Hooks().splash->SetSplashWindow(timeout_ms, show);
}

bool GameConnected() {
  GameLogic* logic = GameLogic::InstanceIfAny();
  IGameSession* s = logic ? logic->CurrentSession() : nullptr;
  return s && s->IsConnected();
}

std::string Setting(const char* name, const std::string& fallback) {
  char value[256] = {};
  if (CRegistry::ReadString(name, value, sizeof(value)) && value[0]) return value;
  return fallback;
}

void QuitGame() {
  GameLogic* logic = GameLogic::InstanceIfAny();
  if (!logic) return;
  logic->Logout();
  logic->m_quit = 1;
}

}  // namespace

std::string MaskedId(const char* id) {
  if (!id || !*id) return "(none)";
  return std::string(id, strnlen(id, 8)) + "-****";
}

int Game_Interface_Init() {
  GameSharedData* data = GameSharedData::Instance();
  char stored[kDeviceIdTextMax + 1] = {};
  if (CRegistry::ReadString(kDeviceIdSetting, stored, sizeof(stored)) && IsUuidText(stored)) {
    CopyFixedText(data->m_device_id, sizeof(data->m_device_id), stored);
    Log(LOG_TRACE, "*********************************** uuid get == %s", MaskedId(stored).c_str());
    return 1;
  }
  char fresh[40] = {};
  if (!NewUuidText(fresh, sizeof(fresh))) {
    Log(LOG_WARNING, "[WARNING]: Game_Interface_Init| no UUID generator, the quick start is unavailable");
    return 1;
  }
  CopyFixedText(data->m_device_id, sizeof(data->m_device_id), fresh);
  if (!CRegistry::WriteString(kDeviceIdSetting, fresh))
    Log(LOG_WARNING, "[WARNING]: Game_Interface_Init| the device id could not be stored");
  Log(LOG_TRACE, "*********************************** uuid set == %s", MaskedId(fresh).c_str());
  return 1;
}

bool SpawnProgram(const char* program, const char* argument, bool search_path) {
  if (!program || !*program) return false;
  std::string prog(program), arg(argument ? argument : "");
  char* argv[3] = {prog.data(), argument ? arg.data() : nullptr, nullptr};
  pid_t pid = 0;
  const int rc = search_path ? posix_spawnp(&pid, program, nullptr, nullptr, argv, environ)
                             : posix_spawn(&pid, program, nullptr, nullptr, argv, environ);
  if (rc != 0) return false;
  // Reap exactly this child once it ends; other children (web helpers) are left alone.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

std::string CutUtf8(const std::string& text, size_t max_bytes) {
  size_t n = 0;
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  while (n < text.size()) {
    const int len = Utf8SequenceLength(p + n, text.size() - n);
    if (len <= 0 || n + static_cast<size_t>(len) > max_bytes) break;
    n += static_cast<size_t>(len);
  }
  return text.substr(0, n);
}

Packet BuildFriendUpload(const uint8_t* user_info, const std::vector<SocialFriend>& friends, int* count) {
  Packet ids(VX_PROTOCOL_SOCIAL_FRIENDS);  // a scratch payload
  int n = 0;
  for (const SocialFriend& f : friends) {
    const std::string padded = Facebook::PadSocialId(f.id);
    if (padded.empty()) continue;
    ids.WriteFixedText(padded.c_str(), 30);
    ++n;
  }
  Packet p(VX_PROTOCOL_SOCIAL_FRIENDS);
  p.WriteBytes(user_info + kUserAccountId, 30);
  int32_t number = 0;
  std::memcpy(&number, user_info + kUserNumber, 4);
  p.WriteInt32(number);
  p.WriteInt32(n);
  p.WriteBytes(ids.payload, ids.PayloadLength());
  if (count) *count = n;
  return p;
}

Packet BuildPlayerMessage(const uint8_t* user_info, const char* target_account_id, const std::string& text) {
  Packet p(VX_PROTOCOL_MAIL_SEND);
  p.WriteBytes(user_info + kUserAccountId, 30);
  int32_t number = 0;
  std::memcpy(&number, user_info + kUserNumber, 4);
  p.WriteInt32(number);
  p.WriteBytes(user_info + kUserNickname, 50);
  p.WriteFixedText(target_account_id ? target_account_id : "", 30);
  p.WriteInt32(0);
  p.WriteFixedText(text.c_str(), 1024);
  return p;
}

SocialEndpoints Game_Interface_SocialEndpoints() {
  const GameSharedData* d = GameSharedData::InstanceIfAny();
  const std::string base = d ? d->m_web_base : kDefaultWebBase;
  SocialEndpoints e;
  e.app_id = Setting("fb_app_id", kDefaultSocialAppId);
  e.authorize_url = Setting("fb_authorize_url", base + "/dialog/oauth");
  e.graph_url = Setting("fb_graph_url", base + "/graph");
  e.logout_url = Setting("fb_logout_url", base + "/logout.php");
  e.login_page = base + "/web_content/facebook_login.htm";
  e.logout_page = base + "/web_content/facebook_logout.htm";
  return e;
}

void Game_Interface_SetSocialLoginHandler(SocialLoginHandler handler) { g_social_handler = handler; }

bool Game_Interface_IsModal() { return GtkModal::IsOpen(); }

namespace {

void UploadFriends() {
  if (!g_social.friends_loaded) return;
  GameLogic* logic = GameLogic::InstanceIfAny();
  if (!logic) return;
  int count = 0;
  Packet p = BuildFriendUpload(GameSharedData::Instance()->m_user_info, g_social.friends, &count);
  if (count < 1) return;
  logic->Hooks().exchanges->PostToServiceServer(p);
}

// After the login dialog: the player's identity and friends from the Graph API.
void IdentityStep() {
  if (!g_social.token_received) return;  // cancelled
  g_social.token_received = false;
  Splash(10000, true);
  const SocialEndpoints ends = Game_Interface_SocialEndpoints();
  Facebook::HttpRequester requester;
  std::string social_id, name;
  try {
    Facebook::Session session(g_social.access_token, &requester, ends.graph_url);
    const Facebook::User user = session.getCurrentUser();
    social_id = Facebook::PadSocialId(user.Get("id"));
    if (social_id.empty()) throw Facebook::InvalidArgument("id");
    name = CutUtf8(user.Get("name"), 49);
    if (!g_social.friends_loaded) {
      for (const Facebook::Friend& f : session.LoadFriends(user.Get("id"), 0))
        g_social.friends.push_back({f.id, f.name});
      g_social.friends_loaded = true;
    }
  } catch (const Facebook::UnexpectedException&) {
    Log(LOG_WARNING, "Facebook::Session error");
    Splash(0, false);
    Notice(kSocialFailedText);
    return;
  } catch (const std::exception& e) {
    Log(LOG_WARNING, "[WARNING]: Facebook| the identity step failed (%s)", e.what());
    Splash(0, false);
    Notice(kSocialFailedText);
    return;
  }
  Splash(0, false);
  Log(LOG_TRACE, "Facebook| identity %s", social_id.c_str());
  GameLogic* logic = GameLogic::InstanceIfAny();
  GameMode* mode = logic ? logic->CurrentMode() : nullptr;
  if (mode && mode->mode_id == GameMode::kModeLogin && g_social_handler) g_social_handler(social_id.c_str(), name.c_str());
}

void RunSocialLogin() {
  Splash(30000, true);
  g_social.access_token.clear();
  g_social.token_received = false;
  g_social.friends.clear();
  g_social.friends_loaded = false;
  const SocialEndpoints ends = Game_Interface_SocialEndpoints();
  FacebookDialog dialog("Facebook Login");
  // The token comes from the local login page the authorisation page returns to.
  dialog.SetTrustedOrigin(WebOrigin(ends.login_page));
  const std::string url = Facebook::AuthenticationUrl(ends.authorize_url, ends.app_id, ends.login_page);
  const int shown = dialog.Run(url, GtkModal::CentredOnGameWindow(kDialogWidth, kDialogHeight));
  Splash(30000, false);
  if (!shown) {
    Notice(kSocialFailedText);
    return;
  }
  if (dialog.TokenReceived()) {
    g_social.access_token = dialog.Token();
    g_social.token_received = true;
  }
  IdentityStep();
}

void RunSocialLogout() {
  const SocialEndpoints ends = Game_Interface_SocialEndpoints();
  FacebookDialog dialog("Facebook Logout");
  dialog.SetTrustedOrigin(WebOrigin(ends.logout_page));
  dialog.Run(Facebook::LogoutUrl(ends.logout_url, ends.logout_page, g_social.access_token),
             GtkModal::CentredOnGameWindow(kDialogWidth, kDialogHeight));
}

#ifdef TOLVAN_HAVE_GTK
void OnDialogResponse(GtkDialog*, gint response, gpointer data) {
  auto* state = static_cast<std::pair<bool, gint>*>(data);
  state->first = true;
  state->second = response;
}
#endif

// The text-entry dialog of a message to a player; the text when confirmed.
bool AskMessageText(std::string* text) {
#ifdef TOLVAN_HAVE_GTK
  if (!GtkModal::Init()) return false;
  GtkWidget* dialog = gtk_dialog_new_with_buttons("Message", nullptr, GTK_DIALOG_MODAL, "Cancel", GTK_RESPONSE_CANCEL,
                                                  "Send", GTK_RESPONSE_OK, nullptr);
  GtkWidget* entry = gtk_entry_new();
  gtk_entry_set_max_length(GTK_ENTRY(entry), static_cast<gint>(kMaxMessageBytes));
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  gtk_container_add(GTK_CONTAINER(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), entry);
  std::pair<bool, gint> state{false, GTK_RESPONSE_CANCEL};
  g_signal_connect(dialog, "response", G_CALLBACK(OnDialogResponse), &state);
  // The text is read in the response itself, before the loop destroys the dialog.
  std::string typed;
  struct Reader {
    GtkWidget* entry;
    std::string* out;
  } reader{entry, &typed};
  g_signal_connect(dialog, "response", G_CALLBACK(+[](GtkDialog*, gint, gpointer data) {
                     auto* r = static_cast<Reader*>(data);
                     *r->out = gtk_entry_get_text(GTK_ENTRY(r->entry));
                   }), &reader);
  GtkModal::Run(dialog, GtkModal::CentredOnGameWindow(400, 120), &state.first);
  if (state.second != GTK_RESPONSE_OK) return false;
  *text = typed;
  return true;
#else
  (void)text;
  return false;
#endif
}

void RunPlayerMessage() {
  const std::string target = g_message_target;
  std::string text;
  if (!GtkModal::Init()) {
    Notice(kNoMessageDialogText);
    return;
  }
  if (!AskMessageText(&text)) return;
  if (text.empty() || text.size() > kMaxMessageBytes) return;
  GameLogic* logic = GameLogic::InstanceIfAny();
  if (!logic) return;
  logic->Hooks().exchanges->PostToServiceServer(
      BuildPlayerMessage(GameSharedData::Instance()->m_user_info, target.c_str(), text));
}

}  // namespace

void Game_Interface_AfterFrame() {
  const Pending pending = g_pending;
  g_pending = Pending::kNone;
  switch (pending) {
    case Pending::kLogin:
      RunSocialLogin();
      break;
    case Pending::kLogout:
      RunSocialLogout();
      break;
    case Pending::kMessage:
      RunPlayerMessage();
      break;
    case Pending::kNone:
      break;
  }
}

int Game_Interface_Execute(int command, int option1, int option2, const char* text1, const char* text2,
                           int option3) {
  (void)option1, (void)option2, (void)text2, (void)option3;
  switch (command) {
    case 1:
      // A text starting with "-" would reach xdg-open as an option.
      if (!text1 || !*text1 || text1[0] == '-') return 0;
      if (!SpawnProgram("xdg-open", text1, true)) {
        Log(LOG_WARNING, "[WARNING]: Game_Interface_Execute| cannot start xdg-open");
        return 0;
      }
      return 1;
    case 2:
    case 3:
      QuitGame();
      return 1;
    case 4: {
      const char* address = text1 ? text1 : "";
      CRegistry::WriteString("szDownAddress", address);
      if (!SpawnProgram("./Download", address, false)) {
        Log(LOG_WARNING, "[WARNING]: Game_Interface_Execute| cannot start the updater");
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "App Error", "Application error need reinstall!...", nullptr);
      }
      QuitGame();
      return 1;
    }
    case 9:
      if (!text1 || !*text1) return 1;
      g_message_target.assign(text1, strnlen(text1, 30));
      SetPending(Pending::kMessage);
      return 1;
    case 13:
      if (!GtkModal::Init()) {
        Log(LOG_WARNING, "[WARNING]: Game_Interface_Execute| no web view on this machine, no social login");
        return 0;
      }
      if (!GameConnected()) {
        Log(LOG_TRACE, "Game_Interface_Execute| social login needs the game connection");
        return 1;
      }
      Log(LOG_TRACE, "Game_Interface_Execute| social login opens after this frame");
      SetPending(Pending::kLogin);
      return 1;
    case 14:
      UploadFriends();
      return 1;
    case 18:
      if (!GameConnected() || GameSharedData::Instance()->AccountType() == 1) return 1;
      SetPending(Pending::kLogout);
      return 1;
    default:
      return command >= 19 ? 0 : 1;
  }
}
