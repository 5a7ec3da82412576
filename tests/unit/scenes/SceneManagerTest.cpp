// The scene manager and the scene base: creation order and failures, refused ids, the
// 250 ms fade on a stepped clock, the tap outside a popup, the close button and its
// sound, and the layer a mode hosts (drawing order, the opaque short cut, which scene
// takes the pointer and Escape).
#include <algorithm>

#include "scenes/GameSceneLayer.h"
#include "unit/scenes/SceneTestSupport.h"

namespace scene_test {
namespace {

std::vector<std::string> g_journal;
std::vector<int> g_constructed;
int g_failing_scene = -1;  // this scene's second button names an image that is not loaded

GameScene* BuildProbe(int id) {
  g_constructed.push_back(id);
  auto* s = new ProbeScene(id, &g_journal);
  if (id == g_failing_scene) s->extra_image = "btn_square.png";
  return s;
}

class SceneManagerTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    g_journal.clear();
    g_constructed.clear();
    g_failing_scene = -1;
    GameScene_manager::SetFactory(&BuildProbe);
  }
  GameScene_manager* CreateAll() {
    GameScene_manager* m = GameScene_manager::Get_Instance();
    EXPECT_EQ(m->Create_Scenes(), 1);
    return m;
  }
  ProbeScene* Probe(int id) { return static_cast<ProbeScene*>(GameScene_manager::Get_Instance()->Scene(id)); }
  // Creates the scenes and a mode's layer over them.
  template <size_t N>
  void CreateWithLayer(const int (&order)[N]) {
    CreateAll();
    layer.Init(order);
  }
  // A press and release through the layer at (x, y), then past the click interval.
  int TapTop(int x, int y) {
    int result = 0;
    layer.TouchDown(0, x, y, &result);
    layer.TouchUp(0, x, y, &result);
    Advance(600);
    return result;
  }
  // Shows a scene and lets its fade-in end.
  void ShowReady(int id) {
    Probe(id)->Show(1, 0);
    Advance(250);
    Probe(id)->Update();
  }

  GameSceneLayer layer;
};

TEST_F(SceneManagerTest, ScenesAreBuiltInTheFixedOrderThenCreatedAndStartedByIdOnce) {
  GameScene_manager* m = CreateAll();
  EXPECT_EQ(g_constructed, std::vector<int>({0, 1, 2, 4, 5, 8, 7, 6, 9, 10, 11, 12, 13, 14, 15, 16, 3, 18, 17,
                                             19, 20, 21, 22}));
  std::vector<std::string> creates;
  for (const std::string& line : g_journal)
    if (line.find(" Create(") != std::string::npos) creates.push_back(line);
  ASSERT_EQ(creates.size(), 23u);
  for (int id = 0; id < kSceneCount; ++id) {
    EXPECT_EQ(creates[id], std::string(SceneInfo(id)->class_name) + " Create(" + std::to_string(id) + ",0)");
    GameScene* s = m->Scene(id);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->scene_id, id);
    EXPECT_EQ(s->created, 1);
    EXPECT_EQ(s->start_time, g_fake_now);
    EXPECT_EQ(s->view_state, 0) << "a started scene stays hidden";
    EXPECT_EQ(s->opaque, SceneInfo(id)->opaque);
  }
  EXPECT_EQ(m->Create_Scenes(), 1);
  EXPECT_EQ(g_constructed.size(), 23u) << "a second call builds nothing";
}

TEST_F(SceneManagerTest, SceneWithAnImageThatCannotBeBoundIsNotCreatedAndItsSlotStaysEmpty) {
  SetImageLoaded("btn_square.png", false);
  g_failing_scene = kSceneShop;
  LogCapture log;
  GameScene_manager* m = CreateAll();
  EXPECT_EQ(m->Scene(kSceneShop), nullptr);
  EXPECT_TRUE(log.Has("[ERROR]: VXScene_shop::Create| image ./raw/btn_square.png cannot be bound: scene not created"));
  EXPECT_TRUE(log.Has("[ERROR]: GameScene_manager::Create_Scenes| VXScene_shop (scene 14) not created, its slot "
                      "stays empty"));
  for (int id = 0; id < kSceneCount; ++id) {
    if (id == kSceneShop) continue;
    EXPECT_NE(m->Scene(id), nullptr) << id;
  }
  // Callers of the empty slot do nothing.
  m->ShowScene(kSceneShop, 3);
  EXPECT_FALSE(m->IsSceneShown(kSceneShop));
  EXPECT_EQ(m->ScenePage(kSceneShop), -1);
  EXPECT_EQ(GameSceneLayer::Scene(kSceneShop), nullptr);
  layer.Init(kPlaySceneOrder);
  EXPECT_EQ(layer.Count(), 9) << "the play layer skips the missing shop";
}

