#pragma once
// Shared fixture for the game-logic tests: a stepped clock, recording hooks and a mode
// that records every call it receives.
#include <string>
#include <vector>

#include "app/GameHooks.h"
#include "app/GameLogic.h"
#include "app/GameMode.h"
#include "framework/Clock.h"
#include "framework/Log.h"
#include "framework/ZBAutoreleasePool.h"

namespace testing_support {

inline uint32_t g_fake_now = 1000;
inline uint32_t FakeNow() { return g_fake_now; }

class RecordingMode : public GameMode {
 public:
  explicit RecordingMode(int id = GameMode::kModeLogin, const char* name = "mode") : m_name(name) {
    mode_id = id;
  }
  int Create(int p1, int p2) override {
    calls.push_back("Create(" + std::to_string(p1) + "," + std::to_string(p2) + ")");
    if (fail_create) return 0;
    return GameMode::Create(p1, p2);
  }
  void Start() override {
    calls.push_back("Start");
    GameMode::Start();
  }
  void OnInit_Process() override {
    calls.push_back("OnInit_Process");
    GameMode::OnInit_Process();
  }
  int Update() override {
    calls.push_back("Update");
    return 0;
  }
  void Cleanup() override {
    calls.push_back("Cleanup");
    GameMode::Cleanup();
  }
  void Show(int show, int param) override {
    calls.push_back("Show(" + std::to_string(show) + ")");
    GameMode::Show(show, param);
  }
  int Draw() override {
    calls.push_back("Draw");
    return 1;
  }
  void Close() override { calls.push_back("Close"); }
  void OnConnectionLost(int v) override { calls.push_back("OnConnectionLost(" + std::to_string(v) + ")"); }
  int OnPacket(Packet* p) override {
    calls.push_back("OnPacket(" + std::to_string(p->id) + ")");
    return packet_result;
  }
  int OnTouchDown(int b, int x, int y) override {
    calls.push_back("Down(" + std::to_string(b) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
    return 1;
  }
  int OnTouchUp(int b, int x, int y) override {
    calls.push_back("Up(" + std::to_string(b) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
    return 1;
  }
  int OnTouchMove(int b, int x, int y) override {
    calls.push_back("Move(" + std::to_string(b) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
    return 1;
  }
  int OnWheel(int d, int x, int y) override {
    calls.push_back("Wheel(" + std::to_string(d) + "," + std::to_string(x) + "," + std::to_string(y) + ")");
    return 1;
  }

  int Count(const std::string& call) const {
    int n = 0;
    for (const auto& c : calls) n += c == call;
    return n;
  }

  std::vector<std::string> calls;
  bool fail_create = false;
  int packet_result = 7;
  std::string m_name;
};

class RecordingScreen : public IScreenHooks {
 public:
  float PointerScaleX() override { return scale_x; }
  float PointerScaleY() override { return scale_y; }
  bool FrameDue() override { return frame_due; }
  void BeginFrame() override { ++begins; }
  void EndFrame() override { ++ends; }
  void DrawLoadingPicture() override { ++loading_pictures; }
  void DrawRoundRect(float l, float t, float r, float b, float radius, int segments, float lw, HookColor fill,
                     HookColor border) override {
    ++round_rects;
    last_rect[0] = l, last_rect[1] = t, last_rect[2] = r, last_rect[3] = b;
    last_radius = radius, last_segments = segments, last_line_width = lw;
    last_fill = fill, last_border = border;
  }
  void DrawTextCentered(const char* utf8, float, float, float, float, int, HookColor) override {
    texts.emplace_back(utf8 ? utf8 : "");
  }
  int LoadSharedImages() override { return shared_images_ok-- > 0 ? 1 : 0; }
  std::vector<std::string> texts;

  float scale_x = 1.0f, scale_y = 1.0f;
  bool frame_due = true;
  int begins = 0, ends = 0, loading_pictures = 0, round_rects = 0;
  float last_rect[4] = {};
  float last_radius = 0, last_line_width = 0;
  int last_segments = 0;
  HookColor last_fill{}, last_border{};
  int shared_images_ok = 1000;
};

class RecordingSplash : public ISplashHooks {
 public:
  bool IsSplashShown() override { return splash_shown; }
  bool IsLoadingActive() override { return loading_active; }
  void SetSplashWindow(uint32_t, bool show) override { splash_shown = show; }
  void ShowLoading(uint32_t, int) override { ++show_loading; }
  void HideLoading() override { ++hide_loading; }
  void DrawOverlay() override { ++overlays; }
  bool splash_shown = false, loading_active = false;
  int show_loading = 0, hide_loading = 0, overlays = 0;
};

class RecordingLayer : public ILayerHooks {
 public:
  void FrameStep() override { ++steps; }
  void Draw() override { ++draws; }
  int OnTouchDown(int, int, int) override { return Take("down"); }
  int OnTouchUp(int, int, int) override { return Take("up"); }
  int OnTouchMove(int, int, int) override { return Take("move"); }
  int OnWheel(int, int, int) override { return Take("wheel"); }
  int OnBackKey() override { return Take("back"); }
  void Stop() override { ++stops; }
  int Take(const char* what) {
    seen.push_back(what);
    return consume ? 1 : 0;
  }
  bool consume = false;
  int steps = 0, draws = 0, stops = 0;
  std::vector<std::string> seen;
};

class RecordingSound : public ISoundHooks {
 public:
  void PlayEffect(int i) override { effects.push_back(i); }
  std::vector<int> effects;
};

// Collects log lines.
struct LogCapture {
  LogCapture() {
    LogConfig c;
    c.sinks = 0;
    LogConfigure(c);
    LogSetObserver(&LogCapture::Observe, this);
  }
  ~LogCapture() { LogSetObserver(nullptr, nullptr); }
  static void Observe(uint32_t, const char* text, void* user) {
    static_cast<LogCapture*>(user)->lines.emplace_back(text);
  }
  bool Has(const std::string& s) const {
    for (const auto& l : lines)
      if (l == s) return true;
    return false;
  }
  std::vector<std::string> lines;
};

}  // namespace testing_support
