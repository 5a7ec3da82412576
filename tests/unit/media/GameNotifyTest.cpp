#include "media/GameNotify.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "framework/StringUtil.h"
#include "media/GameNotifyHooks.h"
#include "unit/app/GameLogicFixture.h"

namespace {

using testing_support::RecordingMode;
using testing_support::RecordingSound;

// The clock starts a little before the 32-bit wrap, so every interval below crosses it.
constexpr uint32_t kStart = 0xFFFFFF00u;
std::atomic<uint32_t> g_now{kStart};
uint32_t Now() { return g_now.load(); }

struct Scenes : ISceneHooks {
  bool IsSceneShown(int id) override { return id == shown; }
  void ShowScene(int id, int param) override { calls.push_back("Show(" + std::to_string(id) + "," + std::to_string(param) + ")"); }
  void HideScene(int id) override { calls.push_back("Hide(" + std::to_string(id) + ")"); }
  int shown = -1;
  std::vector<std::string> calls;
};

struct Platform : IPlatformHooks {
  int Execute(int command, int option1, int, const char*, const char*, int) override {
    commands.push_back({command, option1});
    return 1;
  }
  std::vector<std::pair<int, int>> commands;
};

// Results handed to a box's callback.
struct Results {
  std::vector<int> got;
  static void Record(void* context, int result) { static_cast<Results*>(context)->got.push_back(result); }
};

class GameNotifyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = kStart;
    SetTickSource(&Now);
    InitLanguageMessages(kLanguageEditionThai);
    logic = GameLogic::Instance();
    GameHooks h;
    h.sound = &sound;
    h.scenes = &scenes;
    h.platform = &platform;
    h.notify = &layer;
    h.notices = &layer;
    logic->SetHooks(h);
    GameSharedData::Instance()->m_sound_on = 1;
    notify = GameNotify::Instance();
    notify->Initialize();
  }
  void TearDown() override {
    GameNotify::DestroyInstance();
    GameLogic::DestroyInstance();
    SetTickSource(nullptr);
  }

  // Advances the fake clock and runs one frame step.
  void Step(uint32_t ms) {
    g_now += ms;
    notify->Update();
  }
  static void Centre(const GLButton& b, int* x, int* y) {
    const GLButton::Rect r = b.GetHitRect();
    *x = (r.left + r.right) / 2;
    *y = (r.top + r.bottom) / 2;
  }
  void Click(const GLButton& b) {
    int x, y;
    Centre(b, &x, &y);
    Tap(x, y);
  }
  void Tap(int x, int y) {
    notify->OnTouchDown(0, x, y);
    notify->OnTouchUp(0, x, y);
  }
  // Queues a box with a recording callback and opens it.
  void OpenBox(int type, Results* results, int two_buttons = 0, int auto_close = 0) {
    NotifyRecord* r = new NotifyRecord();
    r->type = type;
    r->two_buttons = two_buttons;
    r->auto_close = auto_close;
    CopyFixedText(r->title, sizeof(r->title), "title");
    CopyFixedText(r->message, sizeof(r->message), "message");
    r->callback = &Results::Record;
    r->context = results;
    ASSERT_EQ(notify->QueueBox(r), 1);
    Step(0);
    ASSERT_EQ(notify->BoxState(), GameNotify::kOpen);
  }

  GameLogic* logic = nullptr;
  GameNotify* notify = nullptr;
  RecordingSound sound;
  Scenes scenes;
  Platform platform;
  GameNotifyHooks layer;
};

TEST_F(GameNotifyTest, ButtonClosesTheBoxOver250msThenTheCallbackRunsOnce) {
  Results results;
  OpenBox(2, &results);
  Step(40);
  Click(notify->m_left_button);
  EXPECT_EQ(notify->BoxState(), GameNotify::kClosing);
  Step(249);
  EXPECT_EQ(notify->BoxState(), GameNotify::kClosing);
  EXPECT_TRUE(results.got.empty());
  Step(1);
  EXPECT_EQ(notify->BoxState(), GameNotify::kNone);
  EXPECT_EQ(results.got, std::vector<int>{1});
}

