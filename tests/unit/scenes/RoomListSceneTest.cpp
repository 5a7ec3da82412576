// The room list: the chip check at 20 times the stake, the highlight of affordable
// rooms, one table entry at a time with its 15 s limit, the exact 204 record, the
// answer (seat, refusal, late or unasked-for), drags that enter nothing, the sideways
// scroll and the clamped room data.
#include <climits>
#include <cstring>
#include <functional>

#include "net/messages/VXProtocolTable.h"
#include "net/messages/VXTableMessages.h"
#include "net/messages/VXType_user_info.h"
#include "scenes/VXScene_game.h"
#include "unit/scenes/SceneTestSupport.h"

namespace scene_test {
namespace {

struct RecordingWorkers : IWorkerHooks {
  void QueueJob(std::function<void()> job) override {
    (void)job;
    ++jobs;
  }
  int jobs = 0;
};

VXRoomListData g_rooms;
bool RoomsOfSession(IGameSession*, VXRoomListData* out) {
  *out = g_rooms;
  return true;
}

VXType_room_info g_handed_room;
int32_t g_handed_value = 0;
int g_handoffs = 0;
void RecordHandoff(const VXType_room_info& room, int32_t value) {
  g_handed_room = room;
  g_handed_value = value;
  ++g_handoffs;
}

int g_tab_told = -1;
void RecordTab(int tab) { g_tab_told = tab; }

VXRoomEntry Room(int32_t stake, int32_t min_chips = 0, int32_t badge = 0) {
  VXRoomEntry r;
  r.stake = stake;
  r.min_chips = min_chips;
  r.badge = badge;
  return r;
}

void SetRooms(std::initializer_list<VXRoomEntry> rooms, int32_t point_target = 300) {
  g_rooms = VXRoomListData();
  g_rooms.point_target = point_target;
  for (const VXRoomEntry& r : rooms) g_rooms.rooms[g_rooms.count++] = r;
}

class RoomListTest : public SceneFixture {
 protected:
  void SetUp() override {
    SceneFixture::SetUp();
    GameHooks h = logic->Hooks();
    h.workers = &workers;
    h.platform = &platform;
    h.scenes = &scenes;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, &play);
    logic->SetNextMode(&lobby, 0);
    logic->ChangeMode(&lobby, 0, 0);
    logic->m_mode_next = nullptr;
    game = sessions[1];
    game->connected = true;
    game->logged_in = true;
    logic->m_session_index = 1;
    SetChips(1000000);
    SetRooms({Room(1000), Room(5000), Room(0), Room(20000)});
    VXScene_game::SetRoomSource(&RoomsOfSession);
    VXScene_game::SetTableHandoff(&RecordHandoff);
    VXScene_game::SetTabListener(&RecordTab);
    g_handoffs = 0;
    g_tab_told = -1;
    ASSERT_EQ(scene.Create(kSceneGame, 0), 1);
    scene.Start();
  }
  void TearDown() override {
    VXScene_game::SetRoomSource(nullptr);
    VXScene_game::SetTableHandoff(nullptr);
    VXScene_game::SetTabListener(nullptr);
    scene.Cleanup();
    SceneFixture::TearDown();
  }
  void Open(int tab = 0) {
    scene.Show(1, tab);
    Advance(250);
    scene.Update();
    ASSERT_TRUE(scene.IsReady());
  }
  void SetChips(int64_t chips) { data->SetUser64(kUserChips, chips); }
  // A press and release at (x, y), then past the click interval.
  void Tap(int x, int y) {
    scene.OnTouchDown(0, x, y);
    scene.OnTouchUp(0, x, y);
    Advance(600);
  }
  // The middle of room `i`'s plate as the list shows it now.
  void TapRoom(int i) {
    VXButton_room* r = scene.Room(i);
    ASSERT_NE(r, nullptr);
    scene.RoomList().Draw();  // lays the rooms out where they are drawn
    Tap((r->m_left + r->m_right) / 2, 420);
  }
  std::vector<Packet> SentEntries(ReplySession* s = nullptr) const {
    std::vector<Packet> r;
    for (const Packet& p : (s ? s : game)->sent)
      if (p.id == VX_PROTOCOL_ROOM_ENTER) r.push_back(p);
    return r;
  }
  static Packet Answer(int32_t result, int32_t table, int32_t value = 77, bool whole = true) {
    Packet p(VX_PROTOCOL_ROOM_ENTER);
    VXMsg_room_enter_reply reply;
    reply.result = result;
    reply.room.SetTableNumber(table);
    std::snprintf(reinterpret_cast<char*>(reply.user_info) + kUserNickname, 50, "%s", "Seated");
    reply.ignored = value;
    reply.Write(p);
    if (!whole) p.length -= 8;  // the account block cut short
    p.read_pos = 0;
    return p;
  }

