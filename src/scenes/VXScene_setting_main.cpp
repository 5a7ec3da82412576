#include "scenes/VXScene_setting_main.h"

#include <cstring>
#include <string>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "ui/GLButtonImage.h"

namespace {

constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr int kCentred = GLFont::kAlignCentre | GLFont::kAlignVCentre;
constexpr int kPanelX = 660;

enum { kSwitchSound = 0, kSwitchMusic = 1, kSwitchVibration = 2 };
// Off and on pictures of each switch.
constexpr const char* kSwitchImages[3][2] = {
    {"btn_sound_off.png", "btn_sound_on.png"},
    {"btn_sound_bg_off.png", "btn_sound_bg_on.png"},
    {"btn_vibration_off.png", "btn_vibration_on.png"},
};
constexpr int kSwitchX[3] = {VXScene_setting_main::kSoundX, VXScene_setting_main::kMusicX,
                             VXScene_setting_main::kVibrationX};
constexpr const char* kPages[3] = {"help.htm", "faq.htm", "cs.htm"};
constexpr int kPageCaptions[3] = {57, 56, 58};
constexpr int kPageY[3] = {VXScene_setting_main::kHelpY, VXScene_setting_main::kFaqY,
                           VXScene_setting_main::kCentreY};

// The account id of the user block: a fixed 30-byte field, not always terminated.
std::string AccountIdText(const GameSharedData* d) {
  const char* field = d->AccountId();
  return std::string(field, strnlen(field, 30));
}

}  // namespace

VXScene_setting_main::VXScene_setting_main() : GameScene(kSceneSettingMain) {}

int VXScene_setting_main::BuildWidgets() {
  m_panel = BindImage("popup_side.png");
  for (int i = 0; i < 3; ++i)
    for (int on = 0; on < 2; ++on) m_switch_images[i][on] = BindImage(kSwitchImages[i][on]);
  AddButton(&m_sound, kSwitchImages[kSwitchSound][1], kSoundX, kSwitchY);
  AddButton(&m_music, kSwitchImages[kSwitchMusic][1], kMusicX, kSwitchY);
  AddButton(&m_vibration, kSwitchImages[kSwitchVibration][1], kVibrationX, kSwitchY);
  for (int i = 0; i < 3; ++i) AddButton(&m_pages[i], "btn_popup_menu.png", kPageX, kPageY[i], LangMessage(kPageCaptions[i]));
  AddButton(&m_logout, "btn_b_y.png", kLogoutX, kLogoutY, LangMessage(59), 24);
  AddCloseButton("btn_close_b.png", kCloseX, kCloseY);
  return 1;
}

void VXScene_setting_main::OnShown() { RefreshSwitches(); }

void VXScene_setting_main::RefreshSwitches() {
  const GameSharedData* d = GameSharedData::Instance();
  GLButtonImage* buttons[3] = {m_sound, m_music, m_vibration};
  const int32_t values[3] = {d->m_sound_on, d->m_sound_bg_on, d->m_vibrator_on};
  for (int i = 0; i < 3; ++i) {
    GLTexture* picture = m_switch_images[i][values[i] ? 1 : 0];
    if (buttons[i] && picture) buttons[i]->SetImage(picture, kSwitchX[i], kSwitchY);
  }
}

void VXScene_setting_main::OnClick(ZBEventCtrl* sender) {
  GameSharedData* d = GameSharedData::Instance();
  if (sender == m_sound) {
    d->SetSoundOn(d->m_sound_on ? 0 : 1);
    Log(LOG_TRACE, "VXScene_setting_main::OnClick| sound effects %s", d->m_sound_on ? "on" : "off");
  } else if (sender == m_music) {
    d->SetSoundBgOn(d->m_sound_bg_on ? 0 : 1);
    Log(LOG_TRACE, "VXScene_setting_main::OnClick| music %s", d->m_sound_bg_on ? "on" : "off");
  } else if (sender == m_vibration) {
    d->SetVibratorOn(d->m_vibrator_on ? 0 : 1);
  } else if (sender == m_logout) {
    Logout();
    return;
  } else {
    for (int i = 0; i < 3; ++i)
      if (sender == m_pages[i]) OpenPage(kPages[i]);
    return;
  }
  RefreshSwitches();
}

void VXScene_setting_main::OpenPage(const char* page) {
  const GameSharedData* d = GameSharedData::Instance();
  const std::string url = FormatString("%s/web_content/%s", d->m_web_base, page);
  GameLogic::Instance()->Hooks().platform->Execute(kCommandOpenPage, 0, 0, url.c_str(), nullptr, 0);
}

void VXScene_setting_main::Logout() {
  GameLogic* logic = GameLogic::Instance();
  logic->Hooks().platform->Execute(kCommandSocialLogout, 0, 0, nullptr, nullptr, 0);
  logic->Logout();
  GameSharedData* d = GameSharedData::Instance();
  // The reset data holds no account: storing it clears the saved one.
  d->SetAccount(d->AccountType(), AccountIdText(d).c_str());
  d->SetAutoLogin(0);
  d->Load();
  Close();
}

void VXScene_setting_main::DrawScene() {
  m_panel->Draw(0, static_cast<float>(kPanelX), 0.0f, 0);
  GLSurface* surface = GLSurface::InstanceIfAny();
  GLFont* font = surface ? surface->Font(0) : nullptr;
  if (!font) return;
  font->SetFaceSize(34);
  font->DrawTextAt(970.0f, 45.0f, LangMessage(55), kCentred, kWhite);
  const std::string id = FormatString("ID : %s", AccountIdText(GameSharedData::Instance()).c_str());
  font->SetFaceSize(22);
  font->DrawTextAt(970.0f, 545.0f, id.c_str(), kCentred, kWhite);
}