TEST_F(GameNotifyTest, TransitionProgressRunsOver250msAcrossTheClockWrap) {
  Results results;
  OpenBox(0, &results);
  EXPECT_FLOAT_EQ(notify->BoxProgress(g_now), 0.0f);
  EXPECT_FLOAT_EQ(notify->BoxProgress(g_now + 125), 0.5f);
  EXPECT_FLOAT_EQ(notify->BoxProgress(g_now + 250), 1.0f);
  EXPECT_FLOAT_EQ(notify->BoxProgress(g_now + 5000), 1.0f);
}

TEST_F(GameNotifyTest, SecondQueuedBoxOpensOnlyOnceTheFirstHasFullyClosed) {
  Results first, second;
  OpenBox(6, &first);
  NotifyRecord* r = new NotifyRecord();
  r->type = 0;
  CopyFixedText(r->title, sizeof(r->title), "second");
  r->callback = &Results::Record;
  r->context = &second;
  ASSERT_EQ(notify->QueueBox(r), 1);
  Step(500);
  EXPECT_EQ(notify->QueuedBoxes(), 1);
  ASSERT_EQ(notify->CloseCurrent(), 1);
  Step(249);
  EXPECT_EQ(notify->QueuedBoxes(), 1);
  EXPECT_STREQ(notify->CurrentBox().title, "title");
  Step(1);
  EXPECT_EQ(first.got, std::vector<int>{0});
  EXPECT_EQ(notify->BoxState(), GameNotify::kOpen);
  EXPECT_STREQ(notify->CurrentBox().title, "second");
  EXPECT_EQ(notify->QueuedBoxes(), 0);
}

TEST_F(GameNotifyTest, AutoCloseStartsAutoClosePlus250msAfterOpening) {
  Results results;
  OpenBox(1, &results, 0, 3000);
  Step(3250);
  EXPECT_EQ(notify->BoxState(), GameNotify::kOpen);
  Step(1);
  EXPECT_EQ(notify->BoxState(), GameNotify::kClosing);
  Step(250);
  EXPECT_EQ(notify->BoxState(), GameNotify::kNone);
  EXPECT_EQ(results.got, std::vector<int>{0});
}