  RecordingWorkers workers;
  PlatformRecorder platform;
  SceneRecorder scenes;
  RecordingMode play{GameMode::kModePlay, "play"};
  ReplySession* game = nullptr;
  VXScene_game scene;
};

TEST(RoomChipCheck, ChipsMustReachTwentyTimesAPositiveStake) {
  struct Case {
    int64_t chips, stake;
    bool ok;
  };
  const Case cases[] = {
      {20000, 1000, true},
      {19999, 1000, false},
      {20001, 1000, true},
      {0, 0, false},
      {1000000, 0, false},
      {1000000, -5, false},
      {-20000, -1000, false},
      {-1, 1, false},
      {5000000000LL, 250000000, true},  // beyond 32 bits on both sides of the check
      {4999999999LL, 250000000, false},
      {20LL * INT32_MAX, INT32_MAX, true},
      {20LL * INT32_MAX - 1, INT32_MAX, false},
      {INT64_MAX, INT64_MAX / 20, true},
      {INT64_MAX, INT64_MAX / 20 + 1, false},  // 20 x stake would overflow
  };
  for (const Case& c : cases)
    EXPECT_EQ(VXScene_game::CanAfford(c.chips, c.stake), c.ok) << c.chips << " chips, stake " << c.stake;
}

TEST(RoomHighlight, AMinimumFromOneToBelowTwoBillionThatTheChipsReach) {
  struct Case {
    int64_t chips;
    int32_t min;
    bool lit;
  };
  const Case cases[] = {
      {100, 0, false},        {100, -1, false},        {100, 100, true},
      {99, 100, false},       {3000000000LL, 1999999999, true}, {3000000000LL, 2000000000, false},
      {3000000000LL, INT32_MAX, false},
  };
  for (const Case& c : cases) EXPECT_EQ(VXScene_game::IsHighlighted(c.chips, c.min), c.lit) << c.chips << "/" << c.min;
}

TEST_F(RoomListTest, TheRoomRecordGoesOutByteForByte) {
  SetRooms({Room(1000), Room(2500)}, 450);
  Open(1);
  TapRoom(1);
  const std::vector<Packet> sent = SentEntries();
  ASSERT_EQ(sent.size(), 1u);
  uint8_t want[56] = {};
  std::memset(want, 0xFF, 12);  // -1, -1, -1
  want[12] = 1;                 // the point tab
  want[24] = 40;                // turn limit in seconds
  want[28] = 4;
  want[44] = 450 & 0xFF;        // point target 450 = 0x1C2
  want[45] = 450 >> 8;
  want[48] = 2500 & 0xFF;       // stake 2500 = 0x9C4, 64 bits
  want[49] = 2500 >> 8;
  ASSERT_EQ(sent[0].PayloadLength(), sizeof(want));
  EXPECT_EQ(std::memcmp(sent[0].payload, want, sizeof(want)), 0);
  EXPECT_EQ(game->reply_callback, nullptr) << "the answer goes through the central dispatch";
  EXPECT_EQ(scene.Entry(), VXScene_game::kAwaitingReply);
}

TEST_F(RoomListTest, TooFewChipsShowTheBoxAndSendNothing) {
  SetRooms({Room(1000)});
  SetChips(19999);
  Open();
  TapRoom(0);
  EXPECT_TRUE(SentEntries().empty());
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].type, 8);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(86));
  EXPECT_EQ(scene.Entry(), VXScene_game::kIdle);

  SetChips(20000);
  TapRoom(0);
  EXPECT_EQ(SentEntries().size(), 1u);
  EXPECT_EQ(ClickSounds(), 2) << "each tap on a room clicks";
}

