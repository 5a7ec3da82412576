#pragma once
// Registration of a new quick-start player (scene 0, full screen, in the login mode's
// layer): a display name, one of two avatars, confirm. Confirm sends the name and the
// avatar (message 177) and waits for the server's answer: a refusal shows a notice and
// the scene stays for another try; an acceptance (the new account block, stored by the
// global dispatch) fades the scene out and the lobby mode follows. An empty name sends
// nothing. Escape does not close it: without a name the account cannot go on, so the
// scene leaves only once the server has accepted one.
//
// The login mode shows it with Show_Scene (kSceneRegist, 0) when the login reply says
// the quick-start account is new.
//
// Main thread only; the reply arrives through the session pump of the frame.
#include "scenes/GameScene.h"

class VXScene_regist : public GameScene {
 public:
  static constexpr int kNameMaxBytes = 24;
  static constexpr int kNicknameField = 50;
  // How long the scene waits for the answer before it lets the player try again.
  static constexpr uint32_t kAnswerTimeoutMs = 15000;
  // The two avatars: centres and the release zone around them.
  static constexpr int kAvatarX[2] = {523, 755};
  static constexpr int kAvatarY = 426;
  static constexpr int kAvatarReach = 70;
  static constexpr int kAvatarTop = 355, kAvatarBottom = 497;

  VXScene_regist();

  int OnTouchUp(int button, int x, int y) override;
  int Update() override;
  void Close() override;

  int Avatar() const { return m_avatar; }
  bool IsWaiting() const { return m_waiting; }
  // The avatar a release at (x, y) picks, -1 for none.
  static int AvatarAt(int x, int y);

 protected:
  int BuildWidgets() override;
  void DrawScene() override;
  void OnClick(ZBEventCtrl* sender) override;
  void OnShown() override;
  void OnHidden() override;

 private:
  void Confirm();
  void OnAnswer(bool accepted);
  static int OnRegistReply(void* user_data, Packet* reply);

  GLInputText* m_name = nullptr;
  GLButtonImage* m_confirm = nullptr;
  GLTexture* m_background = nullptr;
  GLTexture* m_avatars = nullptr;
  GLTexture* m_frames = nullptr;
  int m_avatar = 0;
  bool m_waiting = false;
  bool m_accepted = false;
  uint32_t m_sent_time = 0;
};