TEST_F(GameNotifyTest, TapOutsideTheFrameClosesOnlyAfter250ms) {
  struct Case {
    int type;
    uint32_t after;
    int x, y;
    bool closes;
  };
  const Case cases[] = {
      {0, 0, 50, 50, false},    {0, 250, 50, 50, false},  {0, 251, 50, 50, true},
      {0, 1000, 640, 360, false},  // inside the large frame
      {1, 1000, 300, 360, true},   // left of the small frame
      {1, 1000, 600, 400, false},  {3, 1000, 1000, 300, true}, {3, 1000, 330, 70, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("type " + std::to_string(c.type) + " after " + std::to_string(c.after) + " at " +
                 std::to_string(c.x) + "," + std::to_string(c.y));
    Results results;
    OpenBox(c.type, &results);
    Step(c.after);
    Tap(c.x, c.y);
    EXPECT_EQ(notify->BoxState(), c.closes ? GameNotify::kClosing : GameNotify::kOpen);
    notify->CloseCurrent();
    Step(250);
    ASSERT_EQ(notify->BoxState(), GameNotify::kNone);
    EXPECT_EQ(results.got, std::vector<int>{0});
  }
}

TEST_F(GameNotifyTest, EachButtonGivesItsResult) {
  struct Case {
    const char* name;
    int type, two_buttons;
    GLButtonImage GameNotify::*button;
    int result;
  };
  const Case cases[] = {
      {"left of a confirmation", 0, 1, &GameNotify::m_left_button, 1},
      {"right of a confirmation", 0, 1, &GameNotify::m_right_button, 0},
      {"close of a confirmation", 0, 1, &GameNotify::m_close_button, 0},
      {"close of a message", 0, 0, &GameNotify::m_close_button, 0},
      {"OK of an error", 6, 0, &GameNotify::m_left_button, 1},
      {"OK of a reward", 5, 0, &GameNotify::m_left_button, 1},
      {"scene button", 8, 0, &GameNotify::m_scene_button, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Results results;
    OpenBox(c.type, &results, c.two_buttons);
    Step(600);  // past the buttons' click interval
    GLButtonImage& b = notify->*c.button;
    ASSERT_FALSE(b.m_hidden);
    Click(b);
    Step(250);
    EXPECT_EQ(results.got, std::vector<int>{c.result});
  }
  EXPECT_EQ(scenes.calls, std::vector<std::string>{"Show(1,1)"});
}

TEST_F(GameNotifyTest, ConfirmGivesTwoAndSharesTheRewardBoxes) {
  for (int type : {4, 5}) {
    Results results;
    OpenBox(type, &results);
    EXPECT_TRUE(notify->m_confirm_button.m_hidden);  // prepared, not shown
    EXPECT_EQ(notify->m_confirm_button.GetLabelRect().left, notify->m_confirm_button.GetFrameRect().left + 50);
    notify->OnEvent(&notify->m_confirm_button);
    Step(250);
    EXPECT_EQ(results.got, std::vector<int>{2});
  }
  const std::vector<std::pair<int, int>> shares = {{17, 0}, {17, 1}};
  EXPECT_EQ(platform.commands, shares);
}

TEST_F(GameNotifyTest, CallbackRunsExactlyOnceWhateverElseTriesToCloseTheBox) {
  Results results;
  OpenBox(0, &results, 1);
  Step(600);
  Click(notify->m_left_button);
  Step(10);
  Click(notify->m_left_button);          // a double click
  notify->OnEvent(&notify->m_right_button);  // a second button reaching the receiver
  notify->CloseCurrent();
  Tap(20, 20);  // outside the frame
  Step(100);
  Click(notify->m_close_button);
  Step(140);
  EXPECT_EQ(notify->BoxState(), GameNotify::kNone);
  Step(1000);
  EXPECT_EQ(results.got, std::vector<int>{1});  // the first click's result, once
}

// A callback that queues the next box: it runs once and the new box opens at once.
struct Chain {
  GameNotify* notify;
  int runs = 0;
  static void Next(void* context, int) {
    Chain* c = static_cast<Chain*>(context);
    ++c->runs;
    c->notify->PushBox("next", 6, "queued by the callback", 0, 0);
  }
};

TEST_F(GameNotifyTest, CallbackMayQueueTheNextBox) {
  Chain chain{notify};
  notify->PushBox("first", 0, "text", 1, 0, &Chain::Next, &chain);
  Step(0);
  notify->CloseCurrent();
  Step(250);
  EXPECT_EQ(chain.runs, 1);
  EXPECT_EQ(notify->BoxState(), GameNotify::kOpen);
  EXPECT_STREQ(notify->CurrentBox().title, "next");
  notify->CloseCurrent();
  Step(250);
  EXPECT_EQ(chain.runs, 1);
}

TEST_F(GameNotifyTest, RefusedRecordsAreFreedAndQueuedOnesGoWithTheLayer) {
  const int before = NotifyRecord::LiveCount();
  auto record = [](int type) {
    NotifyRecord* r = new NotifyRecord();
    r->type = type;
    return r;
  };
  EXPECT_EQ(notify->QueueBox(record(9)), 0);
  EXPECT_EQ(notify->QueueBox(record(-1)), 0);
  EXPECT_EQ(notify->QueueBanner(record(5)), 0);
  EXPECT_EQ(notify->PushBox("t", 12, "m", 0, 0), 0);
  EXPECT_EQ(notify->PushBanner(-3, "t", "", 3000), 0);
  EXPECT_EQ(NotifyRecord::LiveCount(), before);
  EXPECT_EQ(notify->QueuedBoxes(), 0);
  EXPECT_EQ(notify->QueuedBanners(), 0);

  EXPECT_EQ(notify->QueueBox(record(8)), 1);
  EXPECT_EQ(notify->QueueBox(record(0)), 1);
  EXPECT_EQ(notify->QueueBanner(record(4)), 1);
  EXPECT_EQ(NotifyRecord::LiveCount(), before + 3);
  Step(0);  // one box and the banner move into their slots
  EXPECT_EQ(NotifyRecord::LiveCount(), before + 1);
  GameNotify::DestroyInstance();
  // Everything queued went with the layer, and so did its own two current slots.
  EXPECT_EQ(NotifyRecord::LiveCount(), before - 2);
  notify = GameNotify::Instance();
}

TEST_F(GameNotifyTest, WorkersFillTheQueuesWhileTheMainThreadShowsThem) {
  constexpr int kThreads = 4, kEach = 150;
  std::vector<std::atomic<int>> runs(kThreads * kEach);
  struct Ctx {
    std::atomic<int>* counter;
  };
  std::vector<Ctx> contexts(runs.size());
  for (size_t i = 0; i < runs.size(); ++i) contexts[i].counter = &runs[i];
  auto callback = [](void* c, int) { static_cast<Ctx*>(c)->counter->fetch_add(1); };
  std::atomic<int> done{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&, t] {
      for (int i = 0; i < kEach; ++i) {
        notify->PushBox("worker", i % 9, "box", 0, 0, callback, &contexts[t * kEach + i]);
        notify->PushBanner(i % 5, ("banner " + std::to_string(t * kEach + i)).c_str(), "", 10);
        if (i % 50 == 0) notify->ShowCelebration(i, 1);  // its burst is made on the main thread
      }
      done.fetch_add(1);
    });
  }
  std::set<std::string> banners;
  // Show and close everything on this thread until the workers are done and the
  // queues are empty. The bound on the steps counts only steps taken after the workers
  // are done: on a loaded machine they may start late, and this thread must not give up
  // while they are still pushing.
  for (int guard = 0; guard < 100000;) {
    if (notify->BannerState() != GameNotify::kNone) banners.insert(notify->CurrentBanner().title);
    notify->CloseCurrent();  // the box first, else the banner
    Step(250);
    if (done.load() < kThreads) {
      std::this_thread::yield();
      continue;
    }
    ++guard;
    if (notify->QueuedBoxes() == 0 && notify->QueuedBanners() == 0 && notify->BoxState() == GameNotify::kNone &&
        notify->BannerState() == GameNotify::kNone)
      break;
  }
  for (std::thread& w : workers) w.join();
  for (size_t i = 0; i < runs.size(); ++i) ASSERT_EQ(runs[i].load(), 1) << "box " << i;
  EXPECT_EQ(banners.size(), static_cast<size_t>(kThreads * kEach));
}

