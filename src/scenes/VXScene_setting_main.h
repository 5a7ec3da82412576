#pragma once
// The lobby's settings panel (scene 2, right-side popup): the sound-effects, music and
// vibration switches, the help, FAQ and customer-centre pages, and the logout.
//
// Each switch stores the inverted setting through the shared data's setter, which
// writes it to the settings file at once and tells the sound hooks: music off stops the
// music at once and music on starts the current mode's music; effects off stops the
// effects that are playing. The three switch pictures follow the settings whenever the
// panel is shown and after every change.
//
// The lobby shows it with its gear button (Show_Scene (kSceneSettingMain, 0)).
//
// Main thread only: driven by the lobby's frame and input.
#include "scenes/GameScene.h"

class VXScene_setting_main : public GameScene {
 public:
  // Top-left corners of the controls on the 1280 x 720 surface.
  static constexpr int kSwitchY = 108;
  static constexpr int kSoundX = 768, kMusicX = 929, kVibrationX = 1089;
  static constexpr int kCloseX = 1177, kCloseY = 10;
  static constexpr int kPageX = 829, kHelpY = 263, kFaqY = 355, kCentreY = 448;
  static constexpr int kLogoutX = 856, kLogoutY = 588;
  // The platform commands the panel uses: open a web page, social logout.
  static constexpr int kCommandOpenPage = 1;
  static constexpr int kCommandSocialLogout = 18;

  VXScene_setting_main();

  // The switch buttons, for tests and the drawing of the pictures.
  GLButtonImage* SoundSwitch() const { return m_sound; }
  GLButtonImage* MusicSwitch() const { return m_music; }
  GLButtonImage* VibrationSwitch() const { return m_vibration; }
  GLButtonImage* PageButton(int i) const { return m_pages[i]; }
  GLButtonImage* LogoutButton() const { return m_logout; }
  // Sets the three switch pictures from the shared data.
  void RefreshSwitches();
  void Refresh() override { RefreshSwitches(); }

 protected:
  int BuildWidgets() override;
  void DrawScene() override;
  void OnClick(ZBEventCtrl* sender) override;
  void OnShown() override;

 private:
  void OpenPage(const char* page);
  void Logout();

  GLButtonImage* m_sound = nullptr;
  GLButtonImage* m_music = nullptr;
  GLButtonImage* m_vibration = nullptr;
  GLButtonImage* m_pages[3] = {};
  GLButtonImage* m_logout = nullptr;
  GLTexture* m_panel = nullptr;
  // Off and on pictures of the three switches: sound, music, vibration.
  GLTexture* m_switch_images[3][2] = {};
};
