#pragma once
#include <atomic>
#include <cstdint>

#include "framework/CriticalSection.h"
#include "framework/ZBObject.h"
#include "framework/ZBSingleton.h"
#include "ui/EventCtrlGroup.h"
#include "ui/GLButtonImage.h"
#include "ui/GLScrollTextBox.h"
#include "ui/ZBEntity.h"
#include "ui/ZBEventCtrl.h"

class GLTexture;

// Called once a box (or banner) has fully closed: result 0 closed or cancelled, 1 the
// first (left) button, 2 the confirm button.
using NotifyCallback = void (*)(void* context, int result);

// One queued notice. Allocated by whoever queues it; the queue owns it from then on and
// frees it when it is shown (copied into the current slot), refused or dropped.
struct NotifyRecord {
  static constexpr int kTextBytes = 765;
  static constexpr int kSenderBytes = 64;

  NotifyRecord() { s_live.fetch_add(1, std::memory_order_relaxed); }
  NotifyRecord(const NotifyRecord& other) { *this = other; s_live.fetch_add(1, std::memory_order_relaxed); }
  NotifyRecord& operator=(const NotifyRecord&) = default;
  ~NotifyRecord() { s_live.fetch_sub(1, std::memory_order_relaxed); }
  // Records alive in the process (the queues must never leak one).
  static int LiveCount() { return s_live.load(std::memory_order_relaxed); }

  int two_buttons = 0;  // 1: the box offers a second button
  int reserved0 = 0;
  int type = 0;  // 0..8 for boxes, 0..4 for banners
  int dim = 0;   // non-zero darkens the screen behind
  int reserved1 = 0;
  int auto_close = 0;  // ms; 0 stays until closed
  char sender[kSenderBytes] = {};
  char title[kTextBytes] = {};
  char message[kTextBytes] = {};
  int number = 0;     // the number line of the reward box (type 4)
  int celebrate = 0;  // 1: a burst of coins and stars starts when the box opens
  NotifyCallback callback = nullptr;
  void* context = nullptr;
  int left_label = 0;   // language entries of the two buttons; below 1: the defaults
  int right_label = 0;

 private:
  static inline std::atomic<int> s_live{0};
};

// Something drawn over everything until it finishes (a celebration burst). Owned by the
// layer once added; Finished and Draw are called on the main thread.
class NotifyEffect {
 public:
  virtual ~NotifyEffect() = default;
  virtual bool Finished(uint32_t now) const = 0;
  virtual void Draw(uint32_t now) = 0;
};

