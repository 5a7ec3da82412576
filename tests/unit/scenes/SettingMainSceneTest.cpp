// The lobby's settings panel: each switch inverts its setting, writes it to the
// settings file and tells the sound hooks at once; the switch pictures follow the
// settings when the panel is shown and after every change; the page buttons open the
// web pages and the logout clears the saved account.
#include <string>
#include <utility>
#include <vector>

#include "app/CRegistry.h"
#include "app/GameHooks.h"
#include "scenes/VXScene_setting_main.h"
#include "unit/scenes/SceneTestSupport.h"

namespace scene_test {
namespace {

// Records the switch notices the settings give the sound system.
class SwitchSound : public RecordingSound {
 public:
  void OnMusicSwitch(bool on) override { calls.push_back(on ? "music on" : "music off"); }
  void OnEffectsSwitch(bool on) override { calls.push_back(on ? "effects on" : "effects off"); }
  std::vector<std::string> calls;
};

class PlatformRecorder : public IPlatformHooks {
 public:
  int Execute(int command, int, int, const char* text1, const char*, int) override {
    commands.emplace_back(command, text1 ? text1 : "");
    return 1;
  }
  std::vector<std::pair<int, std::string>> commands;
};

class SettingMainSceneTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    GameHooks h;
    h.sound = &switch_sound;
    h.notices = &notices;
    h.services = &services;
    h.platform = &platform;
    logic->SetHooks(h);
    ASSERT_EQ(scene.Create(kSceneSettingMain, 0), 1);
    scene.Start();
  }
  void TearDown() override {
    scene.Cleanup();
    SceneFixture::TearDown();
  }
  void Open() {
    scene.Show(1, 0);
    Advance(250);
    scene.Update();
    ASSERT_TRUE(scene.IsReady());
  }
  void Click(GLButtonImage* b) {
    ASSERT_NE(b, nullptr);
    scene.OnTouchDown(0, b->m_left + 1, b->m_top + 1);
    scene.OnTouchUp(0, b->m_left + 1, b->m_top + 1);
    Advance(600);  // past the buttons' click interval
  }
  static int32_t Stored(const char* name) {
    int32_t v = -1;
    EXPECT_EQ(CRegistry::ReadInt(name, &v), 1) << name;
    return v;
  }
  // The picture a switch shows: the texture of the on or the off image.
  static GLTexture* Picture(const char* name) {
    for (int slot = 0; slot < GameSharedImage::kSlotCount; ++slot)
      if (std::string(GameSharedImage::SlotName(slot)) == name) return GameSharedImage::Instance()->Image(slot);
    return nullptr;
  }
  static GLTexture* Shown(GLButtonImage* b) { return b->Image(); }

  SwitchSound switch_sound;
  PlatformRecorder platform;
  VXScene_setting_main scene;
};

TEST_F(SettingMainSceneTest, EachSwitchInvertsItsSettingStoresItAndTellsTheSoundAtOnce) {
  struct Case {
    const char* value;
    int32_t GameSharedData::*field;
    GLButtonImage* (VXScene_setting_main::*button)() const;
    const char* off_call;  // what the sound hears when it goes off ("" for none)
    const char* on_call;
  };
  const Case cases[] = {
      {"sound_bg_on", &GameSharedData::m_sound_bg_on, &VXScene_setting_main::MusicSwitch, "music off", "music on"},
      {"sound_on", &GameSharedData::m_sound_on, &VXScene_setting_main::SoundSwitch, "effects off", "effects on"},
      {"vibrator_on", &GameSharedData::m_vibrator_on, &VXScene_setting_main::VibrationSwitch, "", ""},
  };
  Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    data->*c.field = 1;
    switch_sound.calls.clear();
    Click((scene.*c.button)());
    EXPECT_EQ(data->*c.field, 0);
    EXPECT_EQ(Stored(c.value), 0);
    Click((scene.*c.button)());
    EXPECT_EQ(data->*c.field, 1);
    EXPECT_EQ(Stored(c.value), 1);
    std::vector<std::string> want;
    if (*c.off_call) want = {c.off_call, c.on_call};
    EXPECT_EQ(switch_sound.calls, want);
  }
}