TEST_F(SceneManagerTest, ASceneStandingAloneReleasesWhatItBuiltWhenAnImageIsMissing) {
  SetImageLoaded("btn_square.png", false);
  ProbeScene s(kSceneCoupon);
  s.extra_image = "btn_square.png";
  EXPECT_EQ(s.Create(kSceneCoupon, 0), 0);
  EXPECT_EQ(s.created, 0);
  EXPECT_EQ(s.CloseButton(), nullptr) << "the close button made before the failure is gone too";
  EXPECT_EQ(s.WidgetCount(), 0);
  // The same scene with its images present is whole.
  s.extra_image = "btn_n_y.png";
  EXPECT_EQ(s.Create(kSceneCoupon, 0), 1);
  EXPECT_NE(s.CloseButton(), nullptr);
  EXPECT_NE(s.other, nullptr);
  EXPECT_EQ(s.WidgetCount(), 2);
}

TEST_F(SceneManagerTest, IdsOutsideTheTableAreRefused) {
  GameScene_manager* m = CreateAll();
  for (int id : {-1, 23, 1000, -2147483647 - 1}) {
    LogCapture log;
    EXPECT_EQ(m->Scene(id), nullptr);
    EXPECT_TRUE(log.Has("[WARNING]: GameScene_manager::Scene| scene id " + std::to_string(id) + " refused"));
    m->ShowScene(id, 0);
    m->HideScene(id);
    m->ReloadScenePage(id, 1);
    m->RefreshScene(id);
    Packet p(157);
    EXPECT_EQ(m->PassPacket(id, &p), 1);
    EXPECT_FALSE(m->IsSceneShown(id));
    EXPECT_EQ(m->ScenePage(id), -1);
    EXPECT_EQ(GameSceneLayer::Scene(id), nullptr);
    EXPECT_FALSE(GameSceneLayer::ShowScene(id, 0));
  }
  const int bad[] = {kSceneRegist, 23, -1};
  layer.Init(bad);
  EXPECT_EQ(layer.Count(), 1);
  EXPECT_EQ(SceneInfo(23), nullptr);
  EXPECT_EQ(SceneInfo(-1), nullptr);
}

TEST_F(SceneManagerTest, FadeInThenInitThenFadeOutFollowTheClock) {
  CreateAll();
  ProbeScene* s = Probe(kSceneFriend);
  const uint32_t t0 = g_fake_now;
  s->Show(1, 3);
  EXPECT_EQ(s->view_state, 1);
  EXPECT_EQ(s->ShowParam(), 3);
  EXPECT_EQ(GameScene_manager::Get_Instance()->ScenePage(kSceneFriend), 3);
  EXPECT_TRUE(s->IsShow());
  EXPECT_FALSE(s->IsReady());
  EXPECT_FLOAT_EQ(s->FadeProgress(t0 + 125), 0.5f);
  EXPECT_FLOAT_EQ(s->FadeProgress(t0 - 5), 0.0f) << "a clock before the change counts as no time";
  EXPECT_FLOAT_EQ(s->FadeProgress(t0 + 400), 1.0f);

  Advance(249);
  s->Update();
  EXPECT_EQ(s->opened, 0);
  Advance(1);
  s->Update();
  s->Update();
  EXPECT_EQ(s->opened, 1) << "OnInit_Process once, at 250 ms";
  EXPECT_TRUE(s->IsReady());
  s->Show(1, 0);
  EXPECT_TRUE(s->IsReady()) << "showing a shown scene changes nothing";

  s->Close();
  EXPECT_EQ(s->view_state, 2);
  EXPECT_FALSE(s->IsShow());
  s->Show(0, 0);
  EXPECT_EQ(s->state_time, g_fake_now) << "hiding a fading scene does not restart the fade";
  Advance(249);
  s->Update();
  EXPECT_EQ(s->view_state, 2);
  Advance(1);
  s->Update();
  EXPECT_EQ(s->view_state, 0);
  EXPECT_EQ(s->init_processed, 0);
  EXPECT_EQ(s->hidden, 1);

  // Shown again during a fade-out: the fade-in restarts and the scene opens again.
  s->Show(1, 0);
  Advance(250);
  s->Update();
  s->Close();
  Advance(100);
  s->Show(1, 1);
  EXPECT_EQ(s->view_state, 1);
  EXPECT_EQ(s->init_processed, 0);
  Advance(250);
  s->Update();
  EXPECT_EQ(s->opened, 3);
  EXPECT_EQ(s->hidden, 1);
}