// The client's one overlay above every mode and scene: modal message boxes (nine
// layouts, queued, one at a time, with a slide-and-fade transition and a result
// callback), a top banner (five kinds, queued separately, dropping from the top edge,
// tappable) and celebration effects.
//
// Threads: the Push and Queue operations may be called from any thread (a worker that
// pumps a session dispatches global notices); they only touch the queues, under the
// queue lock. Everything else (Update, drawing, input, callbacks, sounds) belongs to
// the main thread. The effect list has its own lock so AddEffect is safe anywhere too.
class GameNotify : public ZBObject,
                   public ZBSingleton<GameNotify>,
                   public ZBEventReceiver,
                   public ZBEventCtrl {
 public:
  enum State { kNone = 0, kOpen = 1, kClosing = 2 };
  enum Result { kResultClosed = 0, kResultFirst = 1, kResultConfirm = 2 };
  static constexpr uint32_t kTransitionMs = 250;
  static constexpr int kBoxTypes = 9;
  static constexpr int kBannerKinds = 5;

  GameNotify();
  ~GameNotify() override;

  // Builds the controls on the shared images; safe to call again (rebuilds nothing).
  int Initialize();

  // A one-button box; refused (0) for types outside 0..8.
  int PushBox(const char* title, int type, const char* message, int dim, int auto_close,
              NotifyCallback callback = nullptr, void* context = nullptr);
  // A dimmed two-button question (type 0): the callback gets 1 for the first (OK)
  // button and 0 when the box is closed any other way.
  int PushConfirmBox(const char* title, const char* message, NotifyCallback callback, void* context);
  // The quit question; a non-zero result asks the platform to quit.
  int PushConfirm();
  // A banner; refused (0) for kinds outside 0..4.
  int PushBanner(int kind, const char* title, const char* sender, int auto_close);
  // Append an already built record after the same checks. The queue owns `record`
  // from the call on: a refused record is freed here.
  int QueueBox(NotifyRecord* record);
  int QueueBanner(NotifyRecord* record);

  // The special notices raised by the global messages.
  void ShowErrorCode(int code);
  void ShowPrize(int rubies, int value, int rank, int64_t chips);
  void ShowCelebration(int level, int value);
  // Takes ownership of `effect`.
  void AddEffect(NotifyEffect* effect);

  // Per frame: purges finished effects, completes closed boxes and banners (running
  // their callbacks), starts auto closes and opens the next queued box and banner.
  virtual void Update();
  // Starts closing the open box, else the open banner; 1 when something was open.
  virtual int CloseCurrent();
  // The player's own turn has begun at the table: an open banner (it lies across the
  // top of the screen, over the top seat) starts closing. Boxes stay: they carry
  // messages to read and answer. Queued banners follow as usual.
  void OnOwnTurn();
  virtual void DrawBox();
  virtual void DrawBanner();

  // ZBEventCtrl: effects, then the box, then the banner.
  int Draw() override;
  int OnTouchDown(int button, int x, int y) override;
  int OnTouchUp(int button, int x, int y) override;
  int OnTouchMove(int button, int x, int y) override;
  int OnWheel(int delta, int x, int y) override;
  // ZBEventReceiver: the box's buttons.
  void OnEvent(ZBEventCtrl* sender) override;

  // State for the owner and tests.
  int BoxState() const { return m_box_state; }
  int BoxType() const { return m_box_type; }
  int BoxResult() const { return m_box_result; }
  const NotifyRecord& CurrentBox() const { return m_box; }
  int BannerState() const { return m_banner_state; }
  const NotifyRecord& CurrentBanner() const { return m_banner; }
  int QueuedBoxes();
  int QueuedBanners();
  int EffectCount();
  // Transition progress (0..1) of the open box or banner at `now`.
  float BoxProgress(uint32_t now) const;
  float BannerProgress(uint32_t now) const;

  GLButtonImage m_close_button;
  GLButtonImage m_left_button;
  GLButtonImage m_right_button;
  GLButtonImage m_confirm_button;
  GLButtonImage m_scene_button;
  // The message, wrapped by characters; a long one scrolls.
  GLScrollTextBox m_text;

 private:
  struct FrameRect {
    int left, top, right, bottom;
  };
  static FrameRect BoxFrame(int type);
  static bool BannerAreaHit(int x, int y);
  int Route(int (EventCtrlGroup::*dispatch)(int, int, int), int a, int x, int y);

  int Enqueue(ZBEntity& queue, NotifyRecord* record);
  NotifyRecord* TakeFirst(ZBEntity& queue);
  void OpenNextBox(uint32_t now);
  void OpenNextBanner(uint32_t now);
  void LayOutBox();
  void StartClosingBox(int result);
  void StartClosingBanner();
  // Closing finished: the slot is emptied and the callback runs once.
  void CompleteBox();
  void CompleteBanner();
  void PurgeEffects(uint32_t now);
  void DrawEffects(uint32_t now);
  void DrawBoxFrame(int type);
  void PlaySound(int index);
  void FreeQueue(ZBEntity& queue);
  GLTexture* Image(int slot) const;

  // The open box.
  NotifyRecord m_box;
  int m_box_state = kNone;
  int m_box_type = 0;
  uint32_t m_box_time = 0;
  int m_box_result = kResultClosed;
  // The queues (ZBEntity of NotifyRecord*, owned), guarded by m_queue_lock.
  ZBEntity m_box_queue;
  ZBEntity m_banner_queue;
  CriticalSection m_queue_lock;
  // The open banner.
  NotifyRecord m_banner;
  int m_banner_state = kNone;
  uint32_t m_banner_time = 0;

  EventCtrlGroup m_box_group;
  EventCtrlGroup m_banner_group;
  // Effects (NotifyEffect*, owned), guarded by m_effect_lock.
  ZBEntity m_effects;
  CriticalSection m_effect_lock;
  int m_initialized = 0;
};