TEST_F(RoomListTest, ARoomWithoutAPositiveStakeCannotBeEntered) {
  SetRooms({Room(0), Room(-100)});
  Open();
  TapRoom(0);
  TapRoom(1);
  EXPECT_TRUE(SentEntries().empty());
  EXPECT_TRUE(notices.boxes.empty());
  EXPECT_EQ(scene.Entry(), VXScene_game::kIdle);
}

TEST_F(RoomListTest, OneEntryAtATime) {
  Open();
  TapRoom(0);
  TapRoom(1);
  TapRoom(0);
  EXPECT_EQ(SentEntries().size(), 1u) << "taps while the 204 is unanswered do nothing";

  // While the game server is still being entered, a second request starts nothing.
  VXScene_game other;
  ASSERT_EQ(other.Create(kSceneGame, 0), 1);
  logic->m_session_index = 0;  // on the master: entering the game server is a job
  VXType_room_info rejoin;
  rejoin.SetTableNumber(12);
  rejoin.SetSeats(4);
  other.RequestRoom(rejoin);
  EXPECT_EQ(other.Entry(), VXScene_game::kEnteringServer);
  EXPECT_EQ(workers.jobs, 1);
  EXPECT_EQ(logic->m_enter_block.Selector2(), 12) << "a rejoin names its table";
  other.RequestRoom(rejoin);
  EXPECT_EQ(workers.jobs, 1) << "one server entry for one table entry";
  other.Cleanup();
}

TEST_F(RoomListTest, WithoutAnAnswerIn15SecondsTheEntryEndsWithANoticeAndALateAnswerIsIgnored) {
  Open();
  TapRoom(0);
  ASSERT_EQ(scene.Entry(), VXScene_game::kAwaitingReply);
  Advance(VXScene_game::kEntryTimeoutMs - 600);  // 15 s after the send, counting the tap's pause
  scene.Update();
  EXPECT_EQ(scene.Entry(), VXScene_game::kAwaitingReply);
  Advance(1);
  scene.Update();
  EXPECT_EQ(scene.Entry(), VXScene_game::kIdle);
  ASSERT_EQ(notices.boxes.size(), 1u);
  EXPECT_EQ(notices.boxes[0].text, LangMessage(217));

  const std::vector<uint8_t> before(data->m_user_info, data->m_user_info + kUserInfoSize);
  Packet late = Answer(1, 9);
  EXPECT_EQ(scene.HandleReply(&late), 1);
  EXPECT_EQ(logic->NextMode(), nullptr);
  EXPECT_EQ(g_handoffs, 0);
  EXPECT_EQ(std::vector<uint8_t>(data->m_user_info, data->m_user_info + kUserInfoSize), before);

  TapRoom(0);
  EXPECT_EQ(SentEntries().size(), 2u) << "the player may try again";
}

TEST_F(RoomListTest, AnUnaskedForAnswerIsIgnored) {
  Open();
  Packet stray = Answer(1, 9);
  EXPECT_EQ(scene.HandleReply(&stray), 1);
  Packet refusal = Answer(0, 0);
  EXPECT_EQ(scene.HandleReply(&refusal), 1);
  EXPECT_EQ(logic->NextMode(), nullptr);
  EXPECT_TRUE(notices.boxes.empty());
  scene.Update();
  EXPECT_EQ(workers.jobs, 0);
}

TEST_F(RoomListTest, ASeatStoresTheAccountAndHandsTheTableToTablePlay) {
  Open();
  TapRoom(0);
  Packet seat = Answer(1, 31, 5);
  EXPECT_EQ(scene.HandleReply(&seat), 1);
  EXPECT_STREQ(reinterpret_cast<const char*>(data->m_user_info) + kUserNickname, "Seated");
  EXPECT_EQ(g_handoffs, 1);
  EXPECT_EQ(g_handed_room.TableNumber(), 31);
  EXPECT_EQ(g_handed_value, 5);
  EXPECT_EQ(logic->NextMode(), &play);
  EXPECT_EQ(scene.Entry(), VXScene_game::kIdle);
}

