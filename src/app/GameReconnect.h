#pragma once
#include <cstdint>

// When the tries to get back to the master server after a lost connection happen: the
// first one soon after the loss, each further one after twice the wait of the one
// before (capped), every wait shortened by a random part of up to a half so that many
// clients cut off together do not all knock at once. One try connects, greets the
// master and sends the login again; it either ends in a login (back) or fails, which
// schedules the next one.
//
// A plain state machine with no clock of its own: the caller passes the time. Owned by
// the game logic; main thread, or any thread under the game logic's frame lock.
class GameReconnect {
 public:
  enum State : int32_t {
    kIdle = 0,        // nothing lost, or given up
    kWaiting = 1,     // lost; the next try starts at DueAt()
    kConnecting = 2,  // a try connects and greets the master
    kLoggingIn = 3,   // a try sent the login and waits for its reply
  };

  static constexpr uint32_t kFirstDelayMs = 1000;
  static constexpr uint32_t kMaxDelayMs = 15000;
  // A login reply that does not come within this time fails the try.
  static constexpr uint32_t kLoginTimeoutMs = 15000;

  // Uniform integer in [lo, hi]; the default draws from the shared engine.
  using RandomFn = uint32_t (*)(uint32_t lo, uint32_t hi);
  explicit GameReconnect(RandomFn random = nullptr);

  // The wait before try `attempt` (1 for the first) without its random part:
  // kFirstDelayMs doubled for every earlier try, at most kMaxDelayMs.
  static uint32_t BaseDelay(int attempt);
  // The wait with its random part: between half of BaseDelay and all of it.
  uint32_t DelayFor(int attempt) const;

  // The connection was found lost at `now`: the first try is scheduled. Nothing happens
  // while a reconnect is already under way.
  void OnLost(uint32_t now);
  bool AttemptDue(uint32_t now) const { return m_state == kWaiting && Elapsed(now); }
  // The due try starts (Waiting to Connecting); it is counted.
  void OnAttemptStarted(uint32_t now);
  // The login went out (Connecting to LoggingIn).
  void OnLoginSent(uint32_t now);
  // The try failed at `now`: the next one is scheduled after a longer wait.
  void OnAttemptFailed(uint32_t now);
  bool LoginTimedOut(uint32_t now) const { return m_state == kLoggingIn && now - m_since > kLoginTimeoutMs; }
  // Logged in again, or stopped (a logout, the title screen): back to idle, and any try
  // still running learns from the changed generation that it is no longer wanted.
  void Reset();

  State GetState() const { return m_state; }
  bool Active() const { return m_state != kIdle; }
  // The try under way, or the number of the next one while waiting (1 for the first).
  int Attempt() const { return m_state == kWaiting ? m_attempts + 1 : m_attempts; }
  // Tries started since the loss.
  int AttemptsMade() const { return m_attempts; }
  uint32_t DueAt() const { return m_due; }
  // Whole seconds until the next try, rounded up (0 once due).
  uint32_t SecondsLeft(uint32_t now) const;
  uint32_t Generation() const { return m_generation; }

 private:
  // True once `now` reached the due time (wrap-safe: the wait is below 2^31 ms).
  bool Elapsed(uint32_t now) const { return static_cast<int32_t>(now - m_due) >= 0; }
  void Schedule(uint32_t now);

  RandomFn m_random;
  State m_state = kIdle;
  int m_attempts = 0;
  uint32_t m_due = 0;
  uint32_t m_since = 0;
  uint32_t m_generation = 0;
};
