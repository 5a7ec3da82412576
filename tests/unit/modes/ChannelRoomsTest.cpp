#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "net/Packet.h"
#include "net/messages/VXChannelRooms.h"

namespace {

// A channel tail as a server writes it: point target, the announced count, then
// `present` rooms whose fields say which room they are (stake 100 * (i + 1), ...).
Packet Tail(int32_t announced, int present, size_t extra_bytes = 0) {
  Packet p(145);
  p.WriteInt32(1000);
  p.WriteInt32(announced);
  for (int i = 0; i < present; ++i) {
    p.WriteInt32(100 * (i + 1));
    p.WriteInt32(2000 * (i + 1));
    p.WriteInt32(200 + i);
    p.WriteInt32(i);
    p.WriteInt32(10 + i);
    p.WriteInt32(20 + i);
    p.WriteInt32(30 + i);
  }
  for (size_t i = 0; i < extra_bytes; ++i) p.WriteBytes("\x7f", 1);
  return p;
}

struct ParseCase {
  const char* what;
  int32_t announced;
  int present;
  size_t extra_bytes;
  int32_t kept;
  int complete;
};

void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.what; }

class ChannelRoomsParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ChannelRoomsParse, CountIsClampedToTheTableAndThePayload) {
  const ParseCase& c = GetParam();
  Packet p = Tail(c.announced, c.present, c.extra_bytes);
  VXType_channel_rooms rooms;
  rooms.rooms[0].stake = -99;  // a stale record is replaced, not merged
  EXPECT_EQ(rooms.Read(p), c.complete) << c.what;
  EXPECT_EQ(rooms.count, c.kept) << c.what;
  EXPECT_EQ(rooms.point_target, 1000) << c.what;
  for (int32_t i = 0; i < c.kept; ++i) {
    const VXType_channel_room& r = rooms.rooms[static_cast<size_t>(i)];
    EXPECT_EQ(r.stake, 100 * (i + 1)) << c.what << " room " << i;
    EXPECT_EQ(r.min_balance, 2000 * (i + 1)) << c.what << " room " << i;
    EXPECT_EQ(r.badge, 200 + i) << c.what << " room " << i;
    EXPECT_EQ(r.PlayerTotal(0), i + 10 + i) << c.what << " room " << i;
    EXPECT_EQ(r.PlayerTotal(1), 50 + 2 * i) << c.what << " room " << i;
  }
  for (int32_t i = c.kept; i < VXType_channel_rooms::kMaxRooms; ++i)
    EXPECT_EQ(rooms.rooms[static_cast<size_t>(i)].stake, 0) << c.what << " room " << i << " must stay empty";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ChannelRoomsParse,
    ::testing::Values(ParseCase{"six rooms", 6, 6, 0, 6, 1},
                      ParseCase{"thirteen rooms keep the first twelve", 13, 13, 0, 12, 1},
                      ParseCase{"a huge count with twelve present", 0x7fffffff, 12, 0, 12, 0},
                      ParseCase{"a negative count keeps nothing", -3, 4, 0, 0, 0},
                      ParseCase{"a short payload keeps the whole rooms present", 5, 2, 20, 2, 0},
                      ParseCase{"no rooms", 0, 0, 0, 0, 1}));

TEST(ChannelRooms, AMissingTailLeavesAnEmptyRecord) {
  Packet p(145);
  p.WriteInt32(1000);  // the count is missing
  VXType_channel_rooms rooms;
  rooms.count = 4;
  EXPECT_EQ(rooms.Read(p), 0);
  EXPECT_EQ(rooms.count, 0);
}

TEST(ChannelRooms, WhatTheServerWritesTheClientReadsBack) {
  VXType_channel_rooms out;
  out.point_target = 750;
  out.count = 13;  // more than a channel may list: twelve are written
  for (int i = 0; i < VXType_channel_rooms::kMaxRooms; ++i) {
    out.rooms[static_cast<size_t>(i)].stake = 50 + i;
    out.rooms[static_cast<size_t>(i)].players[1][1] = i;
  }
  Packet p(145);
  ASSERT_EQ(out.Write(p), 1);
  EXPECT_EQ(p.PayloadLength(), 8 + 12 * VXType_channel_rooms::kRoomBytes);
  VXType_channel_rooms in;
  ASSERT_EQ(in.Read(p), 1);
  EXPECT_EQ(in.point_target, 750);
  ASSERT_EQ(in.count, 12);
  EXPECT_EQ(in.rooms[11].stake, 61);
  EXPECT_EQ(in.rooms[11].PlayerTotal(1), 11);
  EXPECT_EQ(in.rooms[11].PlayerTotal(2), 0);
}

TEST(ChannelRooms, StakesAndBalancesCompareInSixtyFourBits) {
  VXType_channel_room r;
  r.stake = 1000;
  EXPECT_EQ(r.RequiredChips(), 20000);
  EXPECT_FALSE(r.CanAfford(19999));
  EXPECT_TRUE(r.CanAfford(20000));
  r.stake = 2000000000;  // 20 times this does not fit 32 bits
  EXPECT_EQ(r.RequiredChips(), 40000000000LL);
  EXPECT_FALSE(r.CanAfford(39999999999LL));
  EXPECT_TRUE(r.CanAfford(40000000000LL));
  for (int32_t stake : {0, -1000}) {
    r.stake = stake;
    EXPECT_FALSE(r.Enterable()) << stake;
    EXPECT_FALSE(r.CanAfford(INT64_MAX)) << stake;
  }
  r.min_balance = 5000;
  EXPECT_TRUE(r.Highlighted(5000));
  EXPECT_FALSE(r.Highlighted(4999));
  for (int32_t minimum : {0, 2000000000}) {
    r.min_balance = minimum;
    EXPECT_FALSE(r.Highlighted(INT64_MAX)) << minimum;
  }
}

}  // namespace
