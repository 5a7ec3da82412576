#include "scenes/GameScene.h"

#include <cstring>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "gfx/GLTexture.h"
#include "gfx/GLWindowScreen.h"
#include "media/GameSharedImage.h"
#include "ui/GLButtonImage.h"
#include "ui/GLInputText.h"
#include "ui/ImeFocusHolder.h"

namespace {

constexpr int kButtonSound = 2;
// The panel rises this many units into place while it fades in.
constexpr float kRise = 100.0f;

// Used only for a scene built with an id outside the table.
constexpr GameSceneInfo kUnknownScene = {"VXScene", 1, 0, 0, 0, 0, 0};

}  // namespace

GameScene::GameScene(int id) : m_info(SceneInfo(id) ? SceneInfo(id) : &kUnknownScene) {
  scene_id = id;
  opaque = m_info->opaque;
}

GameScene::~GameScene() { GameScene::Cleanup(); }

float GameScene::FadeProgress(uint32_t now) const {
  const int32_t elapsed = static_cast<int32_t>(now - state_time);
  if (elapsed <= 0) return 0.0f;
  if (static_cast<uint32_t>(elapsed) >= kFadeMs) return 1.0f;
  return static_cast<float>(elapsed) / static_cast<float>(kFadeMs);
}

void GameScene::Start() { start_time = GetTickMs(); }

void GameScene::OnInit_Process() {
  Log(LOG_TRACE, "%s::OnInit_Process ...", ClassName());
  OnOpened();
  init_processed = 1;
}

void GameScene::Show(int show, int param) {
  DropFocus();
  if (show) {
    if (view_state == kShown) return;
    show_param = param;
    init_processed = 0;
    view_state = kShown;
    state_time = GetTickMs();
    OnShown();
    return;
  }
  if (view_state != kShown) return;
  view_state = kFadingOut;
  state_time = GetTickMs();
}

void GameScene::Close() {
  if (view_state != kShown) return;
  view_state = kFadingOut;
  state_time = GetTickMs();
}

int GameScene::Create(int id, int param) {
  (void)param;
  DropFocus();
  ReleaseWidgets();
  scene_id = id;
  m_missing_image = nullptr;
  const int built = BuildWidgets();
  if (!built || m_missing_image) {
    if (m_missing_image)
      Log(LOG_FATAL, "[ERROR]: %s::Create| image ./raw/%s cannot be bound: scene not created", ClassName(),
          m_missing_image);
    else
      Log(LOG_FATAL, "[ERROR]: %s::Create| widgets not built: scene not created", ClassName());
    ReleaseWidgets();
    created = 0;
    return 0;
  }
  created = 1;
  return 1;
}

void GameScene::Cleanup() {
  DropFocus();
  created = 0;
  init_processed = 0;
  ReleaseWidgets();
}

void GameScene::ReleaseWidgets() {
  m_children.ReleaseAll();
  for (OwnedWidget& w : m_widgets) w.forget();
  m_widgets.clear();
  m_close_button = nullptr;
}

void GameScene::FinishFadeOut() {
  view_state = kHidden;
  init_processed = 0;
  OnHidden();
}

int GameScene::Update() {
  const uint32_t elapsed = GetTickMs() - state_time;
  if (view_state == kShown) {
    if (elapsed >= kFadeMs && !init_processed) OnInit_Process();
  } else if (view_state == kFadingOut) {
    if (elapsed >= kFadeMs) FinishFadeOut();
  }
  return 1;
}

int GameScene::Draw() {
  if (view_state == kHidden) return 0;
  const float progress = FadeProgress(GetTickMs());
  if (progress >= 1.0f && view_state == kFadingOut) {
    FinishFadeOut();
    return 0;
  }
  GLWindowScreen* screen = GLWindowScreen::InstanceIfAny();
  if (!screen) return 1;  // nothing to draw on (no window yet)
  const bool leaving = view_state == kFadingOut;
  GameSharedImage* images = GameSharedImage::InstanceIfAny();
  GLTexture* dim = images ? images->Image(GameSharedImage::kBgGray) : nullptr;
  if (dim && dim->HasTexture()) images->DrawDim(progress, leaving);
  screen->BeginTransition(progress, 0.0f, kRise, leaving ? 1 : 0, 0.0f);
  DrawScene();
  m_children.DrawAll();
  screen->EndTransition();
  return 1;
}

int GameScene::OnTouchDown(int button, int x, int y) { return m_children.DispatchTouchDown(button, x, y); }

int GameScene::OnTouchMove(int button, int x, int y) { return m_children.DispatchTouchMove(button, x, y); }

int GameScene::OnWheel(int delta, int x, int y) { return m_children.DispatchWheel(delta, x, y); }

int GameScene::OnTouchUp(int button, int x, int y) {
  if (m_children.DispatchTouchUp(button, x, y)) return 1;
  if (m_info->has_popup_area && !m_info->InPopupArea(x, y) && GetTickMs() - state_time > kFadeMs) {
    Close();
    return 1;
  }
  return 0;
}

void GameScene::OnEvent(ZBEventCtrl* sender) {
  // A button that reports a click has played the button sound itself; other controls
  // (a list's row tap) get it here.
  if (!dynamic_cast<GLButton*>(sender)) PlayClickSound();
  if (sender && sender == m_close_button) {
    Close();
    return;
  }
  OnClick(sender);
}

void GameScene::PlayClickSound() {
  if (GameSharedData::Instance()->m_sound_on) GameLogic::Instance()->Hooks().sound->PlayEffect(kButtonSound);
}

void GameScene::DropFocus() { ImeFocusHolder::SetFocus(nullptr); }

GLTexture* GameScene::BindImage(const char* name) {
  GameSharedImage* images = GameSharedImage::InstanceIfAny();
  for (int slot = 0; images && slot < GameSharedImage::kSlotCount; ++slot) {
    const char* slot_name = GameSharedImage::SlotName(slot);
    if (slot_name && std::strcmp(slot_name, name) == 0) {
      GLTexture* t = images->Image(slot);
      if (t && t->HasTexture()) return t;
      break;
    }
  }
  if (!m_missing_image) m_missing_image = name;
  return nullptr;
}

template <class W>
W* GameScene::Own(W** slot, W* widget) {
  widget->m_receiver = this;
  m_children.Add(widget);
  if (slot) *slot = widget;
  m_widgets.push_back(OwnedWidget{std::unique_ptr<ZBEventCtrl>(widget), [slot] {
                                    if (slot) *slot = nullptr;
                                  }});
  return widget;
}

GLButtonImage* GameScene::AddButton(GLButtonImage** slot, const char* image, int x, int y, const char* caption,
                                    int font_size) {
  GLTexture* texture = BindImage(image);
  if (!texture) return nullptr;
  GLButtonImage* button = new GLButtonImage();
  button->SetImage(texture, x, y);
  if (caption) button->SetLabel(caption, font_size, 5);
  return Own(slot, button);
}

GLButtonImage* GameScene::AddCloseButton(const char* image, int x, int y) {
  return AddButton(&m_close_button, image, x, y);
}

GLInputText* GameScene::AddInput(GLInputText** slot, int l, int t, int r, int b, int padding, int font_size,
                                 int max_bytes) {
  GLInputText* field = new GLInputText();
  field->Setup(l, t, r, b, 0, padding, font_size, 5);
  field->SetCapacity(max_bytes);
  return Own(slot, field);
}
