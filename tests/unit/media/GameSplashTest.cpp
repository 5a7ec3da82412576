// The loading overlay's delays and time-outs on a stepped clock, and the splash
// window's thread without and with an X display (the X cases run under Xvfb).
#include "media/GameSplash.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "framework/Clock.h"
#include "media/GameSplashHooks.h"
#include "net/IConnectingIndicator.h"
// Xlib's macros (None, Bool, ...) must come after the test framework's headers.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

using namespace std::chrono_literals;

std::atomic<uint32_t> g_now{1000};
uint32_t FakeNow() { return g_now.load(); }

class OverlayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_now = 1000;
    SetTickSource(&FakeNow);
    // The window itself is not under test here: it never appears.
    const char* d = getenv("DISPLAY");
    if (d) saved_display = d;
    unsetenv("DISPLAY");
  }
  void TearDown() override {
    SetTickSource(nullptr);
    if (!saved_display.empty()) setenv("DISPLAY", saved_display.c_str(), 1);
  }
  void At(uint32_t t) { g_now = 1000 + t; }

  GameSplash splash;
  std::string saved_display;
};

TEST_F(OverlayTest, AShortWaitIsNeverDrawnAndTheMessageBarAppearsAfterHalfASecond) {
  splash.ShowLoading(5000, GameSplash::kSpinner);
  for (uint32_t t = 0; t <= 300; t += 50) {
    At(t);
    EXPECT_FALSE(splash.StepOverlay().draw) << t;
  }
  splash.HideLoading(0, 1);
  At(1500);
  EXPECT_FALSE(splash.StepOverlay().draw);
  EXPECT_FALSE(splash.IsLoadingActive());

  At(2000);
  splash.ShowLoading(5000, GameSplash::kMessageBar);
  At(2499);
  EXPECT_FALSE(splash.StepOverlay().draw);
  for (uint32_t t = 2500; t <= 2600; t += 50) {
    At(t);
    const GameSplash::OverlayFrame f = splash.StepOverlay();
    EXPECT_TRUE(f.draw) << t;
    EXPECT_EQ(f.kind, GameSplash::kMessageBar);
  }
}

TEST_F(OverlayTest, ASecondRequestMovesTheStartAndGrowsTheTimeoutByTheTimeBetween) {
  splash.ShowLoading(5000, GameSplash::kSpinner);
  At(2000);
  splash.ShowLoading(5000, GameSplash::kSpinner);
  At(2999);
  EXPECT_FALSE(splash.StepOverlay().draw);  // the delay starts again at the second call
  At(3000);
  EXPECT_TRUE(splash.StepOverlay().draw);
  At(2000 + 7000);
  EXPECT_TRUE(splash.StepOverlay().draw);
  At(2000 + 7001);
  EXPECT_FALSE(splash.StepOverlay().draw);
  EXPECT_FALSE(splash.IsLoadingActive());
}

TEST_F(OverlayTest, AnOverlayNeverHiddenEndsAtItsTimeoutAndEitherWaitEndsIt) {
  splash.ShowLoading(5000, GameSplash::kMessageBar);
  At(5000);
  EXPECT_TRUE(splash.StepOverlay().draw);
  EXPECT_TRUE(splash.IsBusy());
  At(5001);
  splash.StepOverlay();
  EXPECT_FALSE(splash.IsBusy());  // input works again

  // The window's wait running out ends the overlay too.
  At(10000);
  splash.SetSplashWindow(1000, 1);
  splash.ShowLoading(30000, GameSplash::kSpinner);
  At(11001);
  splash.StepOverlay();
  EXPECT_FALSE(splash.IsLoadingActive());
  EXPECT_TRUE(splash.IsSplashShown());
  splash.SetSplashWindow(1000, 0);
  EXPECT_FALSE(splash.IsSplashShown());
}

TEST_F(OverlayTest, ElapsedTimesSurviveTheTickWrapping) {
  g_now = 0xFFFFFF00u;
  splash.ShowLoading(5000, GameSplash::kMessageBar);
  g_now = 0xFFFFFF00u + 600;  // past the wrap
  EXPECT_TRUE(splash.StepOverlay().draw);
  g_now = 0xFFFFFF00u + 5001;
  splash.StepOverlay();
  EXPECT_FALSE(splash.IsLoadingActive());
}