TEST_F(GameNotifyTest, NoticeSoundsFollowTheEffectsSetting) {
  GameSharedData::Instance()->m_sound_on = 0;
  notify->PushBanner(0, "banner", "", 3000);
  notify->PushBox("box", 0, "text", 0, 0);
  Step(0);
  EXPECT_TRUE(sound.effects.empty());

  GameSharedData::Instance()->m_sound_on = 1;
  notify->CloseCurrent();
  notify->PushBox("box", 6, "text", 0, 0);
  notify->PushBox("box", 8, "text", 0, 0);
  notify->PushBox("box", 2, "text", 0, 0);
  Step(3300);  // the silent box has closed (type 6 opens), the silent banner starts closing
  EXPECT_EQ(sound.effects, std::vector<int>{4});
  Step(250);
  notify->CloseCurrent();
  Step(250);  // type 8 opens
  notify->CloseCurrent();
  Step(250);  // type 2 opens
  EXPECT_EQ(sound.effects, (std::vector<int>{4, 4, 25}));
  notify->PushBanner(1, "banner", "", 3000);
  Step(0);
  EXPECT_EQ(sound.effects, (std::vector<int>{4, 4, 25, 4}));
}

TEST_F(GameNotifyTest, BannerKindsQueueTimesOutAndNamesTheSender) {
  EXPECT_EQ(notify->PushBanner(5, "refused", "", 3000), 0);
  ASSERT_EQ(notify->PushBanner(2, "mail", "", 3000), 1);
  ASSERT_EQ(notify->PushBanner(3, "friend", "Somchai", 3000), 1);
  Step(0);
  EXPECT_EQ(notify->BannerState(), GameNotify::kOpen);
  EXPECT_STREQ(notify->CurrentBanner().sender, "Tolvan");
  EXPECT_EQ(notify->BannerProgress(g_now + 125), 0.5f);
  Step(3250);
  EXPECT_EQ(notify->BannerState(), GameNotify::kOpen);
  Step(1);
  EXPECT_EQ(notify->BannerState(), GameNotify::kClosing);
  Step(250);
  EXPECT_EQ(notify->BannerState(), GameNotify::kOpen);
  EXPECT_STREQ(notify->CurrentBanner().title, "friend");
  EXPECT_STREQ(notify->CurrentBanner().sender, "Somchai");
}

