#pragma once
#include <cstdint>
#include <cstring>

// Seat state of one player as the server sends it (136 bytes, carried raw). The client
// reads the fields below and keeps every other byte as received.
struct VXType_seat_state {
  static constexpr size_t kSize = 136;
  static constexpr int kFirstCounters = 11;
  static constexpr int kSecondCounters = 7;
  uint8_t raw[kSize];

  VXType_seat_state() { Reset(); }
  // Cleared, with the seat number and the word at 56 set to -1.
  void Reset() {
    std::memset(raw, 0, kSize);
    Put(0, -1);
    Put(56, -1);
  }

  int32_t Seat() const { return Get(0); }
  void SetSeat(int32_t v) { Put(0, v); }
  // On the wire: milliseconds already used of the turn; after arrival the local tick at
  // which the turn started.
  uint32_t TurnStart() const { return static_cast<uint32_t>(Get(12)); }
  void SetTurnStart(uint32_t v) { Put(12, static_cast<int32_t>(v)); }
  int32_t Points() const { return Get(20); }
  void SetPoints(int32_t v) { Put(20, v); }
  // 0 not ready, 1 ready, 2 or more playing in the current round.
  int32_t Ready() const { return Get(24); }
  void SetReady(int32_t v) { Put(24, v); }
  int32_t TurnId() const { return Get(28); }
  void SetTurnId(int32_t v) { Put(28, v); }
  int32_t DrawnTurnId() const { return Get(32); }
  void SetDrawnTurnId(int32_t v) { Put(32, v); }
  int32_t PlusPoints() const { return Get(36); }
  void SetPlusPoints(int32_t v) { Put(36, v); }
  int32_t MinusPoints() const { return Get(40); }
  void SetMinusPoints(int32_t v) { Put(40, v); }
  int64_t Settlement() const {
    int64_t v;
    std::memcpy(&v, raw + 44, 8);
    return v;
  }
  void SetSettlement(int64_t v) { std::memcpy(raw + 44, &v, 8); }
  // Event counters of the round: first group 0..10 at 64, second group 0..6 at 108.
  int32_t FirstCounter(int i) const { return i >= 0 && i < kFirstCounters ? Get(64 + 4 * i) : 0; }
  void SetFirstCounter(int i, int32_t v) {
    if (i >= 0 && i < kFirstCounters) Put(64 + 4 * i, v);
  }
  int32_t SecondCounter(int i) const { return i >= 0 && i < kSecondCounters ? Get(108 + 4 * i) : 0; }
  void SetSecondCounter(int i, int32_t v) {
    if (i >= 0 && i < kSecondCounters) Put(108 + 4 * i, v);
  }

  int32_t Get(size_t off) const {
    int32_t v;
    std::memcpy(&v, raw + off, 4);
    return v;
  }
  void Put(size_t off, int32_t v) { std::memcpy(raw + off, &v, 4); }
};
static_assert(sizeof(VXType_seat_state) == 136);
