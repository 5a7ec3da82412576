#include "net/IConnectingIndicator.h"

#include <atomic>

namespace {
IConnectingIndicator g_null_indicator;
std::atomic<IConnectingIndicator*> g_indicator{nullptr};
}  // namespace

void SetConnectingIndicator(IConnectingIndicator* indicator) { g_indicator.store(indicator); }

IConnectingIndicator& ConnectingIndicator() {
  IConnectingIndicator* p = g_indicator.load();
  return p ? *p : g_null_indicator;
}