TEST_F(OverlayTest, TheConnectingIndicatorKeepsTheKindAndHidingResetsItOnlyWhenAsked) {
  GameSplashHooks hooks;
  GameSplash* s = GameSplash::Instance();
  // The hooks only act once initialised; Initialize needs GL, so install by hand.
  s->ShowLoading(5000, GameSplash::kMessageBar);
  SetConnectingIndicator(&hooks);
  ConnectingIndicator().Show(30000);  // not initialised yet: does nothing
  SetConnectingIndicator(nullptr);
  EXPECT_EQ(s->OverlayKind(), GameSplash::kMessageBar);
  s->ExtendLoading(30000);
  EXPECT_EQ(s->OverlayKind(), GameSplash::kMessageBar);
  s->HideLoading(0, 0);
  EXPECT_FALSE(s->IsLoadingActive());
  EXPECT_EQ(s->OverlayKind(), GameSplash::kMessageBar);
  s->ExtendLoading(30000);
  EXPECT_TRUE(s->IsLoadingActive());
  s->HideLoading(0, 1);
  EXPECT_EQ(s->OverlayKind(), GameSplash::kSpinner);
  GameSplash::DestroyInstance();
}

TEST(SplashProgressTest, StaysWithinFiveAndNinetyFive) {
  struct Case {
    uint32_t ms;
    int progress;
  } cases[] = {{0, 5}, {100, 5}, {150, 5}, {300, 10}, {1500, 50}, {2850, 95}, {3000, 95}, {60000, 95}, {0xFFFFFFFFu, 95}};
  for (const Case& c : cases) EXPECT_EQ(SplashWindow::ProgressFor(c.ms), c.progress) << c.ms;
}

// Pictures made in memory: a grey background and a strip whose 12 cells differ.
void GivePictures(SplashWindow& w) {
  SplashWindow::Picture bg, strip;
  bg.width = 160, bg.height = 100;
  bg.rgba.assign(static_cast<size_t>(bg.width) * bg.height * 4, 0);
  for (size_t i = 0; i < bg.rgba.size(); i += 4) bg.rgba[i] = bg.rgba[i + 1] = bg.rgba[i + 2] = 90, bg.rgba[i + 3] = 255;
  strip.width = 44 * 12, strip.height = 44;
  strip.rgba.assign(static_cast<size_t>(strip.width) * strip.height * 4, 0);
  for (int y = 0; y < strip.height; ++y) {
    for (int x = 0; x < strip.width; ++x) {
      uint8_t* p = &strip.rgba[(static_cast<size_t>(y) * strip.width + x) * 4];
      p[0] = static_cast<uint8_t>(20 * (x / 44)), p[1] = 200, p[2] = static_cast<uint8_t>(255 - 20 * (x / 44)), p[3] = 255;
    }
  }
  w.SetPictures(std::move(bg), std::move(strip));
}

// Threads of this process. A sanitizer runtime may add a helper thread of its own at
// the first thread start, so one thread is started and joined before counting.
int ThreadCount() {
  static const bool warmed = [] {
    std::thread([] {}).join();
    return true;
  }();
  (void)warmed;
  int n = 0;
  if (DIR* d = opendir("/proc/self/task")) {
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
  }
  return n;
}

TEST(SplashWithoutDisplayTest, ShowingFailsAtOnceAndLeavesNoThread) {
  const char* d = getenv("DISPLAY");
  const std::string saved = d ? d : "";
  unsetenv("DISPLAY");
  const int threads = ThreadCount();
  for (bool pictures : {false, true}) {
    GameSplash splash;
    if (pictures) GivePictures(splash.Window());
    const auto t0 = std::chrono::steady_clock::now();
    splash.SetSplashWindow(30000, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 1s) << pictures;
    EXPECT_FALSE(splash.Window().Running());
    EXPECT_TRUE(splash.IsSplashShown());  // the request stands; nothing is on screen
    EXPECT_EQ(ThreadCount(), threads);
    splash.HideLoading(1, 0);
    EXPECT_FALSE(splash.IsSplashShown());
  }
  EXPECT_FALSE(GameSplash().LoadWindowPictures("/nonexistent/a.png", "/nonexistent/b.png"));
  if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
}

