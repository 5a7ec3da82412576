// The service role's one-shot exchanges, each on a connection of its own as the client
// makes them: answered from the database while the named account is logged in from the
// same address, closed otherwise; and the master's login reply with its missions.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "LiveServer.h"
#include "ProtocolClient.h"
#include "Session.h"
#include "Store.h"
#include "Wire.h"
#include "net/messages/VXType_user_info.h"

namespace {

// One exchange on a new connection: the reply, or null when the server closed it.
std::unique_ptr<Packet> Exchange(int port, Packet& request, const char* source = nullptr) {
  ProtocolClient c;
  if (!c.Connect(port, "127.0.0.1", source)) {
    ADD_FAILURE() << "cannot connect from " << (source ? source : "127.0.0.1");
    return nullptr;
  }
  c.Send(request);
  return c.RecvId(request.id, 5000);
}

Packet Named(uint16_t id, const MasterAccount& who) {
  Packet p(id);
  p.WriteFixedText(who.account_id.c_str(), 30);
  p.WriteInt32(who.user_number);
  return p;
}

std::string TextAt(const uint8_t* rec, size_t off, size_t width) {
  return std::string(reinterpret_cast<const char*>(rec + off), strnlen(reinterpret_cast<const char*>(rec + off), width));
}

int32_t Int32At(const uint8_t* rec, size_t off) {
  int32_t v;
  std::memcpy(&v, rec + off, 4);
  return v;
}

// Social ids as the client sends them: left-padded with zeros to 20 characters.
const char kFriendSocialId[] = "00000100000000000002";

}  // namespace

TEST(ServerService, FriendsUploadedAndListedFromTheDatabase) {
  auto cfg = QuickConfig("service_friends");
  {
    // A player of the social network who has played here before.
    tsrv::Store st;
    ASSERT_TRUE(st.Open(cfg.db_path, cfg.start_chips, nullptr));
    ASSERT_TRUE(st.LoginSocial(kFriendSocialId, "สมศรี มีสุข"));
  }
  LiveServer live(cfg);
  ProtocolClient master;
  MasterAccount me;
  ASSERT_TRUE(LoginOnMaster(master, live.master(), "service-me", &me));

  // 193: the friend who plays here, one who does not, and the player itself.
  Packet up = Named(VX_PROTOCOL_SOCIAL_FRIENDS, me);
  up.WriteInt32(3);
  for (const std::string& id : {std::string(kFriendSocialId), std::string("00000999999999999999"), me.account_id})
    up.WriteFixedText(id.c_str(), 30);
  auto r = Exchange(live.master(), up);
  ASSERT_TRUE(r);
  int32_t found = -1;
  ASSERT_TRUE(r->ReadInt32(&found));
  EXPECT_EQ(found, 1);

  // 188 kind 0: the friend's record.
  Packet list = Named(VX_PROTOCOL_FRIEND_LIST, me);
  list.WriteInt32(0);
  list.WriteInt32(0);
  r = Exchange(live.master(), list);
  ASSERT_TRUE(r);
  int32_t head[4] = {};
  for (auto& h : head) ASSERT_TRUE(r->ReadInt32(&h));
  EXPECT_EQ(head[0], 1);
  EXPECT_EQ(head[1], 0);
  uint8_t rec[108];
  ASSERT_TRUE(r->ReadBytes(rec, sizeof(rec)));
  EXPECT_EQ(TextAt(rec, 28, 30), kFriendSocialId);
  EXPECT_EQ(TextAt(rec, 58, 50), "สมศรี มีสุข");
  EXPECT_EQ(Int32At(rec, 4), 1);
  EXPECT_EQ(r->PayloadLength(), 16u + 108u);

  // 188 kind 1 (requests) and 181 (counters): nothing waiting.
  Packet requests = Named(VX_PROTOCOL_FRIEND_LIST, me);
  requests.WriteInt32(1);
  requests.WriteInt32(0);
  r = Exchange(live.master(), requests);
  ASSERT_TRUE(r);
  ASSERT_TRUE(r->ReadInt32(&head[0]) && r->ReadInt32(&head[1]));
  EXPECT_EQ(head[0], 0);
  EXPECT_EQ(head[1], 1);
  Packet state = Named(VX_PROTOCOL_SERVICE_STATE, me);
  r = Exchange(live.master(), state);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->PayloadLength(), 16u);
  // 172: no tournaments are held here.
  Packet regs = Named(VX_PROTOCOL_TOURNAMENT_REGISTRATIONS, me);
  regs.WriteInt32(0);
  r = Exchange(live.master(), regs);
  ASSERT_TRUE(r);
  int32_t count = -1;
  ASSERT_TRUE(r->ReadInt32(&count));
  EXPECT_EQ(count, 0);
}

