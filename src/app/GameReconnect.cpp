#include "app/GameReconnect.h"

#include "framework/StringUtil.h"

namespace {
uint32_t SharedRandom(uint32_t lo, uint32_t hi) {
  return static_cast<uint32_t>(RandomInt(static_cast<int>(lo), static_cast<int>(hi)));
}
}  // namespace

GameReconnect::GameReconnect(RandomFn random) : m_random(random ? random : &SharedRandom) {}

uint32_t GameReconnect::BaseDelay(int attempt) {
  uint32_t d = kFirstDelayMs;
  for (int i = 1; i < attempt && d < kMaxDelayMs; ++i) d *= 2;
  return d < kMaxDelayMs ? d : kMaxDelayMs;
}

uint32_t GameReconnect::DelayFor(int attempt) const {
  const uint32_t base = BaseDelay(attempt);
  const uint32_t d = m_random(base / 2, base);
  // A random source that strays outside its range must not stretch or skip the wait.
  if (d < base / 2) return base / 2;
  return d > base ? base : d;
}

void GameReconnect::Schedule(uint32_t now) {
  m_state = kWaiting;
  m_due = now + DelayFor(m_attempts + 1);
}

void GameReconnect::OnLost(uint32_t now) {
  if (m_state != kIdle) return;
  m_attempts = 0;
  Schedule(now);
}

void GameReconnect::OnAttemptStarted(uint32_t now) {
  if (m_state != kWaiting) return;
  ++m_attempts;
  m_state = kConnecting;
  m_since = now;
}

void GameReconnect::OnLoginSent(uint32_t now) {
  if (m_state != kConnecting) return;
  m_state = kLoggingIn;
  m_since = now;
}

void GameReconnect::OnAttemptFailed(uint32_t now) {
  if (m_state != kConnecting && m_state != kLoggingIn) return;
  Schedule(now);
}

void GameReconnect::Reset() {
  m_state = kIdle;
  m_attempts = 0;
  ++m_generation;
}

uint32_t GameReconnect::SecondsLeft(uint32_t now) const {
  if (m_state != kWaiting || Elapsed(now)) return 0;
  return (m_due - now + 999) / 1000;
}
