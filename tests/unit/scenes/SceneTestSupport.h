#pragma once
// Shared set-up of the scene tests: a stepped clock, the game logic with recording
// hooks and fake sessions, the shared images marked as loaded (no GL is needed: a
// texture id is enough for a widget to bind its image), and a small scene that records
// what it is asked to do.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "gfx/GLTexture.h"
#include "media/GameSharedImage.h"
#include "scenes/GameScene.h"
#include "scenes/GameScene_manager.h"
#include "ui/GLButtonImage.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/GlobalFakes.h"
#include "unit/app/TempFolders.h"

namespace scene_test {

using namespace testing_support;

// A session that also keeps the completion of an asynchronous request.
class ReplySession : public FakeSession {
 public:
  using FakeSession::FakeSession;
  int SendAsync(Packet& p, void* user_data, SessionReplyCallback callback) override {
    reply_user_data = user_data;
    reply_callback = callback;
    return FakeSession::SendAsync(p, user_data, callback);
  }
  // Delivers `reply` as the answer to the outstanding request, as the pump does.
  int Answer(Packet& reply) {
    EXPECT_NE(reply_callback, nullptr);
    if (!reply_callback) return 0;
    SessionReplyCallback cb = reply_callback;
    reply_callback = nullptr;
    reply.read_pos = 0;
    return cb(reply_user_data, &reply);
  }
  void* reply_user_data = nullptr;
  SessionReplyCallback reply_callback = nullptr;
};

// Marks a shared image as loaded (or not) by its file name. A loaded image has frames
// of 100 x 60 units, so a button made from it covers (x, y)-(x + 100, y + 60).
inline void SetImageLoaded(const char* name, bool loaded) {
  GameSharedImage* images = GameSharedImage::Instance();
  for (int slot = 0; slot < GameSharedImage::kSlotCount; ++slot) {
    if (std::strcmp(GameSharedImage::SlotName(slot), name) != 0) continue;
    GLTexture* t = images->Image(slot);
    t->m_texture_id = loaded ? 7u : GLTexture::kNoTexture;
    t->m_frame_width = 100.0f;
    t->m_frame_height = 60.0f;
  }
}
inline void SetAllImagesLoaded(bool loaded) {
  for (int slot = 0; slot < GameSharedImage::kSlotCount; ++slot)
    SetImageLoaded(GameSharedImage::SlotName(slot), loaded);
}

// Everything a scene test needs around the scenes.
class SceneFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake_now = 100000;
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = GameLogic::Instance();
    GameHooks h;
    h.sound = &sound;
    h.notices = &notices;
    h.services = &services;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, nullptr);
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new ReplySession(i);
    logic->m_session_index = 0;
    data = GameSharedData::Instance();
    data->Load();
    data->m_sound_on = 1;
    InitLanguageMessages(kLanguageEditionThai);
    SetAllImagesLoaded(true);
    logic->SetNextMode(&login, 0);
    logic->ChangeMode(&login, 0, 0);
    logic->m_mode_next = nullptr;
    // As in the program: every reported button click plays the button sound when effects
    // are on.
    GLButton::SetClickSoundHook(+[] {
      if (GameSharedData::Instance()->m_sound_on) GameLogic::Instance()->Hooks().sound->PlayEffect(2);
    });
  }
  void TearDown() override {
    GLButton::SetClickSoundHook(nullptr);
    GameScene_manager::DestroyInstance();
    GameScene_manager::SetFactory(nullptr);
    GameSharedImage::DestroyInstance();
    GameLogic::DestroyInstance();  // also the sessions and the shared data
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }
  void Advance(uint32_t ms) { g_fake_now += ms; }
  int ClickSounds() const {
    int n = 0;
    for (int e : sound.effects) n += e == 2;
    return n;
  }

  TempFolders folders;
  RecordingSound sound;
  NoticeRecorder notices;
  ServiceRecorder services;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  ReplySession* sessions[4] = {};
  GameLogic* logic = nullptr;
  GameSharedData* data = nullptr;
};

// A scene with a close button and one more button, recording its life.
class ProbeScene : public GameScene {
 public:
  explicit ProbeScene(int id, std::vector<std::string>* journal = nullptr) : GameScene(id), m_journal(journal) {}

  int Draw() override {
    Note("Draw");
    return GameScene::Draw();
  }
  void Click(GLButtonImage* b) {
    OnTouchDown(0, b->m_left + 1, b->m_top + 1);
    OnTouchUp(0, b->m_left + 1, b->m_top + 1);
  }
  int Create(int id, int param) override {
    Note("Create(" + std::to_string(id) + "," + std::to_string(param) + ")");
    return GameScene::Create(id, param);
  }

  GLButtonImage* CloseButton() const { return m_close_button; }
  int WidgetCount() { return m_children.GetCount(); }

  GLButtonImage* other = nullptr;
  int opened = 0, hidden = 0, clicks = 0;
  std::string extra_image = "btn_n_y.png";

 protected:
  int BuildWidgets() override {
    AddCloseButton("btn_close_b.png", 1000, 40);
    AddButton(&other, extra_image.c_str(), 700, 400, "other");
    return 1;
  }
  void OnOpened() override { ++opened; }
  void OnHidden() override { ++hidden; }
  void OnClick(ZBEventCtrl* sender) override { clicks += sender == other; }

 private:
  void Note(const std::string& what) {
    if (m_journal) m_journal->push_back(std::string(ClassName()) + " " + what);
  }
  std::vector<std::string>* m_journal;
};

}  // namespace scene_test