// An exchange naming an account is not answered for someone else: a wrong user number,
// another address, an account not logged in, a bot.
TEST(ServerService, ExchangesForAnAccountNotLoggedInFromThereAreClosed) {
  auto cfg = QuickConfig("service_refused");
  LiveServer live(cfg);
  ProtocolClient master;
  MasterAccount me;
  ASSERT_TRUE(LoginOnMaster(master, live.master(), "service-refused", &me));
  MasterAccount wrong_number = me;
  wrong_number.user_number += 1;
  MasterAccount nobody{"Q0000000000000000", 99, 0};
  struct Case {
    const char* what;
    MasterAccount who;
    const char* source;
    bool answered;
  } cases[] = {
      {"the account logged in from here", me, nullptr, true},
      {"a wrong user number", wrong_number, nullptr, false},
      {"from another address", me, "127.0.0.2", false},
      {"an account not logged in", nobody, nullptr, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Packet p = Named(VX_PROTOCOL_SERVICE_STATE, c.who);
    auto r = Exchange(live.master(), p, c.source);
    EXPECT_EQ(r != nullptr, c.answered);
  }
  // Logged out: no more answers.
  ASSERT_TRUE(LeaveServer(master));
  Packet p = Named(VX_PROTOCOL_SERVICE_STATE, me);
  EXPECT_FALSE(Exchange(live.master(), p)) << "after leaving";
}

// 194: the lobby's player list (-1, nine at most) and the ranking categories, richest or
// best first, bots left out.
TEST(ServerService, ListsComeFromTheDatabase) {
  auto cfg = QuickConfig("service_lists");
  cfg.bot_tables = 1;  // bots exist, and must not be listed
  {
    tsrv::Store st;
    ASSERT_TRUE(st.Open(cfg.db_path, cfg.start_chips, nullptr));
    for (int i = 0; i < 12; ++i) ASSERT_TRUE(st.LoginDevice("list-" + std::to_string(i), "P" + std::to_string(i)));
    auto rich = st.LoginDevice("list-rich", "Rich");
    auto poor = st.LoginDevice("list-poor", "Poor");
    ASSERT_TRUE(rich && poor);
    ASSERT_TRUE(st.Settle(1, 100, {{rich->id, 5000, 0, true}, {poor->id, -5000, 0, false}}));
  }
  LiveServer live(cfg);
  struct Case {
    int32_t category;
    size_t rows;
    std::string first;
    int64_t first_value;
  } cases[] = {
      {-1, 9, "Rich", 105000},
      {0, 14, "Rich", 105000},
      {3, 14, "Rich", 1},
      {4, 0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.category);
    Packet p(VX_PROTOCOL_LIST_REFRESH);
    p.WriteInt32(c.category);
    p.WriteInt32(0);
    p.WriteInt32(0);
    if (c.category == -1) p.WriteInt32(9);
    auto r = Exchange(live.master(), p);
    ASSERT_TRUE(r);
    int32_t head[4] = {};
    for (auto& h : head) ASSERT_TRUE(r->ReadInt32(&h));
    EXPECT_EQ(head[0], c.category);
    ASSERT_EQ(static_cast<size_t>(head[3]), c.rows);
    int64_t last = INT64_MAX;
    for (size_t i = 0; i < c.rows; ++i) {
      uint8_t row[172];
      ASSERT_TRUE(r->ReadBytes(row, sizeof(row)));
      int64_t value;
      std::memcpy(&value, row + 164, 8);
      EXPECT_LE(value, last) << "highest first";
      last = value;
      EXPECT_EQ(Int32At(row, 112), static_cast<int32_t>(i + 1));
      EXPECT_NE(TextAt(row, 4, 30).rfind("bot_", 0), 0u) << "a bot is listed";
      if (i == 0) {
        EXPECT_EQ(TextAt(row, 34, 50), c.first);
        EXPECT_EQ(value, c.first_value);
      }
    }
  }
}

// The master's login reply carries the six mission records, and the account block the
// progress of each.
TEST(ServerService, MasterLoginCarriesTheMissions) {
  auto cfg = QuickConfig("service_missions");
  {
    tsrv::Store st;
    ASSERT_TRUE(st.Open(cfg.db_path, cfg.start_chips, nullptr));
    auto a = st.LoginDevice("missions", "M");
    auto b = st.LoginDevice("missions-b", "B");
    ASSERT_TRUE(a && b);
    for (int i = 0; i < 12; ++i)  // 12 rounds played and won, the last two with a dark knock
      ASSERT_TRUE(st.Settle(1, 100, {{a->id, 10, 0, true, i >= 10}, {b->id, -10, 0, false}}));
  }
  LiveServer live(cfg);
  ProtocolClient c;
  std::unique_ptr<Packet> r;
  ASSERT_TRUE(LoginOnMaster(c, live.master(), "missions", nullptr, &r));
  // The reply was read to the end of the account block; the block is read again here.
  r->read_pos = 4 + 492;
  uint8_t block[516];
  ASSERT_TRUE(r->ReadBytes(block, sizeof(block)));
  int32_t status, returning, local;
  ASSERT_TRUE(r->ReadInt32(&status) && r->ReadInt32(&returning) && r->ReadInt32(&local));
  uint8_t skip[28 + 492 + 452];
  ASSERT_TRUE(r->ReadBytes(skip, sizeof(skip)));
  int32_t unread, bonus, slots;
  ASSERT_TRUE(r->ReadInt32(&unread) && r->ReadInt32(&bonus) && r->ReadInt32(&slots));
  ASSERT_EQ(slots, 6);
  for (int t = 0; t < 6; ++t) {
    SCOPED_TRACE(t);
    int32_t rec[5];
    for (auto& v : rec) ASSERT_TRUE(r->ReadInt32(&v));
    EXPECT_EQ(rec[0], tsrv::kMissions[t].period);
    EXPECT_EQ(rec[2], tsrv::kMissions[t].goal);
    EXPECT_GT(rec[2], 0);
    EXPECT_EQ(rec[3], tsrv::kMissions[t].reward_chips);
  }
  uint8_t tail[556 + 52];
  EXPECT_TRUE(r->ReadBytes(tail, sizeof(tail)));
  EXPECT_EQ(r->PayloadLength(), r->read_pos) << "nothing after the last block";
  // Progress: rounds played and won are capped at the goal; two dark knocks; 12 in a row.
  const int32_t want[6] = {10, 5, 0, 2, 0, 3};
  for (int t = 0; t < 6; ++t) EXPECT_EQ(Int32At(block, tsrv::kMissionProgress + 8 * t), want[t]) << t;
}
