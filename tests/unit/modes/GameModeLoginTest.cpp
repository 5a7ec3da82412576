#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/CRegistry.h"
#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "modes/login/GameModeLogin.h"
#include "net/CLEncrypt.h"
#include "net/messages/VXLoginMessages.h"
#include "framework/StringUtil.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/GlobalFakes.h"
#include "unit/app/TempFolders.h"

using namespace testing_support;

namespace {

constexpr char kDeviceId[] = "0f8fad5b-d9cb-469f-a165-70867728950e";
constexpr char kSafeAddress[] = "https://patch.example.com/tolvan-3.4.0";

struct Question {
  std::string text;
  INoticeHooks::ConfirmCallback callback;
  void* context;
};

struct Notices : NoticeRecorder {
  void PushConfirmBox(const char*, const char* text, ConfirmCallback cb, void* ctx) override {
    questions.push_back({text, cb, ctx});
  }
  std::vector<Question> questions;
};

struct Platform : IPlatformHooks {
  struct Command {
    int command, option1, option2;
    std::string text1;
  };
  int Execute(int command, int option1, int option2, const char* text1, const char*, int) override {
    commands.push_back({command, option1, option2, text1 ? text1 : ""});
    return command == 13 ? social_available : 1;
  }
  int Count(int command) const {
    int n = 0;
    for (const auto& c : commands) n += c.command == command;
    return n;
  }
  std::vector<Command> commands;
  int social_available = 1;
};

// A master server that cannot be reached.
class UnreachableSession : public FakeSession {
 public:
  using FakeSession::FakeSession;
  int Connect(const char*, int, bool) override { return 0; }
};

// Keeps the completion of the last asynchronous request, as a session waiting for the
// reply does.
class AnsweringSession : public FakeSession {
 public:
  using FakeSession::FakeSession;
  int SendAsync(Packet& p, void* user_data, SessionReplyCallback cb) override {
    callback = cb;
    context = user_data;
    return FakeSession::SendAsync(p, user_data, cb);
  }
  int Answer(Packet& reply) { return callback ? callback(context, &reply) : 0; }
  SessionReplyCallback callback = nullptr;
  void* context = nullptr;
};

// A successful master login: a returning account, or a new one of `account_type`
// (1 quick start), with empty blocks and lists.
Packet LoginReply(int32_t returning = 1, int32_t account_type = 1) {
  Packet p(145);
  p.WriteInt32(0);
  ServerInfo master;
  master.SetKind(0);
  p.WriteBytes(master.raw, sizeof(master.raw));
  uint8_t account[kUserInfoSize] = {};
  std::memcpy(account, "Q0123456789abcdef", 17);
  std::memcpy(account + kUserAccountType, &account_type, 4);
  p.WriteBytes(account, sizeof(account));
  p.WriteInt32(0);  // status
  p.WriteInt32(returning);
  p.WriteInt32(1);  // registrations kept locally
  const std::vector<uint8_t> zeros(556, 0);
  p.WriteBytes(zeros.data(), 28);                // day bonus
  p.WriteBytes(master.raw, sizeof(master.raw));  // service server
  p.WriteBytes(zeros.data(), 452);               // profile
  p.WriteInt32(0);                               // unread mail
  p.WriteInt32(0);                               // bonus records
  p.WriteInt32(0);                               // item slots
  p.WriteBytes(zeros.data(), 556);
  p.WriteBytes(zeros.data(), 52);
  return p;
}

Packet Hello(int32_t major, int32_t minor, int32_t patch, const char* address) {
  VXMsg_hello_reply r;
  r.major = major, r.minor = minor, r.patch = patch;
  CopyFixedText(r.patch_url, sizeof(r.patch_url), address);
  Packet p;
  Build_Packet(r, p);
  return p;
}

std::string StoredPatchUrl() {
  char buf[256] = {};
  return CRegistry::ReadString("patch_url", buf, sizeof(buf)) ? buf : "(absent)";
}

class LoginModeTest : public ::testing::Test {
 public:
  void SetUp() override {
    notices = Notices();
    platform = Platform();
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.notices = &notices;
    h.platform = &platform;
    logic->SetHooks(h);
    logic->SetModes(&mode, nullptr, nullptr);
    logic->m_network_state = 1;
    for (int i = 0; i < 4; ++i) {
      FakeSession* s = i != 0 ? new FakeSession(i)
                       : unreachable ? static_cast<FakeSession*>(new UnreachableSession(i))
                                     : new AnsweringSession(i);
      s->hello_ok = false;
      logic->m_sessions[i] = sessions[i] = s;
    }
    data = GameSharedData::Instance();
    data->Load();
    CopyFixedText(data->m_device_id, sizeof(data->m_device_id), kDeviceId);
    InitLanguageMessages(kLanguageEditionThai);
    mode.SetLogic(logic.get());
    logic->ChangeMode(&mode, 0, 0);
  }
  void TearDown() override {
    GameAfterFrame::Clear();
    GameSceneLayer::SetSceneSource(nullptr);
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }

