#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <random>
#include <set>

#include "GameLogicFixture.h"
#include "GlobalFakes.h"
#include "TempFolders.h"
#include "app/CRegistry.h"
#include "app/GameAfterFrame.h"
#include "app/GameSharedData.h"
#include "app/GlobalMessages.h"
#include "app/LanguageMessages.h"
#include "framework/StringUtil.h"

using namespace testing_support;

namespace {

// Builds a payload field by field.
struct Msg {
  explicit Msg(uint16_t id) : p(id) {}
  Msg& I32(int32_t v) { return p.WriteInt32(v), *this; }
  Msg& I64(int64_t v) { return p.WriteInt64(v), *this; }
  Msg& Text(const char* t, size_t width) { return p.WriteFixedText(t, width), *this; }
  Msg& Bytes(const void* b, size_t n) { return p.WriteBytes(b, n), *this; }
  Msg& Zeros(size_t n) { return p.WriteBytes(nullptr, n), *this; }
  Packet p;
};

std::vector<uint8_t> Block(size_t n, std::initializer_list<std::pair<size_t, int64_t>> fields64 = {},
                           std::initializer_list<std::pair<size_t, int32_t>> fields32 = {}) {
  std::vector<uint8_t> b(n, 0);
  for (auto [off, v] : fields64) std::memcpy(b.data() + off, &v, 8);
  for (auto [off, v] : fields32) std::memcpy(b.data() + off, &v, 4);
  return b;
}

class GlobalMessagesTest : public ::testing::Test {
 public:
  void SetUp() override {
    sound = RecordingSound();
    services = ServiceRecorder();
    notices = NoticeRecorder();
    scenes = SceneRecorder();
    platform = PlatformRecorder();
    exchanges = ExchangeRecorder();
    play_hooks = PlayRecorder();
    for (RecordingMode* m : {&login, &lobby, &play}) m->Cleanup();
    g_fake_now = 50000;
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.sound = &sound;
    h.services = &services;
    h.notices = &notices;
    h.scenes = &scenes;
    h.platform = &platform;
    h.exchanges = &exchanges;
    h.play = &play_hooks;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
    for (int i = 0; i < 4; ++i) logic->m_sessions[i] = sessions[i] = new FakeSession(i);
    data = GameSharedData::Instance();
    data->Load();
    data->SetAccount(2, "me_account");
    data->m_sound_on = 1;
    InitLanguageMessages(kLanguageEditionThai);
    EnterMode(&lobby);
  }
  void TearDown() override {
    logic.reset();  // also destroys the shared data and the sessions
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }
  void Restart() {
    TearDown();
    SetUp();
  }
  void EnterMode(RecordingMode* m) {
    logic->SetNextMode(m, 0);
    logic->ChangeMode(m, 0, 0);
    logic->m_mode_next = nullptr;
    m->calls.clear();
  }
  int Dispatch(Msg& m) { return logic->ProcessPacket(&m.p); }
  int Rewards() const { return static_cast<int>(std::count(sound.effects.begin(), sound.effects.end(), 8)); }

