// Hostile login replies (145) fed to the real dispatcher, as the title screen's login
// receives them: odd session kinds, counts that run past the payload and replies cut
// short at every length. None may crash (the sanitizer build checks reads and writes)
// or send the player to the lobby; the account keeps what it had.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "app/LanguageMessages.h"
#include "framework/Clock.h"
#include "unit/app/GameLogicFixture.h"
#include "unit/app/GlobalFakes.h"
#include "unit/app/TempFolders.h"

using namespace testing_support;

namespace {

std::vector<uint8_t> Int(int32_t v) {
  std::vector<uint8_t> b(4);
  std::memcpy(b.data(), &v, 4);
  return b;
}
std::vector<uint8_t> Zeros(size_t n) { return std::vector<uint8_t>(n, 0); }

// Builds a reply payload piece by piece.
struct Reply {
  std::vector<uint8_t> bytes;
  Reply& Add(const std::vector<uint8_t>& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
  }
  Reply& I32(int32_t v) { return Add(Int(v)); }
  Reply& Head(int32_t kind) {
    ServerInfo info;
    info.SetHost("127.0.0.1");
    info.SetKind(kind);
    I32(0).Add(std::vector<uint8_t>(info.raw, info.raw + sizeof(info.raw)));
    std::vector<uint8_t> account = Zeros(kUserInfoSize);
    std::memcpy(account.data(), "hostile", 7);
    const int64_t chips = 999999;
    std::memcpy(account.data() + kUserChips, &chips, 8);
    return Add(account);
  }
  // The master's part with status 0: `bonus` and `slots` announced, `bonus_sent` and
  // `slots_sent` records actually present.
  Reply& Master(int32_t bonus, int bonus_sent, int32_t slots, int slots_sent) {
    I32(0).I32(1).I32(1).Add(Zeros(28 + 492 + 452)).I32(0);
    I32(bonus).Add(Zeros(244 * static_cast<size_t>(bonus_sent)));
    I32(slots).Add(Zeros(20 * static_cast<size_t>(slots_sent)));
    return Add(Zeros(556 + 52));
  }
  Packet ToPacket(size_t length) const {
    Packet p(145);
    p.WriteBytes(bytes.data(), length < bytes.size() ? length : bytes.size());
    return p;
  }
};

class LoginReplyHostileTest : public ::testing::Test {
 public:
  void SetUp() override {
    SetTickSource(&FakeNow);
    SetSleepEnabled(false);
    InitLanguageMessages(kLanguageEditionThai);
    Fresh();
  }
  void TearDown() override {
    GameAfterFrame::Clear();
    logic.reset();
    SetTickSource(nullptr);
    SetSleepEnabled(true);
  }
  void Fresh() {
    GameAfterFrame::Clear();
    logic = std::make_unique<GameLogic>();
    GameHooks h;
    h.notices = &notices;
    h.scenes = &scenes;
    logic->SetHooks(h);
    logic->SetModes(&login, &lobby, nullptr);
    for (int i = 0; i < 4; ++i) {
      sessions[i] = new FakeSession(i);
      sessions[i]->connected = true;
      logic->m_sessions[i] = sessions[i];
    }
    logic->ChangeMode(&login, 0, 0);
    data = GameSharedData::Instance();
    data->ResetDefaults();
    std::memcpy(data->m_user_info, "before", 6);
  }
  // Dispatches the reply and then the work left for after the frame.
  void Feed(Packet p) {
    logic->ProcessPacket(&p);
    GameAfterFrame::Run();
  }
  bool AnyLoggedIn() const {
    for (FakeSession* s : sessions)
      if (s->logged_in) return true;
    return false;
  }

  TempFolders folders;
  NoticeRecorder notices;
  SceneRecorder scenes;
  RecordingMode login{GameMode::kModeLogin, "login"};
  RecordingMode lobby{GameMode::kModeLobby, "lobby"};
  FakeSession* sessions[4] = {};
  GameSharedData* data = nullptr;
  std::unique_ptr<GameLogic> logic;
};

TEST_F(LoginReplyHostileTest, WellFormedRepliesReachTheLobbySoTheCasesBelowMeanSomething) {
  struct Case {
    const char* name;
    Reply reply;
  } cases[] = {
      {"master", Reply().Head(0).Master(7, 5, 14, 14)},
      {"game server", Reply().Head(1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Feed(c.reply.ToPacket(c.reply.bytes.size()));
    EXPECT_EQ(logic->NextMode(), &lobby);
  }
}

TEST_F(LoginReplyHostileTest, OddKindsAndCountsPastThePayloadGoNowhere) {
  struct Case {
    const char* name;
    Reply reply;
    bool account_kept;  // refused before anything was stored
  } cases[] = {
      {"kind -1", Reply().Head(-1), true},
      {"kind 3", Reply().Head(3), false},
      {"kind 7", Reply().Head(7), false},
      {"more bonus records than sent", Reply().Head(0).Master(4, 2, 0, 0), true},
      {"item slots past the payload", Reply().Head(0).Master(0, 0, 0x7FFFFFFF, 1), true},
      {"negative item slots", Reply().Head(0).Master(0, 0, -5, 0), true},
      {"second list past the payload", Reply().Head(2).I32(1000).Add(Zeros(128)), true},
      {"second list count missing", Reply().Head(2), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    Feed(c.reply.ToPacket(c.reply.bytes.size()));
    EXPECT_NE(logic->NextMode(), &lobby);
    EXPECT_EQ(logic->CurrentMode(), &login);
    if (c.account_kept) {
      EXPECT_STREQ(data->AccountId(), "before");
      EXPECT_FALSE(AnyLoggedIn());
    }
  }
}

TEST_F(LoginReplyHostileTest, RepliesCutShortAtAnyLengthAreRefused) {
  const Reply replies[] = {Reply().Head(0).Master(3, 3, 2, 2), Reply().Head(1), Reply().Head(2).I32(2).Add(Zeros(256))};
  for (const Reply& r : replies) {
    for (size_t length = 0; length < r.bytes.size(); ++length) {
      SCOPED_TRACE(length);
      Fresh();
      Feed(r.ToPacket(length));
      ASSERT_NE(logic->NextMode(), &lobby);
      ASSERT_FALSE(AnyLoggedIn());
      ASSERT_STREQ(data->AccountId(), "before");
    }
  }
}

TEST_F(LoginReplyHostileTest, FailureResultsNeverLogIn) {
  for (int32_t result : {-1, 1, 3, 4, 7, 8, 0x7FFFFFFF, INT32_MIN}) {
    SCOPED_TRACE(result);
    Fresh();
    Reply r;
    r.I32(result).Add(Reply().Head(0).Master(0, 0, 0, 0).bytes);  // a success body after it
    Feed(r.ToPacket(r.bytes.size()));
    EXPECT_NE(logic->NextMode(), &lobby);
    EXPECT_FALSE(AnyLoggedIn());
  }
}

}  // namespace
