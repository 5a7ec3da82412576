// Linked into every test program: gives the tests the source and build folders and
// keeps SDL away from real screens and sound cards, unless the caller set them.
#include <cstdlib>

namespace {
struct TestEnvironment {
  TestEnvironment() {
    setenv("TOLVAN_TEST_SOURCE_DIR", TOLVAN_TEST_SOURCE_DIR_DEFAULT, 0);
    setenv("TOLVAN_BUILD_DIR", TOLVAN_BUILD_DIR_DEFAULT, 0);
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
  }
} g_test_environment;
}  // namespace
