// Feeds arbitrary bytes, as the payload of a login reply (145), to the game logic's
// real dispatcher with a lobby mode to go on to. Nothing may read or write out of
// bounds, and the lobby is asked for only by a reply that carries at least its result 0,
// a server block and a whole account block.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "framework/Clock.h"
#include "unit/app/GlobalFakes.h"

namespace {

using testing_support::FakeSession;

uint32_t FixedNow() { return 100000; }

struct World {
  GameLogic logic;
  GameMode login, lobby;
  FakeSession* sessions[4] = {};

  World() {
    // The handler may save settings and account files: keep them out of the user's home.
    char folder[] = "/tmp/tolvan_fuzz_login_XXXXXX";
    const std::string root = mkdtemp(folder) ? folder : "/tmp";
    setenv("TOLVAN_CONFIG_DIR", (root + "/config").c_str(), 1);
    setenv("TOLVAN_DATA_DIR", (root + "/data").c_str(), 1);
    SetTickSource(&FixedNow);
    SetSleepEnabled(false);
    lobby.mode_id = GameMode::kModeLobby;
    logic.SetModes(&login, &lobby, nullptr);
    for (int i = 0; i < 4; ++i) logic.m_sessions[i] = sessions[i] = new FakeSession(i);
  }
  void Reset() {
    logic.ChangeMode(&login, 0, 0);
    logic.m_mode_next = nullptr;
    logic.m_session_index = 0;
    for (FakeSession* s : sessions) {
      s->connected = true;
      s->logged_in = false;
      s->sent.clear();
    }
    GameSharedData::Instance()->ResetDefaults();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static World* world = new World();
  static Packet* p = new Packet();
  if (size > kPacketMaxPayload) return 0;
  world->Reset();
  *p = Packet(145);
  p->WriteBytes(data, size);
  world->logic.ProcessPacket(p);
  GameAfterFrame::Run();  // a refused login may log out after the dispatch
  if (world->logic.NextMode() == &world->lobby) {
    int32_t result = -1;
    if (size >= 4) std::memcpy(&result, data, 4);
    if (result != 0 || size < 4 + 492 + 516) __builtin_trap();
  }
  return 0;
}