TEST_F(SceneManagerTest, TheEndOfAFadeOutIsSeenOnceWhetherDrawOrUpdateReachesItFirst) {
  CreateAll();
  ProbeScene* s = Probe(kSceneRegist);
  ShowReady(kSceneRegist);
  s->Close();
  Advance(250);
  EXPECT_EQ(s->Draw(), 0);  // the frame draws before the next update sees the time
  EXPECT_EQ(s->view_state, 0);
  s->Update();
  EXPECT_EQ(s->hidden, 1);
  EXPECT_EQ(s->Draw(), 0) << "a hidden scene draws nothing";
}

TEST_F(SceneManagerTest, AReleaseOutsideAPopupClosesItOnlyAfterTheFirst250Ms) {
  CreateAll();
  struct Case {
    int id, x, y;
    uint32_t after_show;
    bool closes;
  };
  // Item list popup area: x 184-1096, y 31-689 (inclusive); the side panel: x 660-1280.
  const Case cases[] = {
      {kSceneItemMe, 100, 300, 250, false},  {kSceneItemMe, 100, 300, 251, true},
      {kSceneItemMe, 184, 31, 400, false},   {kSceneItemMe, 1096, 689, 400, false},
      {kSceneItemMe, 183, 300, 400, true},   {kSceneItemMe, 600, 690, 400, true},
      {kSceneSettingMain, 659, 300, 400, true}, {kSceneSettingMain, 660, 0, 400, false},
      {kSceneShop, 10, 10, 400, false},      {kSceneDayBonus, 10, 10, 400, false},
  };
  for (const Case& c : cases) {
    ProbeScene* s = Probe(c.id);
    s->Show(1, 0);
    Advance(c.after_show);
    s->Update();
    s->OnTouchUp(0, c.x, c.y);
    EXPECT_EQ(s->view_state, c.closes ? 2 : 1) << SceneInfo(c.id)->class_name << " at " << c.x << "," << c.y;
    s->Close();
    Advance(250);
    s->Update();
  }
}

TEST_F(SceneManagerTest, TheCloseButtonClosesWithTheClickSoundAndOtherButtonsReachTheScene) {
  CreateAll();
  ProbeScene* s = Probe(kSceneMission);
  ShowReady(kSceneMission);
  s->Click(s->other);
  EXPECT_EQ(s->clicks, 1);
  EXPECT_EQ(ClickSounds(), 1);
  EXPECT_EQ(s->view_state, 1);
  Advance(600);  // buttons report one click per 500 ms
  data->m_sound_on = 0;
  s->Click(s->CloseButton());
  EXPECT_EQ(ClickSounds(), 1) << "no sound with effects off";
  EXPECT_EQ(s->view_state, 2);
  EXPECT_EQ(s->clicks, 1);
}

TEST_F(SceneManagerTest, LayerDrawsInItsOrderAndAReadyOpaqueSceneCoversWhatIsUnderIt) {
  CreateWithLayer(kLobbySceneOrder);
  ASSERT_EQ(layer.Count(), 18);
  EXPECT_EQ(layer.At(0), Probe(kSceneGame));
  EXPECT_EQ(layer.At(17), Probe(kSceneItemBuy));

  Probe(kSceneShop)->Show(1, 0);      // opaque, fading in
  Probe(kSceneItemBuy)->Show(1, 0);   // popup over it
  EXPECT_FALSE(layer.CoversMode()) << "during the fade-in the mode is still drawn";
  Advance(250);
  layer.Update();
  EXPECT_TRUE(layer.CoversMode());
  g_journal.clear();
  layer.Draw();
  EXPECT_EQ(g_journal, std::vector<std::string>({"VXScene_shop Draw", "VXScene_tournament_info Draw",
                                                 "VXScene_prize_info Draw", "VXScene_day_bonus Draw",
                                                 "VXScene_setting_main Draw", "VXScene_profile_me Draw",
                                                 "VXScene_profile_player Draw", "VXScene_item_me Draw",
                                                 "VXScene_coupon Draw", "VXScene_sms_view Draw",
                                                 "VXScene_send_gift Draw", "VXScene_item_buy Draw"}))
      << "nothing under the shop is drawn";
  Probe(kSceneShop)->Close();
  EXPECT_FALSE(layer.CoversMode());
  g_journal.clear();
  layer.Draw();
  EXPECT_EQ(g_journal.size(), 18u);
  EXPECT_EQ(g_journal.front(), "VXScene_game Draw");
}

