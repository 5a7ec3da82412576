#pragma once
#include <cstdint>
#include <cstring>

struct Packet;

// A raw fixed-size record carried byte for byte, with int32 access at byte offsets.
template <size_t N>
struct VXRawRecord {
  static constexpr size_t kSize = N;
  uint8_t raw[N] = {};

  int32_t Get(size_t off) const {
    int32_t v = 0;
    if (off + 4 <= N) std::memcpy(&v, raw + off, 4);
    return v;
  }
  void Put(size_t off, int32_t v) {
    if (off + 4 <= N) std::memcpy(raw + off, &v, 4);
  }
  int64_t Get64(size_t off) const {
    int64_t v = 0;
    if (off + 8 <= N) std::memcpy(&v, raw + off, 8);
    return v;
  }
  void Put64(size_t off, int64_t v) {
    if (off + 8 <= N) std::memcpy(raw + off, &v, 8);
  }
  void Clear() { std::memset(raw, 0, N); }
  bool operator==(const VXRawRecord& o) const { return std::memcmp(raw, o.raw, N) == 0; }
};

// The room the client sits in (56 bytes); sent back verbatim to change room. The room
// list fills a request with -1 at bytes 0, 4 and 8; a table address is 0, the table
// number and the table key there.
struct VXType_room_info : VXRawRecord<56> {
  int32_t TableNumber() const { return Get(4); }
  void SetTableNumber(int32_t v) { Put(4, v); }
  int32_t TableKey() const { return Get(8); }
  void SetTableKey(int32_t v) { Put(8, v); }
  // 0 normal game, 1 point game (the room list's tab).
  int32_t GameType() const { return Get(12); }
  void SetGameType(int32_t v) { Put(12, v); }
  // 0/1 waiting for players, 2 round in progress, 3 result, 4 ranking, 5 tournament over.
  int32_t TableState() const { return Get(16); }
  void SetTableState(int32_t v) { Put(16, v); }
  int32_t TurnSeconds() const { return Get(24); }
  void SetTurnSeconds(int32_t v) { Put(24, v); }
  int32_t Seats() const { return Get(28); }  // 4 in every request
  void SetSeats(int32_t v) { Put(28, v); }
  int32_t PointTarget() const { return Get(44); }
  void SetPointTarget(int32_t v) { Put(44, v); }
  int64_t Stake() const { return Get64(48); }
  void SetStake(int64_t v) { Put64(48, v); }
};

// Turn of the round (36 bytes).
struct VXType_turn_info : VXRawRecord<36> {
  VXType_turn_info() { Reset(); }
  void Reset() {
    Clear();
    Put(8, 1);
    Put(12, -1);
    Put(16, -1);
  }
  int32_t Direction() const { return Get(8); }
  void SetDirection(int32_t v) { Put(8, v); }
  int32_t HostSeat() const { return Get(12); }
  void SetHostSeat(int32_t v) { Put(12, v); }
  int32_t TurnSeat() const { return Get(16); }
  void SetTurnSeat(int32_t v) { Put(16, v); }
  // -1 (or any seat that never plays) names no seat.
  int32_t AutoStageSeat() const { return Get(24); }
  void SetAutoStageSeat(int32_t v) { Put(24, v); }
  // The round's mission card (the local server sends it for a client entering
  // mid-round; 0 none, since card 0 is never the mission card).
  int32_t MissionCard() const { return Get(20); }
  void SetMissionCard(int32_t v) { Put(20, v); }
  int32_t Mission() const { return Get(28); }
  void SetMission(int32_t v) { Put(28, v); }
  int32_t NoCrown() const { return Get(32); }
  void SetNoCrown(int32_t v) { Put(32, v); }
};

// Tournament the table belongs to (120 bytes); an id of 1 or more means a tournament.
struct VXType_tournament_info : VXRawRecord<120> {
  int32_t TournamentId() const { return Get(0); }
  void SetTournamentId(int32_t v) { Put(0, v); }
  // 0 or 1 scheduled, 2 and above sit-and-go.
  int32_t Kind() const { return Get(12); }
  void SetKind(int32_t v) { Put(12, v); }
  // 1 cancelled, 4 registration open, 5 seating, 6 closed.
  int32_t Status() const { return Get(16); }
  void SetStatus(int32_t v) { Put(16, v); }
};

// Progress of the tournament (52 bytes).
struct VXType_tournament_progress : VXRawRecord<52> {
  int32_t Shown() const { return Get(8); }
  int32_t AdvancePlaces() const { return Get(28); }
  int32_t Rounds() const { return Get(44); }
};

// Table status block (100 bytes on the wire): room, turn time, stock use, turn record.
struct VXType_table_status {
  static constexpr size_t kWireSize = 100;
  VXType_room_info room;
  // On the wire the milliseconds already used of the turn; after Read the local tick at
  // which the turn started.
  uint32_t turn_start = 0;
  int32_t stock_taken = 0;  // the stock shows 52 minus this
  VXType_turn_info turn;

  int Write(Packet& packet) const;
  int Read(Packet& packet);
};