// The own turn at the table clears the banner off the top seat; an open box stays.
TEST_F(GameNotifyTest, OwnTurnClosesTheBannerButNotTheBox) {
  Results results;
  OpenBox(2, &results);
  ASSERT_EQ(notify->PushBanner(1, "invite", "", 3000), 1);
  ASSERT_EQ(notify->PushBanner(2, "mail", "", 3000), 1);
  Step(0);
  ASSERT_EQ(notify->BannerState(), GameNotify::kOpen);
  layer.OnOwnTurn();
  EXPECT_EQ(notify->BoxState(), GameNotify::kOpen);
  EXPECT_EQ(notify->BannerState(), GameNotify::kClosing);
  Step(250);
  EXPECT_EQ(notify->BannerState(), GameNotify::kOpen) << "the queued banner follows";
  EXPECT_STREQ(notify->CurrentBanner().title, "mail");
  EXPECT_TRUE(results.got.empty());
  Step(10);
  layer.OnOwnTurn();
  layer.OnOwnTurn();
  Step(250);
  EXPECT_EQ(notify->BannerState(), GameNotify::kNone);
  EXPECT_EQ(notify->BoxState(), GameNotify::kOpen);
}

TEST_F(GameNotifyTest, BannerTapClosesItAndInTheLobbyOpensTheFriendPage) {
  RecordingMode lobby(GameMode::kModeLobby, "lobby"), play(GameMode::kModePlay, "play");
  struct Case {
    GameMode* mode;
    int kind;
    int result;
    std::vector<std::string> scene_calls;
  };
  const Case cases[] = {
      {&play, 1, 1, {}},
      {&lobby, 0, 0, {}},
      {&lobby, 1, 0, {"Hide(19)", "Show(11,3)"}},
      {&lobby, 2, 0, {"Hide(19)", "Show(11,2)"}},
      {&lobby, 3, 0, {"Hide(19)", "Show(11,0)"}},
      {&lobby, 4, 0, {"Hide(19)", "Show(11,0)"}},
  };
  scenes.shown = 19;
  for (const Case& c : cases) {
    SCOPED_TRACE("kind " + std::to_string(c.kind) + " in mode " + std::to_string(c.mode->mode_id));
    logic->m_mode_current = c.mode;
    scenes.calls.clear();
    sound.effects.clear();
    notify->PushBanner(c.kind, "banner", "", 3000);
    Step(0);
    EXPECT_EQ(notify->OnTouchUp(0, 640, 150), 0);  // below the banner: not taken
    EXPECT_EQ(notify->BannerState(), GameNotify::kOpen);
    EXPECT_EQ(notify->OnTouchUp(0, 640, 40), c.result);
    EXPECT_EQ(notify->BannerState(), GameNotify::kClosing);
    EXPECT_EQ(sound.effects, (std::vector<int>{4, 2}));
    EXPECT_EQ(scenes.calls, c.scene_calls);
    Step(250);
    EXPECT_EQ(notify->BannerState(), GameNotify::kNone);
  }
  logic->m_mode_current = nullptr;
}

TEST_F(GameNotifyTest, OpenBoxKeepsEveryPointerEventFromTheMode) {
  RecordingMode mode(GameMode::kModeLobby, "lobby");
  mode.created = mode.init_processed = 1;
  mode.view_state = 1;
  logic->m_mode_started = 1;
  logic->m_mode_current = &mode;

  logic->OnPointerDown(0, 100, 100);
  EXPECT_EQ(mode.Count("Down(0,100,100)"), 1);  // nothing open: the mode gets it

  notify->PushBox("box", 0, "text", 1, 0);
  Step(0);
  mode.calls.clear();
  logic->OnPointerDown(0, 100, 100);
  logic->OnPointerMove(110, 110);
  logic->OnPointerWheel(40, 110, 110);
  logic->OnPointerUp(0, 640, 360);
  Step(300);
  logic->OnPointerDown(0, 20, 20);
  logic->OnPointerUp(0, 20, 20);  // closes it (outside), still not the mode's
  EXPECT_EQ(notify->BoxState(), GameNotify::kClosing);
  logic->OnPointerDown(0, 100, 100);  // while it fades out
  EXPECT_TRUE(mode.calls.empty());
  Step(250);
  logic->OnPointerDown(0, 100, 100);
  EXPECT_EQ(mode.Count("Down(0,100,100)"), 1);
  logic->m_mode_current = nullptr;
}