TEST_F(SceneManagerTest, TheTopmostShownSceneAloneTakesThePointerAndEscape) {
  CreateWithLayer(kLobbySceneOrder);
  int result = 0;
  EXPECT_FALSE(layer.TouchDown(0, 10, 10, &result)) << "no scene shown: the mode handles the event";
  EXPECT_FALSE(layer.CloseTop());

  ProbeScene* shop = Probe(kSceneShop);
  ProbeScene* buy = Probe(kSceneItemBuy);
  ShowReady(kSceneShop);
  EXPECT_EQ(TapTop(701, 401), 1);
  EXPECT_EQ(shop->clicks, 1);

  // The item purchase shown last takes every event, also where the shop has a button.
  ShowReady(kSceneItemBuy);
  TapTop(701, 401);
  EXPECT_EQ(buy->clicks, 1);
  EXPECT_EQ(shop->clicks, 1);
  EXPECT_EQ(layer.Top(), buy);

  // Escape closes the one on top, never the one under it.
  EXPECT_TRUE(layer.CloseTop());
  EXPECT_EQ(buy->view_state, 2);
  EXPECT_EQ(shop->view_state, 1);
  EXPECT_EQ(layer.Top(), shop) << "a fading scene no longer takes input";
  TapTop(701, 401);
  EXPECT_EQ(shop->clicks, 2);
  EXPECT_TRUE(layer.CloseTop());
  EXPECT_EQ(shop->view_state, 2);
  EXPECT_FALSE(layer.CloseTop());
}

TEST_F(SceneManagerTest, ASceneUnderTheTopOneDoesNotTakeInputWhenShownAfterIt) {
  CreateWithLayer(kLobbySceneOrder);
  ProbeScene* shop = Probe(kSceneShop);
  ProbeScene* buy = Probe(kSceneItemBuy);
  ShowReady(kSceneItemBuy);
  ShowReady(kSceneShop);  // drawn under the purchase popup
  TapTop(701, 401);
  EXPECT_EQ(buy->clicks, 1);
  EXPECT_EQ(shop->clicks, 0);
  layer.CloseTop();
  EXPECT_EQ(buy->view_state, 2);
  EXPECT_EQ(shop->view_state, 1);
}

TEST_F(SceneManagerTest, HideAllFadesEveryShownSceneOut) {
  CreateWithLayer(kPlaySceneOrder);
  ShowReady(kSceneShop);
  ShowReady(kSceneTableEmotion);
  layer.HideAll();
  EXPECT_FALSE(layer.AnyShown());
  Advance(250);
  layer.Update();
  EXPECT_EQ(Probe(kSceneShop)->view_state, 0);
  EXPECT_EQ(Probe(kSceneTableEmotion)->view_state, 0);
  EXPECT_EQ(Probe(kSceneSettingPlay)->hidden, 0) << "a scene that was never shown is left alone";
}

TEST_F(SceneManagerTest, SceneHooksReachTheScenesOfTheirIds) {
  GameScene_manager* m = CreateAll();
  m->ShowScene(kSceneRanking, 2);
  EXPECT_TRUE(m->IsSceneShown(kSceneRanking));
  EXPECT_EQ(m->ScenePage(kSceneRanking), 2);
  EXPECT_FALSE(m->IsSceneShown(kSceneFriend));
  m->HideScene(kSceneRanking);
  EXPECT_FALSE(m->IsSceneShown(kSceneRanking));
  EXPECT_EQ(m->ScenePage(kSceneRanking), -1);
  Packet p(157);
  EXPECT_EQ(m->PassPacket(kSceneFriend, &p), 1);
  EXPECT_TRUE(GameSceneLayer::ShowScene(kSceneCoupon, 0));
  EXPECT_TRUE(m->IsSceneShown(kSceneCoupon));
}

}  // namespace
}  // namespace scene_test
