#pragma once
#include <cstdint>

// The "connecting" indicator shown while a session connects or awaits a reply. It is
// drawn by a higher layer; the sessions only drive it through this interface. The
// default does nothing; the program installs the real one at start-up.
class IConnectingIndicator {
 public:
  virtual ~IConnectingIndicator() = default;
  // Activates the indicator with a time-out; an active one has its time-out extended.
  virtual void Show(uint32_t timeout_ms) { (void)timeout_ms; }
  virtual void Stop() {}
};

// Installs the indicator (nullptr restores the do-nothing one). May be called from any
// thread; the indicator itself must tolerate calls from worker threads.
void SetConnectingIndicator(IConnectingIndicator* indicator);
IConnectingIndicator& ConnectingIndicator();