  TempFolders folders;
  RecordingSound sound;
  ServiceRecorder services;
  NoticeRecorder notices;
  SceneRecorder scenes;
  PlatformRecorder platform;
  ExchangeRecorder exchanges;
  PlayRecorder play_hooks;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  RecordingMode play{GameMode::kModePlay, "play"};
  FakeSession* sessions[4] = {};
  GameSharedData* data = nullptr;
  std::unique_ptr<GameLogic> logic;
};

// Which ids stay with the dispatcher, which it also passes on, and which only the
// current mode sees: a lost or misplaced row shows here.
TEST_F(GlobalMessagesTest, EveryIdReachesItsHandlerOrTheMode) {
  const std::set<int> kept = {139, 143, 145, 149, 153, 157, 158, 160, 166, 168, 169, 172, 174, 175, 176,
                              177, 180, 181, 184, 185, 187, 188, 189, 190, 191, 193, 200, 201, 202, 204};
  const std::set<int> passed_on = {152, 194, 203};
  for (int id = 101; id < 1100; ++id) {
    SCOPED_TRACE(id);
    Msg m(static_cast<uint16_t>(id));
    Dispatch(m);
    EXPECT_EQ(lobby.Count("OnPacket(" + std::to_string(id) + ")"), kept.count(id) ? 0 : 1);
    EXPECT_EQ(FindGlobalHandler(static_cast<uint16_t>(id)) != nullptr, kept.count(id) + passed_on.count(id) == 1);
  }
  // No id is claimed by two families.
  std::map<int, int> claims;
  for (auto rows : {AccountMessageRows(), NoticeMessageRows(), SocialMessageRows(), SceneMessageRows()})
    for (const GlobalMessageRow& row : rows) ++claims[row.id];
  for (auto [id, n] : claims) EXPECT_EQ(n, 1) << "message " << id;
  EXPECT_EQ(claims.size(), kept.size() + passed_on.size());
}

TEST_F(GlobalMessagesTest, StoresAndCounters) {
  auto account = Block(kUserInfoSize, {{kUserChips, 777}}, {{kUserRuby, 12}, {kUserLevel, 4}});
  std::memcpy(account.data(), "server_acc", 10);
  ServerInfo refreshed;
  refreshed.SetHost("10.1.1.1");
  refreshed.SetKind(1);
  struct Case {
    const char* name;
    std::function<Msg()> build;
    std::function<void(GlobalMessagesTest&)> check;
  } cases[] = {
      {"139 notice count", [] { return std::move(Msg(139).I32(9).I32(3).I32(4)); },
       [](GlobalMessagesTest& t) { EXPECT_EQ(t.data->m_notice_count, 7); }},
      {"143 account refresh", [&] { return std::move(Msg(143).Bytes(refreshed.raw, 492)); },
       [](GlobalMessagesTest& t) { EXPECT_STREQ(t.sessions[0]->Info().Host(), "10.1.1.1"); }},
      {"176 character", [] { return std::move(Msg(176).I32(1).I32(33)); },
       [](GlobalMessagesTest& t) { EXPECT_EQ(t.data->GetUser32(kUserCharacter), 33); }},
      {"176 refused", [] { return std::move(Msg(176).I32(0).I32(33)); },
       [](GlobalMessagesTest& t) { EXPECT_EQ(t.data->GetUser32(kUserCharacter), 0); }},
      {"177 registration", [&] { return std::move(Msg(177).I32(1).Bytes(account.data(), account.size())); },
       [](GlobalMessagesTest& t) {
         EXPECT_STREQ(t.data->AccountId(), "server_acc");
         EXPECT_EQ(t.data->Chips(), 777);
       }},
      {"181 service state", [] { return std::move(Msg(181).I32(99).I32(2).I32(3).I32(4)); },
       [](GlobalMessagesTest& t) {
         EXPECT_EQ(t.data->m_unread_mail, 2);
         EXPECT_EQ(t.data->m_unread_gifts, 3);
         EXPECT_EQ(t.data->m_friend_requests, 4);
       }},
      {"185 mail sent", [] { return std::move(Msg(185).I32(1)); },
       [](GlobalMessagesTest& t) {
         EXPECT_EQ(t.data->m_mail_list_time, 0u);
         EXPECT_TRUE(t.scenes.Has("Reload(11,2)"));
       }},
      {"189 request accepted", [] { return std::move(Msg(189).I32(1).I32(1).Text("buddy", 30)); },
       [](GlobalMessagesTest& t) {
         ASSERT_NE(t.data->FindFriend(0, "buddy"), nullptr);
         EXPECT_EQ(t.data->FindFriend(0, "buddy")->Value(), 1);
         EXPECT_EQ(t.data->m_friend_list_time, 0u);
       }},
      {"189 request sent", [] { return std::move(Msg(189).I32(1).I32(0).Text("buddy", 30)); },
       [](GlobalMessagesTest& t) {
         EXPECT_EQ(t.data->FindFriend(0, "buddy"), nullptr);
         ASSERT_NE(t.data->FindFriend(2, "buddy"), nullptr);
       }},
      {"190 accepted", [] { return std::move(Msg(190).I32(1).Text("pal_id", 30).Text("ปาล์ม", 50)); },
       [](GlobalMessagesTest& t) {
         ASSERT_NE(t.data->FindFriend(0, "pal_id"), nullptr);
         ASSERT_EQ(t.notices.banners.size(), 1u);
         EXPECT_EQ(t.notices.banners[0].kind, 4);
         EXPECT_EQ(t.notices.banners[0].text, FormatString(LangMessage(118), "ปาล์ม"));
         EXPECT_EQ(t.notices.banners[0].sender, "pal_id");
       }},
      {"193 social friends", [] { return std::move(Msg(193)); },
       [](GlobalMessagesTest& t) { EXPECT_EQ(t.exchanges.posted, std::vector<int>{188}); }},
      {"153 service prompt", [] { return std::move(Msg(153).I32(41).I32(0)); },
       [](GlobalMessagesTest& t) {
         ASSERT_EQ(t.sessions[0]->sent.size(), 1u);
         Packet& s = t.sessions[0]->sent[0];
         EXPECT_EQ(s.id, 175);
         int32_t v[2];
         std::memcpy(v, s.payload, 8);
         EXPECT_EQ(v[0], 15);
         EXPECT_EQ(v[1], 41);
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    sessions[0]->connected = sessions[0]->logged_in = true;
    scenes.shown_scene = 11;
    scenes.shown_page = 2;
    data->m_mail_list_time = data->m_friend_list_time = 1234;
    Msg m = c.build();
    EXPECT_EQ(Dispatch(m), 1);
    c.check(*this);
    EXPECT_EQ(lobby.Count("OnPacket(" + std::to_string(m.p.id) + ")"), 0);
  }
}

TEST_F(GlobalMessagesTest, ServerMessageLengthLimits) {
  struct Case {
    int32_t style, length;
    bool shown_as_banner, shown_as_box;
  } cases[] = {
      {0, 764, true, false}, {0, 765, false, false}, {1, 254, false, true},
      {1, 255, false, false}, {0, -1, false, false}, {0, 0, true, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.style << "/" << c.length);
    notices = NoticeRecorder();
    std::string text(c.length > 0 ? c.length : 0, 'a');
    Msg m = std::move(Msg(166).I32(c.style).I32(c.length).Bytes(text.data(), text.size()));
    const int result = Dispatch(m);
    EXPECT_EQ(result, (c.shown_as_banner || c.shown_as_box) ? 1 : 0);
    ASSERT_EQ(notices.banners.size(), c.shown_as_banner ? 1u : 0u);
    ASSERT_EQ(notices.boxes.size(), c.shown_as_box ? 1u : 0u);
    if (c.shown_as_banner) {
      EXPECT_EQ(notices.banners[0].text, text);
    }
    if (c.shown_as_box) {
      EXPECT_EQ(notices.boxes[0].text, text);
      EXPECT_EQ(notices.boxes[0].type, 0);
      EXPECT_EQ(notices.boxes[0].title, LangMessage(0));
    }
    EXPECT_EQ(lobby.Count("OnPacket(166)"), 0);
  }
  // A length that promises more bytes than arrived is dropped too.
  Msg short_text = std::move(Msg(166).I32(0).I32(100).Bytes("abc", 3));
  EXPECT_EQ(Dispatch(short_text), 0);
}

TEST_F(GlobalMessagesTest, ServiceReplies) {
  auto inventory = Block(kInventoryBytes, {}, {{0, 3}});
  auto service_block = Block(kServiceBlockBytes, {}, {{0, 8}});
  struct Case {
    const char* name;
    std::function<Msg()> build;
    std::vector<std::string> banners;
    int rewards;
    std::vector<std::string> scene_calls;
    int32_t rubies;
    int64_t chips;
  } cases[] = {
      {"ok 0 changes nothing", [] { return std::move(Msg(175).I32(1).I32(0).I32(0).I64(5).I32(9).I64(9)); }, {}, 0, {}, 1, 100},
      {"sub-command 4 is ignored", [] { return std::move(Msg(175).I32(4).I32(1).I32(0).I64(5).I32(9).I64(9)); }, {}, 0, {}, 1, 100},
      {"1 chip pack", [] { return std::move(Msg(175).I32(1).I32(1).I32(0).I64(5000).I32(9).I64(15000)); },
       {FormatString(LangMessage(97), "5,000")}, 1, {"Hide(15)"}, 9, 15000},
      {"2 item with chips", [&] { return std::move(Msg(175).I32(2).I32(1).I32(0).I64(2500).I32(8).I64(700).I32(4).Bytes(inventory.data(), inventory.size())); },
       {std::string(LangMessage(137)) + " + 2,500 chip"}, 0, {"Refresh(14)", "Hide(15)"}, 8, 700},
      {"2 item alone", [&] { return std::move(Msg(175).I32(2).I32(1).I32(0).I64(0).I32(8).I64(700).I32(4).Bytes(inventory.data(), inventory.size())); },
       {LangMessage(137)}, 0, {"Refresh(14)", "Hide(15)"}, 8, 700},
      {"11 rubies and chips", [&] { return std::move(Msg(175).I32(11).I32(1).I32(3).I64(40).I32(20).I64(140).Bytes(service_block.data(), service_block.size())); },
       {FormatString(LangMessage(97), "40"), FormatString(LangMessage(96), "3")}, 2, {}, 20, 140},
      {"14 coupon", [] { return std::move(Msg(175).I32(14).I32(1).Zeros(16).I32(0).I64(90).I32(1).I64(190)); },
       {FormatString(LangMessage(97), "90")}, 1, {}, 1, 190},
      {"18 like for free", [] { return std::move(Msg(175).I32(18).I32(1).Text("liked", 30).I32(6).I64(60).I64(0)); },
       {LangMessage(135)}, 0, {}, 6, 60},
      {"18 paid like", [] { return std::move(Msg(175).I32(18).I32(1).Text("liked", 30).I32(6).I64(60).I64(1000)); },
       {FormatString(LangMessage(136), "1,000")}, 0, {}, 6, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    scenes.shown_scene = 14;
    data->SetUser32(kUserRuby, 1);
    data->SetUser64(kUserChips, 100);
    Msg m = c.build();
    EXPECT_EQ(Dispatch(m), 1);
    std::vector<std::string> banners;
    for (const auto& b : notices.banners) banners.push_back(b.text);
    EXPECT_EQ(banners, c.banners);
    EXPECT_EQ(Rewards(), c.rewards);
    EXPECT_EQ(scenes.calls, c.scene_calls);
    EXPECT_EQ(data->Rubies(), c.rubies);
    EXPECT_EQ(data->Chips(), c.chips);
  }
}

TEST_F(GlobalMessagesTest, LikesAndSyncsHappenOnlyAtTheTable) {
  Msg like = std::move(Msg(175).I32(18).I32(1).Text("liked", 30).I32(6).I64(60).I64(0));
  Dispatch(like);
  EXPECT_TRUE(play_hooks.likes.empty());
  EXPECT_EQ(services.syncs, 0);
  EnterMode(&play);
  Msg again = std::move(Msg(175).I32(18).I32(1).Text("liked", 30).I32(6).I64(60).I64(0));
  Dispatch(again);
  EXPECT_EQ(play_hooks.likes, std::vector<std::string>{"liked"});
  EXPECT_EQ(services.syncs, 1);
}

TEST_F(GlobalMessagesTest, SocialNotices) {
  auto gift = [](int32_t rubies, int64_t chips, int32_t item, int32_t amount) {
    auto g = Block(463, {{28, chips}}, {{24, rubies}, {16, item}, {20, amount}});
    std::memcpy(g.data() + 321, "giver", 5);
    return g;
  };
  struct Case {
    const char* name;
    RecordingMode* mode;
    std::function<Msg()> build;
    int banner_kind;  // -1: no banner
    std::string banner_text;
    std::vector<std::string> scene_calls;
  } cases[] = {
      {"mail in the lobby", &lobby, [] { return std::move(Msg(180).I32(0).I32(0).I32(0).Text("sender", 50)); }, 2,
       FormatString(LangMessage(119), "sender"), {}},
      {"mail at the table", &play, [] { return std::move(Msg(180).I32(0).I32(0).I32(0).Text("sender", 50)); }, -1, "",
       {"Reload(11,2)"}},
      {"ruby gift", &lobby, [&] { auto g = gift(2, 500, -1, 0); return std::move(Msg(180).I32(1).Bytes(g.data(), g.size())); }, 1,
       FormatString(LangMessage(121), "giver", "2"), {}},
      {"chip gift", &lobby, [&] { auto g = gift(0, 1500000, -1, 0); return std::move(Msg(180).I32(1).Bytes(g.data(), g.size())); }, 1,
       FormatString(LangMessage(120), "giver", "1,500,000"), {}},
      {"item gift", &lobby, [&] { auto g = gift(0, 0, 0, 3); return std::move(Msg(180).I32(1).Bytes(g.data(), g.size())); }, 1,
       FormatString(LangMessage(122), "giver"), {}},
      {"empty gift", &lobby, [&] { auto g = gift(0, 0, -1, 3); return std::move(Msg(180).I32(1).Bytes(g.data(), g.size())); }, 1, "", {}},
      {"friend accepted", &lobby, [] { return std::move(Msg(180).I32(2).I32(1).Text("acc", 30).Text("Nick", 50)); }, 3,
       FormatString(LangMessage(118), "Nick"), {}},
      {"friend request", &lobby, [] { return std::move(Msg(180).I32(2).I32(0).Text("acc", 30).Text("Nick", 50)); }, 3,
       FormatString(LangMessage(117), "Nick"), {}},
      {"friend request at the table", &play, [] { return std::move(Msg(180).I32(2).I32(0).Text("acc", 30).Text("Nick", 50)); }, -1, "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    EnterMode(c.mode);
    scenes.shown_scene = 11;
    scenes.shown_page = 2;
    Msg m = c.build();
    EXPECT_EQ(Dispatch(m), 1);
    if (c.banner_kind < 0) {
      EXPECT_TRUE(notices.banners.empty());
    } else {
      ASSERT_EQ(notices.banners.size(), 1u);
      EXPECT_EQ(notices.banners[0].kind, c.banner_kind);
      EXPECT_EQ(notices.banners[0].text, c.banner_text);
    }
    EXPECT_EQ(scenes.calls, c.scene_calls);
  }
  // Counters and list flags.
  Restart();
  data->m_gift_list_time = data->m_request_list_time = 99;
  auto g = gift(1, 0, -1, 0);
  Msg gm = std::move(Msg(180).I32(1).Bytes(g.data(), g.size()));
  Dispatch(gm);
  Msg fr = std::move(Msg(180).I32(2).I32(0).Text("acc", 30).Text("Nick", 50));
  Dispatch(fr);
  Msg fa = std::move(Msg(180).I32(2).I32(1).Text("acc2", 30).Text("Nick2", 50));
  Dispatch(fa);
  EXPECT_EQ(data->m_unread_gifts, 1);
  EXPECT_EQ(data->m_friend_requests, 1);
  EXPECT_EQ(data->m_gift_list_time, 0u);
  EXPECT_EQ(data->m_request_list_time, 0u);
  EXPECT_NE(data->FindFriend(0, "acc2"), nullptr);
}

TEST_F(GlobalMessagesTest, RepliesHandedToScenes) {
  struct Case {
    uint16_t id;
    int session_kind;
    const char* call;
  } cases[] = {
      {157, 0, "Pass(11,157)"}, {184, 0, "Pass(11,184)"}, {169, 0, "Pass(20,169)"}, {200, 0, "Pass(20,200)"},
      {201, 0, "Pass(20,201)"}, {204, 1, "Pass(16,204)"}, {204, 2, "Pass(20,204)"}, {204, 0, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.id);
    scenes.calls.clear();
    sessions[0]->connected = true;
    sessions[0]->Info().SetKind(c.session_kind);
    Msg m(c.id);
    m.I32(1);
    EXPECT_EQ(Dispatch(m), c.call ? 5 : 1);
    EXPECT_EQ(scenes.calls, c.call ? std::vector<std::string>{c.call} : std::vector<std::string>{});
    EXPECT_EQ(lobby.Count("OnPacket(" + std::to_string(c.id) + ")"), 0);
  }
}

TEST_F(GlobalMessagesTest, ForwardedMessages) {
  auto account = Block(kUserInfoSize, {{kUserChips, 4242}}, {{kUserLevel, 9}});
  auto head = [](int32_t kind, int32_t value, int64_t amount) { return Block(28, {{20, amount}}, {{0, kind}, {16, value}}); };
  struct Case {
    const char* name;
    std::function<Msg()> build;
    bool forwarded;
    std::string banner;
    int rewards;
  } cases[] = {
      {"152 account update", [&] { return std::move(Msg(152).Bytes(account.data(), account.size())); }, true, "", 0},
      {"194 list refresh", [] { return std::move(Msg(194).I32(-1).I32(0).I32(0).I32(2).Zeros(344)); }, true, "", 0},
      {"194 other first value", [] { return std::move(Msg(194).I32(5).I32(0).I32(0).I32(2).Zeros(344)); }, true, "", 0},
      {"203 level-up", [&] { auto h = head(6, 3, 0); return std::move(Msg(203).Bytes(h.data(), 28).Bytes(account.data(), account.size())); }, false, "", 1},
      {"203 mission bonus", [&] { auto h = head(10, 0, 25000); return std::move(Msg(203).Bytes(h.data(), 28).Bytes(account.data(), account.size())); }, true,
       FormatString(LangMessage(206), "25,000"), 1},
      {"203 double knock bonus", [&] { auto h = head(23, 0, 1000); return std::move(Msg(203).Bytes(h.data(), 28).Bytes(account.data(), account.size())); }, true,
       FormatString(LangMessage(205), "1,000"), 1},
      {"203 other kind", [&] { auto h = head(2, 0, 1000); return std::move(Msg(203).Bytes(h.data(), 28).Bytes(account.data(), account.size())); }, true, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    EnterMode(&play);
    Msg m = c.build();
    Dispatch(m);
    EXPECT_EQ(play.Count("OnPacket(" + std::to_string(m.p.id) + ")"), c.forwarded ? 1 : 0);
    // The mode reads the packet from its start.
    if (c.forwarded) {
      EXPECT_EQ(m.p.read_pos, 0u);
    }
    EXPECT_EQ(services.syncs, (c.forwarded && m.p.id != 194) ? 1 : 0);
    EXPECT_EQ(notices.banners.empty() ? std::string() : notices.banners[0].text, c.banner);
    EXPECT_EQ(Rewards(), c.rewards);
    if (m.p.id != 194) {
      EXPECT_EQ(data->Chips(), 4242);
    }
  }
  // 194 with first value -1 fills the buffered list; any other value leaves it alone.
  Msg other = std::move(Msg(194).I32(5).I32(0).I32(0).I32(2).Zeros(344));
  Dispatch(other);
  EXPECT_TRUE(data->m_list_a.Current().empty());
  Msg filled = std::move(Msg(194).I32(-1).I32(0).I32(0).I32(2).Zeros(344));
  Dispatch(filled);
  EXPECT_EQ(data->m_list_a.Current().size(), 2u);
  EXPECT_EQ(data->m_list_a.refresh_time, g_fake_now);
  // The level-up celebration shows the level from the new account block.
  ASSERT_TRUE(notices.celebrations.empty());
  auto h = head(6, 3, 0);
  Msg level = std::move(Msg(203).Bytes(h.data(), 28).Bytes(account.data(), account.size()));
  Dispatch(level);
  EXPECT_EQ(notices.celebrations, (std::vector<std::pair<int, int>>{{9, 3}}));
}

TEST_F(GlobalMessagesTest, RewardAndGiftReplies) {
  auto head = Block(kAccountHeadSize, {{kUserChips, 999}});
  Msg reward = std::move(Msg(174).I32(1).I32(2).I64(3000).Bytes(head.data(), head.size()));
  Dispatch(reward);
  EXPECT_EQ(Rewards(), 2);
  ASSERT_EQ(notices.banners.size(), 2u);
  EXPECT_EQ(notices.banners[0].text, FormatString(LangMessage(97), "3,000"));
  EXPECT_EQ(notices.banners[1].text, FormatString(LangMessage(96), "2"));
  EXPECT_EQ(data->Chips(), 999);

  notices = NoticeRecorder();
  scenes.shown_scene = 11;
  scenes.shown_page = 3;
  data->m_gift_list_time = 5;
  Msg refused = std::move(Msg(158).I32(0));
  Dispatch(refused);
  ASSERT_EQ(notices.banners.size(), 1u);
  EXPECT_EQ(notices.banners[0].text, LangMessage(142));
  EXPECT_EQ(data->m_gift_list_time, 5u);
  EXPECT_TRUE(scenes.calls.empty());

  notices = NoticeRecorder();
  auto new_head = Block(kAccountHeadSize, {{kUserChips, 111}});
  Msg sent = std::move(Msg(158).I32(1).I32(0).Zeros(463).Bytes(new_head.data(), new_head.size()));
  Dispatch(sent);
  ASSERT_EQ(notices.banners.size(), 1u);
  EXPECT_EQ(notices.banners[0].text, LangMessage(128));
  EXPECT_EQ(data->Chips(), 111);
  EXPECT_EQ(data->m_gift_list_time, 0u);
  EXPECT_EQ(scenes.calls, (std::vector<std::string>{"Hide(13)", "Reload(11,3)"}));
}

TEST_F(GlobalMessagesTest, TournamentNoticesAndResults) {
  for (int id : {3, 10, 12, 20}) data->AddRegistration({id, 0, 0, 0, 0, 0});
  data->SaveRegistrations();
  scenes.shown_scene = 19;
  auto record = [](int32_t id, int32_t state) { return Block(120, {}, {{0, id}, {16, state}}); };
  auto r = record(12, 1);
  Msg cancelled = std::move(Msg(168).Bytes(r.data(), r.size()).I32(11));
  Dispatch(cancelled);
  EXPECT_EQ(data->m_registrations.size(), 2u);  // 3 and 10 dropped
  ASSERT_EQ(notices.banners.size(), 1u);
  EXPECT_EQ(notices.banners[0].text, LangMessage(143));
  EXPECT_EQ(scenes.calls, std::vector<std::string>{"Tournament(19,12)"});
  // The dropped registrations were saved.
  auto reread = std::make_unique<GameSharedData>();
  reread->SetAccount(2, "me_account");
  reread->LoadRegistrations();
  EXPECT_EQ(reread->m_registrations.size(), 2u);

  scenes = SceneRecorder();
  auto starting = record(20, 5);
  Msg start = std::move(Msg(168).Bytes(starting.data(), starting.size()).I32(0));
  Dispatch(start);
  EXPECT_EQ(scenes.calls, std::vector<std::string>{"Tournament(20,20)"});

  // Registrations reply replaces the list; an inflated count reads only what arrived.
  Msg regs = std::move(Msg(172).I32(1000000).I32(77).Zeros(20).I32(78).Zeros(20));
  Dispatch(regs);
  ASSERT_EQ(data->m_registrations.size(), 2u);
  EXPECT_EQ(data->m_registrations[1].tournament_id, 78);

  // Out of a tournament with no prize: a box with the rank, then the lobby.
  auto head = Block(120, {}, {{12, 4}});
  auto account = Block(kUserInfoSize, {{kUserChips, 5}});
  auto none = Block(128, {}, {{104, 17}});
  EnterMode(&play);
  Msg out = std::move(Msg(202).Bytes(head.data(), 120).Bytes(none.data(), 128).Bytes(account.data(), account.size()));
  Dispatch(out);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].type, 7);
  EXPECT_EQ(notices.boxes[0].text, FormatString(LangMessage(138), 17));
  EXPECT_EQ(logic->NextMode(), &lobby);
  EXPECT_EQ(data->Chips(), 5);
  auto prize = Block(128, {{116, 800000}}, {{104, 2}, {124, 0}});
  Msg won = std::move(Msg(202).Bytes(head.data(), 120).Bytes(prize.data(), 128).Bytes(account.data(), account.size()));
  Dispatch(won);
  ASSERT_EQ(notices.prizes.size(), 1u);
  EXPECT_EQ(notices.prizes[0].value, 4);
  EXPECT_EQ(notices.prizes[0].rank, 2);
  EXPECT_EQ(notices.prizes[0].chips, 800000);
}

TEST_F(GlobalMessagesTest, FriendListReplyReplacesTheListOfItsKind) {
  FriendRecord a, b;
  a.SetAccountId("a1");
  b.SetAccountId("b2");
  Msg m = std::move(Msg(188).I32(2).I32(1).I32(0).I32(0).Bytes(a.raw, 108).Bytes(b.raw, 108));
  Dispatch(m);
  ASSERT_EQ(data->FriendList(1).size(), 2u);
  EXPECT_EQ(data->FriendList(1)[1].AccountId(), "b2");
  EXPECT_EQ(data->m_request_list_time, g_fake_now);
  EXPECT_EQ(scenes.calls, std::vector<std::string>{"Refresh(11)"});
  // A count larger than the payload, and a kind outside 0 to 2, read nothing past it.
  Msg big = std::move(Msg(188).I32(0x7FFFFFFF).I32(0).I32(0).I32(0).Bytes(a.raw, 108));
  Dispatch(big);
  EXPECT_EQ(data->FriendList(0).size(), 1u);
  Msg odd = std::move(Msg(188).I32(1).I32(9).I32(0).I32(0).Bytes(a.raw, 108));
  Dispatch(odd);
  EXPECT_EQ(data->FriendList(1).size(), 2u);
}

TEST_F(GlobalMessagesTest, DuplicateLoginDisconnectsAndReturnsToLogin) {
  for (auto* s : sessions) s->connected = true;
  data->SetAutoLogin(1);
  Msg m(149);
  Dispatch(m);
  // Not back in by itself: the other device would be pushed out, and so on for ever.
  EXPECT_EQ(data->m_auto_login, 0);
  int32_t stored = 1;
  CRegistry::ReadInt("auto_login", &stored);
  EXPECT_EQ(stored, 0);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(23));
  EXPECT_EQ(notices.boxes[0].type, 0);
  EXPECT_NE(notices.boxes[0].dim, 0);
  EXPECT_EQ(notices.boxes[0].auto_close, 0);
  for (auto* s : sessions) EXPECT_FALSE(s->connected);
  EXPECT_EQ(logic->NextMode(), &login);
}

// ---- the login reply ----

struct LoginReply {
  explicit LoginReply(int kind) : m(145) {
    m.I32(0);
    ServerInfo info;
    info.SetHost("127.0.0.1");
    info.SetKind(kind);
    m.Bytes(info.raw, 492);
    account = Block(kUserInfoSize, {{kUserChips, 1000}}, {{kUserMarker, 0}, {kUserPendingLogin, 1}});
    std::memcpy(account.data(), "me_account", 10);
  }
  LoginReply& Account() {
    m.Bytes(account.data(), account.size());
    return *this;
  }
  // The master's part after the account block (status 0).
  LoginReply& MasterPart(int32_t returning, int32_t local_registrations) {
    auto day_bonus = Block(28, {{20, 5000}}, {{0, 3}, {8, -1}, {16, 2}});
    m.I32(0).I32(returning).I32(local_registrations).Bytes(day_bonus.data(), day_bonus.size());
    ServerInfo service;
    service.SetHost("127.0.0.9");
    m.Bytes(service.raw, 492).Zeros(452).I32(6).I32(7);  // unread 6, 7 bonus records: 5 follow
    for (int i = 0; i < 5; ++i) m.Zeros(244);
    m.I32(14);  // 14 item slots, 12 kept
    for (int i = 0; i < 14; ++i) m.I32(i).Zeros(16);
    auto tail = Block(556, {}, {{0, 5556}});
    m.Bytes(tail.data(), tail.size()).Zeros(52);
    return *this;
  }
  Msg m;
  std::vector<uint8_t> account;
};

void RecordCallback(void* ud, IGameSession* s) { static_cast<std::vector<IGameSession*>*>(ud)->push_back(s); }

TEST_F(GlobalMessagesTest, LoginOnAGameServerCompletesTheEnterRequest) {
  std::vector<IGameSession*> completed;
  logic->m_enter_user_data = &completed;
  logic->m_enter_callback = &RecordCallback;
  logic->m_session_index = 1;
  EnterMode(&login);
  LoginReply r(1);
  r.Account();
  Dispatch(r.m);
  EXPECT_TRUE(sessions[1]->logged_in);
  EXPECT_EQ(sessions[1]->Info().Kind(), 1);
  EXPECT_EQ(sessions[1]->enter_time, g_fake_now);
  EXPECT_EQ(data->Chips(), 1000);
  EXPECT_EQ(data->GetUser32(kUserMarker), 126);
  EXPECT_EQ(data->GetUser32(kUserPendingLogin), 0);
  EXPECT_EQ(logic->NextMode(), &lobby);
  EXPECT_EQ(logic->m_mode_next_param2, -1);
  EXPECT_EQ(completed, std::vector<IGameSession*>{sessions[1]});
  EXPECT_EQ(logic->m_enter_callback, nullptr);
  EXPECT_EQ(exchanges.posted, std::vector<int>{194});  // lists never refreshed yet
}

TEST_F(GlobalMessagesTest, LoginOnTheMasterReadsItsBlocksAndLoadsTheAccountFiles) {
  data->AddReport("reported", 0, true);
  data->SetUser32(248 + 8, 0);
  data->SetEmotionIndex(2);  // pack 2, not owned in the new account block
  std::vector<IGameSession*> completed;
  logic->m_enter_user_data = &completed;
  logic->m_enter_callback = &RecordCallback;
  EnterMode(&login);
  LoginReply r(0);
  r.Account().MasterPart(1, 1);
  Dispatch(r.m);
  EXPECT_STREQ(data->m_service_server.Host(), "127.0.0.9");
  EXPECT_EQ(data->m_unread_mail, 6);
  EXPECT_EQ(data->m_bonus_count, 5);
  int32_t last_slot;
  std::memcpy(&last_slot, data->m_item_slots + 11 * 20, 4);
  EXPECT_EQ(last_slot, 11);
  int32_t tail;
  std::memcpy(&tail, data->m_block_556, 4);
  EXPECT_EQ(tail, 5556);  // the extra item slots were skipped, not read as this block
  EXPECT_EQ(data->m_account_loaded, 1);
  EXPECT_EQ(data->m_emotion_index, 0);
  EXPECT_EQ(play_hooks.mini_game_resets, 1);
  ASSERT_EQ(data->m_reports.size(), 1u);  // loaded from the account file
  EXPECT_EQ(exchanges.posted, (std::vector<int>{181, 188, 194}));
  EXPECT_TRUE(scenes.Has("DayBonus"));
  EXPECT_EQ(scenes.day_bonus.Day(), 3);
  EXPECT_EQ(scenes.day_bonus.Rubies(), 2);
  EXPECT_EQ(scenes.day_bonus.Chips(), 5000);
  EXPECT_EQ(completed.size(), 1u);
  EXPECT_EQ(logic->NextMode(), &lobby);
}

TEST_F(GlobalMessagesTest, MasterLoginVariants) {
  struct Case {
    const char* name;
    int32_t returning, local_registrations, account_type, seated;
    std::vector<int> posted;
    std::vector<std::pair<int, std::string>> platform;
    const char* scene_call;
    bool completes;
  } cases[] = {
      {"registrations from the server", 1, 0, 2, 0, {172, 181, 188, 194}, {}, nullptr, true},
      {"new quick-start account", 0, 1, 1, 0, {}, {}, "Show(0,0)", false},
      {"new social account", 0, 1, 2, 0, {194}, {{14, ""}}, nullptr, true},
      {"still in a tournament", 1, 1, 2, 2, {181, 188}, {}, "OpenTournament(31)", false},
      {"still in a room", 1, 1, 2, 1, {181, 188}, {}, "RequestRoom", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Restart();
    std::vector<IGameSession*> completed;
    logic->m_enter_user_data = &completed;
    logic->m_enter_callback = &RecordCallback;
    EnterMode(&login);
    LoginReply r(0);
    std::memcpy(r.account.data() + kUserAccountType, &c.account_type, 4);
    std::memcpy(r.account.data() + kUserSeatedKind, &c.seated, 4);
    const int32_t tid = 31, sel1 = 4, sel2 = 6;
    std::memcpy(r.account.data() + kUserTournamentId, &tid, 4);
    std::memcpy(r.account.data() + kUserRoomSelector1, &sel1, 4);
    std::memcpy(r.account.data() + kUserRoomSelector2, &sel2, 4);
    r.Account().MasterPart(c.returning, c.local_registrations);
    Dispatch(r.m);
    EXPECT_EQ(exchanges.posted, c.posted);
    EXPECT_EQ(platform.commands, c.platform);
    if (c.scene_call) {
      EXPECT_TRUE(scenes.Has(c.scene_call));
    }
    EXPECT_EQ(completed.size(), c.completes ? 1u : 0u);
    if (c.seated) {
      EXPECT_EQ(logic->NextMode(), &lobby);
      EXPECT_EQ(sessions[0]->enter_time, g_fake_now);
    }
    if (c.seated == 1) {
      auto expected = Block(56, {}, {{4, sel1}, {8, sel2}, {28, 4}});
      EXPECT_EQ(std::vector<uint8_t>(scenes.room_request.raw, scenes.room_request.raw + 56), expected);
    }
  }
}

TEST_F(GlobalMessagesTest, LoginFailures) {
  struct Case {
    int32_t result;
    int error_code;  // -1: no error notice
    bool box, logged_out, hello_cleared;
    int platform_command;
  } cases[] = {
      {7, -1, false, false, false, 1},
      {4, -1, true, true, true, 0},
      {8, 8, false, false, true, 0},
      {3, 3, false, false, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.result);
    Restart();
    data->SetAutoLogin(1);
    EnterMode(&lobby);
    sessions[0]->connected = true;
    sessions[0]->logged_in = true;
    Msg m = std::move(Msg(145).I32(c.result));
    Dispatch(m);
    // The logout closes the session the reply came on: never inside its dispatch.
    EXPECT_TRUE(sessions[0]->connected);
    EXPECT_EQ(GameAfterFrame::Pending(), c.logged_out ? 1u : 0u);
    GameAfterFrame::Run();
    EXPECT_EQ(data->m_auto_login, 0);
    int32_t stored = 1;
    CRegistry::ReadInt("auto_login", &stored);
    EXPECT_EQ(stored, 0);
    EXPECT_EQ(notices.error_codes, c.error_code < 0 ? std::vector<int>{} : std::vector<int>{c.error_code});
    EXPECT_EQ(notices.boxes.size(), c.box ? 1u : 0u);
    if (c.box) {
      EXPECT_EQ(notices.boxes[0].text, LangMessage(23));
    }
    EXPECT_EQ(logic->NextMode() == &login, c.logged_out);
    if (c.logged_out) {
      ASSERT_FALSE(sessions[0]->sent.empty());
      EXPECT_EQ(sessions[0]->sent[0].id, 146);
      EXPECT_FALSE(sessions[0]->connected);
    }
    EXPECT_EQ(sessions[0]->hello_ok, !c.hello_cleared);
    if (c.platform_command) {
      ASSERT_EQ(platform.commands.size(), 1u);
      EXPECT_EQ(platform.commands[0].first, 1);
      EXPECT_EQ(platform.commands[0].second, std::string(kDefaultWebBase) + "/web_content/maintance.htm");
    } else {
      EXPECT_TRUE(platform.commands.empty());
    }
  }
}

TEST_F(GlobalMessagesTest, LoginReplyForAnUnknownSessionKindTouchesNothing) {
  std::vector<IGameSession*> completed;
  logic->m_enter_user_data = &completed;
  logic->m_enter_callback = &RecordCallback;
  Msg shortened = std::move(Msg(145).I32(0).Zeros(100));  // server block cut off: kind -1
  Dispatch(shortened);
  for (auto* s : sessions) EXPECT_FALSE(s->logged_in);
  EXPECT_TRUE(completed.empty());
  EXPECT_EQ(data->GetUser32(kUserMarker), 126);
}

// Whatever arrives, no handler reads or writes past a buffer (the sanitizer build
// checks this) and every message gets an answer.
TEST_F(GlobalMessagesTest, ArbitraryPayloadsAreSurvived) {
  std::mt19937 rng(20240607);
  const int32_t interesting[] = {0, 1, -1, 2, 6, 10, 23, 0x7FFFFFFF, INT32_MIN, 765, 254};
  for (uint16_t id = 139; id <= 204; ++id) {
    for (int round = 0; round < 40; ++round) {
      SCOPED_TRACE(testing::Message() << id << "/" << round);
      Msg m(id);
      const size_t words = rng() % 12;
      for (size_t w = 0; w < words; ++w) m.I32(interesting[rng() % std::size(interesting)]);
      const size_t tail = rng() % 1200;
      for (size_t i = 0; i < tail; ++i) {
        const uint8_t b = static_cast<uint8_t>(rng());
        m.Bytes(&b, 1);
      }
      sessions[0]->connected = (round & 1) != 0;
      EnterMode(round % 3 == 0 ? &play : &lobby);
      logic->ProcessPacket(&m.p);
    }
  }
  SUCCEED();
}

}  // namespace