  // The master greets with a version; the next frame carries out what waited for it.
  void Greet(int32_t major, int32_t minor, int32_t patch, const char* address = kSafeAddress) {
    Packet p = Hello(major, minor, patch, address);
    logic->ProcessPacket(&p);
    mode.Update();
  }
  std::vector<Packet> Sent(uint16_t id) const {
    std::vector<Packet> out;
    for (const Packet& p : sessions[0]->sent)
      if (p.id == id) out.push_back(p);
    return out;
  }

  bool unreachable = false;
  TempFolders folders;
  Notices notices;
  Platform platform;
  GameModeLogin mode;
  FakeSession* sessions[4] = {};
  GameSharedData* data = nullptr;
  std::unique_ptr<GameLogic> logic;
};

TEST(LoginVersion, ServerVersionsAgainstTheClientsOwn) {
  struct Case {
    int32_t major, minor, patch, state;
  } cases[] = {
      {3, 3, 0, kUpdateNone},     {3, 3, 1, kUpdateOptional}, {3, 4, 0, kUpdateRequired},
      {4, 0, 0, kUpdateRequired}, {3, 2, 9, kUpdateNone},     {2, 9, 9, kUpdateNone},
      {3, 3, 9, kUpdateOptional}, {-1, -1, -1, kUpdateNone},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(UpdateStateForVersion(c.major, c.minor, c.patch), c.state)
        << c.major << "." << c.minor << "." << c.patch;
  }
}

TEST(LoginVersion, UpdaterAddressesMustBeSecureOrLocal) {
  struct Case {
    const char* url;
    bool trusted;
  } cases[] = {
      {"https://patch.example.com/x", true}, {"HTTPS://patch.example.com", true},
      {"http://127.0.0.1:10080/patch", true}, {"http://localhost/patch", true},
      {"http://patch.example.com/x", false},  {"http://127.0.0.1.evil.example/x", false},
      {"http://localhost.evil.example", false}, {"https://", false},
      {"file:///tmp/x", false},               {"", false},
      {"http://localhost:80@evil.example/x", false}, {"http://127.0.0.1:@evil.example", false},
      {"http://127.0.0.1:10080", true},
  };
  for (const Case& c : cases) EXPECT_EQ(IsTrustedPatchAddress(c.url), c.trusted) << c.url;
  EXPECT_FALSE(IsTrustedPatchAddress(nullptr));
}

// The hello table: what each server version does to the update state, the stored
// address and the updater, and whether the quick-start button then logs in.
TEST_F(LoginModeTest, HelloVersionsDecideTheUpdateAndWhetherTheButtonsWork) {
  struct Case {
    int32_t major, minor, patch;
    int32_t state;
    bool address_stored;
    int updater_starts;  // required updates start it at once
    int questions;       // optional updates ask first
    bool click_logs_in;
  } cases[] = {
      {3, 3, 0, kUpdateNone, false, 0, 0, true},     {3, 3, 1, kUpdateOptional, true, 0, 1, true},
      {3, 4, 0, kUpdateRequired, true, 1, 0, false}, {4, 0, 0, kUpdateRequired, true, 1, 0, false},
      {3, 2, 9, kUpdateNone, true, 0, 0, true},      {2, 9, 9, kUpdateNone, true, 0, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor) + "." + std::to_string(c.patch));
    TearDown();
    CRegistry::WriteString("patch_url", "");
    SetUp();
    sessions[0]->connected = true;
    EXPECT_EQ(data->m_update_state, kUpdateNoHello);
    Packet hello = Hello(c.major, c.minor, c.patch, kSafeAddress);
    logic->ProcessPacket(&hello);
    // Nothing starts inside the packet dispatch: the updater quits the game.
    EXPECT_TRUE(platform.commands.empty());
    EXPECT_TRUE(notices.questions.empty());
    mode.Update();
    EXPECT_TRUE(sessions[0]->hello_ok);
    EXPECT_EQ(data->m_update_state, c.state);
    EXPECT_EQ(StoredPatchUrl(), c.address_stored ? kSafeAddress : "");
    EXPECT_EQ(platform.Count(4), c.updater_starts);
    if (c.updater_starts) {
      EXPECT_EQ(platform.commands.back().option1, 1);  // required
      EXPECT_EQ(platform.commands.back().option2, 126);
      EXPECT_EQ(platform.commands.back().text1, kSafeAddress);
    }
    EXPECT_EQ(notices.questions.size(), static_cast<size_t>(c.questions));

    mode.OnEvent(&mode.btn_quick);
    EXPECT_EQ(Sent(145).size(), c.click_logs_in ? 1u : 0u);
    // A click while an update is required starts the updater again.
    EXPECT_EQ(platform.Count(4), c.updater_starts * 2);
  }
}

