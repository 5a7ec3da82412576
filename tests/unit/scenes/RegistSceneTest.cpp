// The registration scene: the avatar zones, what confirm sends (byte for byte), that an
// empty name sends nothing, and that it waits for the server: a refusal keeps it open
// with a notice, an acceptance stores the account and leads on to the lobby.
#include <SDL.h>

#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXType_user_info.h"
#include "scenes/GameSceneLayer.h"
#include "scenes/VXScene_regist.h"
#include "ui/CImeBox.h"
#include "ui/GLInputText.h"
#include "ui/ImeFocusHolder.h"
#include "unit/scenes/SceneTestSupport.h"

namespace scene_test {
namespace {

// Confirm button and name field as the scene places them (images of 100 x 60 units).
constexpr int kConfirmX = 530, kConfirmY = 620;
constexpr int kNameX = 500, kNameY = 200;

class RegistSceneTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    session = sessions[0];
    session->connected = true;
    session->logged_in = true;
    ASSERT_EQ(scene.Create(kSceneRegist, 0), 1);
    scene.Start();
    scene.Show(1, 0);
    Advance(250);
    scene.Update();
    ASSERT_TRUE(scene.IsReady());
  }
  void TearDown() override {
    scene.Cleanup();
    SceneFixture::TearDown();
  }
  void Tap(int x, int y) {
    scene.OnTouchDown(0, x, y);
    scene.OnTouchUp(0, x, y);
    Advance(600);  // past the buttons' click interval
  }
  // Types into the field as the window's text events do.
  void Type(const char* text) {
    Tap(kNameX, kNameY);
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    std::snprintf(e.text.text, sizeof(e.text.text), "%s", text);
    ASSERT_TRUE(HandleWindowMessage(e));
  }
  void Confirm() { Tap(kConfirmX, kConfirmY); }
  std::vector<Packet> SentRegistrations() const {
    std::vector<Packet> r;
    for (const Packet& p : session->sent)
      if (p.id == VX_PROTOCOL_REGIST) r.push_back(p);
    return r;
  }
  static Packet Reply(int32_t ok, const char* nickname = nullptr) {
    Packet p(VX_PROTOCOL_REGIST);
    p.WriteInt32(ok);
    if (ok) {
      uint8_t block[kUserInfoSize] = {};
      std::snprintf(reinterpret_cast<char*>(block), 30, "%s", "QS000123");
      std::snprintf(reinterpret_cast<char*>(block) + 30, 50, "%s", nickname);
      p.WriteBytes(block, sizeof(block));
    }
    return p;
  }

  VXScene_regist scene;
  ReplySession* session = nullptr;
  static inline GameMode* s_scene = nullptr;
};

