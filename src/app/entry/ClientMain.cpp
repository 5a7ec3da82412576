// The client's start-up and shutdown, shared by the program (main.cpp) and its test
// build: single instance, logging, the window, the game logic and the main loop, then
// the ordered shutdown.
#include "app/entry/ClientMain.h"

#include <SDL.h>
#include <unistd.h>

#include "app/GameAfterFrame.h"
#include "app/GameLogic.h"
#include "app/GameWindow.h"
#include "app/entry/ClientWiring.h"
#include "framework/Log.h"
#include "framework/Paths.h"
#include "media/SplashWindow.h"
#include "platform/CrashReporter.h"
#include "platform/GameInterface.h"
#include "platform/SingleInstance.h"

namespace {
constexpr char kAppTitle[] = "Tolvan";

void ConfigureLogging() {
  LogConfig cfg;
  cfg.level_mask = 0xFFFF;
  cfg.tag = "GAME_LOG";
  cfg.trace_name = "Trace_CLIENT";
  // The trace viewer's channel as designed, plus a daily log file in the state folder
  // so that a user has a log to look at.
  cfg.sinks = LOG_SINK_TRACE;
  const std::string dir = StateDir();
  if (EnsureDir(dir)) {
    cfg.directory = dir;
    cfg.sinks |= LOG_SINK_FILE;
  }
  LogConfigure(cfg);
}
}  // namespace

int RunClient(const ClientEntryOptions& options) {
  // Before any other X call: the splash window talks to the X server from its own thread.
  SplashWindow::InitXThreads();
  CrashReporter::Install();

  // The data next to the program (the build folder) or in the prefix it is installed in.
  const std::string program_dir = FindResourceDir(ExecutableDir());
  SetProgramDir(program_dir);
  if (chdir(program_dir.c_str()) != 0) {
    // Resources are looked up relative to the program folder; keep going from here.
  }

  SingleInstance instance(kAppTitle);
  if (!instance.Acquire()) {
    instance.RequestRaise();
    return 0;
  }

  ConfigureLogging();
  Log(LOG_TRACE, "main | start, program folder %s, pid %d", program_dir.c_str(), static_cast<int>(getpid()));

  if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER) != 0) {
    Log(LOG_FATAL, "main | SDL_Init failed: %s", SDL_GetError());
    return 0;
  }

  int exit_code = 0;
  {
    GameWindow window;
    if (!window.Create(kAppTitle)) {
      SDL_Quit();
      return 0;
    }
    const uint32_t raise_type = window.RaiseEventType();
    instance.StartListening([raise_type] {
      SDL_Event ev{};
      ev.type = raise_type;
      SDL_PushEvent(&ev);
    });

    // Platform dialogs own the input while they are open.
    window.SetModalQuery(&Game_Interface_IsModal);

    ClientWiring wiring;
    GameLogic* logic = GameLogic::Instance();
    wiring.Install(logic);

    if (options.before_initialize) options.before_initialize(logic, &wiring);

    if (!logic->InitializeGame(window.Window(), GameWindow::kClientWidth, GameWindow::kClientHeight)) {
      Log(LOG_FATAL, "main | InitializeGame failed");
      GameLogic::DestroyInstance();
      if (options.after_shutdown) options.after_shutdown();
      instance.Release();
      SDL_Quit();
      return 0;
    }
    SDL_ShowWindow(window.Window());

    exit_code = window.Run(logic);
    Log(LOG_TRACE, "main | main loop ended");
    GameAfterFrame::Clear();  // nothing runs for a game that is gone

    GameLogic::DestroyInstance();
    // What the options installed goes after the logic that points at it.
    if (options.after_shutdown) options.after_shutdown();
    instance.Release();
  }
  SDL_Quit();
  return exit_code;
}