TEST_F(SettingMainSceneTest, MusicSwitchPlaysTheClickAndStopsOnlyTheMusic) {
  // With effects on the switch clicks like every button; it tells the sound only about
  // the music, and the panel stays for further changes.
  data->m_sound_on = 1;
  data->m_sound_bg_on = 1;
  Open();
  Click(scene.MusicSwitch());
  EXPECT_EQ(switch_sound.effects, std::vector<int>{2});
  EXPECT_EQ(switch_sound.calls, std::vector<std::string>{"music off"});
  EXPECT_TRUE(scene.IsShow());
}

TEST_F(SettingMainSceneTest, SwitchPicturesFollowTheSettingsOnShowAndAfterEachChange) {
  data->m_sound_on = 0;
  data->m_sound_bg_on = 1;
  data->m_vibrator_on = 0;
  Open();
  EXPECT_EQ(Shown(scene.SoundSwitch()), Picture("btn_sound_off.png"));
  EXPECT_EQ(Shown(scene.MusicSwitch()), Picture("btn_sound_bg_on.png"));
  EXPECT_EQ(Shown(scene.VibrationSwitch()), Picture("btn_vibration_off.png"));
  Click(scene.MusicSwitch());
  EXPECT_EQ(Shown(scene.MusicSwitch()), Picture("btn_sound_bg_off.png"));
  Click(scene.SoundSwitch());
  EXPECT_EQ(Shown(scene.SoundSwitch()), Picture("btn_sound_on.png"));

  // Changed elsewhere while hidden: the next show catches up.
  scene.Close();
  Advance(300);
  scene.Update();
  data->m_vibrator_on = 1;
  Open();
  EXPECT_EQ(Shown(scene.VibrationSwitch()), Picture("btn_vibration_on.png"));
}

TEST_F(SettingMainSceneTest, PageButtonsOpenTheirWebPages) {
  std::snprintf(data->m_web_base, sizeof(data->m_web_base), "%s", "http://web.example:8080");
  Open();
  for (int i = 0; i < 3; ++i) Click(scene.PageButton(i));
  const std::vector<std::pair<int, std::string>> want = {
      {1, "http://web.example:8080/web_content/help.htm"},
      {1, "http://web.example:8080/web_content/faq.htm"},
      {1, "http://web.example:8080/web_content/cs.htm"},
  };
  EXPECT_EQ(platform.commands, want);
}

TEST_F(SettingMainSceneTest, LogoutLeavesForTheLoginAndClearsTheSavedAccount) {
  // The panel belongs to the lobby.
  logic->SetNextMode(&lobby, 0);
  logic->ChangeMode(&lobby, 0, 0);
  logic->m_mode_next = nullptr;
  data->SetAccount(1, "QS000123");
  data->SetAutoLogin(1);
  Open();
  Click(scene.LogoutButton());
  ASSERT_FALSE(platform.commands.empty());
  EXPECT_EQ(platform.commands.front().first, 18);
  EXPECT_EQ(logic->m_mode_next, &login);
  EXPECT_EQ(Stored("auto_login"), 0);
  char id[31] = "unchanged";
  EXPECT_EQ(CRegistry::ReadString("account_id", id, sizeof(id)), 1);
  EXPECT_STREQ(id, "");
  EXPECT_EQ(data->m_auto_login, 0);
  EXPECT_EQ(scene.view_state, GameScene::kFadingOut);
}

TEST_F(SettingMainSceneTest, RegisteredInTheSceneManager) {
  GameScene_manager* manager = GameScene_manager::Get_Instance();
  manager->Create_Scenes();
  GameScene* s = manager->Scene(kSceneSettingMain);
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->ClassName(), "VXScene_setting_main");
}

}  // namespace
}  // namespace scene_test
