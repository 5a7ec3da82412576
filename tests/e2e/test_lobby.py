"""From the title screen to the lobby against the local server, and on to a game server.

A new quick-start account is first sent to its registration; its next login is a
returning one and reaches the lobby, whose header (name, level badge, chips) is checked
on a screenshot. A click on the normal game then enters the game server of that kind and
asks for the room list.
"""
import os
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tolvan_e2e import CONVERT, TolvanRun, Xvfb  # noqa: E402
from test_login import QUICK_CENTRE, LoginTest, LocalServer, register  # noqa: E402

NORMAL_GAME = (1048, 437)  # inside the normal-game tile (922, 338, 252 x 199)


def region(path, x, y, w, h):
    """The pixels of a screenshot region as rows of (r, g, b)."""
    ppm = subprocess.run([CONVERT, path, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", "ppm:-"],
                         check=True, capture_output=True, timeout=20).stdout
    # P6 header: magic, width, height, maximum (comment lines may come between), then
    # the bytes.
    fields, pos = [], 0
    while len(fields) < 4:
        while ppm[pos:pos + 1].isspace():
            pos += 1
        if ppm[pos:pos + 1] == b"#":
            pos = ppm.index(b"\n", pos) + 1
            continue
        end = pos
        while not ppm[end:end + 1].isspace():
            end += 1
        fields.append(ppm[pos:end])
        pos = end
    pos += 1
    width, height = int(fields[1]), int(fields[2])
    data = ppm[pos:]
    return [[tuple(data[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)] for r in range(height)]


def whites(rows):
    return sum(1 for row in rows for p in row if min(p) > 225)


def near(p, want, tol=20):
    return all(abs(a - b) <= tol for a, b in zip(p, want))


class LobbyTest(LoginTest):
    # The title-screen tests stay in their own file.
    test_quick_start_logs_a_new_player_in_from_the_title_screen = None
    test_quick_start_switched_off_leaves_only_the_social_button = None
    test_a_returning_device_account_logs_in_by_itself = None

    def wait_for_lobby_header(self, app, name, timeout=20):
        end = time.time() + timeout
        while True:
            shot = app.screenshot(name)
            badge = app.pixel(shot, 152, 50)
            if near(badge, (5, 120, 193)):
                return shot
            # The server's welcome announcement dims the lobby until its close button
            # (the blue plate at its top right) is clicked.
            if near(app.pixel(shot, 880, 215), (54, 112, 193), tol=30):
                app.xdo("mousemove", "--window", app.window, "900", "205", "click", "1")
            if time.time() > end:
                self.fail("no lobby header: badge pixel %s (%s)" % (badge, shot))
            time.sleep(0.2)

    def check_lobby_header(self, shot):
        # The name (left-aligned from x 145), the level badge with its digit, and the
        # chips of a new account (100,000) right-aligned against x 645.
        self.assertGreater(whites(region(shot, 145, 14, 140, 26)), 40, "no name on " + shot)
        self.assertGreater(whites(region(shot, 160, 46, 26, 21)), 8, "no level digit on " + shot)
        self.assertGreater(whites(region(shot, 560, 24, 86, 24)), 60, "no chips on " + shot)

    def test_quick_start_reaches_the_lobby_and_the_normal_game_server(self):
        with Xvfb() as x, LocalServer(self.root) as server:
            self.write_settings(server.master_port)
            with self.running(x, r"VX_PROTOCOL_HELLO::version") as app:
                self.wait_for_title(app, "lobby_title")
                click = ("mousemove", "--window", app.window, str(QUICK_CENTRE[0]), str(QUICK_CENTRE[1]),
                         "click", "1")
                app.xdo(*click)
                app.wait_for_log(r"GameModeLogin::OnLoginReply result 0")
                # A new quick-start account registers its name first.
                self.assertNotIn("GameModeLobby::Create", app.log_text())
                register(app, "Somchai")
                app.wait_for_log(r"GameModeLobby::Create \*{10}(?! END)", timeout=15)
                app.wait_for_log(r"GameModeLobby::OnInit_Process \.\.\.", timeout=15)
                self.check_lobby_header(self.wait_for_lobby_header(app, "lobby_header"))
                self.assertEqual(self.settings().get("auto_login"), 1)
                self.assertEqual(self.settings().get("account_type"), 1)

                app.xdo("mousemove", "--window", app.window, str(NORMAL_GAME[0]), str(NORMAL_GAME[1]),
                        "click", "1")
                app.wait_for_log(r"GameModeLobby::Show_Scene \.\.\. 16", timeout=30)
                app.screenshot("lobby_after_normal_game")
                self.assertNotIn("entering a server of kind", app.log_text())


if __name__ == "__main__":
    unittest.main()