TEST_F(RoomListTest, ARefusalOrAShortAnswerTellsThePlayerAndReturnsToTheMasterAfterTheDispatch) {
  Open();
  for (bool whole : {true, false}) {
    SCOPED_TRACE(whole ? "refused" : "short");
    workers.jobs = 0;
    notices.boxes.clear();
    TapRoom(0);
    ASSERT_EQ(scene.Entry(), VXScene_game::kAwaitingReply);
    Packet answer = whole ? Answer(0, 0) : Answer(1, 3, 0, false);
    EXPECT_EQ(scene.HandleReply(&answer), 1);
    ASSERT_EQ(notices.boxes.size(), 1u);
    EXPECT_EQ(notices.boxes[0].text, LangMessage(142));
    EXPECT_EQ(workers.jobs, 0) << "nothing leaves from inside the dispatch";
    EXPECT_EQ(logic->NextMode(), nullptr);
    scene.Update();
    EXPECT_EQ(workers.jobs, 1) << "the next frame queues the return to the master";
    EXPECT_EQ(logic->m_enter_block.Kind(), 0);
    scene.Update();
    EXPECT_EQ(workers.jobs, 1);
    Advance(600);
  }
}

TEST_F(RoomListTest, ADragAcrossTheRoomsEntersNothing) {
  struct Case {
    int rooms;     // 4 do not scroll, 6 do
    int from, to;  // x of the press and of the release, both on a room plate
  };
  const Case cases[] = {{6, 400, 220}, {6, 150, 80}, {4, 150, 80}, {4, 100, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rooms << " rooms, " << c.from << " -> " << c.to);
    if (c.rooms == 6) SetRooms({Room(1000), Room(1000), Room(1000), Room(1000), Room(1000), Room(1000)});
    else SetRooms({Room(1000), Room(1000), Room(1000), Room(1000)});
    scene.Close();
    Advance(300);
    scene.Update();
    Open();
    scene.RoomList().Draw();
    scene.OnTouchDown(0, c.from, 420);
    const int step = c.to > c.from ? 10 : -10;
    for (int x = c.from + step; x != c.to; x += step) {
      Advance(20);
      scene.OnTouchMove(0, x, 420);
    }
    Advance(20);
    scene.OnTouchUp(0, c.to, 420);
    Advance(600);
    EXPECT_TRUE(SentEntries().empty());
    EXPECT_TRUE(notices.boxes.empty());
  }
  // A press that wanders 30 units is still a tap.
  scene.RoomList().m_scroller.StopGlide();
  scene.RoomList().m_scroller.m_offset = 0;
  scene.RoomList().Draw();
  scene.OnTouchDown(0, 150, 420);
  Advance(20);
  scene.OnTouchMove(0, 165, 420);
  Advance(20);
  scene.OnTouchUp(0, 180, 420);
  EXPECT_EQ(SentEntries().size(), 1u);
}

TEST_F(RoomListTest, FourRoomsDoNotScrollAFifthDoesAndTheWheelScrollsSideways) {
  SetRooms({Room(1000), Room(1000), Room(1000), Room(1000)});
  Open();
  EXPECT_EQ(scene.RoomList().Range(), 0);
  SetRooms({Room(1000), Room(1000), Room(1000), Room(1000), Room(1000), Room(1000), Room(1000)});
  Tap(290, 150);  // the point tab lays the list out again
  EXPECT_EQ(scene.RoomList().Range(), 7 * 266 - 1234);
  EXPECT_EQ(scene.RoomList().Offset(), 0);
  EXPECT_EQ(scene.OnWheel(-40, 640, 400), 1) << "no press needed before the wheel";
  EXPECT_EQ(scene.RoomList().Offset(), -40);
  scene.OnWheel(-40, 640, 400);
  EXPECT_EQ(scene.RoomList().Offset(), -80);
  scene.OnWheel(120, 640, 400);
  EXPECT_EQ(scene.RoomList().Offset(), 0) << "never before the first room";
  scene.OnWheel(-4000, 640, 400);
  EXPECT_EQ(scene.RoomList().Offset(), -(7 * 266 - 1234)) << "never past the last";
  scene.RoomList().Draw();
  VXButton_room* last = scene.Room(6);
  EXPECT_LE(last->m_right, 1280) << "the last room is wholly in view at the end";
  EXPECT_EQ(scene.OnWheel(-40, 640, 100), 0) << "the wheel elsewhere leaves the list";
}