TEST(RegistAvatarZones, AReleaseNearAnAvatarPicksIt) {
  struct Case {
    int x, y, avatar;
  };
  const Case cases[] = {
      {453, 400, 0},  {452, 400, -1}, {523, 400, 0},  {593, 400, 0},  {594, 400, -1}, {684, 400, -1},
      {685, 400, 1},  {755, 400, 1},  {825, 400, 1},  {826, 400, -1}, {523, 356, 0},  {523, 355, -1},
      {755, 496, 1},  {755, 497, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(VXScene_regist::AvatarAt(c.x, c.y), c.avatar) << c.x << "," << c.y;
}

TEST_F(RegistSceneTest, ConfirmWithoutANameSendsNothing) {
  Confirm();
  EXPECT_TRUE(SentRegistrations().empty());
  EXPECT_EQ(ClickSounds(), 1) << "the button still clicks";
  Type("   ");
  Confirm();
  EXPECT_TRUE(SentRegistrations().empty()) << "blanks are no name";
  EXPECT_EQ(scene.view_state, 1);
  EXPECT_FALSE(scene.IsWaiting());
}

TEST_F(RegistSceneTest, ANameAndAnAvatarGoOutAsTheRegistrationRecord) {
  scene.OnTouchUp(0, 760, 420);
  EXPECT_EQ(scene.Avatar(), 1);
  EXPECT_EQ(ClickSounds(), 1) << "picking an avatar clicks";
  Type(" สมชาย ");  // Thai, with blanks around it
  Confirm();
  const std::vector<Packet> sent = SentRegistrations();
  ASSERT_EQ(sent.size(), 1u);
  const Packet& p = sent[0];
  std::vector<uint8_t> want = {1, 0, 0, 0};
  const std::string name = "สมชาย";
  want.insert(want.end(), name.begin(), name.end());
  want.resize(4 + 50, 0);
  ASSERT_EQ(p.PayloadLength(), want.size());
  EXPECT_EQ(std::vector<uint8_t>(p.payload, p.payload + p.PayloadLength()), want);
  EXPECT_TRUE(scene.IsWaiting());
  EXPECT_EQ(session->reply_user_data, &scene);

  Confirm();
  EXPECT_EQ(SentRegistrations().size(), 1u) << "one request at a time";
}

TEST_F(RegistSceneTest, EscapeDoesNotDismissTheRegistration) {
  GameSceneLayer layer;
  GameSceneLayer::SetSceneSource(+[](int id) -> GameMode* { return id == kSceneRegist ? s_scene : nullptr; });
  s_scene = &scene;
  layer.Init(kLoginSceneOrder);
  EXPECT_TRUE(layer.CloseTop()) << "the key is taken by the scene on top";
  EXPECT_EQ(scene.view_state, 1);
  GameSceneLayer::SetSceneSource(nullptr);
}

TEST_F(RegistSceneTest, ARefusalKeepsTheSceneWithANoticeAndAllowsAnotherTry) {
  Type("Somchai");
  Confirm();
  Packet refused = Reply(0);
  session->Answer(refused);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(142));
  EXPECT_EQ(scene.view_state, 1);
  EXPECT_FALSE(scene.IsWaiting());
  Advance(1000);
  scene.Update();
  EXPECT_EQ(logic->NextMode(), nullptr) << "no lobby after a refusal";

  Confirm();
  EXPECT_EQ(SentRegistrations().size(), 2u);
}

TEST_F(RegistSceneTest, AnAcceptanceStoresTheAccountFadesOutAndTheLobbyFollows) {
  Type("Somchai");
  Confirm();
  Packet accepted = Reply(1, "Somchai");
  session->Answer(accepted);
  EXPECT_STREQ(reinterpret_cast<const char*>(data->m_user_info) + kUserNickname, "Somchai") << "the account block of the answer is stored";
  EXPECT_TRUE(notices.boxes.empty());
  EXPECT_EQ(scene.view_state, 2);
  Advance(249);
  scene.Update();
  EXPECT_EQ(logic->NextMode(), nullptr);
  Advance(1);
  scene.Update();
  EXPECT_EQ(scene.view_state, 0);
  EXPECT_EQ(logic->NextMode(), &lobby);
}

TEST_F(RegistSceneTest, WithoutTheConnectionOrWithoutAnAnswerThePlayerIsToldAndMayTryAgain) {
  Type("Somchai");
  session->connected = false;
  Confirm();
  EXPECT_TRUE(SentRegistrations().empty());
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(217));

  session->connected = true;
  Confirm();
  EXPECT_TRUE(scene.IsWaiting());
  Advance(VXScene_regist::kAnswerTimeoutMs + 1);
  scene.Update();
  EXPECT_FALSE(scene.IsWaiting());
  EXPECT_EQ(notices.boxes.size(), 2u);
  EXPECT_EQ(scene.view_state, 1);
  Confirm();
  EXPECT_EQ(SentRegistrations().size(), 2u);
}

TEST_F(RegistSceneTest, TheManagerBuildsTheRegistrationSceneAndTheLoginLayerHoldsIt) {
  GameScene_manager* m = GameScene_manager::Get_Instance();
  m->Create_Scenes();
  ASSERT_NE(dynamic_cast<VXScene_regist*>(m->Scene(kSceneRegist)), nullptr);
  EXPECT_EQ(m->Scene(kSceneRegist)->opaque, 1);
  m->ShowScene(kSceneRegist, 0);
  EXPECT_TRUE(m->IsSceneShown(kSceneRegist));
}

}  // namespace
}  // namespace scene_test