TEST_F(LoginModeTest, OptionalUpdateStartsOnlyWhenConfirmed) {
  for (int answer : {0, 1}) {
    SCOPED_TRACE(answer);
    TearDown();
    SetUp();
    sessions[0]->connected = true;
    Greet(3, 3, 1);
    ASSERT_EQ(notices.questions.size(), 1u);
    EXPECT_EQ(platform.Count(4), 0);
    notices.questions[0].callback(notices.questions[0].context, answer);
    ASSERT_EQ(platform.Count(4), answer);
    if (answer) {
      EXPECT_EQ(platform.commands.back().option1, 0);  // optional
      EXPECT_EQ(platform.commands.back().text1, kSafeAddress);
    }
  }
}

TEST_F(LoginModeTest, AnAddressThatIsNeitherSecureNorLocalIsNeverHandedToTheUpdater) {
  sessions[0]->connected = true;
  Greet(4, 0, 0, "http://patch.example.com/tolvan");
  EXPECT_EQ(data->m_update_state, kUpdateRequired);
  EXPECT_EQ(platform.Count(4), 0);
  ASSERT_EQ(notices.boxes.size(), 1u);  // the user learns why nothing happens
  mode.OnEvent(&mode.btn_quick);
  EXPECT_EQ(platform.Count(4), 0);
  EXPECT_TRUE(Sent(145).empty());

  TearDown();
  SetUp();
  sessions[0]->connected = true;
  Greet(3, 3, 1, "ftp://patch.example.com/tolvan");
  EXPECT_TRUE(notices.questions.empty());
}

// The device login's request, byte for byte.
TEST_F(LoginModeTest, QuickStartSendsTheDeviceLogin) {
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  data->SetUser32(kUserMarker, 0);
  mode.OnEvent(&mode.btn_quick);
  const auto sent = Sent(145);
  ASSERT_EQ(sent.size(), 1u);
  const Packet& p = sent[0];
  ASSERT_EQ(p.PayloadLength(), 4u + 4u + 60u + 64u + 184u);
  EXPECT_EQ(p.length, kPacketHeaderSize + 316u);

  std::vector<uint8_t> expected = {0xDD, 0xF0, 0xF0, 0xFF, 0, 0, 0, 0};
  expected.resize(8 + 60, 0);  // no user id for a device login
  std::vector<uint8_t> token(64, 0);
  std::memcpy(token.data(), kDeviceId, sizeof(kDeviceId) - 1);
  expected.insert(expected.end(), token.begin(), token.end());
  EXPECT_EQ(data->GetUser32(kUserMarker), 126);  // the protocol version goes with it
  expected.insert(expected.end(), data->m_user_info, data->m_user_info + 184);
  EXPECT_EQ(std::vector<uint8_t>(p.payload, p.payload + p.PayloadLength()), expected);
  EXPECT_EQ(data->m_login_kind, 1);
}

