#pragma once
// The platform services the portable core reaches through Game_Interface_* calls.
// Everything here runs on the main thread.
#include <cstddef>
#include <string>

// Start-up of the platform services: the device id. It is read from the setting "uuid"
// and, when absent or not a UUID, created once (libuuid) and stored there. The id is the
// quick-start credential, so log lines show only its first 8 characters. Returns 1.
int Game_Interface_Init();

// The first 8 characters of an id followed by "-****", for log lines; "(none)" when
// the id is empty.
std::string MaskedId(const char* id);

// Carries out a platform command:
//   1     open text1 (a page or a file) with the desktop's default handler (xdg-open)
//   2, 3  quit the game
//   4     store text1 as "szDownAddress", start the updater "./Download" with the address
//         as its argument, then quit; a failed start shows the "App Error" box
//   0 and below, 5-8, 10-12, 15-17: nothing (returns 1); 19 and above: nothing (0)
//   9, 13, 14, 18 need the message dialog and the web view, which this build does not
//   have yet: nothing happens and the result is 0, so callers can say so.
int Game_Interface_Execute(int command, int option1, int option2, const char* text1, const char* text2,
                           int option3);

// Starts `program` with the single argument `argument` (none when null), without a
// shell, so the argument is never interpreted; true when the process was created.
bool SpawnProgram(const char* program, const char* argument, bool search_path);
