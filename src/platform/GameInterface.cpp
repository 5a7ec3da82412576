#include "platform/GameInterface.h"

#include <SDL.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <thread>

#include "app/CRegistry.h"
#include "app/GameLogic.h"
#include "app/GameSharedData.h"
#include "framework/Log.h"
#include "framework/StringUtil.h"

#if defined(__has_include)
#if __has_include(<uuid/uuid.h>)
#include <uuid/uuid.h>
#define TOLVAN_HAVE_UUID 1
#endif
#endif

extern char** environ;

namespace {

constexpr char kDeviceIdSetting[] = "uuid";
constexpr size_t kDeviceIdTextMax = 64;

bool IsUuidText(const char* text) {
#ifdef TOLVAN_HAVE_UUID
  uuid_t parsed;
  return std::strlen(text) == 36 && uuid_parse(text, parsed) == 0;
#else
  return std::strlen(text) == 36;
#endif
}

bool NewUuidText(char* out, size_t size) {
#ifdef TOLVAN_HAVE_UUID
  if (size < 37) return false;
  uuid_t id;
  uuid_generate(id);
  uuid_unparse_lower(id, out);
  return true;
#else
  (void)out, (void)size;
  return false;
#endif
}

void QuitGame() {
  GameLogic* logic = GameLogic::InstanceIfAny();
  if (!logic) return;
  logic->Logout();
  logic->m_quit = 1;
}

}  // namespace

std::string MaskedId(const char* id) {
  if (!id || !*id) return "(none)";
  return std::string(id, strnlen(id, 8)) + "-****";
}

int Game_Interface_Init() {
  GameSharedData* data = GameSharedData::Instance();
  char stored[kDeviceIdTextMax + 1] = {};
  if (CRegistry::ReadString(kDeviceIdSetting, stored, sizeof(stored)) && IsUuidText(stored)) {
    CopyFixedText(data->m_device_id, sizeof(data->m_device_id), stored);
    Log(LOG_TRACE, "*********************************** uuid get == %s", MaskedId(stored).c_str());
    return 1;
  }
  char fresh[40] = {};
  if (!NewUuidText(fresh, sizeof(fresh))) {
    Log(LOG_WARNING, "[WARNING]: Game_Interface_Init| no UUID generator, the quick start is unavailable");
    return 1;
  }
  CopyFixedText(data->m_device_id, sizeof(data->m_device_id), fresh);
  if (!CRegistry::WriteString(kDeviceIdSetting, fresh))
    Log(LOG_WARNING, "[WARNING]: Game_Interface_Init| the device id could not be stored");
  Log(LOG_TRACE, "*********************************** uuid set == %s", MaskedId(fresh).c_str());
  return 1;
}

bool SpawnProgram(const char* program, const char* argument, bool search_path) {
  if (!program || !*program) return false;
  std::string prog(program), arg(argument ? argument : "");
  char* argv[3] = {prog.data(), argument ? arg.data() : nullptr, nullptr};
  pid_t pid = 0;
  const int rc = search_path ? posix_spawnp(&pid, program, nullptr, nullptr, argv, environ)
                             : posix_spawn(&pid, program, nullptr, nullptr, argv, environ);
  if (rc != 0) return false;
  // Reap exactly this child once it ends; other children (web helpers) are left alone.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

int Game_Interface_Execute(int command, int option1, int option2, const char* text1, const char* text2,
                           int option3) {
  (void)option1, (void)option2, (void)text2, (void)option3;
  switch (command) {
    case 1:
      if (!text1 || !*text1) return 0;
      if (!SpawnProgram("xdg-open", text1, true)) {
        Log(LOG_WARNING, "[WARNING]: Game_Interface_Execute| cannot start xdg-open");
        return 0;
      }
      return 1;
    case 2:
    case 3:
      QuitGame();
      return 1;
    case 4: {
      const char* address = text1 ? text1 : "";
      CRegistry::WriteString("szDownAddress", address);
      if (!SpawnProgram("./Download", address, false)) {
        Log(LOG_WARNING, "[WARNING]: Game_Interface_Execute| cannot start the updater");
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, "App Error", "Application error need reinstall!...", nullptr);
      }
      QuitGame();
      return 1;
    }
    case 9:
    case 13:
    case 14:
    case 18:
      Log(LOG_TRACE, "Game_Interface_Execute| command %d is not available in this build", command);
      return 0;
    default:
      return command >= 19 ? 0 : 1;
  }
}