TEST_F(LoginModeTest, SocialLoginScramblesTheUserId) {
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  mode.OnSocialLogin("00000123456789012345", "ผู้เล่น");
  const auto sent = Sent(145);
  ASSERT_EQ(sent.size(), 1u);
  char scrambled[60] = {};
  ASSERT_EQ(CLEncrypt().ScrambleText("00000123456789012345", scrambled), 1);
  EXPECT_EQ(std::memcmp(sent[0].payload + 8, scrambled, 60), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(sent[0].payload + 132 + kUserNickname)), "ผู้เล่น");
  EXPECT_EQ(data->m_login_kind, 0);
}

TEST_F(LoginModeTest, AClickBeforeTheHelloConnectsTellsTheUserAndLogsInOnceGreeted) {
  mode.OnEvent(&mode.btn_quick);
  EXPECT_TRUE(sessions[0]->connected);
  EXPECT_EQ(Sent(134).size(), 1u);  // the connection job greets the server
  EXPECT_TRUE(Sent(145).empty());
  ASSERT_EQ(notices.banners.size(), 1u);
  EXPECT_EQ(notices.banners[0].text, LangMessage(211));
  EXPECT_EQ(mode.PendingLoginKind(), GameModeLogin::kPendingQuick);

  mode.Update();  // nothing happens before the hello
  EXPECT_TRUE(Sent(145).empty());
  Greet(3, 3, 0);
  EXPECT_EQ(Sent(145).size(), 1u);
  mode.Update();
  EXPECT_EQ(Sent(145).size(), 1u);  // sent once
  EXPECT_EQ(mode.PendingLoginKind(), GameModeLogin::kPendingNone);
}

TEST_F(LoginModeTest, ALoginWaitingForTheHelloWaitsOutARequiredUpdate) {
  mode.OnEvent(&mode.btn_quick);
  Greet(3, 4, 0);
  EXPECT_TRUE(Sent(145).empty());
  EXPECT_EQ(platform.Count(4), 1);
  mode.Update();
  EXPECT_TRUE(Sent(145).empty());  // the waiting login was dropped, not kept for later
}

TEST_F(LoginModeTest, TheTitleScreenConnectsToTheMasterAndGreetsIt) {
  data->SetMasterAddress("127.0.0.5", 4321);
  mode.OnInit_Process();
  EXPECT_TRUE(sessions[0]->connected);
  EXPECT_STREQ(sessions[0]->Info().Host(), "127.0.0.5");
  EXPECT_EQ(sessions[0]->Info().Port(), 4321);
  const auto hellos = Sent(134);
  ASSERT_EQ(hellos.size(), 1u);
  VXMsg_hello_request h;
  Packet copy = hellos[0];
  ASSERT_TRUE(h.Read(copy));
  EXPECT_EQ(h.marker, kLoginMarker);
  EXPECT_EQ(h.version, 126);
  EXPECT_EQ(mode.init_processed, 1);
}

TEST_F(LoginModeTest, ConnectedButNotGreetedSendsTheHelloAgain) {
  sessions[0]->connected = true;
  EXPECT_EQ(mode.Connect_And_Hello(), 0);
  EXPECT_EQ(Sent(134).size(), 1u);
  sessions[0]->hello_ok = true;
  EXPECT_EQ(mode.Connect_And_Hello(), 1);
  EXPECT_EQ(Sent(134).size(), 1u);
  logic->m_network_state = 0;
  EXPECT_EQ(mode.Connect_And_Hello(), 0);
}

TEST_F(LoginModeTest, TheReplyGoesToTheGameLogicWhichMovesOn) {
  RecordingMode lobby(GameMode::kModeLobby, "lobby");
  for (GameMode* next : {static_cast<GameMode*>(&lobby), static_cast<GameMode*>(nullptr)}) {
    SCOPED_TRACE(next ? "with a lobby" : "without a lobby");
    TearDown();
    SetUp();
    logic->SetModes(&mode, next, nullptr);
    sessions[0]->connected = true;
    Greet(3, 3, 0);
    mode.OnEvent(&mode.btn_quick);
    Packet reply = LoginReply();
    ASSERT_EQ(static_cast<AnsweringSession*>(sessions[0])->Answer(reply), 1);
    EXPECT_TRUE(sessions[0]->logged_in);
    EXPECT_STREQ(data->AccountId(), "Q0123456789abcdef");
    EXPECT_EQ(logic->NextMode(), next);
    // Without a mode to go on to, the title screen stays usable.
    EXPECT_EQ(mode.IsShow(), next ? 0 : 1);
  }
}

