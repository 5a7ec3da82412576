#pragma once
// Fakes for the global-message and server-entering tests: a session that records what
// is sent on it, and recorders for the notice, scene, platform, exchange, play and
// service hooks.
#include <string>
#include <vector>

#include "app/GameHooks.h"
#include "net/IGameSession.h"

namespace testing_support {

class FakeSession : public IGameSession {
 public:
  explicit FakeSession(int index) : m_index(index) { m_info.SetKind(index); }
  int SessionIndex() const override { return m_index; }
  bool IsConnected() const override { return connected; }
  bool IsLoggedIn() const override { return logged_in; }
  void SetLoggedIn(bool v) override { logged_in = v; }
  bool HelloOk() const override { return hello_ok; }
  void SetHelloOk(bool v) override { hello_ok = v; }
  bool IsBusy() const override { return busy; }
  void SetBusy(bool v) override { busy = v; }
  ServerInfo& Info() override { return m_info; }
  uint32_t EnterTime() const override { return enter_time; }
  void SetEnterTime(uint32_t t) override { enter_time = t; }
  int ProcessEvent(uint32_t) override {
    ++pumps;
    return 1;
  }
  int Connect(const char* host, int port, bool) override {
    ++connects;
    last_host = host ? host : "";
    last_port = port;
    if (!connect_ok) return 0;
    connected = true;
    return 1;
  }
  void Close() override {
    ++closes;
    connected = false;
    logged_in = false;
  }
  int CloseAndWait() override {
    Close();
    return 1;
  }
  int SendAndWait(Packet& p, uint32_t, bool) override {
    sent.push_back(p);
    return wait_ok ? 1 : 0;
  }
  Packet& ReplyBuffer() override { return reply; }
  int SendAsync(Packet& p, void*, SessionReplyCallback) override {
    sent.push_back(p);
    return 1;
  }
  int SendNoWait(Packet& p) override {
    sent.push_back(p);
    return 1;
  }

  bool connected = false, logged_in = false, hello_ok = true, busy = false;
  bool connect_ok = true, wait_ok = true;  // what Connect and SendAndWait answer
  uint32_t enter_time = 0;
  int closes = 0, connects = 0, pumps = 0;
  std::string last_host;
  int last_port = 0;
  std::vector<Packet> sent;
  Packet reply;

 private:
  int m_index;
  ServerInfo m_info;
};

struct NoticeRecorder : INoticeHooks {
  struct Banner {
    int kind;
    std::string text, sender;
    int auto_close;
  };
  struct Box {
    std::string title;
    int type;
    std::string text;
    int dim, auto_close;
  };
  void PushBanner(int kind, const char* text, const char* sender, int auto_close) override {
    banners.push_back({kind, text, sender, auto_close});
  }
  void PushBox(const char* title, int type, const char* text, int dim, int auto_close) override {
    boxes.push_back({title, type, text, dim, auto_close});
  }
  void ShowErrorCode(int code) override { error_codes.push_back(code); }
  void ShowPrize(int rubies, int value, int rank, int64_t chips) override {
    prizes.push_back({rubies, value, rank, chips});
  }
  void ShowCelebration(int level, int value) override { celebrations.push_back({level, value}); }
  void PushConfirmBox(const char* title, const char*, ConfirmCallback, void*) override { confirms.push_back(title); }
  void OnOwnTurn() override { ++own_turns; }
  std::vector<Banner> banners;
  std::vector<std::string> confirms;
  int own_turns = 0;
  std::vector<Box> boxes;
  std::vector<int> error_codes;
  struct Prize {
    int rubies, value, rank;
    int64_t chips;
  };
  std::vector<Prize> prizes;
  std::vector<std::pair<int, int>> celebrations;
};

struct SceneRecorder : ISceneHooks {
  bool IsSceneShown(int id) override { return id == shown_scene; }
  int ScenePage(int id) override { return id == shown_scene ? shown_page : -1; }
  void ShowScene(int id, int param) override { calls.push_back("Show(" + std::to_string(id) + "," + std::to_string(param) + ")"); }
  void HideScene(int id) override { calls.push_back("Hide(" + std::to_string(id) + ")"); }
  void ReloadScenePage(int id, int page) override {
    calls.push_back("Reload(" + std::to_string(id) + "," + std::to_string(page) + ")");
  }
  void RefreshScene(int id) override { calls.push_back("Refresh(" + std::to_string(id) + ")"); }
  int PassPacket(int id, Packet* p) override {
    calls.push_back("Pass(" + std::to_string(id) + "," + std::to_string(p->id) + ")");
    return 5;
  }
  void SetTournamentRecord(int id, const VXType_tournament_info& r) override {
    calls.push_back("Tournament(" + std::to_string(id) + "," + std::to_string(r.TournamentId()) + ")");
  }
  void OpenTournament(int tid) override { calls.push_back("OpenTournament(" + std::to_string(tid) + ")"); }
  void RequestRoom(const VXType_room_info& r) override {
    room_request = r;
    calls.push_back("RequestRoom");
  }
  void SetDayBonus(const VXType_day_bonus& r) override {
    day_bonus = r;
    calls.push_back("DayBonus");
  }
  bool Has(const std::string& c) const {
    for (const auto& x : calls)
      if (x == c) return true;
    return false;
  }
  int shown_scene = -1, shown_page = -1;
  std::vector<std::string> calls;
  VXType_room_info room_request;
  VXType_day_bonus day_bonus;
};

struct PlatformRecorder : IPlatformHooks {
  int Execute(int command, int, int, const char* text1, const char*, int) override {
    commands.push_back({command, text1 ? text1 : ""});
    return 1;
  }
  std::vector<std::pair<int, std::string>> commands;
};

struct ExchangeRecorder : IExchangeHooks {
  int PostToServiceServer(const Packet& p) override {
    posted.push_back(p.id);
    return 1;
  }
  std::vector<int> posted;
};

struct PlayRecorder : IPlayHooks {
  void AddLike(const char* name) override { likes.push_back(name); }
  void ResetMiniGame() override { ++mini_game_resets; }
  std::vector<std::string> likes;
  int mini_game_resets = 0;
};

struct ServiceRecorder : IServiceHooks {
  void RefreshLocalPlayer() override { ++syncs; }
  int syncs = 0;
};

}  // namespace testing_support
