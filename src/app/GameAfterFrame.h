#pragma once
// Work the main thread does between two frames: after RenderFrame, once the frame lock
// is released and no packet is being dispatched. What must not run inside a frame or a
// packet handler goes here: a modal dialog (its own event loop would run under the frame
// lock and a session's receive lock), or a logout asked for by a reply of the very
// session it closes.
//
// Post may be called from any thread; Run is called by the main loop only (and by tests
// standing in for it). A task posted while Run works waits for the next pass.
#include <cstddef>
#include <functional>

class GameAfterFrame {
 public:
  static void Post(std::function<void()> task);
  // Runs the tasks posted so far, in order; returns how many ran.
  static size_t Run();
  static size_t Pending();
  // Drops every waiting task (shutdown: what they point at is about to go).
  static void Clear();
};