class UnreachableLoginTest : public LoginModeTest {
 public:
  void SetUp() override {
    unreachable = true;
    LoginModeTest::SetUp();
  }
};

TEST_F(UnreachableLoginTest, AFailedConnectionShowsTheConnectionNoticeAndDropsTheWaitingLogin) {
  mode.OnEvent(&mode.btn_quick);
  EXPECT_FALSE(sessions[0]->connected);
  mode.Update();
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(217));
  ASSERT_EQ(platform.Count(1), 1);
  const std::string page = platform.commands.back().text1;
  EXPECT_EQ(page.substr(page.size() - std::strlen("/web_content/connect_error.htm")), "/web_content/connect_error.htm");
  mode.Update();
  EXPECT_EQ(notices.boxes.size(), 1u);  // once per failure
  EXPECT_EQ(platform.Count(1), 1);
  EXPECT_EQ(mode.PendingLoginKind(), GameModeLogin::kPendingNone);

  // A second attempt queues a new connection.
  mode.OnEvent(&mode.btn_quick);
  mode.Update();
  EXPECT_EQ(notices.boxes.size(), 2u);
}

TEST_F(LoginModeTest, AutoLoginFollowsTheSavedAccountType) {
  struct Case {
    int32_t account_type;
    size_t logins;
    int social_dialogs;
  } cases[] = {{1, 1, 0}, {2, 0, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.account_type);
    TearDown();
    CRegistry::WriteInt("auto_login", 1);
    CRegistry::WriteInt("account_type", c.account_type);
    SetUp();
    sessions[0]->connected = true;
    Greet(3, 3, 0);
    EXPECT_EQ(Sent(145).size(), c.logins);
    // The social dialog has its own event loop: it opens after the frame, not in it.
    EXPECT_EQ(platform.Count(13), 0);
    GameAfterFrame::Run();
    EXPECT_EQ(platform.Count(13), c.social_dialogs);
  }
  TearDown();
  CRegistry::WriteInt("auto_login", 0);
  SetUp();
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  EXPECT_TRUE(Sent(145).empty());
  EXPECT_EQ(platform.Count(13), 0);
}

TEST_F(LoginModeTest, SocialButtonSaysSoWhenTheSocialLoginIsUnavailable) {
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  platform.social_available = 0;
  mode.OnEvent(&mode.btn_social);
  EXPECT_EQ(platform.Count(13), 1);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_NE(notices.boxes[0].text.find("Facebook"), std::string::npos);
  EXPECT_TRUE(Sent(145).empty());

  platform.social_available = 1;
  mode.OnEvent(&mode.btn_social);
  EXPECT_EQ(notices.boxes.size(), 1u);
}

TEST_F(LoginModeTest, EscapeAsksBeforeQuitting) {
  mode.Close();
  ASSERT_EQ(notices.questions.size(), 1u);
  notices.questions[0].callback(notices.questions[0].context, 0);
  EXPECT_EQ(platform.Count(3), 0);
  notices.questions[0].callback(notices.questions[0].context, 1);
  EXPECT_EQ(platform.Count(3), 1);
}

TEST_F(LoginModeTest, QuickStartIsASettingOnByDefault) {
  EXPECT_EQ(data->m_quick_start, 1);
  CRegistry::WriteInt("quick_start", 0);
  data->Load();
  EXPECT_EQ(data->m_quick_start, 0);
}

TEST_F(LoginModeTest, OtherMessagesAreLeftAlone) {
  Packet other(216);
  other.WriteInt32(1);
  EXPECT_EQ(logic->ProcessPacket(&other), 1);
  EXPECT_EQ(data->m_update_state, kUpdateNoHello);
  EXPECT_FALSE(sessions[0]->hello_ok);
}

// ---- the registration scene in the login mode's layer ----

// A full-screen scene that records what reaches it.
class FakeScene : public GameMode {
 public:
  int Update() override {
    ++updates;
    return 1;
  }
  int Draw() override {
    ++draws;
    return 1;
  }
  int OnTouchDown(int, int, int) override {
    ++touches;
    return 1;
  }
  int OnTouchUp(int, int, int) override {
    ++touches;
    return 1;
  }
  void Close() override { ++closes; }
  int updates = 0, draws = 0, touches = 0, closes = 0;
};

