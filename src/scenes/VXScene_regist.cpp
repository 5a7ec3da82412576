#include "scenes/VXScene_regist.h"

#include <string>

#include "app/GameLogic.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "gfx/GLFont.h"
#include "gfx/GLSurface.h"
#include "gfx/GLTexture.h"
#include "net/messages/VXProtocolTable.h"
#include "ui/GLButtonImage.h"
#include "ui/GLInputText.h"

namespace {

constexpr float kWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
constexpr float kNote[4] = {0.85f, 0.9f, 1.0f, 1.0f};
constexpr int kCentred = GLFont::kAlignCentre | GLFont::kAlignVCentre;
constexpr int kFrameChosen = 1;  // gold
constexpr int kFramePlain = 6;   // faint

void DrawLine(GLFont* font, int size, float y, const char* text, const float colour[4]) {
  font->SetFaceSize(size);
  font->DrawTextAt(640.0f, y, text, kCentred, colour);
}

// The name without leading and trailing blanks: a name of blanks only is no name.
std::string TrimmedName(const char* text) {
  std::string s = text ? text : "";
  const size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const size_t last = s.find_last_not_of(" \t");
  return s.substr(first, last - first + 1);
}

}  // namespace

VXScene_regist::VXScene_regist() : GameScene(kSceneRegist) {}

int VXScene_regist::BuildWidgets() {
  m_background = BindImage("sub_bg.png");
  m_avatars = BindImage("item/item_icon_char.png");
  m_frames = BindImage("user_frame.png");
  AddInput(&m_name, 454, 175, 825, 250, 10, 30, kNameMaxBytes);
  AddButton(&m_confirm, "btn_b_y.png", 522, 611, LangMessage(2), 26);
  m_avatar = 0;
  return 1;
}

void VXScene_regist::OnShown() {
  m_waiting = false;
  m_accepted = false;
}

int VXScene_regist::AvatarAt(int x, int y) {
  if (y <= kAvatarTop || y >= kAvatarBottom) return -1;
  for (int i = 0; i < 2; ++i) {
    const int dx = x - kAvatarX[i];
    if (dx >= -kAvatarReach && dx <= kAvatarReach) return i;
  }
  return -1;
}

int VXScene_regist::OnTouchUp(int button, int x, int y) {
  const int avatar = AvatarAt(x, y);
  if (avatar >= 0) {
    m_avatar = avatar;
    PlayClickSound();
    return 1;
  }
  return GameScene::OnTouchUp(button, x, y);
}

void VXScene_regist::OnClick(ZBEventCtrl* sender) {
  if (sender == m_confirm) Confirm();
}

void VXScene_regist::Confirm() {
  if (m_waiting || m_accepted || !m_name) return;
  const std::string name = TrimmedName(m_name->GetText());
  if (name.empty()) return;
  GameLogic* logic = GameLogic::Instance();
  IGameSession* session = logic->CurrentSession();
  if (!session || !session->IsConnected()) {
    logic->Hooks().notices->PushBox(LangMessage(0), 0, LangMessage(217), 3000, 0);
    return;
  }
  Packet request(VX_PROTOCOL_REGIST);
  request.WriteInt32(m_avatar);
  request.WriteFixedText(name.c_str(), kNicknameField);
  if (!session->SendAsync(request, this, &VXScene_regist::OnRegistReply)) {
    logic->Hooks().notices->PushBox(LangMessage(0), 0, LangMessage(217), 3000, 0);
    return;
  }
  Log(LOG_TRACE, "VXScene_regist::Confirm avatar %d", m_avatar);
  m_waiting = true;
  m_sent_time = GetTickMs();
}

int VXScene_regist::OnRegistReply(void* user_data, Packet* reply) {
  // The reply's account block is stored by the global dispatch, as for a reply nobody
  // waits for; the scene only needs its verdict.
  const uint32_t start = reply->read_pos;
  int32_t ok = 0;
  reply->ReadInt32(&ok);
  reply->read_pos = start;
  const int result = GameLogic::Instance()->ProcessPacket(reply);
  static_cast<VXScene_regist*>(user_data)->OnAnswer(ok != 0);
  return result;
}

void VXScene_regist::OnAnswer(bool accepted) {
  m_waiting = false;
  if (view_state != kShown || m_accepted) return;
  if (!accepted) {
    Log(LOG_WARNING, "[WARNING]: VXScene_regist::OnAnswer| registration refused");
    GameLogic::Instance()->Hooks().notices->PushBox(LangMessage(0), 0, LangMessage(142), 3000, 0);
    return;
  }
  Log(LOG_TRACE, "VXScene_regist::OnAnswer| registration accepted");
  m_accepted = true;
  GameScene::Close();
}

void VXScene_regist::Close() {
  if (m_accepted) GameScene::Close();
}

int VXScene_regist::Update() {
  GameScene::Update();
  if (m_waiting && GetTickMs() - m_sent_time > kAnswerTimeoutMs) {
    Log(LOG_WARNING, "[WARNING]: VXScene_regist::Update| no answer to the registration");
    m_waiting = false;
    GameLogic::Instance()->Hooks().notices->PushBox(LangMessage(0), 0, LangMessage(217), 3000, 0);
  }
  return 1;
}

void VXScene_regist::OnHidden() {
  if (!m_accepted) return;
  m_accepted = false;
  GameLogic* logic = GameLogic::Instance();
  if (GameMode* lobby = logic->LobbyMode()) logic->SetNextMode(lobby, -1);
  else Log(LOG_WARNING, "[WARNING]: VXScene_regist::OnHidden| no lobby mode to go on to");
}

void VXScene_regist::DrawScene() {
  m_background->Draw(0, 0.0f, 0.0f, 0);
  for (int i = 0; i < 2; ++i) {
    const float x = static_cast<float>(kAvatarX[i]), y = static_cast<float>(kAvatarY);
    m_avatars->Draw(i, x, y, 1);
    m_frames->Draw(i == m_avatar ? kFrameChosen : kFramePlain, x, y, 1);
  }
  GLSurface* surface = GLSurface::InstanceIfAny();
  GLFont* font = surface ? surface->Font(0) : nullptr;
  if (!font) return;
  DrawLine(font, 40, 90.0f, LangMessage(54), kWhite);
  DrawLine(font, 24, 150.0f, LangMessage(50), kWhite);
  DrawLine(font, 24, 320.0f, LangMessage(51), kWhite);
  DrawLine(font, 18, 535.0f, LangMessage(52), kNote);
  DrawLine(font, 18, 570.0f, LangMessage(53), kNote);
}
