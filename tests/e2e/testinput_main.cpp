// The test build of the program for end-to-end runs (tolvan-testinput): the client's
// own start-up and shutdown with TestInputMode as its first mode.
#include <memory>

#include "app/GameLogic.h"
#include "app/entry/ClientMain.h"
#include "app/entry/ClientWiring.h"
#include "e2e/TestInputMode.h"

int main(int, char**) {
  std::unique_ptr<TestInputMode> mode;
  ClientEntryOptions options;
  options.before_initialize = [&mode](GameLogic* logic, ClientWiring* wiring) {
    mode = std::make_unique<TestInputMode>(&wiring->screen);
    logic->SetModes(mode.get(), nullptr, nullptr);
  };
  options.after_shutdown = [&mode] { mode.reset(); };
  return RunClient(options);
}