TEST_F(GameNotifyTest, BackKeyClosesAnOpenBoxButLeavesBannersToTheMode) {
  Results results;
  OpenBox(2, &results);
  EXPECT_EQ(layer.OnBackKey(), 1);
  Step(250);
  EXPECT_EQ(results.got, std::vector<int>{0});
  notify->PushBanner(0, "banner", "", 3000);
  Step(0);
  EXPECT_EQ(layer.OnBackKey(), 0);
  EXPECT_EQ(notify->BannerState(), GameNotify::kOpen);
}

TEST_F(GameNotifyTest, QuitConfirmationAsksThePlatformOnlyForTheFirstButton) {
  for (bool accept : {false, true}) {
    notify->PushConfirm();
    Step(0);
    ASSERT_EQ(notify->BoxState(), GameNotify::kOpen);
    EXPECT_EQ(notify->CurrentBox().two_buttons, 1);
    EXPECT_NE(notify->CurrentBox().dim, 0);
    EXPECT_STREQ(notify->CurrentBox().message, LangMessage(5));
    Step(600);
    Click(accept ? notify->m_left_button : notify->m_right_button);
    Step(250);
  }
  EXPECT_EQ(platform.commands, (std::vector<std::pair<int, int>>{{3, 0}}));
}

TEST_F(GameNotifyTest, ConfirmationFromAModeAnswersOneForOkAndZeroOtherwise) {
  struct Case {
    const char* name;
    GLButtonImage GameNotify::*button;  // null: the back key
    int result;
  };
  const Case cases[] = {
      {"OK", &GameNotify::m_left_button, 1},
      {"cancel", &GameNotify::m_right_button, 0},
      {"close", &GameNotify::m_close_button, 0},
      {"back key", nullptr, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Results results;
    layer.PushConfirmBox("Tolvan", "leave?", &Results::Record, &results);
    Step(600);
    ASSERT_EQ(notify->BoxState(), GameNotify::kOpen);
    EXPECT_STREQ(notify->CurrentBox().message, "leave?");
    if (c.button) {
      Click(notify->*c.button);
    } else {
      EXPECT_EQ(layer.OnBackKey(), 1);
    }
    Step(250);
    EXPECT_EQ(results.got, std::vector<int>{c.result});
  }
}

TEST_F(GameNotifyTest, GlobalNoticesBecomeBoxesAndACelebration) {
  layer.ShowErrorCode(12);
  Step(0);
  EXPECT_EQ(notify->BoxType(), 1);
  EXPECT_STREQ(notify->CurrentBox().message, FormatString(LangMessage(49), 12).c_str());
  notify->CloseCurrent();
  Step(250);

  layer.ShowPrize(5, 0, 2, 1500000);
  EXPECT_EQ(notify->EffectCount(), 0);  // the burst waits for its box
  Step(0);
  EXPECT_EQ(notify->BoxType(), 4);
  EXPECT_EQ(notify->CurrentBox().number, 2);
  EXPECT_STREQ(notify->CurrentBox().message, FormatString(LangMessage(44), 2, "1,500,000", 5).c_str());
  EXPECT_EQ(notify->EffectCount(), 1);
  notify->CloseCurrent();
  Step(250);

  layer.ShowCelebration(9, 3);
  Step(0);
  EXPECT_EQ(notify->BoxType(), 7);
  EXPECT_STREQ(notify->CurrentBox().message, FormatString(LangMessage(42), 10, 3).c_str());
  EXPECT_EQ(notify->EffectCount(), 2);
  Step(2000);  // the bursts have run their course and are purged
  EXPECT_EQ(notify->EffectCount(), 0);
}

}  // namespace
