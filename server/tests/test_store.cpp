// The SQLite store: accounts made on first login, settlements all-or-nothing, and the
// database intact after the server process is killed in the middle of rounds.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ProtocolClient.h"
#include "Store.h"
#include "TablePlayer.h"

namespace {

std::string FreshDb(const char* name) {
  auto p = std::filesystem::temp_directory_path() /
           (std::string("tolvan_store_") + name + "_" + std::to_string(::getpid()) + ".db");
  for (const char* suffix : {"", "-wal", "-shm"}) std::filesystem::remove(p.string() + suffix);
  return p.string();
}

}  // namespace

TEST(Store, AccountsAreMadeOnceWithTheStartingBalance) {
  tsrv::Store st;
  ASSERT_TRUE(st.Open(FreshDb("accounts"), 5000, nullptr));
  auto a = st.LoginDevice("device-A", "Nok");
  ASSERT_TRUE(a);
  EXPECT_TRUE(a->is_new);
  EXPECT_EQ(a->chips, 5000);
  EXPECT_EQ(a->nickname, "Nok");
  auto again = st.LoginDevice("device-A", "ignored");
  ASSERT_TRUE(again);
  EXPECT_FALSE(again->is_new);
  EXPECT_EQ(again->id, a->id);
  EXPECT_EQ(again->account_id, a->account_id);
  EXPECT_LE(a->account_id.size(), 29u);
  auto social = st.LoginSocial("1000123", "Somchai");
  ASSERT_TRUE(social);
  EXPECT_NE(social->id, a->id);
  EXPECT_FALSE(st.LoginDevice("", "x")) << "an empty device text is no identity";
  EXPECT_EQ(st.TotalChips(), 10000);
  EXPECT_EQ(st.LedgerTotal(), 10000);
}

TEST(Store, SettlementsAreAllOrNothing) {
  tsrv::Store st;
  ASSERT_TRUE(st.Open(FreshDb("settle"), 1000, nullptr));
  auto a = st.Bot(1), b = st.Bot(2);
  ASSERT_TRUE(a && b);
  struct Case {
    const char* what;
    std::vector<tsrv::SeatSettlement> rows;
    bool ok;
  } cases[] = {
      {"zero-sum", {{a->id, 300, 40, true}, {b->id, -300, -40, false}}, true},
      {"not zero-sum", {{a->id, 300, 0, true}, {b->id, -200, 0, false}}, false},
      {"unknown account", {{a->id, 100, 0, true}, {999999, -100, 0, false}}, false},
      {"below zero", {{a->id, 5000, 0, true}, {b->id, -5000, 0, false}}, false},
  };
  for (const auto& c : cases) EXPECT_EQ(st.Settle(1, 100, c.rows), c.ok) << c.what;
  // Only the first settlement left a trace.
  EXPECT_EQ(st.FindById(a->id)->chips, 1300);
  EXPECT_EQ(st.FindById(b->id)->chips, 700);
  EXPECT_EQ(st.FindById(a->id)->streak, 1);
  EXPECT_EQ(st.RoundCount(), 1);
  EXPECT_EQ(st.TotalChips(), st.LedgerTotal());
}

// The real server binary, killed with SIGKILL while bot tables settle rounds and a player
// sits mid-round, comes back on the same file with every chip accounted for.
TEST(Store, IntactAfterTheServerIsKilledMidRound) {
  const char* bin = std::getenv("TOLVAN_SERVER_BIN");
  if (!bin) GTEST_SKIP() << "TOLVAN_SERVER_BIN not set";
  std::string db = FreshDb("crash");
  auto launch = [&](int* master, pid_t* pid) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    *pid = fork();
    if (*pid == 0) {
      dup2(fds[1], 2);
      close(fds[0]);
      execl(bin, bin, "--db", db.c_str(), "--master-port", "0", "--game-port", "0",
            "--bot-tables", "4", "--bot-think-ms", "0", "--result-ms", "0", "--ranking-ms", "0",
            "--auto-start-ms", "0", "--log-level", "1", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    // The first line names the ports.
    std::string line;
    char ch;
    while (read(fds[0], &ch, 1) == 1 && ch != '\n') line += ch;
    close(fds[0]);
    int game = 0;
    return std::sscanf(line.c_str(), "tolvan-server: master 127.0.0.1:%d, game 127.0.0.1:%d", master,
                       &game) == 2;
  };
  int master = 0;
  pid_t pid = 0;
  ASSERT_TRUE(launch(&master, &pid));
  std::string account;
  int number = 0;
  int64_t chips = 0;
  {
    ProtocolClient game;
    ASSERT_TRUE(EnterThroughMaster(master, "device-crash", game, &account, &number, &chips));
    TablePlayer tp(game);
    tp.account_id = account;
    ASSERT_TRUE(tp.EnterRoom(100));
    Packet p(214);
    p.WriteInt32(0);
    game.Send(p);
    ASSERT_TRUE(game.RecvId(217, 5000));
    // Bot tables have been settling rounds meanwhile; stop the process without warning.
    usleep(300 * 1000);
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
  }
  {
    tsrv::Store st;
    ASSERT_TRUE(st.Open(db, 0, nullptr));
    EXPECT_TRUE(st.IntegrityOk());
    EXPECT_GT(st.RoundCount(), 0);
    EXPECT_EQ(st.TotalChips(), st.LedgerTotal()) << "a settlement was half written";
    auto a = st.FindByAccountId(account);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->chips, chips) << "the unfinished round must not have moved chips";
  }
  // The server starts again on the same file and the player logs in as before.
  ASSERT_TRUE(launch(&master, &pid));
  {
    ProtocolClient game;
    std::string again;
    int64_t chips2 = 0;
    EXPECT_TRUE(EnterThroughMaster(master, "device-crash", game, &again, &number, &chips2));
    EXPECT_EQ(again, account);
    EXPECT_EQ(chips2, chips);
  }
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "SIGTERM ends the server cleanly";
}
