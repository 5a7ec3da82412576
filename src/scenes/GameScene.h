#pragma once
// The base of every scene: a panel shown over a mode without replacing it. It carries
// what all scenes share, so that a scene class adds only its widgets, its requests,
// its drawing and its clicks:
//  - the id, the opaque flag and the popup area from the scene table;
//  - Show (fade in, or fade out), Close, the per-frame Update with the 250 ms fade and
//    OnInit_Process after the fade-in, Start;
//  - Draw: the dim layer and the rise-and-fade transition around the scene's own
//    drawing and its widgets;
//  - pointer input to the widgets, the tap outside a popup (ignored in the first 250 ms
//    so the release that opened it does not close it), the close button, the click
//    sound;
//  - widget creation with images bound from the shared image set: when one image cannot
//    be bound the scene is not created (Create returns 0, every widget made so far is
//    released and the missing image is logged);
//  - the operations the scene manager forwards to a scene (pages, refresh, replies).
//
// Scene life: created once (Create (id, 0), Start), then hidden -> shown (fade-in) ->
// OnInit_Process -> shown -> fading out -> hidden, any number of times.
//
// Main thread only: scenes are driven by the game logic's frame and input routing.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/GameMode.h"
#include "net/messages/VXGlobalMessages.h"
#include "net/messages/VXTableRecords.h"
#include "scenes/GameSceneTable.h"
#include "ui/EventCtrlGroup.h"

class GLButtonImage;
class GLInputText;
class GLTexture;

class GameScene : public GameMode {
 public:
  enum ViewState { kHidden = 0, kShown = 1, kFadingOut = 2 };
  static constexpr uint32_t kFadeMs = 250;

  explicit GameScene(int id);
  ~GameScene() override;

  // Fade progress 0..1 at the tick `now` (0 when the clock reads before the change).
  float FadeProgress(uint32_t now) const;
  const GameSceneInfo& Info() const { return *m_info; }
  const char* ClassName() const { return m_info->class_name; }
  // The page the scene was last shown with.
  int32_t ShowParam() const { return show_param; }

  // GameMode
  void Start() override;
  void OnInit_Process() override;
  void Show(int show, int param) override;
  int Create(int id, int param) override;
  void Cleanup() override;
  int Update() override;
  void Close() override;

  // ZBEventCtrl
  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;

  // ZBEventReceiver: the click sound for controls other than buttons (a button plays its
  // own), then the close button, then OnClick.
  void OnEvent(ZBEventCtrl* sender) override;

  // Operations the scene manager forwards; each scene overrides those it takes.
  virtual void ReloadPage(int page) { (void)page; }
  virtual void Refresh() {}
  // A reply the dispatcher hands to this scene; the result goes back to the session.
  virtual int HandleReply(Packet* packet) {
    (void)packet;
    return 1;
  }
  virtual void SetTournamentRecord(const VXType_tournament_info& record) { (void)record; }
  virtual void OpenTournament(int tournament_id) { (void)tournament_id; }
  virtual void RequestRoom(const VXType_room_info& request) { (void)request; }
  virtual void SetDayBonus(const VXType_day_bonus& record) { (void)record; }

  // Plays the button sound when sound effects are on.
  static void PlayClickSound();
  // Takes the keyboard focus from whichever text field holds it.
  static void DropFocus();

  int32_t show_param = 0;

 protected:
  // Builds the widgets with the helpers below; 0 on failure.
  virtual int BuildWidgets() = 0;
  // Background, texts and pictures, drawn inside the transition before the widgets.
  virtual void DrawScene() {}
  // A widget other than the close button was activated.
  virtual void OnClick(ZBEventCtrl* sender) { (void)sender; }
  // The first work after the fade-in (usually the opening request).
  virtual void OnOpened() {}
  // Right after Show (1) started the fade-in.
  virtual void OnShown() {}
  // The fade-out has ended and the scene is hidden.
  virtual void OnHidden() {}

  // A shared image by its file name under "./raw/", or null when it is not loaded; a
  // null result makes Create fail.
  GLTexture* BindImage(const char* name);
  // An image button at (x, y) with an optional caption, added to the widgets.
  GLButtonImage* AddButton(GLButtonImage** slot, const char* image, int x, int y, const char* caption = nullptr,
                           int font_size = 22);
  // The close button: OnEvent closes the scene with it.
  GLButtonImage* AddCloseButton(const char* image, int x, int y);
  // A text field over (l, t)-(r, b) holding at most `max_bytes` bytes.
  GLInputText* AddInput(GLInputText** slot, int l, int t, int r, int b, int padding, int font_size, int max_bytes);

  EventCtrlGroup m_children;
  GLButtonImage* m_close_button = nullptr;

 private:
  struct OwnedWidget {
    std::unique_ptr<ZBEventCtrl> widget;
    std::function<void()> forget;  // nulls the scene's pointer to it
  };
  template <class W>
  W* Own(W** slot, W* widget);
  void ReleaseWidgets();
  // The end of the fade-out, reached from Update or from Draw, whichever sees it first.
  void FinishFadeOut();

  const GameSceneInfo* m_info;
  std::vector<OwnedWidget> m_widgets;
  const char* m_missing_image = nullptr;
};