FakeScene* g_regist = nullptr;

// The scene side of the game logic: the login reply shows the registration through it.
struct SceneShower : ISceneHooks {
  void ShowScene(int id, int param) override {
    if (id == kSceneRegist && g_regist) g_regist->Show(1, param);
  }
};

class LoginSceneLayerTest : public LoginModeTest {
 public:
  void SetUp() override {
    LoginModeTest::SetUp();
    g_regist = &regist;
    GameSceneLayer::SetSceneSource(+[](int id) -> GameMode* { return id == kSceneRegist ? g_regist : nullptr; });
    GameHooks h = logic->Hooks();
    h.scenes = &shower;
    logic->SetHooks(h);
    sessions[0]->connected = true;
    mode.OnInit_Process();  // the layer is filled when the mode is initialised
    Greet(3, 3, 0);
  }
  void TearDown() override {
    LoginModeTest::TearDown();
    g_regist = nullptr;
  }
  // A click on quick start, answered with `reply`.
  void QuickLoginAnswered(Packet reply) {
    mode.OnEvent(&mode.btn_quick);
    ASSERT_EQ(static_cast<AnsweringSession*>(sessions[0])->Answer(reply), 1);
  }
  FakeScene regist;
  SceneShower shower;
};

TEST_F(LoginSceneLayerTest, ANewQuickStartAccountRegistersOverTheTitleScreen) {
  ASSERT_EQ(mode.Scenes().Count(), 1);
  QuickLoginAnswered(LoginReply(0, 1));
  EXPECT_EQ(regist.IsShow(), 1);
  EXPECT_EQ(logic->NextMode(), nullptr);  // no lobby before the registration
  EXPECT_EQ(mode.IsShow(), 1);

  mode.Update();
  EXPECT_EQ(regist.updates, 2);  // every frame of the mode, shown or not
  regist.init_processed = 1;     // faded in: it now covers the title screen
  mode.Draw();
  EXPECT_EQ(regist.draws, 1);

  // The pointer and Escape belong to the scene: no second login, no quit question.
  EXPECT_EQ(mode.OnTouchDown(0, 640, 403), 1);
  EXPECT_EQ(mode.OnTouchUp(0, 640, 403), 1);
  EXPECT_EQ(regist.touches, 2);
  mode.Close();
  EXPECT_EQ(regist.closes, 1);
  EXPECT_TRUE(notices.questions.empty());
  EXPECT_EQ(Sent(145).size(), 1u);

  // Hidden again, the title screen has its input back.
  regist.view_state = 0;
  EXPECT_EQ(mode.OnTouchUp(0, 640, 403), 0);
  EXPECT_EQ(regist.touches, 2);
  mode.Close();
  EXPECT_EQ(notices.questions.size(), 1u);
}

TEST_F(LoginSceneLayerTest, AReturningAccountGoesOnWithoutTheRegistration) {
  RecordingMode lobby(GameMode::kModeLobby, "lobby");
  logic->SetModes(&mode, &lobby, nullptr);
  QuickLoginAnswered(LoginReply(1, 1));
  EXPECT_EQ(regist.IsShow(), 0);
  EXPECT_EQ(logic->NextMode(), &lobby);
}

TEST_F(LoginSceneLayerTest, TheSocialDialogStaysShutWhenTheTitleScreenIsGoneByTheEndOfTheFrame) {
  // A login waits for the hello; the hello's frame posts the dialog, but the
  // registration is up by the time the frame is over.
  mode.OnEvent(&mode.btn_social);
  EXPECT_EQ(platform.Count(13), 1);  // a click opens it at once: input comes between frames
  TearDown();
  SetUp();
  sessions[0]->hello_ok = false;
  mode.OnEvent(&mode.btn_social);
  Greet(3, 3, 0);
  EXPECT_EQ(platform.Count(13), 0);
  regist.Show(1, 0);
  GameAfterFrame::Run();
  EXPECT_EQ(platform.Count(13), 0);
}

// ---- mends of the login's edges ----