// A worker shows and hides both ways while this thread runs the frame's overlay
// check; run under ThreadSanitizer this must stay clean.
TEST(SplashThreadsTest, AWorkerShowingAndHidingWhileTheFrameDrawsIsSafe) {
  GameSplash splash;
  GivePictures(splash.Window());
  const bool x = getenv("DISPLAY") != nullptr;
  const int rounds = x ? 40 : 400;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    for (int i = 0; i < rounds; ++i) {
      splash.ShowLoading(30000, i & 1);
      splash.SetSplashWindow(30000, 1);
      splash.SetMessage(i & 1 ? "one" : "two");
      splash.ExtendLoading(30000);
      splash.HideLoading(1, 0);
      splash.SetSplashWindow(30000, 0);
      splash.HideLoading(0, 1);
    }
    done = true;
  });
  int frames = 0;
  while (!done) {
    splash.DrawOverlay();
    frames += splash.IsBusy() ? 1 : 0;
    std::this_thread::yield();
  }
  worker.join();
  EXPECT_FALSE(splash.IsBusy());
  EXPECT_FALSE(splash.Window().Running());
}

// ---- with a display (Xvfb) ----------------------------------------------------------

class SplashX11Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!getenv("DISPLAY")) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    display = XOpenDisplay(nullptr);
    if (!display) GTEST_SKIP() << "cannot open the X display";
  }
  void TearDown() override {
    if (display) XCloseDisplay(display);
  }
  // The top-level windows titled like the splash.
  std::vector<Window> Find() {
    std::vector<Window> found;
    Window root_ret, parent;
    Window* children = nullptr;
    unsigned n = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root_ret, &parent, &children, &n)) {
      for (unsigned i = 0; i < n; ++i) {
        char* name = nullptr;
        if (XFetchName(display, children[i], &name) && name) {
          if (std::string(name) == GameSplash::kTitle) found.push_back(children[i]);
          XFree(name);
        }
      }
      if (children) XFree(children);
    }
    return found;
  }
  std::vector<Window> WaitFor(size_t count) {
    std::vector<Window> w;
    for (int i = 0; i < 200 && (w = Find()).size() != count; ++i) std::this_thread::sleep_for(10ms);
    return w;
  }
  // The spinner's cell as the server shows it.
  std::vector<unsigned long> Grab(Window w) {
    std::vector<unsigned long> px;
    XImage* img = XGetImage(display, w, 10, 10, 44, 44, AllPlanes, ZPixmap);
    if (!img) return px;
    for (int y = 0; y < 44; ++y)
      for (int x = 0; x < 44; ++x) px.push_back(XGetPixel(img, x, y));
    XDestroyImage(img);
    return px;
  }
  Display* display = nullptr;
};

TEST_F(SplashX11Test, TheWindowIsFoundByItsTitleItsSpinnerTurnsAndItGoesWhenHidden) {
  GameSplash splash;
  GivePictures(splash.Window());
  splash.SetSplashWindow(30000, 1);
  ASSERT_TRUE(splash.Window().Running());
  const std::vector<Window> found = WaitFor(1);
  ASSERT_EQ(found.size(), 1u);
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display, found[0], &a));
  EXPECT_EQ(a.width, 160);
  EXPECT_EQ(a.height, 100);
  EXPECT_TRUE(a.override_redirect);  // borderless, never managed
  const std::vector<unsigned long> first = Grab(found[0]);
  std::this_thread::sleep_for(250ms);
  const std::vector<unsigned long> second = Grab(found[0]);
  ASSERT_EQ(first.size(), 44u * 44u);
  EXPECT_NE(first, second);
  splash.SetSplashWindow(30000, 0);
  EXPECT_FALSE(splash.Window().Running());
  EXPECT_TRUE(WaitFor(0).empty());
}

TEST_F(SplashX11Test, FiftyRapidShowAndHideCyclesLeaveNoThreadAndNoWindow) {
  GameSplash splash;
  GivePictures(splash.Window());
  const int threads = ThreadCount();
  for (int i = 0; i < 50; ++i) {
    splash.SetSplashWindow(30000, 1);
    EXPECT_TRUE(splash.Window().Running()) << i;
    if (i % 2) splash.HideLoading(1, 0);  // both ways of hiding it
    else splash.SetSplashWindow(30000, 0);
  }
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_TRUE(WaitFor(0).empty());
}

TEST_F(SplashX11Test, TwoThreadsShowingAtOnceStartOneWindowAndDestructionStopsIt) {
  const int threads = ThreadCount();
  {
    GameSplash splash;
    GivePictures(splash.Window());
    std::thread a([&] { splash.SetSplashWindow(30000, 1); });
    std::thread b([&] { splash.SetSplashWindow(30000, 1); });
    a.join();
    b.join();
    EXPECT_EQ(WaitFor(1).size(), 1u);
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(Find().size(), 1u);
  }  // destroyed while shown
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_TRUE(WaitFor(0).empty());
}

}  // namespace
