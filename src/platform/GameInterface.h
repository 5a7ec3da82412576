#pragma once
// The platform services the portable core reaches through Game_Interface_* calls.
// Everything here runs on the main thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/Packet.h"

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
//   9     a message to the player whose account id is text1: a small dialog asks for
//         the text, which goes to the service server (message 185)
//   13    social login in the web view, then the player's identity from the Graph API,
//         handed to the login mode
//   14    upload the social friend list (message 193)
//   18    social logout in the web view
//   0 and below, 5-8, 10-12, 15-17: nothing (returns 1); 19 and above: nothing (0)
// The dialogs of 9, 13 and 18 never open inside the caller (which may be a packet
// handler under the frame lock): they open from the main loop after the frame
// (posted to GameAfterFrame). 13 returns 0 when this machine has no web view.
int Game_Interface_Execute(int command, int option1, int option2, const char* text1, const char* text2,
                           int option3);

// Runs the dialog a command asked for, if any; posted to the after-frame work, so it
// runs from the main loop outside the frame lock.
void Game_Interface_AfterFrame();
// True while a platform dialog runs its own loop.
bool Game_Interface_IsModal();

// Receives the social id (padded to 20 digits) and the display name after a social
// login; installed by the program (the login mode).
using SocialLoginHandler = void (*)(const char* social_id, const char* name);
void Game_Interface_SetSocialLoginHandler(SocialLoginHandler handler);

// The addresses of the social login, settings with defaults on the local server's
// web side (the web base): "fb_app_id" (default kDefaultSocialAppId, the id the local
// server's authorisation page takes), "fb_authorize_url" (default
// <web base>/dialog/oauth), "fb_graph_url" (<web base>/graph) and "fb_logout_url"
// (<web base>/logout.php).
inline constexpr char kDefaultSocialAppId[] = "1000000000000001";
struct SocialEndpoints {
  std::string app_id;
  std::string authorize_url;
  std::string graph_url;
  std::string logout_url;
  std::string login_page;   // <web base>/web_content/facebook_login.htm
  std::string logout_page;  // <web base>/web_content/facebook_logout.htm
};
SocialEndpoints Game_Interface_SocialEndpoints();

// Starts `program` with the single argument `argument` (none when null), without a
// shell, so the argument is never interpreted; true when the process was created.
bool SpawnProgram(const char* program, const char* argument, bool search_path);

// A display name cut to at most `max_bytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(const std::string& text, size_t max_bytes);

struct SocialFriend {
  std::string id;
  std::string name;
};
// Message 193: the own account id and number, the count, then each friend's id padded
// to 20 digits in a 30-byte field; friends whose id is not a Graph id are left out.
// *count receives how many were written.
Packet BuildFriendUpload(const uint8_t* user_info, const std::vector<SocialFriend>& friends, int* count);
// Message 185: the own account id, number and nickname, the target's account id, 0,
// and the text in a 1024-byte field.
Packet BuildPlayerMessage(const uint8_t* user_info, const char* target_account_id, const std::string& text);