TEST_F(LoginModeTest, ALoginInUseLogsOutAfterTheDispatchNotInsideIt) {
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  mode.OnEvent(&mode.btn_quick);
  Packet in_use(145);
  in_use.WriteInt32(4);
  static_cast<AnsweringSession*>(sessions[0])->Answer(in_use);
  // Still inside the session's pump: the session being read stays open.
  EXPECT_TRUE(sessions[0]->connected);
  EXPECT_EQ(Sent(146).size(), 0u);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(23));
  EXPECT_EQ(GameAfterFrame::Run(), 1u);
  EXPECT_FALSE(sessions[0]->connected);
  EXPECT_FALSE(sessions[0]->hello_ok);
  EXPECT_EQ(GameAfterFrame::Run(), 0u);  // once
}

TEST_F(LoginModeTest, LoggingOutKeepsTheConfiguredMasterServer) {
  data->SetMasterAddress("127.0.0.5", 4321);
  sessions[0]->connected = true;
  logic->Logout();
  EXPECT_STREQ(data->m_master_server.Host(), "127.0.0.5");
  EXPECT_EQ(data->m_master_server.Port(), 4321);
  // The title screen that follows connects there again.
  EXPECT_EQ(mode.Connect_And_Hello(), 0);
  EXPECT_STREQ(sessions[0]->Info().Host(), "127.0.0.5");
  EXPECT_EQ(sessions[0]->Info().Port(), 4321);
  // A start without a stored address still takes the default.
  std::remove(CRegistry::FilePath().c_str());
  data->Load();
  EXPECT_STREQ(data->m_master_server.Host(), "127.0.0.1");
  EXPECT_EQ(data->m_master_server.Port(), 10088);
}

TEST_F(LoginModeTest, LoginCredentialsAreNeverWrittenToTheSettings) {
  // An older version's stored copy goes with the next write.
  ASSERT_EQ(CRegistry::WriteInt("sound_on", 1), 1);  // the settings folder exists
  {
    std::FILE* f = std::fopen(CRegistry::FilePath().c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fputs("{\"user_id\": \"1234567\", \"user_pwd\": \"hunter2\", \"sound_on\": 1}", f);
    std::fclose(f);
  }
  for (const char* name : {"user_id", "user_pwd"}) EXPECT_EQ(CRegistry::WriteString(name, "secret"), 0) << name;
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  mode.OnSocialLogin("00000123456789012345", "ผู้เล่น");
  data->SetAutoLogin(1);
  std::string text;
  {
    std::FILE* f = std::fopen(CRegistry::FilePath().c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof(buf), f)) > 0) text.append(buf, n);
    std::fclose(f);
  }
  EXPECT_EQ(text.find("user_id"), std::string::npos) << text;
  EXPECT_EQ(text.find("user_pwd"), std::string::npos) << text;
  EXPECT_EQ(text.find("hunter2"), std::string::npos) << text;
  EXPECT_NE(text.find("auto_login"), std::string::npos) << text;
  char buf[32] = "kept";
  EXPECT_EQ(CRegistry::ReadString("user_id", buf, sizeof(buf)), 0);
}

// Names the social network gives go into the 50-byte nickname field whole or cut
// after the last character that fits, never inside one.
TEST_F(LoginModeTest, LongThaiNamesAreCutAtACharacterBoundary) {
  const std::string thai16 = [] {
    std::string s;
    for (int i = 0; i < 16; ++i) s += "ก";  // 3 bytes each
    return s;
  }();
  struct Case {
    std::string name;
    std::string stored;
  } cases[] = {
      {"a" + thai16, "a" + thai16},                           // 49 bytes: fits whole
      {"ab" + thai16, "ab" + thai16.substr(0, 45)},           // 50 bytes: the last character goes
      {thai16 + "ab", thai16 + "a"},                          // 50 bytes ending in ASCII
      {"ab" + thai16 + "ก", "ab" + thai16.substr(0, 45)},     // 53 bytes
  };
  sessions[0]->connected = true;
  Greet(3, 3, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name.size());
    mode.OnSocialLogin("00000123456789012345", c.name.c_str());
    const std::string stored = ReadFixedText(reinterpret_cast<const char*>(data->m_user_info + kUserNickname), 50);
    EXPECT_EQ(stored, c.stored);
    EXPECT_NE(Utf8Length(stored), 0u);  // valid UTF-8
    // The request carries the same field.
    const auto sent = Sent(145);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(ReadFixedText(reinterpret_cast<const char*>(sent.back().payload + 132 + kUserNickname), 50), c.stored);
  }
}

}  // namespace
