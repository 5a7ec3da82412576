#pragma once
#include <cstdint>

// How much the main loop draws, by what the player can see of the window:
// - in focus: every pass may draw, at most 100 frames per second (RenderFrame's own cap),
//   and the loop naps 1 ms between passes;
// - shown but not in focus: at most 10 frames per second, and the loop waits for the
//   next window event for up to 10 ms between passes;
// - minimised or hidden: nothing is drawn, and the loop waits as when not in focus.
// In every case the frame's work (workers, timers, the mode's update, the sessions'
// pumps) goes on at every pass, so the connection and the table keep running.
class FramePacing {
 public:
  enum Level : int32_t { kFocused = 0, kUnfocused = 1, kHidden = 2 };

  // Shortest time between two drawn frames; kNever for none.
  static constexpr uint32_t kNever = 0xFFFFFFFFu;
  static constexpr uint32_t kFocusedFrameMs = 0;  // only RenderFrame's 100 fps cap
  static constexpr uint32_t kUnfocusedFrameMs = 100;
  // Between two passes: the nap in focus; the longest wait for an event otherwise.
  static constexpr uint32_t kFocusedNapMs = 1;
  static constexpr uint32_t kIdleWaitMs = 10;

  // `shown`: mapped and not minimised; `focused`: holds the keyboard focus.
  static Level LevelFor(bool shown, bool focused) {
    if (!shown) return kHidden;
    return focused ? kFocused : kUnfocused;
  }
  static uint32_t FrameIntervalMs(Level level) {
    switch (level) {
      case kFocused: return kFocusedFrameMs;
      case kUnfocused: return kUnfocusedFrameMs;
      default: return kNever;
    }
  }
  // True when the loop waits for an event between passes rather than napping.
  static bool WaitsForEvents(Level level) { return level != kFocused; }
  static uint32_t PassGapMs(Level level) { return level == kFocused ? kFocusedNapMs : kIdleWaitMs; }
  static const char* Name(Level level) {
    switch (level) {
      case kFocused: return "focused";
      case kUnfocused: return "not focused";
      default: return "hidden";
    }
  }
};