TEST_F(RoomListTest, AffordableRoomsAreMarkedWithoutDisablingThem) {
  SetChips(50000);
  SetRooms({Room(1000, 40000), Room(1000, 60000), Room(1000, 0), Room(1000, 2000000000)});
  Open();
  const bool want[] = {true, false, false, false};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(scene.Room(i)->affordable, want[i]) << i;
    EXPECT_EQ(scene.Room(i)->m_state, GLScrollBoxItem::kNormal) << "every room takes taps";
  }
  TapRoom(1);  // not highlighted, but 50000 chips pay for a stake of 1000
  EXPECT_EQ(SentEntries().size(), 1u);
}

TEST_F(RoomListTest, RoomDataIsClampedAndTheTabPicksItsCounts) {
  g_rooms = VXRoomListData();
  g_rooms.count = 13;
  for (int i = 0; i < VXRoomListData::kMaxRooms; ++i) {
    g_rooms.rooms[i] = Room(100 * (i + 1));
    g_rooms.rooms[i].players[0][0] = 3;
    g_rooms.rooms[i].players[0][1] = -7;
    g_rooms.rooms[i].players[1][0] = 2;
    g_rooms.rooms[i].players[1][1] = 5;
  }
  Open(0);
  EXPECT_EQ(scene.RoomCount(), 12);
  EXPECT_EQ(scene.Room(0)->players, 3) << "a negative count counts as none";
  EXPECT_EQ(scene.Room(11)->stake, 1200);
  Tap(290, 150);
  EXPECT_EQ(scene.Tab(), 1);
  EXPECT_EQ(g_tab_told, 1) << "the lobby hears of the tab";
  EXPECT_EQ(scene.Room(0)->players, 7);
  EXPECT_EQ(scene.Room(0)->tab, 1);

  g_rooms.count = -1;
  Tap(40, 150);
  EXPECT_EQ(scene.Tab(), 0);
  EXPECT_EQ(scene.RoomCount(), 0);
  EXPECT_EQ(scene.RoomList().GetCount(), 0);

  game->connected = false;
  g_rooms.count = 2;
  Tap(290, 150);
  EXPECT_EQ(scene.RoomCount(), 0) << "no game session, no rooms";
}

TEST_F(RoomListTest, TheTopAndBottomButtons) {
  Open();
  Tap(1090, 10);
  ASSERT_EQ(platform.commands.size(), 1u);
  EXPECT_EQ(platform.commands[0].first, 1);
  EXPECT_EQ(platform.commands[0].second, std::string(data->m_web_base) + "/web_content/exp.htm");
  Tap(655, 10);
  Tap(860, 10);
  Tap(650, 665);
  Tap(20, 665);
  EXPECT_EQ(scenes.calls, (std::vector<std::string>{"Show(14,1)", "Show(14,0)", "Show(9,1)", "Show(6,0)"}));
  Tap(1170, 5);
  EXPECT_EQ(scene.view_state, 2) << "back closes the list";
}

TEST_F(RoomListTest, TheManagerBuildsTheRoomListInItsSlot) {
  GameScene_manager* m = GameScene_manager::Get_Instance();
  m->Create_Scenes();
  ASSERT_NE(dynamic_cast<VXScene_game*>(m->Scene(kSceneGame)), nullptr);
  EXPECT_EQ(m->Scene(kSceneGame)->opaque, 1);
}

}  // namespace
}  // namespace scene_test
