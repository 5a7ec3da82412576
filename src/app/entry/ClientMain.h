#pragma once
#include <functional>

class GameLogic;
struct ClientWiring;

// What a build of the program may add around the client's start-up and shutdown
// (the test build of the program installs its own first mode here). The shipping
// program passes none.
struct ClientEntryOptions {
  // After the wiring is installed, before InitializeGame.
  std::function<void(GameLogic* logic, ClientWiring* wiring)> before_initialize;
  // After the game logic is destroyed.
  std::function<void()> after_shutdown;
};

// The whole life of the program: single instance, logging, the window, the game logic
// and the main loop, then the ordered shutdown. Returns the exit code.
int RunClient(const ClientEntryOptions& options);
